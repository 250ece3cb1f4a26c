"""The pictures and the icon: what tools/make_assets.py makes, and the marks the windows are laid
out on that the running menu does not show (where its dots and arrow are, the end-to-end tests see)."""
import struct
import subprocess
import sys
from pathlib import Path

import numpy as np
import pytest

ROOT = Path(__file__).resolve().parents[1]


def test_the_committed_files_are_what_the_generator_makes(tmp_path):
    subprocess.run([sys.executable, str(ROOT / "tools" / "make_assets.py"), str(tmp_path)], check=True)
    for name in ("menu.bmp", "info.bmp", "menu.ico"):
        assert (tmp_path / name).read_bytes() == (ROOT / "assets" / name).read_bytes(), name


def picture(name):
    data = (ROOT / "assets" / name).read_bytes()
    assert len(data) == 121080 and struct.unpack_from("<IiiHHI", data, 14) == (40, 400, 300, 1, 8, 0)
    palette = np.frombuffer(data, np.uint8, 1024, 54).reshape(256, 4)[:, 2::-1].astype(int)
    return palette[np.frombuffer(data, np.uint8, 120000, 1078).reshape(300, 400)[::-1]]


def red(pixels):
    return pixels[..., 0] - pixels[..., 1:].max(axis=-1) > 60


def light(pixels):
    return pixels @ np.array([0.299, 0.587, 0.114]) > 200


# (picture, what, top, bottom, left, right, test of the area's pixels)
MARKS = [(name, what, *area, check) for name in ("menu.bmp", "info.bmp") for what, area, check in [
    ("the red title", (15, 70, 14, 204), lambda p: red(p).mean() > 0.2),
    ("the red slogan", (15, 72, 218, 379), lambda p: red(p).mean() > 0.1),
    ("the plain strip behind the copyright line", (279, 300, 0, 360), lambda p: (p == p[0, 0]).all() and light(p).all()),
]] + [
    ("menu.bmp", "light picture behind the entries", 107, 227, 82, 307, lambda p: light(p).mean() > 0.9 and not red(p).any()),
    ("info.bmp", "the panel under the text box", 81, 274, 9, 392, lambda p: light(p[5:-5, 5:-5]).all()),
    ("info.bmp", "its shadow right of the text box", 110, 260, 392, 396, lambda p: not light(p).any()),
    ("info.bmp", "its shadow below the text box", 274, 277, 40, 370, lambda p: not light(p).any()),
    ("info.bmp", "no dots", 95, 240, 40, 80, lambda p: not red(p).any()),
]


@pytest.mark.parametrize("name, what, top, bottom, left, right, check", MARKS, ids=[m[1] for m in MARKS])
def test_pictures_have_their_marks(name, what, top, bottom, left, right, check):
    assert check(picture(name)[top:bottom, left:right]), f"{name}: {what}"

