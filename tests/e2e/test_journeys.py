"""The user's journeys through the real menu.exe, with what it started read from the stand-ins' log:
from discs in several drives and a copy of one, installing, the information window, a second start, two languages."""
import time

import pytest

from conftest import FORM, point, wait_for

# The windows' client areas at 96 dpi: left, top, right, bottom.
ENTRIES = LABEL1, LABEL2, LABEL3 = (82, 107, 306, 130), (84, 156, 214, 178), (84, 205, 177, 226)
RETURN_WORD, ARROW_TARGET = (303, 281, 362, 297), (367, 280, 396, 298)
DATABASE, CONTINUE = "Βάση Χρηστών - Ερωτήσεων", "Συνέχεια"
DBSETUP, SETUP = ("dbsetup.exe", "E:", r"E:\DBSETUP.EXE"), ("Setup.exe", "E:", r"E:\SETUP.EXE")
COPY = "G:\\Οι δίσκοι μου\\Quintaral"  # a copy of the disc in a folder on a USB stick
# The information text as the publisher gave it; the two addresses after it are the program's own.
INFORMATION = ("Το πρόγραμμα εγκατάστασης είναι το SETUP.EXE\r\nΓια να τρέξει το πρόγραμμα, πρέπει το CD\r\n"
               "να βρίσκεται στο drive.\r\n\r\nΕλάχιστο Aπαιτούμενο Σύστημα :\r\n\r\nPentium 100 MHz\r\n16 MB RAM\r\n"
               "4x CD Drive\r\nSoundcard 16bit\r\nHard disk Free Space >4 MB\r\nMicrosoft Windows 95\r\n"
               "Microsoft Access 97\r\n\r\nΠληροφορίες:\r\n\r\n")


def part(client, rect):
    left, top, right, bottom = rect
    return client[top:bottom + 1, left:right + 1]


def at(win, rect):
    return win.client[2] + (rect[0] + rect[2]) // 2, win.client[3] + (rect[1] + rect[3]) // 2


def red(pixels):
    return int(((pixels[..., 0] == 255) & (pixels[..., 1] == 0) & (pixels[..., 2] == 0)).sum())


def child(win, name):
    found = [c for c in win.children if name in (c.text, c.cls)]
    assert found, f"no {name!r} in {win.text!r}: {[(c.cls, c.text[:30]) for c in win.children]}"
    return found[0]


def programs(desktop, count):
    """(name, folder, path) of each program the stand-ins logged, once count have and a moment more has passed."""
    def logged():
        return desktop.log.read_bytes().decode().split("\r\n")[:-1] if desktop.log.exists() else []
    wait_for(lambda: len(logged()) >= count, 10)
    time.sleep(0.5)
    entries = [line.split("\t") for line in logged()]
    assert all(show == "1" and not given for *_, given, show in entries), f"not by its path, normal: {entries}"
    return [(name, folder.upper().rstrip("\\"), path.upper()) for name, folder, path, *_ in entries]


# Steps: a menu entry to click, a list of keys, or a text to wait for: a window's title, or a control's, which is
# then clicked. Outcome: the programs started. The "Setup" pause box must be up with only dbsetup.exe started.
JOURNEYS = {
    "run-from-F-by-keys": (True, "F:", [["Tab", "Tab", "Tab", "Control_L+Return", "Control_L+Tab", "Shift_L+Tab",
                                        "Shift_L+Tab", "Return"]],
                           [("quin.exe", r"F:\QUIN", r"F:\QUIN\QUIN.EXE")]),
    "install-from-a-copy-on-a-stick": (False, COPY, [LABEL1, DATABASE, CONTINUE],
                                       [("Setup.exe", COPY.upper(), COPY.upper() + r"\SETUP.EXE")]),
    "install-both-clicking-in-the-pause": (False, "E:", [LABEL1, CONTINUE, "Setup", CONTINUE, "OK"], [DBSETUP, SETUP]),
    "install-database-by-keys": (False, "E:", [["Down", "Return"], "Εγκατάσταση",
                                              ["Tab", "space", "Tab", "Return@1"], "Setup", ["Return"]], [DBSETUP]),
}


@pytest.mark.parametrize("row", JOURNEYS)
def test_journey(desktop, tmp_path, row):
    installed, disc, steps, outcome = JOURNEYS[row]
    folder = tmp_path / disc[0] / disc[3:].replace("\\", "/")
    if disc == COPY:  # the copy starts its own programs, beside the disc's on the stick and an empty DVD drive D:
        (tmp_path / "empty").mkdir()
        point(desktop.links["D"], tmp_path / "empty")
        desktop.shell("make_disc", str(folder))
    menu = desktop.start(installed, disc + "\\menu.exe", folder)
    for step in steps:
        if isinstance(step, list):
            desktop.keys(*step)
        elif isinstance(step, tuple):
            desktop.click(*at(menu, step))
        else:
            win = desktop.wait_window(lambda w: step == w.text or any(step == c.text for c in w.children), repr(step))
            if step == "Setup":
                assert programs(desktop, 1) == [DBSETUP], "started while the pause box is up"
            elif step != win.text:
                desktop.click(*child(win, step).centre)
    assert menu.process.wait(10) == 0
    assert programs(desktop, len(outcome)) == outcome
    assert wait_for(lambda: not desktop.windows(), 3), "windows left on screen after the menu ended"


def info_window(desktop):
    return desktop.wait_window(lambda w: w.cls == FORM and any(c.cls == "Edit" for c in w.children),
                               "information window")


def assert_text(desktop, info, expected):
    text = lambda: child(desktop.wait_window(lambda w: w.hwnd == info.hwnd, "information window"), "Edit").text  # noqa
    wait_for(lambda: text() == expected, 5)
    assert text() == expected, f"the text begins {text()[:20]!r}, expected {expected[:20]!r}"


def test_information_window_and_back(desktop):
    menu = desktop.start(True)
    desktop.move(*at(menu, LABEL2))
    desktop.client(menu, lambda c: red(part(c, LABEL2)) > 50)  # the window takes the pointer
    desktop.click(*at(menu, LABEL2))
    info = info_window(desktop)
    original = child(info, "Edit").text
    assert original.startswith(INFORMATION) and original.count("\r\n") == 17, f"the text: {original!r}"
    desktop.keys("x")  # the caret is in the text as the window opens, at its start
    assert_text(desktop, info, "x" + original)
    assert red(desktop.settled(info)) == 0, "Επιστροφή shows with the pointer away from the arrow"
    desktop.move(*at(info, ARROW_TARGET))
    over = desktop.client(info, lambda c: red(part(c, RETURN_WORD)) > 50)
    assert red(part(over, RETURN_WORD)) == red(over) > 50, "the pointer on the arrow: Επιστροφή alone turns red"
    desktop.click(*at(info, ARROW_TARGET))
    desktop.wait_window(lambda w: w.hwnd == menu.hwnd, "the menu after a click on the arrow")
    back = desktop.client(menu, lambda c: all(red(part(c, e)) == 0 for e in ENTRIES))
    assert all(red(part(back, e)) == 0 and (part(back, e).max(axis=-1) < 110).sum() > 50 for e in ENTRIES), \
        "entries not all black"

    desktop.move(5, 5)
    desktop.keys("Down", "Down", "space@1")  # held: it opens the window and types nothing there
    assert_text(desktop, info, "x" + original)  # the same window, shown again
    desktop.run("wine", r"E:\menu.exe", timeout=30)  # a second start: ends at once, with 0, showing nothing
    assert [w.hwnd for w in desktop.windows() if w.cls == FORM] == [info.hwnd]
    desktop.keys("Tab")  # the arrow has the keyboard: its word shows
    assert red(part(desktop.client(info, lambda c: red(part(c, RETURN_WORD)) > 50), RETURN_WORD)) > 50
    desktop.keys("Tab", "y")  # back in the text, nothing selected
    assert_text(desktop, info, "yx" + original)
    desktop.keys("Escape")
    desktop.wait_window(lambda w: w.hwnd == menu.hwnd, "the menu after Esc in the text")
    assert menu.process.poll() is None, "Esc in the text ended the program"
    desktop.keys("Alt_L+F4")
    assert menu.process.wait(10) == 0
    assert programs(desktop, 0) == []



def test_every_window_looks_the_same_in_greek_and_in_english(desktop):
    """The menu, the information window with its arrow selected, the dialog: each language as Wine reports it."""
    seen = []
    for language in "el_GR.UTF-8", "en_US.UTF-8":
        locale = desktop.output("wine", "reg", "query", r"HKCU\Control Panel\International", "/v", "LocaleName",
                                LC_ALL=language)
        assert language[:5].replace("_", "-") in locale, f"Wine runs {language} as {locale!r}"
        menu = desktop.start(False, LC_ALL=language)
        screens = [desktop.settled(menu)]
        desktop.keys("Down", "Down", "Return", "Tab")
        desktop.client(info := info_window(desktop), lambda c: red(part(c, RETURN_WORD)) > 50)  # the arrow selected
        screens.append(desktop.settled(info))
        desktop.keys("Escape", "Up", "Return")
        screens.append(desktop.settled(desktop.wait_window(lambda w: w.text == "Εγκατάσταση", "the dialog")))
        desktop.keys("Alt_L+F4")
        assert menu.process.wait(10) == 0
        seen.append(screens)
    differ = [int((greek != english).any(axis=-1).sum()) for greek, english in zip(*seen)]
    assert differ == [0, 0, 0], f"pixels that differ in the menu, the information window and the dialog: {differ}"
