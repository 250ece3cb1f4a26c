"""Damaged discs and drives without the disc: every failure to start a program is reported in
the run-time error box, the menu ends after OK with nothing else started, and nothing crashes.
Without any CD-ROM drive the menu starts the application beside itself."""
import dataclasses
import re
import subprocess
import time
from pathlib import Path

import pytest

from harness import DIALOG_CLASS, FORM_CLASS, LABEL1, PRODUCT

ERROR_PREFIX = "Σφάλμα εκτέλεσης"
INSTALL_TITLE = "Εγκατάσταση"
DATABASE_BOX = "      Βάση Χρηστών - Ερωτήσεων"
CONTINUE_BUTTON = "Συνέχεια"


def crash_signs(desktop) -> list[str]:
    """Wine's crash dialog and debugger: windows that show them, and winedbg processes of this
    test's prefix (other prefixes on the machine are not ours to judge)."""
    signs = [f"window {w.text!r} ({w.cls})" for w in desktop.windows()
             if "Program Error" in w.text or "Wine Debugger" in w.text or "winedbg" in w.text.lower()]
    found = subprocess.run(["pgrep", "-f", "winedbg"], capture_output=True, text=True).stdout.split()
    for pid in found:
        try:
            environment = Path(f"/proc/{pid}/environ").read_bytes().split(b"\0")
            command = Path(f"/proc/{pid}/cmdline").read_bytes().replace(b"\0", b" ").decode(errors="replace")
        except OSError:
            continue  # ended meanwhile
        if f"WINEPREFIX={desktop.prefix}".encode() in environment:
            signs.append(f"process {pid}: {command.strip()}")
    return signs


@dataclasses.dataclass(frozen=True)
class Failure:
    installed: bool        # True: the first entry runs the application; False: through the dialog
    database_ticked: bool  # in the dialog, whether the database box stays ticked
    path: str              # the path the error report names
    error: int             # the system's error code as Wine reports it


FAILURES = [
    pytest.param(Failure(True, True, r"E:\quin\quin.exe", 2), id="quin.exe-missing",
                 marks=[pytest.mark.installed, pytest.mark.disc(quin_exe="missing")]),
    pytest.param(Failure(True, True, r"E:\quin\quin.exe", 193), id="quin.exe-a-text-file",
                 marks=[pytest.mark.installed, pytest.mark.disc(quin_exe="text")]),
    pytest.param(Failure(False, False, r"E:\Setup.exe", 6), id="Setup.exe-a-folder",
                 marks=pytest.mark.disc(setup_exe="folder")),
    pytest.param(Failure(False, True, r"E:\dbsetup.exe", 2), id="dbsetup.exe-missing",
                 marks=pytest.mark.disc(dbsetup_exe="missing")),
    pytest.param(Failure(True, True, "E:\\quin\\", 2), id="cd-drive-without-disc",
                 marks=[pytest.mark.installed, pytest.mark.disc(on_cd_drive=False)]),
]


def continue_installation(desktop, database_ticked: bool):
    dialog = desktop.wait_for_window(lambda w: w.cls == FORM_CLASS and w.text == INSTALL_TITLE,
                                     f'installation dialog "{INSTALL_TITLE}"', timeout=10)
    if not database_ticked:
        box = dialog.child(cls="Button", text=DATABASE_BOX)
        assert box is not None, f"no database box in the dialog: {dialog}"
        desktop.click(*box.centre)
    button = dialog.child(cls="Button", text=CONTINUE_BUTTON)
    assert button is not None, f"no {CONTINUE_BUTTON} button in the dialog: {dialog}"
    desktop.click(*button.centre)


@pytest.mark.parametrize("failure", FAILURES)
def test_a_program_that_cannot_start_is_reported_and_ends_the_menu(menu, desktop, standin_log, failure):
    assert menu.window.text == PRODUCT, f"not the menu window: {menu.window}"
    menu.click_at(*LABEL1.centre)
    if not failure.installed:
        continue_installation(desktop, failure.database_ticked)

    box = desktop.wait_for_window(lambda w: w.text == "Quintaral" and w.child(contains=ERROR_PREFIX) is not None,
                                  f'message box "Quintaral" saying {ERROR_PREFIX}', timeout=15)
    desktop.screenshot("error-box")
    message = box.child(contains=ERROR_PREFIX).text
    assert box.cls == DIALOG_CLASS, f"the error is shown in a {box.cls} window, not a message box"
    number = re.match(ERROR_PREFIX + r" (-?\d+):", message)
    assert number and int(number.group(1)) == failure.error, f"message text: {message!r}"
    assert message.rstrip().endswith(failure.path), f"the message does not end with {failure.path}: {message!r}"
    assert not re.search(r"%\d", message), f"a place-holder of the system message is left unfilled: {message!r}"
    # The menu's own window stays behind the box until OK; anything else is a program started
    # after the failure, the "Setup" pause or a crash dialog.
    others = [w for w in desktop.windows() if w.hwnd != box.hwnd and w.cls not in (FORM_CLASS, "Shell_TrayWnd")]
    assert not others, "besides the error box, on screen:\n" + "\n".join(f"  {w}" for w in others)
    assert menu.running(), "menu.exe ended before the error box was closed"

    button = box.child(cls="Button")
    assert button is not None and button.text.replace("&", "") == "OK", f"the error box's button: {box}"
    desktop.click(*button.centre)
    code = menu.wait_exit(10)
    assert code == 0, f"menu.exe exit code after OK: {code} (None: still running 10 s later)"
    time.sleep(1)  # a stand-in started after the failure would log by now
    assert standin_log.entries() == [], f"started after the failure: {standin_log.entries()}"
    assert crash_signs(desktop) == [], "crash signs after the failure"
    left = [w for w in desktop.windows() if w.cls in (FORM_CLASS, DIALOG_CLASS)]
    assert not left, "windows left after the menu ended:\n" + "\n".join(f"  {w}" for w in left)


@pytest.mark.installed
@pytest.mark.disc(on_cd_drive=False)
def test_without_cd_drive_the_menu_starts_the_application_beside_itself(without_cd_drive, menu_app, desktop,
                                                                         standin_log):
    menu = menu_app.start()
    menu.click_at(*LABEL1.centre)
    entries = standin_log.wait_for_entries(1)
    assert entries, "no program was started within 15 s of clicking the first entry"
    name, folder, path = entries[0]
    assert path.upper() == r"C:\E2E-DISC\QUIN\QUIN.EXE", f"started {path} ({name})"
    assert folder.upper().rstrip("\\") == r"C:\E2E-DISC\QUIN", f"quin.exe started in {folder!r}"
    code = menu.wait_exit(10)
    assert code == 0, f"menu.exe exit code: {code} (None: still running 10 s later)"
    time.sleep(1)
    assert len(standin_log.entries()) == 1, f"more than one program was started: {standin_log.entries()}"
    assert crash_signs(desktop) == [], "crash signs"
