#!/usr/bin/env python3
"""Draws the start-up menu's pictures and icon and writes them into assets/.

    /usr/bin/python3 tools/make_assets.py [OUTPUT_DIR]

The output is byte-for-byte reproducible: all noise comes from a fixed seed,
arithmetic is done in float64 and the BMP/ICO files are packed here by hand
rather than by Pillow, so their layout stays exactly what the menu loads. The
letters come from Liberation 2.1.5 and no other version, whose glyphs differ:
Debian 12 has it as fonts-liberation2, Debian 13 as fonts-liberation.
"""

import os
import pathlib
import struct
import sys

import numpy as np
from PIL import Image, ImageDraw, ImageFilter, ImageFont

from make_icon import FLASK16, flask, flask_from_art, ico_bytes

W, H = 400, 300
FONTS = ("/usr/share/fonts/truetype/liberation2/", "/usr/share/fonts/truetype/liberation/")
FONT_VERSION = "Version 2.1.5"
TITLE_FONT = "LiberationSerif-Bold.ttf"
SLOGAN_FONT = "LiberationSerif-BoldItalic.ttf"
TITLE = "QUINTARAL"
SLOGAN = ("Μαθαίνω", "παίζοντας")

# Centres of the menu's bullet dots; the program puts its entries beside them.
DOT_X = 61
DOT_YS = (117, 166, 216)
DOT_RADIUS = 5.4

STRIP_TOP = 278                      # copyright strip, down to the bottom edge
STRIP_RGB = (238, 240, 245)

SS = 8                               # supersampling for the small glossy shapes


# ---------------------------------------------------------------- helpers

def blend(img, rgb, alpha):
    """Paints colour rgb (a triple or an HxWx3 array) over img with coverage alpha."""
    a = alpha[..., None]
    img *= 1.0 - a
    img += np.asarray(rgb, dtype=np.float64) * a


def smoothstep(e0, e1, v):
    t = np.clip((v - e0) / (e1 - e0), 0.0, 1.0)
    return t * t * (3.0 - 2.0 * t)


def blurred(alpha, radius):
    """Gaussian blur of a 0..1 mask (done by Pillow on 8 bits, which is plenty)."""
    im = Image.fromarray(np.rint(alpha * 255).astype(np.uint8), "L")
    return np.asarray(im.filter(ImageFilter.GaussianBlur(radius)), np.float64) / 255


def supersampled(box, inside):
    """Coverage mask of the region inside(x, y) over the pixel box (x0, y0, x1, y1),
    box-filtered from SS x SS samples so a symmetric shape stays symmetric.
    Returns (coverage, mean x, mean y) with x, y in pixel units (pixel n spans n..n+1)."""
    x0, y0, x1, y1 = box
    ys, xs = np.mgrid[y0 * SS:y1 * SS, x0 * SS:x1 * SS].astype(np.float64)
    xs = (xs + 0.5) / SS
    ys = (ys + 0.5) / SS
    shape = (y1 - y0, SS, x1 - x0, SS)
    m = inside(xs, ys).astype(np.float64)
    cov = m.reshape(shape).mean(axis=(1, 3))
    return cov, xs.reshape(shape).mean(axis=(1, 3)), ys.reshape(shape).mean(axis=(1, 3))


def font_file(name):
    """The font file name at FONT_VERSION, which its name table (UTF-16 in Windows' records) gives."""
    for folder in FONTS:
        path = pathlib.Path(folder, name)
        if path.exists() and FONT_VERSION.encode("utf-16-be") in path.read_bytes():
            return str(path)
    sys.exit(f"make_assets: {name} at Liberation's {FONT_VERSION} is in none of {', '.join(FONTS)}"
             " (Debian 12: apt-get install fonts-liberation2)")


def text_mask(font_name, text, size):
    """Anti-aliased mask of text, cropped to its ink."""
    font = ImageFont.truetype(font_file(font_name), size)
    x0, y0, x1, y1 = font.getbbox(text)
    im = Image.new("L", (x1 - x0 + 4, y1 - y0 + 4), 0)
    ImageDraw.Draw(im).text((2 - x0, 2 - y0), text, font=font, fill=255)
    return im.crop(im.getbbox())


def place(mask_im, box):
    """Scales a text mask to fill box (x0, y0, x1, y1, inclusive) and returns a full-size alpha."""
    x0, y0, x1, y1 = box
    im = mask_im.resize((x1 - x0 + 1, y1 - y0 + 1), Image.LANCZOS)
    out = np.zeros((H, W))
    out[y0:y1 + 1, x0:x1 + 1] = np.asarray(im, np.float64) / 255
    return out


def shifted(alpha, dx, dy):
    out = np.zeros_like(alpha)
    out[dy:, dx:] = alpha[:H - dy, :W - dx]
    return out


def vgradient(top_rgb, bottom_rgb, y0, y1):
    """Full-size colour array running from top_rgb at row y0 to bottom_rgb at row y1."""
    t = np.clip((np.arange(H, dtype=np.float64) - y0) / (y1 - y0), 0, 1)[:, None, None]
    return np.broadcast_to(np.asarray(top_rgb, np.float64) * (1 - t)
                           + np.asarray(bottom_rgb, np.float64) * t, (H, W, 3))


# ---------------------------------------------------------------- the picture

def photo():
    """An out-of-focus 'photograph': pale sky, pink and yellow blossoms, grey stone."""
    yy, xx = np.mgrid[0:H, 0:W].astype(np.float64)
    img = np.empty((H, W, 3))
    t = (yy / (H - 1))[..., None]
    img[:] = np.array([184, 208, 236]) * (1 - t) + np.array([222, 220, 218]) * t

    # (centre x, centre y, radius x, radius y, colour, strength)
    blobs = [
        (340, 30, 130, 80, (246, 196, 214), 0.90),    # pink blossom, top right
        (30, 262, 150, 70, (178, 180, 190), 0.80),     # grey stone, bottom left
        (385, 215, 100, 120, (246, 224, 150), 0.85),   # sunlit yellow, right
        (90, 10, 150, 60, (176, 204, 240), 0.75),      # sky, top left
        (0, 140, 60, 100, (240, 196, 214), 0.80),      # pink at the left edge
        (200, 78, 90, 26, (238, 226, 200), 0.45),      # warm haze under the title
        (260, 290, 150, 50, (196, 206, 222), 0.60),    # grey-blue foreground
        (395, 90, 50, 50, (204, 218, 240), 0.60),      # blue, right edge
        (150, 250, 60, 30, (246, 230, 180), 0.50),     # yellow, bottom
    ]
    for cx, cy, rx, ry, rgb, k in blobs:
        blend(img, rgb, k * np.exp(-((xx - cx) / rx) ** 2 - ((yy - cy) / ry) ** 2))

    # Where the menu entries go: a soft, slightly oval pool of light, so black text
    # reads well without a visible box around it.
    calm = np.exp(-(((xx - 205) / 150) ** 2 + ((yy - 168) / 92) ** 2) ** 2)

    # Bokeh: soft discs of light, as a defocused lens renders highlights.
    rs = np.random.RandomState(20240611)
    for _ in range(30):
        cx, cy = rs.randint(0, W), rs.randint(0, 270)
        r = rs.randint(8, 28)
        rgb = [(255, 250, 236), (255, 226, 238), (232, 242, 255), (255, 244, 200)][rs.randint(0, 4)]
        k = rs.randint(20, 45) / 100.0
        d = np.hypot(xx - cx, yy - cy)
        blend(img, rgb, k * (1 - smoothstep(r - 2.5, r + 2.5, d)) * (1 - 0.8 * calm))

    # Soft focus.
    im = Image.fromarray(np.rint(np.clip(img, 0, 255)).astype(np.uint8), "RGB")
    img = np.asarray(im.filter(ImageFilter.GaussianBlur(4)), np.float64).copy()

    blend(img, (250, 250, 250), 0.62 * calm)

    # A little film grain; it also hides banding once the palette is reduced.
    img += rs.randint(-2, 3, size=(H, W, 1))

    # Plain strip for the copyright line, with a faint edge above it.
    img[STRIP_TOP:] = STRIP_RGB
    img[STRIP_TOP - 1] = img[STRIP_TOP - 1] * 0.6 + np.array([200, 204, 214]) * 0.4
    return img


def draw_title(img):
    """Product name, red with a darker rim, over a soft dark shadow."""
    mask = text_mask(TITLE_FONT, TITLE, 200)
    a = place(mask, (14, 15, 200, 66))
    rim = np.clip(np.asarray(Image.fromarray(np.rint(a * 255).astype(np.uint8))
                             .filter(ImageFilter.MaxFilter(3)), np.float64) / 255, 0, 1)
    shadow = blurred(shifted(rim, 3, 3), 1.0)
    blend(img, (40, 24, 30), 0.75 * shadow)
    blend(img, (110, 0, 10), rim)
    fill = vgradient((250, 70, 60), (180, 0, 16), 15, 66).copy()
    # A lighter band across the upper part of the letters gives them some gloss.
    band = np.exp(-((np.arange(H) - 27.0) / 5.0) ** 2)[:, None, None]
    fill += (np.array([255, 150, 140]) - fill) * 0.45 * band
    blend(img, fill, a)


def draw_slogan(img):
    """Two-line slogan right of the title: first line flush left, second flush right."""
    lines = [text_mask(SLOGAN_FONT, t, 120) for t in SLOGAN]
    left, right, top, bottom, gap = 218, 378, 15, 71, 4
    # One scale for both lines so the letters match.
    s = min((right - left + 1) / max(m.width for m in lines),
            (bottom - top + 1 - gap) / sum(m.height for m in lines))
    sizes = [(round(m.width * s), round(m.height * s)) for m in lines]
    a = place(lines[0], (left, top, left + sizes[0][0] - 1, top + sizes[0][1] - 1))
    y = top + sizes[0][1] + gap
    a = np.maximum(a, place(lines[1], (right - sizes[1][0] + 1, y, right, y + sizes[1][1] - 1)))
    # A faint light glow keeps the thin strokes clear of the busy background.
    blend(img, (255, 255, 255), 0.6 * blurred(a, 1.5))
    blend(img, (200, 16, 28), a)


def draw_dot(img, cx, cy):
    """A glossy red ball centred on pixel (cx, cy); the shape is point-symmetric about
    that pixel's centre so its measured centroid lands exactly on it."""
    px, py = cx + 0.5, cy + 0.5
    x0, y0, x1, y1 = cx - 8, cy - 8, cx + 9, cy + 9
    cov, mx, my = supersampled((x0, y0, x1, y1),
                               lambda x, y: np.hypot(x - px, y - py) <= DOT_RADIUS)
    r = np.hypot(mx - px, my - py) / DOT_RADIUS
    col = np.empty((y1 - y0, x1 - x0, 3))
    col[:] = (214, 22, 30)
    blend(col, (120, 0, 12), smoothstep(0.55, 1.0, r))          # darker rim
    hl = np.hypot(mx - (px - 1.7), my - (py - 1.7))
    blend(col, (255, 150, 158), 0.95 * (1 - smoothstep(0.4, 1.9, hl)))  # pink highlight
    # Mirror the background under the ball both ways, so that the anti-aliased edge
    # pixels come out as mirror-image pairs (grain included) and the centroid stays put.
    # Pairwise sums keep the float arithmetic exactly symmetric.
    patch = img[y0:y1, x0:x1]
    sym = patch + patch[:, ::-1]
    sym = (sym + sym[::-1]) / 4
    blend(patch, sym, 1 - smoothstep(6.5, 8.0, np.hypot(mx - px, my - py)))
    blend(patch, col, cov)


def common(background):
    """Background, title and slogan shared by both pictures."""
    img = background.copy()
    draw_title(img)
    draw_slogan(img)
    return img


def menu_picture(background):
    img = common(background)
    for y in DOT_YS:
        draw_dot(img, DOT_X, y)
    return img


def draw_panel(img):
    """Translucent whitish panel for the information text, with a soft shadow."""
    # Wider than the text box by its shadow only: the box covers the panel, the shadow shows.
    x0, y0, x1, y1 = 9, 80, 390, 272
    yy, xx = np.mgrid[0:H, 0:W]
    rect = ((xx >= x0) & (xx <= x1) & (yy >= y0) & (yy <= y1)).astype(np.float64)
    shadow = blurred(shifted(rect, 4, 4), 1.2) * (1 - rect) * (yy < 279)
    blend(img, (30, 30, 40), 0.45 * shadow)
    blend(img, (252, 252, 250), 0.6 * rect)
    edge = rect - np.asarray(Image.fromarray(np.uint8(rect * 255)).filter(ImageFilter.MinFilter(3)),
                             np.float64) / 255
    blend(img, (255, 255, 255), 0.8 * edge)


def draw_arrow(img):
    """Small glossy red arrow, bottom right: the shaft runs right, bends round and
    comes back, pointing left - the way back to the menu."""
    box = (366, 279, 396, 298)
    top_y, bot_y, bend_x, half = 286.5, 292.4, 385.5, 1.9
    bend_y, bend_r = (top_y + bot_y) / 2, (bot_y - top_y) / 2
    tip_x, head_x, head_half = 370.0, 377.5, 4.4

    def inside(x, y):
        shaft = (x >= head_x - 0.5) & (x <= bend_x) & (np.abs(y - top_y) <= half)
        tail = (x >= 379.5) & (x <= bend_x) & (np.abs(y - bot_y) <= half)
        tail_end = np.hypot(x - 379.5, y - bot_y) <= half
        d = np.hypot(x - bend_x, y - bend_y)
        bend = (x >= bend_x) & (np.abs(d - bend_r) <= half)
        head = (x >= tip_x) & (x <= head_x) & (np.abs(y - top_y) <= (x - tip_x) / (head_x - tip_x) * head_half)
        return shaft | tail | tail_end | bend | head

    cov, mx, my = supersampled(box, inside)
    x0, y0, x1, y1 = box
    col = np.empty((y1 - y0, x1 - x0, 3))
    col[:] = (218, 24, 32)
    # Lit from above: a pink sheen on the upper part, deeper red lower down.
    blend(col, (255, 168, 176), 0.75 * (1 - smoothstep(283.0, 287.0, my)))
    blend(col, (140, 0, 14), 0.8 * smoothstep(289.0, 294.5, my))
    sub = img[y0:y1, x0:x1]
    blend(sub, (150, 150, 162), 0.4 * drop_shadow(cov))
    blend(sub, col, cov)


def drop_shadow(cov):
    """Shadow of a small shape: one pixel down and right, softened, not under the shape."""
    s = np.zeros_like(cov)
    s[1:, 1:] = cov[:-1, :-1]
    im = Image.fromarray(np.uint8(np.rint(s * 255)), "L").filter(ImageFilter.GaussianBlur(0.7))
    return np.asarray(im, np.float64) / 255 * (1 - cov)


def info_picture(background):
    img = common(background)
    draw_panel(img)
    draw_arrow(img)
    return img


# ---------------------------------------------------------------- BMP

BMP_SIZE = 121080    # headers + palette + rows + two bytes of padding at the end


def to_palette(img, base):
    """Reduces img to an adaptive 256-colour palette; returns (256 RGB triples, HxW indices).

    The small red shapes cover few pixels, so a plain median cut would spend nearly all
    entries on the background and flatten their shading. Pixels that differ from the
    background `base` are therefore counted several times when the palette is chosen.
    Pixels are then mapped to the exact nearest entry, without dithering, so the
    shapes keep their symmetry."""
    rgb = np.rint(np.clip(img, 0, 255)).astype(np.uint8)
    drawn = np.abs(img - base).max(axis=2) > 6
    train = np.concatenate([rgb.reshape(-1, 3)] + [rgb[drawn]] * 6)
    q = Image.fromarray(train[None]).quantize(256, method=Image.Quantize.MEDIANCUT)
    pal = np.array(q.getpalette()[:768], np.int32).reshape(-1, 3)
    pal = np.concatenate([pal, np.zeros((256 - len(pal), 3), np.int32)])
    flat = rgb.reshape(-1, 3).astype(np.int32)
    idx = np.empty(len(flat), np.uint8)
    for i in range(0, len(flat), 8000):
        d = ((flat[i:i + 8000, None, :] - pal[None]) ** 2).sum(axis=2)
        idx[i:i + 8000] = d.argmin(axis=1)
    return [tuple(int(v) for v in c) for c in pal], idx.reshape(img.shape[:2])


def bmp_bytes(img, base):
    pal, idx = to_palette(img, base)
    h, w = idx.shape
    assert w % 4 == 0
    off = 14 + 40 + 256 * 4
    head = struct.pack("<2sIHHI", b"BM", BMP_SIZE, 0, 0, off)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 8, 0, w * h, 2835, 2835, 256, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in pal)
    rows = idx[::-1].tobytes()                         # bottom-up
    data = head + info + palette + rows
    data += b"\0" * (BMP_SIZE - len(data))
    assert len(data) == BMP_SIZE
    return data


# ---------------------------------------------------------------- main

def main(argv):
    here = os.path.dirname(os.path.abspath(__file__))
    out = argv[1] if len(argv) > 1 else os.path.join(here, "..", "assets")
    os.makedirs(out, exist_ok=True)
    background = photo()
    files = {
        "menu.bmp": bmp_bytes(menu_picture(background), background),
        "info.bmp": bmp_bytes(info_picture(background), background),
        "menu.ico": ico_bytes([flask(48), flask(32), flask_from_art(FLASK16)]),
    }
    for name, data in files.items():
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main(sys.argv)
