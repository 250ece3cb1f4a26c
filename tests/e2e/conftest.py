"""Fixtures for the end-to-end tests of menu.exe under Wine.

Per session: an X display (a private Xvfb unless QUINTARAL_E2E_DISPLAY names one), the Wine
prefix of scripts/lib/wine.sh, and CD-ROM drive E: pointing at build/e2e/disc, a link that each
test turns to its own disc folder (so no test has to restart Wine to change the disc).

Per test, set with markers:
    @pytest.mark.installed            the registry says installed ("Quintaral")
    @pytest.mark.installed("Other")   ... with another DisplayName
    @pytest.mark.disc(quin_folder=False)   the disc lacks its quin folder
    @pytest.mark.disc(quin_exe="missing")  a damaged program: "missing", "text" (a text file
                                           under its name) or "folder"; also setup_exe, dbsetup_exe
    @pytest.mark.disc(on_cd_drive=False)   the disc copied to C:\\e2e-disc\\, E: left empty
    @pytest.mark.standin_windows      the stand-ins show their windows instead of only logging
and the fixtures `menu` (started, window found and painted), `menu_app` (not yet started),
`desktop`, `disc`, `standin_log`, `without_cd_drive` (no drive besides C: and Z: for the test);
`cd_drives` sets other CD-ROM drives for a module's tests.
Failing tests leave their screenshots and window list under build/e2e-artifacts/<test>/.
"""
from __future__ import annotations

import os
import shutil
import subprocess
from pathlib import Path

import pytest

from harness import (ARTIFACTS, EXE_DIR, FORM_CLASS, ROOT, Desktop, Disc, HarnessError, Menu, StandinLog,
                     Xvfb, describe)

DISC_LINK = ROOT / "build" / "e2e" / "disc"


def pytest_configure(config):
    config.addinivalue_line("markers", "installed(value='Quintaral'): the install registry value is set")
    config.addinivalue_line("markers", "disc(quin_folder=True, quin_exe=None, setup_exe=None, dbsetup_exe=None, "
                                       "on_cd_drive=True): how the test's disc is made and where it is")
    config.addinivalue_line("markers", "standin_windows: the stand-ins open their windows")


@pytest.hookimpl(hookwrapper=True)
def pytest_runtest_makereport(item, call):
    outcome = yield
    report = outcome.get_result()
    setattr(item, f"report_{report.when}", report)


def _point_disc_link(target: Path):
    temporary = DISC_LINK.with_name(DISC_LINK.name + ".new")
    if temporary.is_symlink() or temporary.exists():
        temporary.unlink()
    temporary.symlink_to(target)
    os.replace(temporary, DISC_LINK)


def _standard_drives(desktop):
    desktop.shell("set_cd_drives", f"E={DISC_LINK}", timeout=120)


@pytest.fixture(scope="session")
def wine_session():
    missing = [name for name in ("menu.exe", "standin.exe", "wininfo.exe", "codepage.exe")
               if not (EXE_DIR / name).is_file()]
    if missing:
        pytest.fail(f"not built: {', '.join(missing)} in {EXE_DIR} (cmake --build --preset windows)", pytrace=False)

    shutil.rmtree(ARTIFACTS, ignore_errors=True)  # only this run's failures
    xvfb = None
    display = os.environ.get("QUINTARAL_E2E_DISPLAY")
    if not display:
        xvfb = Xvfb()
        display = xvfb.display
    desktop = Desktop(display)
    try:
        # A wineserver left from another display would keep its desktop there.
        desktop.stop_wine()
        desktop.shell("ensure_prefix", timeout=600)
        empty = ROOT / "build" / "e2e" / "no-disc"
        empty.mkdir(parents=True, exist_ok=True)
        _point_disc_link(empty)
        _standard_drives(desktop)
        yield desktop
    finally:
        desktop.stop_wine()
        if xvfb:
            xvfb.stop()


def _save_if_failed(desktop, request):
    """Once per failed test, while its windows are still open."""
    report = getattr(request.node, "report_call", None)
    if report is not None and report.failed and not getattr(request.node, "artifacts_saved", False):
        request.node.artifacts_saved = True
        folder = desktop.save_artifacts(request.node.nodeid.split("::", 1)[-1])
        print(f"\nscreenshots of the failure: {folder}")


@pytest.fixture(scope="module")
def cd_drives(wine_session):
    """cd_drives(D=folder, E=folder, ...) gives Wine exactly these CD-ROM drives; after the module
    only E: again, at the link the other tests point at their discs."""
    changed = False

    def set_drives(**folders: Path):
        nonlocal changed
        changed = True
        wine_session.shell("set_cd_drives", *(f"{letter}={folder}" for letter, folder in folders.items()),
                           timeout=120)

    yield set_drives
    if changed:
        _standard_drives(wine_session)


@pytest.fixture
def desktop(wine_session, request):
    """The session's desktop, cleaned up after the test; failures save what was on screen."""
    wine_session.screenshots = []
    yield wine_session
    _save_if_failed(wine_session, request)
    wine_session.screenshots = []
    # Anything still open (a stand-in, a dialog, a menu that did not end) goes with Wine.
    leftovers = [w for w in wine_session.windows() if w.cls != "Shell_TrayWnd"]
    if leftovers:
        wine_session.stop_wine()


DAMAGE_OPTIONS = {"quin_exe": "--quin-exe", "setup_exe": "--setup-exe", "dbsetup_exe": "--dbsetup-exe"}


@pytest.fixture
def disc(desktop, request, tmp_path):
    marker = request.node.get_closest_marker("disc")
    settings = marker.kwargs if marker else {}
    options = []
    if not settings.get("quin_folder", True):
        options.append("--no-quin-folder")
    for name, option in DAMAGE_OPTIONS.items():
        if settings.get(name):
            options.append(f"{option}={settings[name]}")
    if settings.get("on_cd_drive", True):
        folder = tmp_path / "disc"
        desktop.shell("make_disc", str(folder), *options)
        _point_disc_link(folder)
        yield Disc(folder)
        _point_disc_link(ROOT / "build" / "e2e" / "no-disc")
    else:
        folder = desktop.prefix / "drive_c" / "e2e-disc"
        desktop.shell("make_disc", str(folder), *options)
        yield Disc(folder, root="C:\\e2e-disc\\")
        shutil.rmtree(folder, ignore_errors=True)


@pytest.fixture
def without_cd_drive(desktop):
    """No drive besides C: and Z: while the test runs; the session's E: again afterwards. Each
    change restarts Wine, so only the tests that need it pay for it."""
    desktop.shell("set_cd_drives", timeout=120)
    yield
    desktop.shell("set_cd_drives", f"E={DISC_LINK}", timeout=120)


@pytest.fixture
def install_value(desktop, request):
    """The DisplayName the registry holds for the test, or None for not installed."""
    marker = request.node.get_closest_marker("installed")
    if marker is None:
        desktop.shell("delete_install_value")
        return None
    value = marker.args[0] if marker.args else "Quintaral"
    desktop.shell("set_install_value", value)
    return value


@pytest.fixture
def standin_log(tmp_path):
    return StandinLog(tmp_path / "standin.log")


@pytest.fixture
def menu_app(desktop, disc, install_value, standin_log, request):
    """The menu, ready to start; killed after the test if it is still running."""
    stray = desktop.find_windows(lambda w: w.cls == FORM_CLASS)
    if stray:
        raise HarnessError(f"a menu window is already open before the test:\n{describe(stray)}")
    app = Menu(desktop, disc, standin_log,
               quiet_standins=request.node.get_closest_marker("standin_windows") is None)
    yield app
    _save_if_failed(desktop, request)
    app.kill()


@pytest.fixture
def menu(menu_app):
    return menu_app.start()


@pytest.fixture(scope="session")
def greek_font():
    """The font file Wine draws Arial with here (Liberation Sans), for reference measurements."""
    found = subprocess.run(["fc-match", "-f", "%{file}", "Liberation Sans"], capture_output=True, text=True)
    path = found.stdout.strip()
    if found.returncode or "Liberation" not in path or not Path(path).is_file():
        pytest.fail("Liberation Sans not found (fonts-liberation)", pytrace=False)
    return path
