"""What the menu shows when it starts: the picture in a title-less window centred on the
screen, and a first entry whose caption follows the install registry value."""
import numpy as np
import pytest
from PIL import ImageFont

from harness import (CAPTION_INSTALL, CAPTION_RUN, CLIENT_SIZE, DOTS, ENTRIES, FONT_PIXELS, FRAME, LABEL1, PRODUCT,
                     SCREEN,
                     dark, ink_extent, reddish)


def test_window_is_centred_title_less_and_shows_the_picture(menu):
    window = menu.window
    left, top, right, bottom = window.rect
    # The product name names the window in the task bar; the window has no title bar to show it.
    assert window.text == PRODUCT, f"the menu window is named {window.text!r}"
    assert window.client_size == CLIENT_SIZE, f"client area {window.client_size}, expected {CLIENT_SIZE}"
    assert (right - left, bottom - top) == (CLIENT_SIZE[0] + 2 * FRAME, CLIENT_SIZE[1] + 2 * FRAME), \
        f"window {window.rect}: expected only a {FRAME}-px frame around the client area"
    assert window.client_origin == (left + FRAME, top + FRAME), f"client origin {window.client_origin}"
    centre = ((left + right) / 2, (top + bottom) / 2)
    assert abs(centre[0] - SCREEN[0] / 2) <= 1 and abs(centre[1] - SCREEN[1] / 2) <= 1, \
        f"window centre {centre}, screen centre {SCREEN[0] / 2, SCREEN[1] / 2}"

    client = menu.client("picture")
    for x, y in DOTS:
        ys, xs = np.nonzero(reddish(client[y - 20:y + 21, x - 20:x + 21]))
        assert xs.size, f"no red dot near ({x},{y}); pixel there is {client[y, x].tolist()}"
        seen = (xs.mean() + x - 20, ys.mean() + y - 20)
        assert abs(seen[0] - x) <= 1 and abs(seen[1] - y) <= 1, f"dot for ({x},{y}) is centred at {seen}"
        assert 50 <= xs.size <= 200, f"red area near ({x},{y}) is {xs.size} px, not a dot of the picture"
    assert reddish(client[15:70, 14:204]).mean() > 0.2, "the red title at the top of the picture is missing"
    for rect in ENTRIES:
        assert dark(rect.of(client)).sum() > 50, f"no black text in the entry at {rect}"


@pytest.fixture(scope="module")
def caption_widths(greek_font):
    """Widths of both captions in Liberation Sans at the menu's size, measured by Pillow."""
    font = ImageFont.truetype(greek_font, FONT_PIXELS)
    return {caption: font.getlength(caption) for caption in (CAPTION_INSTALL, CAPTION_RUN)}


@pytest.mark.parametrize("expected", [
    pytest.param(CAPTION_INSTALL, id="not-installed"),
    pytest.param(CAPTION_RUN, id="installed", marks=pytest.mark.installed),
    pytest.param(CAPTION_INSTALL, id="other-value", marks=pytest.mark.installed("quintaral")),
])
def test_first_entry_caption_follows_the_registry(menu, install_value, caption_widths, expected):
    client = menu.client("caption")
    seen = ink_extent(dark(LABEL1.of(client)))
    other = CAPTION_RUN if expected == CAPTION_INSTALL else CAPTION_INSTALL
    error, error_other = abs(seen - caption_widths[expected]), abs(seen - caption_widths[other])
    assert error <= 6 and error < error_other, (
        f"DisplayName {install_value!r}: the first entry's text is {seen} px wide; "
        f"{expected!r} measures {caption_widths[expected]:.0f} px, {other!r} {caption_widths[other]:.0f} px")
