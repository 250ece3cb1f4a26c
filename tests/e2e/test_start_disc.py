"""With several CD-ROM drives the application runs from the disc the menu was started from;
a menu started from a fixed drive uses the first CD-ROM drive."""
import shutil

import pytest

from harness import EXE_DIR, FORM_CLASS, LABEL1, Disc, Menu


@pytest.fixture(scope="module")
def discs(cd_drives, wine_session, tmp_path_factory):
    """An installation disc in each of the CD-ROM drives D:, E: and F:."""
    folders = {letter: tmp_path_factory.mktemp(f"drive-{letter}") / "disc" for letter in "DEF"}
    for folder in folders.values():
        wine_session.shell("make_disc", str(folder))
    cd_drives(**folders)
    return {letter: Disc(folder, f"{letter}:\\") for letter, folder in folders.items()}


@pytest.fixture
def start_menu(desktop, install_value, standin_log):
    """start_menu(disc, program=..., cwd=...): the menu started, killed after the test."""
    started = []

    def start(disc, **where):
        menu = Menu(desktop, disc, standin_log)
        started.append(menu)
        return menu.start(**where)

    yield start
    for menu in started:
        menu.kill()


def run_application(menu, desktop, standin_log):
    """Clicks the first entry; returns what the stand-ins logged once the menu has ended."""
    menu.click_at(*LABEL1.centre)
    entries = standin_log.wait_for_entries(1)
    assert entries, "no program was started within 15 s of clicking the first entry"
    assert menu.wait_exit(10) is not None, "menu.exe still runs 10 s after starting the application"
    desktop.wait_no_window(lambda w: w.cls == FORM_CLASS, "the menu window", timeout=5)
    return standin_log.entries()


def assert_started_from(entries, drive):
    expected = f"{drive}:\\QUIN\\QUIN.EXE"
    assert len(entries) == 1, f"expected only {expected} to be started, the log holds {entries}"
    name, folder, path = entries[0]
    assert path.upper() == expected, f"started {path} ({name}), expected {expected}"
    assert folder.upper() in (f"{drive}:\\QUIN", f"{drive}:\\QUIN\\"), \
        f"quin.exe started in {folder!r}, expected {drive}:\\quin"


@pytest.mark.installed
@pytest.mark.parametrize("drive", ["E", "F"])
def test_application_runs_from_the_drive_the_menu_was_started_from(discs, start_menu, desktop, standin_log, drive):
    menu = start_menu(discs[drive])
    assert_started_from(run_application(menu, desktop, standin_log), drive)


@pytest.fixture
def fixed_drive_menu(desktop):
    """A copy of menu.exe in C:\\menu\\, on Wine's fixed drive; removed after the test."""
    folder = desktop.prefix / "drive_c" / "menu"
    folder.mkdir(exist_ok=True)
    shutil.copy(EXE_DIR / "menu.exe", folder / "menu.exe")
    yield folder
    shutil.rmtree(folder, ignore_errors=True)


@pytest.mark.installed
def test_menu_on_a_fixed_drive_runs_the_application_from_the_first_cd_rom_drive(
        discs, fixed_drive_menu, start_menu, desktop, standin_log):
    menu = start_menu(discs["D"], program="C:\\menu\\menu.exe", cwd=fixed_drive_menu)
    assert_started_from(run_application(menu, desktop, standin_log), "D")
