"""The user's journeys through the real menu.exe: from the disc in its drives, through the
installation dialog and the information window, onto damaged discs, at four screen resolutions
and under Greek and English systems; what it started is read from the stand-ins' log."""
import re
import shutil
import subprocess
import time

import numpy as np
import pytest

from conftest import EXE_DIR, FORM, LINKS, ROOT, make_disc, point, started, wait_for
from disc_image import make_image

# The windows' client areas at 96 dpi: left, top, right, bottom.
LABEL1, LABEL2, LABEL3 = (82, 107, 306, 130), (84, 156, 214, 178), (84, 205, 177, 226)
DOTS = ((61, 117, 23), (61, 166, 25), (61, 216, 23))  # a dot's centre, where its entry's ink begins
TEXT_BOX, RETURN_WORD, ARROW_TARGET = (9, 81, 392, 274), (303, 281, 362, 297), (367, 280, 396, 298)
INFO_BARE = (200, 290)
MAIN, DATABASE, CONTINUE = "Κυρίως Πρόγραμμα", "Βάση Χρηστών - Ερωτήσεων", "Συνέχεια"
DBSETUP, SETUP = ("dbsetup.exe", "E:", r"E:\DBSETUP.EXE"), ("Setup.exe", "E:", r"E:\SETUP.EXE")


def part(client, rect, s=1):
    left, top, right, bottom = (round(v * s) for v in rect)
    return client[top:bottom + 1, left:right + 1]


def at(win, rect, s=1):
    """Screen point of a client rectangle's centre (or of a client point)."""
    x, y = ((rect[0] + rect[2]) / 2, (rect[1] + rect[3]) / 2) if len(rect) == 4 else rect
    return win.client[2] + round(x * s), win.client[3] + round(y * s)


def red(pixels):
    return int(((pixels[..., 0] == 255) & (pixels[..., 1] == 0) & (pixels[..., 2] == 0)).sum())


def reddish(pixels):
    return pixels[..., 0] - pixels[..., 1:].max(axis=-1) > 60


def dark(pixels):
    return pixels.max(axis=-1) < 110


def child(win, text):
    found = [c for c in win.children if c.text.replace("&", "").strip() == text or c.cls == text]
    assert found, f"no {text!r} in {win.text!r}: {[(c.cls, c.text[:30]) for c in win.children]}"
    return found[0]


def programs(desktop, count):
    """What the stand-ins logged (name, folder, path), once count have and a moment more has passed."""
    wait_for(lambda: len(started(desktop)) >= count, 10)
    time.sleep(0.5)
    return [(name, folder.upper().rstrip("\\"), path.upper()) for name, folder, path in started(desktop)]


def ended(menu):
    try:
        return menu.process.wait(10)
    except subprocess.TimeoutExpired:
        return "still running 10 s later"


@pytest.fixture(scope="session")
def image(session, signing, tmp_path_factory):
    """The publisher's signed image, mounted read-only."""
    folder = tmp_path_factory.mktemp("image")
    mount = folder / "mounted"
    mount.mkdir()
    subprocess.run(["fuseiso", str(make_image(signing, folder, EXE_DIR)[0]), str(mount)], check=True, timeout=30)
    yield mount
    session.shell("stop_wine")  # Wine holds the disc's files open
    subprocess.run(["fusermount", "-u", "-z", str(mount)], timeout=30)


@pytest.fixture
def fixed_disc(desktop):
    folder = make_disc(desktop.prefix / "drive_c" / "e2e-disc")
    yield folder
    shutil.rmtree(folder)


@pytest.fixture
def no_cd_drive(desktop):
    desktop.shell("set_cd_drives")
    yield
    desktop.shell("set_cd_drives", *(f"{letter}={link}" for letter, link in desktop.links.items()))


FIXED_MENU = r"C:\e2e-disc\menu.exe"
RUN = {"image": ("E:\\menu.exe", "E:"), "F-by-keys": ("F:\\menu.exe", "F:"),
       "fixed-drive": (FIXED_MENU, "D:"), "no-cd-drive": (FIXED_MENU, r"C:\E2E-DISC")}


@pytest.mark.parametrize("row", RUN)
def test_run_the_application(desktop, start, request, row):
    exe, root = RUN[row]
    cwd = None
    if row == "image":
        point(desktop.links["E"], cwd := request.getfixturevalue("image"))
    elif exe == FIXED_MENU:
        cwd = request.getfixturevalue("fixed_disc")
        if row == "no-cd-drive":  # started in C:\, not in its own folder
            request.getfixturevalue("no_cd_drive")
            cwd = desktop.prefix / "drive_c"
    menu = start(True, exe, cwd)
    if row == "F-by-keys":
        desktop.keys("Tab", "Tab", "shift+Tab")
        lit = desktop.client(menu, lambda c: red(part(c, LABEL1)) > 50)
        assert [red(part(lit, label)) > 50 for label in (LABEL1, LABEL2, LABEL3)] == [True, False, False]
        # A screen reader in another process: the menu answers it (COM set up on its first call).
        assert desktop.wininfo("--accessible").splitlines()[:3] == [
            "1\tΕκτέλεση Εφαρμογής\tmenu item\t00300006", "2\tΠληροφορίες\tmenu item\t00300000",
            "3\tΈξοδος\tmenu item\t00300000"]
        desktop.keys("Return")
    else:
        desktop.click(*at(menu, LABEL1))
    assert ended(menu) == 0
    assert programs(desktop, 1) == [("quin.exe", root + r"\QUIN", root + r"\QUIN\QUIN.EXE")]


INSTALL = {"both": ([], [DBSETUP, SETUP]), "main-only": ([DATABASE], [SETUP]),
           "database-only": ([MAIN], [DBSETUP]), "none": ([DATABASE, MAIN], []),
           "database-only-by-keys": (["Tab", "space", "Tab", "Return"], [DBSETUP])}


@pytest.mark.parametrize("row", INSTALL)
def test_install(desktop, start, row):
    actions, expected = INSTALL[row]
    by_keys = row.endswith("keys")
    menu = start(False)
    desktop.keys("Down", "Return") if by_keys else desktop.click(*at(menu, LABEL1))
    dialog = desktop.wait_window(lambda w: w.cls == FORM and w.text == "Εγκατάσταση", "installation dialog")
    if by_keys:
        desktop.keys(*actions)
    for text in [] if by_keys else actions + [CONTINUE]:
        desktop.click(*child(dialog, text).centre)
    if DBSETUP in expected:
        box = desktop.wait_window(lambda w: w.cls == "#32770" and w.text == "Setup", 'the "Setup" pause')
        assert programs(desktop, 1) == [DBSETUP], "started while the pause box is up"
        desktop.keys("Return") if by_keys else desktop.click(*child(box, "OK").centre)
    assert ended(menu) == 0
    assert programs(desktop, len(expected)) == expected


def info_window(desktop, hwnd=None):
    return desktop.wait_window(lambda w: w.cls == FORM and any(c.cls == "Edit" for c in w.children)
                               and hwnd in (None, w.hwnd), "information window")


def assert_text(desktop, info, expected):
    text = lambda: child(info_window(desktop, info.hwnd), "Edit").text  # noqa: E731
    wait_for(lambda: text() == expected, 5)
    assert text() == expected, f"the text begins {text()[:20]!r}, expected {expected[:20]!r}"


def test_information_window_and_back(desktop, start):
    menu = start(True)
    desktop.move(*at(menu, LABEL2))
    desktop.client(menu, lambda c: red(part(c, LABEL2)) > 50)
    desktop.click(*at(menu, LABEL2))
    info = info_window(desktop)
    original = child(info, "Edit").text
    desktop.keys("x")  # the caret is in the text as the window opens, at its start
    assert_text(desktop, info, "x" + original)
    assert menu.hwnd not in [w.hwnd for w in desktop.windows()], "the menu stays on screen"
    assert red(desktop.settled(info)) == 0, "Επιστροφή shows with the pointer away from the arrow"
    desktop.move(*at(info, ARROW_TARGET))
    over = desktop.client(info, lambda c: red(part(c, RETURN_WORD)) > 50)
    assert red(part(over, RETURN_WORD)) == red(over) > 50, "the pointer on the arrow: Επιστροφή alone turns red"
    desktop.move(*at(info, INFO_BARE))
    assert red(desktop.client(info, lambda c: red(c) == 0)) == 0, "Επιστροφή stays over bare picture"
    desktop.click(*at(info, ARROW_TARGET))
    desktop.wait_window(lambda w: w.hwnd == menu.hwnd, "the menu after a click on the arrow")
    back = desktop.client(menu, lambda c: sum(red(part(c, e)) for e in (LABEL1, LABEL2, LABEL3)) == 0)
    assert [(red(part(back, e)), bool(dark(part(back, e)).sum() > 50)) for e in (LABEL1, LABEL2, LABEL3)] == \
        [(0, True)] * 3, "the entries are not all black when the menu comes back"

    desktop.move(5, 5)
    desktop.keys("Down", "Down", "Return")
    assert info_window(desktop).hwnd == info.hwnd, "the second visit shows a new window"
    assert_text(desktop, info, "x" + original)
    assert red(desktop.settled(info)) == 0, "Επιστροφή still shows on the next visit"
    desktop.keys("Tab")  # the arrow has the keyboard: its word shows
    assert red(part(desktop.client(info, lambda c: red(part(c, RETURN_WORD)) > 50), RETURN_WORD)) > 50
    desktop.keys("Tab", "y")  # back in the text, nothing selected
    assert_text(desktop, info, "yx" + original)
    desktop.keys("Escape")
    desktop.wait_window(lambda w: w.hwnd == menu.hwnd, "the menu after Esc in the text")
    assert menu.process.poll() is None, "Esc in the text ended the program"
    desktop.keys("alt+F4")
    assert ended(menu) == 0
    assert programs(desktop, 0) == []


def test_exit(desktop, start):
    menu = start(True)
    desktop.click(*at(menu, LABEL3))
    assert ended(menu) == 0
    assert programs(desktop, 0) == []


FAILURES = {"quin.exe-missing": (True, {"quin/quin.exe": "missing"}, [], 2, r"E:\quin\quin.exe"),
            "quin.exe-a-text-file": (True, {"quin/quin.exe": "text"}, [], 193, r"E:\quin\quin.exe"),
            "Setup.exe-a-folder": (False, {"Setup.exe": "folder"}, [DATABASE], 6, r"E:\Setup.exe"),
            "dbsetup.exe-missing": (False, {"dbsetup.exe": "missing"}, [], 2, r"E:\dbsetup.exe"),
            "cd-drive-empty": (True, None, [], 2, "D:\\quin\\")}


@pytest.mark.parametrize("row", FAILURES)
def test_failure_is_reported_and_ends_the_menu(desktop, start, request, tmp_path, row):
    installed, damage, untick, error, path = FAILURES[row]
    if damage is None:  # the menu on a fixed drive, the first CD-ROM drive empty
        (tmp_path / "empty").mkdir()
        point(desktop.links["D"], tmp_path / "empty")
        menu = start(installed, FIXED_MENU, request.getfixturevalue("fixed_disc"))
    else:
        point(desktop.links["E"], make_disc(tmp_path / "damaged", **damage))
        menu = start(installed, cwd=tmp_path / "damaged")
    desktop.click(*at(menu, LABEL1))
    if not installed:
        dialog = desktop.wait_window(lambda w: w.text == "Εγκατάσταση", "installation dialog")
        for text in untick + [CONTINUE]:
            desktop.click(*child(dialog, text).centre)
    box = desktop.wait_window(lambda w: w.cls == "#32770" and w.text == "Quintaral", "run-time error box")
    message = next((c.text for c in box.children if "Σφάλμα" in c.text), box.children)
    assert re.fullmatch(rf"Σφάλμα εκτέλεσης {error}:[^%]*{re.escape(path)}\s*", message), message
    assert [(w.cls, w.text) for w in desktop.windows() if w.hwnd != box.hwnd and w.cls != FORM] == []
    assert menu.process.poll() is None, "the menu ended before OK"
    desktop.click(*child(box, "OK").centre)
    assert ended(menu) == 0
    assert programs(desktop, 0) == []
    wait_for(lambda: not desktop.windows(), 3)
    assert [(w.cls, w.text) for w in desktop.windows()] == [], "left on screen after the menu ended"


def test_same_screens_on_greek_and_english_systems(desktop, start):
    screens, default = {}, desktop.env
    for name, codepage in (("el_GR.UTF-8", "1253"), ("en_US.UTF-8", "1252")):
        locales = ROOT / "build" / "locales"
        if not (locales / name / "LC_CTYPE").is_file():
            shutil.rmtree(locales / name, ignore_errors=True)
            locales.mkdir(parents=True, exist_ok=True)
            subprocess.run(["localedef", "-i", name.split(".")[0], "-f", "UTF-8", locales / name], check=True)
        desktop.shell("stop_wine")
        desktop.env = dict(default, LOCPATH=str(locales), LANG=name, LC_ALL=name)
        try:
            assert desktop.wininfo("--codepage").strip() == codepage, f"Wine's ANSI code page in {name}"
            menu = start(False)
            seen = [desktop.settled(menu)]
            desktop.move(*at(menu, LABEL2))
            desktop.client(menu, lambda c: red(part(c, LABEL2)) > 50)
            desktop.click(*at(menu, LABEL2))
            seen.append(desktop.settled(info_window(desktop)))
            desktop.click(*at(menu, ARROW_TARGET))
            desktop.wait_window(lambda w: w.hwnd == menu.hwnd, "the menu again")
            desktop.click(*at(menu, LABEL1))
            dialog = desktop.wait_window(lambda w: w.text == "Εγκατάσταση", "installation dialog")
            left, top, right, bottom = dialog.rect  # with its title bar
            dialog.client = (right - left, bottom - top, left, top)
            screens[name] = seen + [desktop.settled(dialog)]
        finally:
            desktop.shell("stop_wine")
            desktop.env = default
    for what, greek, english in zip(("menu", "information", "dialog"), *screens.values()):
        assert greek.shape == english.shape, f"{what}: {greek.shape} in Greek, {english.shape} in English"
        rows, columns = np.nonzero((greek != english).any(axis=-1))
        # The information window's blinking caret may differ, in one column.
        assert rows.size == 0 or (what == "information" and len(set(columns)) == 1 and rows.size <= 16), \
            f"{what}: {rows.size} pixels differ between Greek and English, columns {set(columns)}"


@pytest.fixture(scope="module")
def resolution(session):
    """Sets the resolution; 96 dpi again after the module, whose last tests these are."""
    yield lambda dpi: session.shell("set_dpi", str(dpi))
    session.shell("set_dpi", "96")


@pytest.mark.parametrize("dpi", [96, 120, 144, 192])
def test_windows_scale_with_the_screen_resolution(desktop, start, resolution, dpi):
    s = dpi / 96
    if dpi != 96:
        resolution(dpi)
    menu = start(True)
    assert abs(menu.client[0] - 400 * s) < 1 and abs(menu.client[1] - 301 * s) < 1, f"client area {menu.client}"
    client = desktop.client(menu)
    for (x, y, gap), label in zip(DOTS, (LABEL1, LABEL2, LABEL3)):
        reach = round(20 * s)
        box = client[round(y * s) - reach:round(y * s) + reach, round(x * s) - reach:round(x * s) + reach]
        rows, columns = np.nonzero(reddish(box))
        dot = columns.mean() - reach + round(x * s), rows.mean() - reach + round(y * s)
        assert abs(dot[0] - x * s) <= 1 and abs(dot[1] - y * s) <= 1, f"dot at {dot}, expected {(x * s, y * s)}"
        rows, columns = np.nonzero(dark(part(client, label, s)))
        text = columns.min() + round(label[0] * s), (rows.min() + rows.max()) / 2 + round(label[1] * s)
        assert abs(text[0] - dot[0] - gap * s) <= 1.5 and abs(text[1] - dot[1]) <= 1 + 1.5 * s, \
            f"text at {text}, dot at {dot}"
    desktop.click(*at(menu, LABEL2, s))
    info = info_window(desktop)
    box = child(info, "Edit").rect
    box = [box[i] - info.client[2 + i % 2] for i in range(4)]
    assert all(abs(a - b * s) <= 1 for a, b in zip(box, TEXT_BOX)), f"text box at {box}"
    rows, columns = np.nonzero(reddish(part(desktop.settled(info), (0, 276, 399, 300), s)))
    arrow = columns.min(), rows.min() + round(276 * s), columns.max(), rows.max() + round(276 * s)
    assert [round(v * s) - 1 <= a for v, a in zip(ARROW_TARGET[:2], arrow)] + [a <= round(v * s) + 1 for v, a in
            zip(ARROW_TARGET[2:], arrow[2:])] == [True] * 4, f"the arrow spans {arrow}"
    assert abs(arrow[2] - arrow[0] - 19 * s) <= 1.5 and abs(arrow[3] - arrow[1] - 10 * s) <= 1.5, f"arrow {arrow}"
    desktop.move(*at(info, ARROW_TARGET, s))
    over = desktop.client(info, lambda c: red(part(c, RETURN_WORD, s)) > 100)
    assert red(part(over, RETURN_WORD, s)) > 100, "no Επιστροφή with the pointer on the arrow"
