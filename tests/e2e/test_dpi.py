"""At 96, 120, 144 and 192 dpi the windows grow with the screen resolution and their controls
stay on the picture's marks: each entry beside its dot, the information text over its panel,
the return target over the painted arrow.

Every run leaves its screenshots (window regions) and a table of the measurements under
build/e2e-artifacts/dpi/."""
from __future__ import annotations

import dataclasses

import numpy as np
import pytest

from harness import (ARTIFACTS, CLIENT_SIZE, DOTS, ENTRIES, FORM_CLASS, LABEL2, Menu, Rect, dark, luminance,
                     pure_red, reddish)

DPIS = (96, 120, 144, 192)
FOLDER = ARTIFACTS / "dpi"

# The information window at 96 dpi, in client coordinates.
TEXT_BOX = Rect(9, 81, 392, 274)          # Text1, left/top/right/bottom edges
RETURN_TEXT = Rect(303, 281, 362, 297)    # Label2 "Επιστροφή", red when shown
ARROW_TARGET = Rect(367, 280, 396, 298)   # Label1's edges, over the painted arrow
INFO_BARE_PICTURE = (150, 290)
PALE_YELLOW = (255, 255, 192)
EDIT_BORDER = 2                           # the sunken edge inside the text box's rectangle
SCROLL_BAR = 17                           # wide at 96 dpi; the pale yellow ends there

# Ink and stretched marks land on whole pixels, and font sizes are rounded at each resolution.
ROUNDING = 1.5
PANEL_WHITE = 200  # the panel is lighter than this everywhere, its shadow darker


def scaled(value: float, dpi: int) -> float:
    return value * dpi / 96


def scaled_rect(rect: Rect, dpi: int) -> Rect:
    return Rect(*(round(scaled(v, dpi)) for v in (rect.left, rect.top, rect.right, rect.bottom)))


@dataclasses.dataclass
class Entry:
    dot: tuple[float, float]   # centroid of the red dot
    dot_area: int
    text_left: int             # first column with black ink
    text_centre: float         # half-way between the first and last rows with black ink


@dataclasses.dataclass
class Information:
    text_box: tuple[int, int, int, int]       # the Edit window's edges, client coordinates
    pale: tuple[int, int, int, int]           # first/last column and row of pale yellow
    shadow_right: list[float]                 # mean luminance of each column just right of the box
    shadow_below: list[float]                 # ... of each row just below it
    beyond_right: float                       # ... of the picture further right
    beyond_below: float                       # ... and further down
    arrow: tuple[int, int, int, int]          # first/last column and row of red in the bottom strip
    return_red: tuple[int, int, int]          # pure red pixels of "Επιστροφή": before, over the arrow, after


@dataclasses.dataclass
class Measured:
    client_size: tuple[int, int]
    entries: list[Entry]
    information: Information


def client_region(image, window) -> np.ndarray:
    x, y = window.client_origin
    w, h = window.client_size
    return np.asarray(image.crop((x, y, x + w, y + h))).astype(int)


def save(image, window, name: str):
    FOLDER.mkdir(parents=True, exist_ok=True)
    image.crop(window.rect).save(FOLDER / f"{name}.png")


def extent(box: tuple[int, int, int, int]) -> tuple[int, int]:
    """Width and height of a box given by its first and last column and row."""
    return box[2] - box[0] + 1, box[3] - box[1] + 1


def bounds(mask: np.ndarray, what: str, left: int = 0, top: int = 0) -> tuple[int, int, int, int]:
    rows, columns = np.nonzero(mask)
    assert rows.size, f"no {what} found"
    return (int(columns.min()) + left, int(rows.min()) + top, int(columns.max()) + left, int(rows.max()) + top)


def measure_entries(client: np.ndarray, dpi: int) -> list[Entry]:
    entries = []
    reach = round(scaled(20, dpi))
    for number, ((x, y), label) in enumerate(zip(DOTS, ENTRIES), 1):
        cx, cy = round(scaled(x, dpi)), round(scaled(y, dpi))
        rows, columns = np.nonzero(reddish(client[cy - reach:cy + reach + 1, cx - reach:cx + reach + 1]))
        assert rows.size, f"{dpi} dpi: no red dot within {reach} px of ({cx},{cy})"
        dot = (columns.mean() + cx - reach, rows.mean() + cy - reach)
        # The entry's ink: right of the dot, in the rows of its label and a little beyond.
        left, top = round(scaled(x + 12, dpi)), round(scaled(label.top - 4, dpi))
        right, bottom = round(scaled(label.right + 4, dpi)), round(scaled(label.bottom + 4, dpi))
        ink_left, ink_top, _, ink_bottom = bounds(dark(client[top:bottom, left:right]),
                                                  f"black text of entry {number} at {dpi} dpi", left, top)
        entries.append(Entry(dot, int(rows.size), ink_left, (ink_top + ink_bottom) / 2))
    return entries


def measure_information(desktop, menu: Menu, dpi: int) -> Information:
    """Opens the information window from the menu and measures it, then hovers the arrow."""
    form1 = menu.window
    menu.click_at(round(scaled(LABEL2.centre[0], dpi)), round(scaled(LABEL2.centre[1], dpi)))
    form2 = desktop.wait_for_window(lambda w: w.cls == FORM_CLASS and w.hwnd != form1.hwnd,
                                    f"information window at {dpi} dpi")
    menu.window = form2
    box = form2.child(cls="Edit")
    assert box is not None, f"{dpi} dpi: the information window has no text box: {form2}"
    ox, oy = form2.client_origin
    text_box = (box.rect[0] - ox, box.rect[1] - oy, box.rect[2] - ox, box.rect[3] - oy)

    shot = desktop.screenshot(f"{dpi}dpi-information")
    save(shot, form2, f"{dpi}dpi-information")
    client = client_region(shot, form2)
    pale = bounds((client == PALE_YELLOW).all(axis=-1), f"pale yellow at {dpi} dpi")
    _, _, right, bottom = text_box
    strip = round(scaled(3, dpi))
    rows = slice(round(scaled(110, dpi)), round(scaled(260, dpi)))
    columns = slice(round(scaled(40, dpi)), round(scaled(280, dpi)))
    lum = luminance(client)
    shadow_right = lum[rows, right:right + strip].mean(axis=0).tolist()
    shadow_below = lum[bottom:bottom + strip, columns].mean(axis=1).tolist()
    beyond_right = float(lum[rows, right + 2 * strip:].mean())
    beyond_below = float(lum[bottom + 2 * strip:bottom + 3 * strip, columns].mean())
    strip_top = round(scaled(276, dpi))
    arrow = bounds(reddish(client[strip_top:]), f"red arrow at {dpi} dpi", 0, strip_top)

    return_text = scaled_rect(RETURN_TEXT, dpi)
    red_before = int(pure_red(return_text.of(client)).sum())
    menu.move_to(round(scaled((ARROW_TARGET.left + ARROW_TARGET.right) / 2, dpi)),
                 round(scaled((ARROW_TARGET.top + ARROW_TARGET.bottom) / 2, dpi)))
    over = menu.wait_client(lambda c: pure_red(return_text.of(c)).any(), f"{dpi}dpi-information-arrow")
    save(desktop.screenshots[-1][1], form2, f"{dpi}dpi-information-arrow")
    menu.move_to(*(round(scaled(v, dpi)) for v in INFO_BARE_PICTURE))
    after = menu.wait_client(lambda c: not pure_red(return_text.of(c)).any(), f"{dpi}dpi-information-bare")
    return Information(text_box, pale, shadow_right, shadow_below, beyond_right, beyond_below, arrow,
                       (red_before, int(pure_red(return_text.of(over)).sum()),
                        int(pure_red(return_text.of(after)).sum())))


def measure(desktop, menu: Menu, dpi: int) -> Measured:
    desktop.shell("set_dpi", str(dpi))
    try:
        menu.start()
        shot = desktop.screenshot(f"{dpi}dpi-menu")
        save(shot, menu.window, f"{dpi}dpi-menu")
        client_size = menu.window.client_size
        entries = measure_entries(client_region(shot, menu.window), dpi)
        return Measured(client_size, entries, measure_information(desktop, menu, dpi))
    finally:
        menu.kill()


def write_table(results: dict[int, Measured]):
    lines = ["menu (client coordinates)",
             "dpi  client   entry  dot centre        area  text left  text centre  text - dot"]
    for dpi, m in sorted(results.items()):
        for number, entry in enumerate(m.entries, 1):
            lines.append(f"{dpi:<4} {m.client_size[0]}x{m.client_size[1]:<4} {number:<6} "
                         f"({entry.dot[0]:6.2f}, {entry.dot[1]:6.2f})  {entry.dot_area:4}  {entry.text_left:9}  "
                         f"{entry.text_centre:11.1f}  ({entry.text_left - entry.dot[0]:5.2f}, "
                         f"{entry.text_centre - entry.dot[1]:5.2f})")
    lines += ["", "information window (client coordinates; luminance 0-255)",
              "dpi  text box              pale yellow           shadow right  shadow below  "
              "beyond r/b  arrow red             Επιστροφή red before/over/after"]
    for dpi, m in sorted(results.items()):
        i = m.information
        lines.append(f"{dpi:<4} {str(i.text_box):21} {str(i.pale):21} "
                     f"{min(i.shadow_right):3.0f}-{max(i.shadow_right):3.0f}       "
                     f"{min(i.shadow_below):3.0f}-{max(i.shadow_below):3.0f}       "
                     f"{i.beyond_right:3.0f}/{i.beyond_below:3.0f}     {str(i.arrow):21} {i.return_red}")
    FOLDER.mkdir(parents=True, exist_ok=True)
    (FOLDER / "measurements.txt").write_text("\n".join(lines) + "\n", encoding="utf-8")


@pytest.fixture(scope="module")
def measured(wine_session):
    """Measurements by dpi, each taken once; 96 dpi again after the module."""
    results: dict[int, Measured] = {}
    yield results
    write_table(results)
    wine_session.shell("set_dpi", "96")


@pytest.fixture
def measure_at(measured, desktop, disc, install_value, standin_log):
    def at(dpi: int) -> Measured:
        if dpi not in measured:
            measured[dpi] = measure(desktop, Menu(desktop, disc, standin_log), dpi)
        return measured[dpi]
    return at


@pytest.mark.parametrize("dpi", DPIS)
def test_windows_scale_and_keep_controls_on_the_picture(measure_at, dpi):
    reference = measure_at(96)
    seen = measure_at(dpi)
    s = dpi / 96

    # The menu: its size, each dot where the picture has it, each entry's text beside its dot.
    width, height = seen.client_size
    assert abs(width - CLIENT_SIZE[0] * s) < 1 and abs(height - CLIENT_SIZE[1] * s) < 1, \
        f"{dpi} dpi: client area {width}x{height}, expected {CLIENT_SIZE[0] * s:g}x{CLIENT_SIZE[1] * s:g}"
    for number, (entry, base, (x, y)) in enumerate(zip(seen.entries, reference.entries, DOTS), 1):
        assert abs(entry.dot[0] - x * s) <= 1 and abs(entry.dot[1] - y * s) <= 1, (
            f"{dpi} dpi: dot {number} centred at ({entry.dot[0]:.1f},{entry.dot[1]:.1f}), "
            f"expected ({x * s:g},{y * s:g})")
        assert abs(entry.dot_area - base.dot_area * s * s) <= 0.2 * base.dot_area * s * s, \
            f"{dpi} dpi: dot {number} covers {entry.dot_area} px, {base.dot_area} at 96 dpi (x{s * s:g} expected)"
        offset = (entry.text_left - entry.dot[0], entry.text_centre - entry.dot[1])
        expected = ((base.text_left - base.dot[0]) * s, (base.text_centre - base.dot[1]) * s)
        assert abs(offset[0] - expected[0]) <= ROUNDING and abs(offset[1] - expected[1]) <= ROUNDING, (
            f"{dpi} dpi: entry {number}'s text starts {offset[0]:.1f} px right of its dot and is centred "
            f"{offset[1]:.1f} px below it; at 96 dpi scaled: {expected[0]:.1f}, {expected[1]:.1f}")

    # The information window: the text box where the panel is, its shadow just beyond it.
    info = seen.information
    expected_box = [v * s for v in (TEXT_BOX.left, TEXT_BOX.top, TEXT_BOX.right, TEXT_BOX.bottom)]
    assert all(abs(a - b) <= 1 for a, b in zip(info.text_box, expected_box)), \
        f"{dpi} dpi: text box at {info.text_box}, expected {[round(v, 2) for v in expected_box]}"
    left, top, right, bottom = info.text_box
    inner = (left + EDIT_BORDER, top + EDIT_BORDER, bottom - EDIT_BORDER - 1)
    assert all(abs(a - b) <= 1 for a, b in zip((info.pale[0], info.pale[1], info.pale[3]), inner)), \
        f"{dpi} dpi: pale yellow spans {info.pale}; inside the box's edge: from {inner[:2]} down to row {inner[2]}"
    assert right - 1 - info.pale[2] <= EDIT_BORDER + SCROLL_BAR * s + 2, \
        f"{dpi} dpi: pale yellow ends at column {info.pale[2]}, the box at {right - 1}: more than a scroll bar between"
    for side, strip, beyond in (("right of", info.shadow_right, info.beyond_right),
                                ("below", info.shadow_below, info.beyond_below)):
        assert max(strip) < PANEL_WHITE and np.mean(strip) < beyond - 30, (
            f"{dpi} dpi: the strip just {side} the text box has luminance {[round(v) for v in strip]}, the picture "
            f"beyond it {beyond:.0f}: expected the panel's shadow (darker than {PANEL_WHITE} and than beyond)")

    # The painted arrow lies under the return target, and hovering the target shows the red text.
    l, t, r, b = (scaled(v, dpi) for v in (ARROW_TARGET.left, ARROW_TARGET.top, ARROW_TARGET.right,
                                           ARROW_TARGET.bottom))
    arrow = info.arrow
    assert arrow[0] >= l - 0.5 and arrow[1] >= t - 0.5 and arrow[2] + 1 <= r + 0.5 and arrow[3] + 1 <= b + 0.5, \
        f"{dpi} dpi: red of the arrow spans {arrow}, outside the return target ({l:g}, {t:g}, {r:g}, {b:g})"
    size, base_size = extent(arrow), extent(reference.information.arrow)
    assert all(abs(a - c * s) <= ROUNDING for a, c in zip(size, base_size)), \
        f"{dpi} dpi: arrow {size[0]}x{size[1]} px, {base_size[0]}x{base_size[1]} at 96 dpi"
    before, over, after = info.return_red
    assert before == 0 and over >= 100 and after == 0, (
        f"{dpi} dpi: pure red pixels of Επιστροφή: {before} before, {over} with the pointer on the arrow, "
        f"{after} back over bare picture (expected 0, at least 100, 0)")
