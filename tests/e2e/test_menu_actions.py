"""Clicking the entries: leaving the menu, starting the installed application from the disc,
and the error shown when the disc lacks the application's folder."""
import re
import time

import numpy as np
import pytest

from harness import DIALOG_CLASS, FORM_CLASS, LABEL1, LABEL3, STANDIN_CLASS, reddish

ERROR_PREFIX = "Σφάλμα εκτέλεσης"


def assert_menu_ended(menu, desktop, after):
    code = menu.wait_exit(10)
    assert code is not None, f"menu.exe still runs 10 s after {after}"
    desktop.wait_no_window(lambda w: w.cls == FORM_CLASS, f"the menu window (after {after})", timeout=5)


def test_exit_entry_ends_the_menu(menu, desktop, standin_log):
    menu.click_at(*LABEL3.centre)
    assert_menu_ended(menu, desktop, "clicking Έξοδος")
    assert standin_log.entries() == [], f"Έξοδος started a program: {standin_log.entries()}"


@pytest.mark.installed
@pytest.mark.standin_windows
def test_installed_first_entry_starts_the_application_in_its_folder(menu, desktop, standin_log):
    menu.click_at(*LABEL1.centre)
    entries = standin_log.wait_for_entries(1)
    assert entries, "no program was started within 15 s of clicking the first entry"
    name, folder, path = entries[0]
    assert name.lower() == "quin.exe" and path.upper() == r"E:\QUIN\QUIN.EXE", f"started {path} ({name})"
    assert folder.upper() in (r"E:\QUIN", "E:\\QUIN\\"), f"quin.exe started in {folder!r}, expected E:\\quin\\"
    assert_menu_ended(menu, desktop, "starting quin.exe")

    window = desktop.wait_for_window(lambda w: w.cls == STANDIN_CLASS, "the window of the started quin.exe")
    assert window.text == "Demo – quin.exe", f"stand-in window titled {window.text!r}"
    time.sleep(1)
    assert len(standin_log.entries()) == 1, f"more than one program was started: {standin_log.entries()}"


@pytest.mark.installed
@pytest.mark.disc(quin_folder=False)
def test_missing_application_folder_shows_the_error_and_ends(menu, desktop, standin_log):
    menu.click_at(*LABEL1.centre)
    box = desktop.wait_for_window(
        lambda w: w.text == "Quintaral" and w.child(contains=ERROR_PREFIX) is not None,
        f'message box "Quintaral" saying {ERROR_PREFIX}', timeout=15)
    assert box.cls == DIALOG_CLASS, f"the error is shown in a {box.cls} window, not a message box"
    message = box.child(contains=ERROR_PREFIX).text
    assert re.match(ERROR_PREFIX + r" -?\d+:", message), f"message text: {message!r}"

    # The critical icon is the red one (information is blue, warning yellow).
    icons = [c for c in box.children if c.cls.lower() == "static" and c.text == "" and c.visible]
    assert icons, f"the message box has no icon: {box}"
    screen = np.asarray(desktop.screenshot("error-box")).astype(int)
    left, top, right, bottom = icons[0].rect
    icon = screen[top:bottom, left:right]
    assert reddish(icon).mean() > 0.2, f"the icon at {icons[0].rect} is not the red critical one"

    assert menu.running(), "menu.exe ended before the message box was closed"
    button = box.child(cls="Button")
    assert button is not None, f"no button on the message box: {box}"
    desktop.click(*button.centre)
    desktop.wait_no_window(lambda w: w.hwnd == box.hwnd, "the error message box", timeout=5)
    assert_menu_ended(menu, desktop, "closing the error message")
    assert standin_log.entries() == [], f"a program was started: {standin_log.entries()}"
