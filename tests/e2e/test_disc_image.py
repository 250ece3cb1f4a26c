"""The menu on the publisher's disc: the image that scripts/make-disc writes, with a signed
menu.exe, mounted read-only (fuseiso) as CD-ROM drive E:, and the three journeys from it."""
import subprocess

import pytest

from disc_image import make_image
from harness import EXE_DIR, Disc
from test_information_window import go_back, open_info
from test_install_dialog import (CONTINUE, DBSETUP, SETUP, assert_ended, assert_started_exactly, click_control,
                                 open_dialog, started, wait_pause_box)
from test_start_disc import assert_started_from, run_application


@pytest.fixture(scope="module")
def image_drive(signing, cd_drives, wine_session, tmp_path_factory):
    """The folder the image is mounted on, which E: shows until the module's end."""
    folder = tmp_path_factory.mktemp("disc-image")
    image, _ = make_image(signing, folder, EXE_DIR)
    mount = folder / "mounted"
    mount.mkdir()
    subprocess.run(["fuseiso", str(image), str(mount)], check=True, timeout=30)
    try:
        cd_drives(E=mount)
        yield mount
    finally:
        wine_session.stop_wine()  # Wine holds the disc's files open
        subprocess.run(["fusermount", "-u", "-z", str(mount)], timeout=30)


@pytest.fixture
def disc(desktop, image_drive):
    return Disc(image_drive)


@pytest.mark.installed
def test_application_runs_from_the_image_in_its_folder(menu, desktop, standin_log):
    assert_started_from(run_application(menu, desktop, standin_log), "E")


def test_both_installers_start_from_the_image_with_the_pause_between(menu, desktop, standin_log):
    click_control(desktop, open_dialog(menu, desktop), CONTINUE)
    box = wait_pause_box(desktop)
    assert started(standin_log) == [DBSETUP], f"started before the pause box's OK: {started(standin_log)}"
    click_control(desktop, box, "OK")
    assert_ended(menu, desktop, "OK on the pause box")
    assert_started_exactly(standin_log, [DBSETUP, SETUP], "OK on the pause box")


def test_information_window_and_back(menu, desktop):
    assert go_back(desktop, open_info(menu, desktop)).hwnd == menu.window.hwnd, "the menu came back as another window"
    assert menu.running(), "menu.exe ended on the way back"


def test_the_drive_is_read_only(image_drive):
    """So nothing the journeys did could have written to the disc."""
    with pytest.raises(OSError):
        (image_drive / "written.txt").write_bytes(b"x")
