"""The information window that "Πληροφορίες" opens in place of the menu: the text on its pale
yellow box, the "Επιστροφή" word beside the return arrow, the way back to the menu, and that
the window is kept, with what the user did to its text, between visits."""
import time

import numpy as np

from harness import (BARE_PICTURE, CLIENT_SIZE, FORM_CLASS, LABEL1, LABEL2, LABEL3, PRODUCT, Rect, client_area, dark,
                     describe, pure_red)

TEXT_BOX = Rect(9, 81, 392, 274)      # Text1, frame and scroll bar included
RETURN_WORD = Rect(303, 281, 362, 297)  # Label2 "Επιστροφή", red
ARROW = (381, 289)                    # over Label1, the mouse target on the painted arrow
BARE_INFO_PICTURE = (200, 290)
PALE_YELLOW = (255, 255, 192)
FIRST_LINE = "Το πρόγραμμα εγκατάστασης είναι το SETUP.EXE\r\n"


def is_info(window):
    return window.cls == FORM_CLASS and window.text == PRODUCT and window.child(cls="Edit") is not None


def is_menu(window):
    return window.cls == FORM_CLASS and window.text == PRODUCT and window.child(cls="Edit") is None


def wait_client(desktop, window, condition, name, timeout=5):
    """Screenshots until condition holds for the window's client area; returns the last one."""
    return client_area(desktop.wait_pixels(lambda s: condition(client_area(s, window)), name, timeout), window)


def pale_yellow(client):
    return (client == PALE_YELLOW).all(axis=-1)


def painted_info(desktop, window, name):
    """The information window's client area once its text box is painted, a moment later."""
    wait_client(desktop, window, lambda c: pale_yellow(c).sum() > 10000 and dark(TEXT_BOX.of(c)).sum() > 500, name)
    time.sleep(0.5)
    return client_area(desktop.pixels(name), window)


def red_in(client, rect):
    return int(pure_red(rect.of(client)).sum())


def open_info(menu, desktop):
    menu.click_at(*LABEL2.centre)
    return desktop.wait_for_window(is_info, "the information window", timeout=15)


def go_back(desktop, info):
    """Clicks the arrow; returns the menu window once it is on screen and the information window is not."""
    x, y = info.client_origin
    desktop.click(x + ARROW[0], y + ARROW[1])
    menu_window = desktop.wait_for_window(is_menu, "the menu after clicking the arrow", timeout=10)
    desktop.wait_no_window(is_info, "the information window (after clicking the arrow)", timeout=5)
    return menu_window


def move_in(desktop, window, point):
    x, y = window.client_origin
    desktop.move(x + point[0], y + point[1])


def changed_pixels(before, after):
    """Where the text box differs between two client areas."""
    return (TEXT_BOX.of(before) != TEXT_BOX.of(after)).any(axis=-1)


def text_lines(mask):
    """Runs of rows with ink: lines of text (descenders may join two)."""
    rows = mask.any(axis=1).astype(int)
    return int((np.diff(np.concatenate(([0], rows))) == 1).sum())


def test_information_window_replaces_the_menu_and_shows_the_text(menu, desktop):
    info = open_info(menu, desktop)
    desktop.wait_no_window(is_menu, "the menu (with the information window open)", timeout=5)
    assert info.client_size == CLIENT_SIZE, f"information window client area {info.client_size}"
    assert info.client_origin == menu.window.client_origin, \
        f"information window at {info.client_origin}, the menu was at {menu.window.client_origin}"
    edit = info.child(cls="Edit")
    assert edit.text.startswith(FIRST_LINE), f"the text box begins {edit.text[:60]!r}"

    client = painted_info(desktop, info, "information")
    yellow = pale_yellow(client)
    ys, xs = np.nonzero(yellow)
    assert xs.size, "no pale yellow (255,255,192) pixel in the information window"
    box = (int(xs.min()), int(ys.min()), int(xs.max()), int(ys.max()))
    # Inside the 2-pixel sunken frame, left of the scroll bar.
    assert (TEXT_BOX.left + 1 <= box[0] <= TEXT_BOX.left + 3 and TEXT_BOX.top + 1 <= box[1] <= TEXT_BOX.top + 3
            and TEXT_BOX.bottom - 4 <= box[3] <= TEXT_BOX.bottom - 1
            and TEXT_BOX.right - 24 <= box[2] <= TEXT_BOX.right - 14), \
        f"pale yellow spans x {box[0]}-{box[2]}, y {box[1]}-{box[3]}; the text box is {TEXT_BOX}"
    inner = yellow[box[1]:box[3] + 1, box[0]:box[2] + 1]
    assert inner.mean() > 0.8, f"pale yellow covers only {inner.mean():.0%} of x {box[0]}-{box[2]}, y {box[1]}-{box[3]}"
    scroll_bar = yellow[box[1]:box[3] + 1, box[2] + 1:TEXT_BOX.right]
    assert not scroll_bar.any(), "pale yellow right of the text area, where the scroll bar is"

    ink = dark(client[box[1]:box[3] + 1, box[0]:box[2] + 1])
    lines = text_lines(ink)
    assert ink.sum() > 1500 and lines >= 10, f"the text box shows {int(ink.sum())} dark pixels in {lines} lines"
    assert red_in(client, RETURN_WORD) == 0, "Επιστροφή is shown before the pointer reached the arrow"


def test_return_word_follows_the_pointer(menu, desktop):
    info = open_info(menu, desktop)
    move_in(desktop, info, ARROW)
    over = wait_client(desktop, info, lambda c: red_in(c, RETURN_WORD) > 50, "over-arrow")
    word, everywhere = red_in(over, RETURN_WORD), int(pure_red(over).sum())
    assert word > 50 and word == everywhere, \
        f"pointer on the arrow: {word} pure red pixels where Επιστροφή goes, {everywhere} in the whole window"

    move_in(desktop, info, BARE_INFO_PICTURE)
    bare = wait_client(desktop, info, lambda c: red_in(c, RETURN_WORD) == 0, "over-bare-picture")
    assert red_in(bare, RETURN_WORD) == 0, \
        f"pointer on bare picture: Επιστροφή still shows ({red_in(bare, RETURN_WORD)} red pixels)"


def test_arrow_returns_to_the_menu_with_black_entries(menu, desktop):
    menu.move_to(*BARE_PICTURE)
    before = menu.client("menu-before")
    menu.move_to(*LABEL2.centre)
    lit = menu.wait_client(lambda c: red_in(c, LABEL2) > 50, "entry-lit")
    assert red_in(lit, LABEL2) > 50, "Πληροφορίες did not turn red under the pointer"
    info = open_info(menu, desktop)

    menu_window = go_back(desktop, info)
    assert menu_window.hwnd == menu.window.hwnd, "the menu came back as another window"
    assert menu.running(), "menu.exe ended on the way back"
    after = wait_client(desktop, menu_window, lambda c: np.array_equal(LABEL1.of(c), LABEL1.of(before))
                        and red_in(c, LABEL2) == 0, "menu-after")
    for number, rect in enumerate((LABEL1, LABEL2, LABEL3), 1):
        black_before, black_after = int(dark(rect.of(before)).sum()), int(dark(rect.of(after)).sum())
        assert red_in(after, rect) == 0 and abs(black_after - black_before) <= black_before // 50, (
            f"entry {number} back in the menu: {red_in(after, rect)} red and {black_after} black pixels "
            f"({black_before} black before)")
    changed = int((LABEL1.of(before) != LABEL1.of(after)).any(axis=-1).sum())
    assert changed == 0, f"{changed} pixels of the first entry differ from before the visit"


def test_return_word_is_hidden_on_the_next_visit(menu, desktop):
    info = open_info(menu, desktop)
    move_in(desktop, info, ARROW)
    shown = wait_client(desktop, info, lambda c: red_in(c, RETURN_WORD) > 50, "word-shown")
    assert red_in(shown, RETURN_WORD) > 50, "Επιστροφή did not show with the pointer on the arrow"
    go_back(desktop, info)

    again = open_info(menu, desktop)
    assert again.hwnd == info.hwnd, "the second visit shows a new window"
    client = painted_info(desktop, again, "second-visit")
    assert red_in(client, RETURN_WORD) == 0, \
        f"Επιστροφή still shows on the second visit ({red_in(client, RETURN_WORD)} red pixels)"


def test_typed_text_and_scroll_position_are_kept_between_visits(menu, desktop):
    info = open_info(menu, desktop)
    desktop.click(*info.child(cls="Edit").centre)
    desktop.key("ctrl+End")
    desktop.type("xyz123")
    info = desktop.wait_for_window(lambda w: is_info(w) and w.child(cls="Edit").text.endswith("xyz123"),
                                   "the typed text in the text box", timeout=5)
    edit = info.child(cls="Edit")
    assert edit.first_line > 0, f"the text did not scroll to its end (first visible line {edit.first_line})"
    shown = painted_info(desktop, info, "typed")
    go_back(desktop, info)

    again = open_info(menu, desktop)
    kept = again.child(cls="Edit")
    assert kept.text == edit.text, f"text on the second visit ends {kept.text[-40:]!r}, left as {edit.text[-40:]!r}"
    assert kept.first_line == edit.first_line, \
        f"first visible line {kept.first_line} on the second visit, {edit.first_line} when left"
    # Same text at the same place; only the blinking caret may differ.
    client = wait_client(desktop, again, lambda c: changed_pixels(shown, c).sum() <= 40, "typed-second-visit")
    differ = changed_pixels(shown, client)
    columns = np.nonzero(differ.any(axis=0))[0]
    assert differ.sum() <= 40 and columns.size <= 2, \
        f"{int(differ.sum())} pixels in {columns.size} columns of the text box differ from when it was left"


def test_alt_f4_on_the_menu_after_a_visit_ends_the_program(menu, desktop):
    info = open_info(menu, desktop)
    go_back(desktop, info)
    desktop.key("alt+F4")
    code = menu.wait_exit(10)
    assert code is not None, \
        f"menu.exe still runs 10 s after Alt+F4 on the menu; windows:\n{describe(desktop.windows())}"
    desktop.wait_no_window(lambda w: w.cls == FORM_CLASS, "a window of menu.exe", timeout=5)
