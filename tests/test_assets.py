"""The generated pictures and icon: reproducible, in the exact file layout, and drawn where
the program expects them (the menu entries sit beside the dots, Back is the arrow)."""
import struct
import subprocess
import sys
from pathlib import Path

import numpy as np
import pytest

ROOT = Path(__file__).resolve().parents[1]
ASSETS = ROOT / "assets"
DOT_YS = (117, 166, 216)
VGA = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
       (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
       (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]


def test_generator_reproduces_committed_files(tmp_path):
    subprocess.run([sys.executable, str(ROOT / "tools" / "make_assets.py"), str(tmp_path)], check=True)
    for name in ("menu.bmp", "info.bmp", "menu.ico"):
        assert (tmp_path / name).read_bytes() == (ASSETS / name).read_bytes(), name


def read_bmp(name):
    """Checks the header and returns the picture as a 300x400x3 array, top row first."""
    data = (ASSETS / name).read_bytes()
    magic, size, _, _, offset = struct.unpack_from("<2sIHHI", data)
    hsize, w, h, planes, bpp, comp, _, _, _, used, _ = struct.unpack_from("<IiiHHIIiiII", data, 14)
    assert (magic, size, len(data), offset) == (b"BM", 121080, 121080, 1078)
    assert (hsize, w, h, planes, bpp, comp) == (40, 400, 300, 1, 8, 0) and used in (0, 256)
    assert data[-2:] == b"\0\0"
    palette = np.frombuffer(data, np.uint8, 1024, 54).reshape(256, 4)[:, 2::-1]   # BGRx
    rows = np.frombuffer(data, np.uint8, 120000, offset).reshape(300, 400)[::-1]  # bottom-up
    return palette[rows].astype(int)


def red(img):
    return img[..., 0] - img[..., 1:].max(axis=2) > 60


def luminance(img):
    return img @ np.array([0.299, 0.587, 0.114])


@pytest.mark.parametrize("name", ["menu.bmp", "info.bmp"])
def test_common_layout(name):
    img = read_bmp(name)
    assert red(img[15:70, 14:204]).mean() > 0.2, "title"
    assert red(img[15:72, 218:379]).mean() > 0.1, "slogan"
    strip = img[279:300, :360].reshape(-1, 3)
    assert (strip == strip[0]).all() and luminance(strip[0]) > 220, "plain light copyright strip"


def test_menu_dots_and_entry_area():
    img = read_bmp("menu.bmp")
    for y in DOT_YS:
        ys, xs = np.nonzero(red(img[y - 20:y + 21, 40:80]))
        assert abs(xs.mean() + 40 - 61) <= 0.5 and abs(ys.mean() - 20) <= 0.5, y
        assert 9 <= np.ptp(xs) + 1 <= 12 and 9 <= np.ptp(ys) + 1 <= 12, y
    entries = img[100:236, 80:331]
    assert not red(entries).any()
    for top, bottom in ((107, 130), (156, 178), (205, 226)):
        lum = luminance(img[top:bottom + 1, 82:307])
        assert lum.min() > 170 and lum.mean() > 200, (top, "black text must read well")


def test_info_panel_and_arrow():
    img = read_bmp("info.bmp")
    assert not red(img[95:240, 40:80]).any(), "no menu dots"
    panel, outside = luminance(img[100:260, 30:370]), luminance(img[100:260, 393:400])
    assert panel.mean() > outside.mean() + 5 and panel.min() > 200
    # The text box covers x 9-391, y 81-273: the shadow must show beyond it.
    assert luminance(img[110:260, 392:396]).mean() < panel.mean() - 20, "shadow on the right"
    assert luminance(img[274:277, 40:370]).mean() < panel.mean() - 20, "shadow below"
    corner = red(img[276:300, 330:400])
    box = img[282:295, 370:392]
    mean = box.reshape(-1, 3).mean(axis=0)
    assert red(box).mean() > 0.3 and mean[0] > mean[1:].max() + 40, "red arrow"
    corner[282 - 276:295 - 276, 370 - 330:392 - 330] = False
    assert not corner.any()


def test_icon():
    data = (ASSETS / "menu.ico").read_bytes()
    assert struct.unpack_from("<HHH", data) == (0, 1, 3)
    for i, n in enumerate((48, 32, 16)):
        w, h, colours, _, planes, bpp, length, off = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
        assert (w, h, colours, planes, bpp) == (n, n, 16, 1, 4)
        hsize, bw, bh, _, bbpp, comp = struct.unpack_from("<IiiHHI", data, off)
        assert (hsize, bw, bh, bbpp, comp) == (40, n, 2 * n, 4, 0)
        xs, ms = (n * 4 + 31) // 32 * 4, (n + 31) // 32 * 4                 # padded row sizes
        assert length == 40 + 64 + (xs + ms) * n and off + length <= len(data)
        palette = np.frombuffer(data, np.uint8, 64, off + 40).reshape(16, 4)[:, 2::-1]
        assert palette.tolist() == [list(c) for c in VGA]
        packed = np.frombuffer(data, np.uint8, xs * n, off + 104).reshape(n, xs)[::-1, :n // 2]
        pix = np.stack([packed >> 4, packed & 15], axis=2).reshape(n, n)
        mask = np.frombuffer(data, np.uint8, ms * n, off + 104 + xs * n).reshape(n, ms)[::-1]
        clear = np.unpackbits(mask, axis=1)[:, :n].astype(bool)
        assert clear[[0, 0, -1, -1], [0, -1, 0, -1]].all() and 0.2 < clear.mean() < 0.8
        assert (pix[clear] == 0).all(), "transparent pixels must be black in the colour bitmap"
        green = (pix == 10) & ~clear
        assert green[n // 2:].mean() > 0.2 and not green[:n // 4].any(), n
