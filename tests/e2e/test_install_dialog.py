"""The installation dialog that the first entry opens when the application is not installed:
what it shows, which installers its button starts from the disc, the pause between them, and
the ways it ends. A missing or damaged installer is tried with the other damaged discs in
test_menu_faults.py."""
import time

import numpy as np
import pytest

from harness import DIALOG_CLASS, FORM_CLASS, LABEL1, PRODUCT, SCREEN, Rect, client_area, dark, describe

TITLE = "Εγκατάσταση"
CLIENT = (341, 125)
MAIN_PROGRAM = "      Κυρίως Πρόγραμμα"          # Check2
DATABASE = "      Βάση Χρηστών - Ερωτήσεων"      # Check1
CONTINUE = "Συνέχεια"                          # Command1
PAUSE_TITLE = "Setup"
PAUSE_TEXT = "Πατήστε ΟΚ για συνέχεια"

# Client-area pixels at 96 dpi.
QUESTION = Rect(16, 8, 337, 33)       # Label1, painted by the dialog itself
CONTROL_RECTS = {MAIN_PROGRAM: Rect(45, 38, 262, 55), DATABASE: Rect(45, 68, 262, 85),
                 CONTINUE: Rect(248, 96, 337, 121)}
BUTTON_STYLES = 0x0F
BS_AUTOCHECKBOX = 0x03
WS_SYSMENU, WS_MINIMIZEBOX, WS_MAXIMIZEBOX = 0x00080000, 0x00020000, 0x00010000

DBSETUP = ("dbsetup.exe", r"E:\dbsetup.exe")
SETUP = ("Setup.exe", r"E:\Setup.exe")


def is_dialog(window):
    return window.cls == FORM_CLASS and window.text == TITLE


def is_menu(window):
    return window.cls == FORM_CLASS and window.text == PRODUCT


def open_dialog(menu, desktop):
    menu.click_at(*LABEL1.centre)
    return desktop.wait_for_window(is_dialog, f'installation dialog "{TITLE}"', timeout=15)


def control(window, text):
    found = window.child(text=text)
    assert found is not None, f"no control {text!r} in {window}"
    return found


def click_control(desktop, window, text):
    desktop.click(*control(window, text).centre)


def check_mark(client, text):
    """Dark pixels inside the check box's square, which sits at the left of its control."""
    rect = CONTROL_RECTS[text]
    return int(dark(client[rect.top + 3:rect.top + 12, rect.left + 2:rect.left + 11]).sum())


def ticked_on_screen(client, text):
    return check_mark(client, text) >= 15


def text_ink(client, rect):
    """Dark pixels in rect and the width they span."""
    mask = dark(rect.of(client))
    columns = np.nonzero(mask.any(axis=0))[0]
    return int(mask.sum()), int(columns[-1] - columns[0] + 1) if columns.size else 0


def started(log):
    """(name, path) of each program the stand-ins logged, in order."""
    return [(name, path) for name, _folder, path in log.entries()]


def assert_ended(menu, desktop, after):
    code = menu.wait_exit(10)
    assert code is not None, f"menu.exe still runs 10 s after {after}; windows:\n{describe(desktop.windows())}"
    desktop.wait_no_window(lambda w: w.cls in (FORM_CLASS, DIALOG_CLASS), f"a window of menu.exe (after {after})",
                           timeout=5)


def assert_started_exactly(log, expected, after):
    """The stand-ins log as they start, a tenth of a second after the menu starts them: a
    second more is ample for one that should not have been started."""
    if expected:
        log.wait_for_entries(len(expected))
    time.sleep(1)
    assert started(log) == expected, f"after {after} the disc's programs started were {started(log)}, not {expected}"


def wait_pause_box(desktop):
    return desktop.wait_for_window(lambda w: w.cls == DIALOG_CLASS and w.text == PAUSE_TITLE,
                                   f'message box "{PAUSE_TITLE}"', timeout=15)


def test_first_entry_replaces_the_menu_with_the_dialog(menu, desktop):
    dialog = open_dialog(menu, desktop)
    desktop.wait_no_window(is_menu, "the menu (with the dialog open)", timeout=5)
    assert menu.running(), "menu.exe ended when the dialog opened"

    left, top, right, bottom = dialog.rect
    assert dialog.client_size == CLIENT, f"client area {dialog.client_size}, expected {CLIENT}"
    centre = ((left + right) / 2, (top + bottom) / 2)
    assert abs(centre[0] - SCREEN[0] / 2) <= 1 and abs(centre[1] - SCREEN[1] / 2) <= 1, \
        f"dialog {dialog.rect} is centred at {centre}, the screen at {SCREEN[0] / 2, SCREEN[1] / 2}"
    assert not dialog.style & (WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), \
        f"the title bar has a system menu or buttons: style {dialog.style:#010x}"

    ox, oy = dialog.client_origin
    for text, rect in CONTROL_RECTS.items():
        child = control(dialog, text)
        seen = Rect(child.rect[0] - ox, child.rect[1] - oy, child.rect[2] - ox, child.rect[3] - oy)
        assert child.visible and seen == rect, \
            f"{text!r} at {seen} in the client area (visible {child.visible}), expected {rect}"
    for text in (MAIN_PROGRAM, DATABASE):
        box = control(dialog, text)
        assert box.style & BUTTON_STYLES == BS_AUTOCHECKBOX, f"{text!r} has button style {box.style:#x}"
        assert box.check == 1, f"{text!r} is not ticked when the dialog opens (BM_GETCHECK {box.check})"

    # The texts: dark ink inside each control (right of the check boxes' squares, inside the
    # button's edges), the longer text the wider.
    button = CONTROL_RECTS[CONTINUE]
    text_areas = {"question": QUESTION, "button": Rect(button.left + 4, button.top + 4, button.right - 4,
                                                         button.bottom - 4)}
    for text in (MAIN_PROGRAM, DATABASE):
        rect = CONTROL_RECTS[text]
        text_areas[text] = Rect(rect.left + 16, rect.top, rect.right, rect.bottom)
    screen = desktop.wait_pixels(
        lambda s: all(text_ink(client_area(s, dialog), rect)[0] > 50 for rect in text_areas.values()), "dialog")
    client = client_area(screen, dialog)
    ink = {name: text_ink(client, rect) for name, rect in text_areas.items()}
    assert all(count > 50 for count, _width in ink.values()), f"dark pixels and text widths: {ink}"
    assert ink["question"][1] > ink[DATABASE][1] > ink[MAIN_PROGRAM][1] > 60, f"dark pixels and text widths: {ink}"
    for text in (MAIN_PROGRAM, DATABASE):
        assert ticked_on_screen(client, text), \
            f"no tick drawn in the box of {text!r} ({check_mark(client, text)} dark pixels in its square)"

    # The title bar holds only the caption: right of it, one colour to the frame.
    title_bar = screen[top + 4:oy - 1, right - 60:right - 4].reshape(-1, 3)
    colours = np.unique(title_bar, axis=0)
    assert len(colours) == 1, f"the right end of the title bar has {len(colours)} colours: a button is drawn there"
    caption = screen[top + 4:oy - 1, left + 4:left + 100]
    assert (caption != colours[0]).any(axis=-1).sum() > 50, "no caption text at the left of the title bar"


def test_both_parts_start_the_database_pause_then_the_main_installer(menu, desktop, standin_log):
    dialog = open_dialog(menu, desktop)
    click_control(desktop, dialog, CONTINUE)
    entries = standin_log.wait_for_entries(1)
    assert entries[:1] == [("dbsetup.exe", "E:\\", r"E:\dbsetup.exe")], \
        f"first start after Συνέχεια: {entries} (expected dbsetup.exe in E:\\)"

    box = wait_pause_box(desktop)
    assert box.pid == dialog.pid, f"the pause box belongs to process {box.pid}, the dialog to {dialog.pid}"
    statics = [c for c in box.children if c.cls.lower() == "static" and c.text]
    assert [c.text for c in statics] == [PAUSE_TEXT], f"texts of the pause box: {[c.text for c in statics]}"
    buttons = [c for c in box.children if c.cls.lower() == "button" and c.visible]
    assert [b.text.replace("&", "") for b in buttons] == ["OK"], f"buttons of the pause box: {buttons}"
    # An icon would be the only colour in the box: the text is black and the button grey.
    inside = client_area(desktop.wait_pixels(lambda s: dark(client_area(s, box)).sum() > 50, "pause-box"), box)
    coloured = int((inside.max(axis=-1) - inside.min(axis=-1) > 40).sum())
    assert coloured == 0, f"{coloured} coloured pixels in the pause box: it shows an icon"

    time.sleep(2)
    assert started(standin_log) == [DBSETUP], f"started while the pause box is up: {started(standin_log)}"
    assert menu.running(), "menu.exe ended while the pause box was up"

    click_control(desktop, box, "OK")
    assert_ended(menu, desktop, "OK on the pause box")
    assert_started_exactly(standin_log, [DBSETUP, SETUP], "OK on the pause box")
    assert standin_log.entries()[1][1] == "E:\\", f"Setup.exe started in {standin_log.entries()[1][1]!r}"


@pytest.mark.parametrize("untick, expected, pause", [
    pytest.param([DATABASE], [SETUP], False, id="main-program-only"),
    pytest.param([MAIN_PROGRAM], [DBSETUP], True, id="database-only"),
    pytest.param([DATABASE, MAIN_PROGRAM], [], False, id="nothing"),
])
def test_unticked_parts_are_not_installed(menu, desktop, standin_log, untick, expected, pause):
    dialog = open_dialog(menu, desktop)
    for text in untick:
        click_control(desktop, dialog, text)
    dialog = desktop.wait_for_window(
        lambda w: is_dialog(w) and all(w.child(text=t).check == 0 for t in untick),
        f"the dialog with {untick} unticked", timeout=5)
    wanted = {text: text not in untick for text in (MAIN_PROGRAM, DATABASE)}
    client = client_area(desktop.wait_pixels(
        lambda s: all(ticked_on_screen(client_area(s, dialog), t) == w for t, w in wanted.items()), "unticked"), dialog)
    drawn = {text: check_mark(client, text) for text in wanted}
    assert all(ticked_on_screen(client, t) == w for t, w in wanted.items()), \
        f"dark pixels in the boxes: {drawn}; expected ticked: {wanted}"

    click_control(desktop, dialog, CONTINUE)
    if pause:
        box = wait_pause_box(desktop)
        click_control(desktop, box, "OK")
    assert_ended(menu, desktop, "Συνέχεια")
    assert_started_exactly(standin_log, expected, "Συνέχεια")


def test_alt_f4_closes_the_dialog_and_ends(menu, desktop, standin_log):
    dialog = open_dialog(menu, desktop)
    desktop.key("alt+F4")
    assert_ended(menu, desktop, "Alt+F4 on the dialog")
    assert_started_exactly(standin_log, [], "Alt+F4")
    assert not desktop.find_windows(lambda w: w.hwnd == dialog.hwnd), "the dialog is still on screen"
