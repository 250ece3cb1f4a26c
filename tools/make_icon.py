"""The program icon for tools/make_assets.py: a conical flask of green liquid, 48, 32 and 16
pixels in the 16 VGA colours with a transparency mask, packed into an ICO file by hand."""

import struct

import numpy as np

VGA = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
       (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
       (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]
TRANSPARENT = -1
# Palette indices used by the drawing.
TEAL, SILVER, WHITE, GREEN, DKGREEN = 6, 7, 15, 10, 2

# 16 x 16 drawn by hand: at this size every pixel counts.
FLASK16 = """
.....TTTTTT.....
......TSWT......
......TSWT......
......TSWT......
.....TSSSWT.....
.....TSSSWT.....
....TGGGGGGT....
....TWWGGGDT....
...TGGGGGGGDT...
...TWGGGGGGDT...
..TGGGGGGGGGDT..
..TWWGGGGGGGDT..
.TGGGGGGGGGGGDT.
.TDDDDDDDDDDDDT.
..TTTTTTTTTTTT..
................
"""
CODES = {".": TRANSPARENT, "T": TEAL, "S": SILVER, "W": WHITE, "G": GREEN, "D": DKGREEN}


def flask_from_art(art):
    return np.array([[CODES[c] for c in row] for row in art.split()], np.int16)


def flask(n):
    """Conical flask for the larger icon sizes, laid out in proportion to n."""
    c = n / 2.0                                   # vertical axis, between two pixels
    ring = max(1, n // 24)                        # outline width
    top, shoulder, bottom = round(n * 0.04), n * 0.30, n - round(n * 0.04)
    neck_half, base_half, corner = n * 0.125, n * 0.45, n * 0.1
    liquid = round(n * 0.42)                      # level: two thirds of the inside

    yy, xx = np.mgrid[0:n, 0:n] + 0.5
    half = np.where(yy < shoulder, neck_half,
                    neck_half + (base_half - neck_half) * (yy - shoulder) / (bottom - shoulder))
    dy = np.clip(yy - (bottom - corner), 0, corner)
    half -= corner - np.sqrt(corner * corner - dy * dy)          # rounded bottom corners
    dx = xx - c
    inside = (np.abs(dx) <= half) & (yy > top) & (yy < bottom)

    # The outline is what lies within `ring` of the outside; the rest is glass.
    padded = np.pad(inside, ring)
    glass = inside.copy()
    for oy in range(2 * ring + 1):
        for ox in range(2 * ring + 1):
            glass &= padded[oy:oy + n, ox:ox + n]
    p = np.full((n, n), TRANSPARENT, np.int16)
    p[inside] = TEAL
    p[glass] = SILVER
    # Highlight on the empty glass, right of the axis.
    p[glass & (yy < liquid) & (dx > neck_half * 0.2) & (dx < neck_half * 0.6)] = WHITE
    # Liquid, shaded darker along the right side and the bottom.
    wet = glass & (yy > liquid)
    p[wet] = GREEN
    shade = (dx > half - ring - max(2, n // 10)) | (yy > bottom - ring - max(1, n // 16))
    p[wet & shade] = DKGREEN
    # Graduation marks on the left, alternately long and short.
    step = max(3, n // 8)
    for i, y in enumerate(range(liquid + step // 2, bottom - ring - max(1, n // 16) - 1, step)):
        x0 = np.nonzero(glass[y])[0][0]
        p[y, x0:x0 + max(2, n // (6 if i % 2 == 0 else 12))] = WHITE
    # Lip of the neck, a little wider than the neck.
    lip = (np.abs(dx) <= neck_half + ring) & (yy > top) & (yy < top + ring + 1.5)
    p[lip] = TEAL
    return p


def ico_image(pix):
    n = pix.shape[0]
    idx = np.where(pix < 0, 0, pix).astype(np.uint8)
    xor_stride = (n * 4 + 31) // 32 * 4
    and_stride = (n + 31) // 32 * 4
    xor = bytearray()
    mask = bytearray()
    for y in range(n - 1, -1, -1):                   # bottom-up
        row = idx[y]
        packed = bytes((int(row[i]) << 4) | int(row[i + 1]) for i in range(0, n, 2))
        xor += packed + b"\0" * (xor_stride - len(packed))
        mrow = bytearray(and_stride)
        for x in range(n):
            if pix[y, x] < 0:
                mrow[x // 8] |= 0x80 >> (x % 8)
        mask += mrow
    header = struct.pack("<IiiHHIIiiII", 40, n, 2 * n, 1, 4, 0, len(xor) + len(mask), 0, 0, 0, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in VGA)
    return header + palette + bytes(xor) + bytes(mask)


def ico_bytes(images):
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    blobs = []
    for pix in images:
        n = pix.shape[0]
        blob = ico_image(pix)
        out += struct.pack("<BBBBHHII", n, n, 16, 0, 1, 4, len(blob), offset)
        offset += len(blob)
        blobs.append(blob)
    return out + b"".join(blobs)
