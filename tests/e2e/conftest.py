"""menu.exe under Wine on an X display (QUINTARAL_E2E_DISPLAY, else a private Xvfb), driven with
XTest and read from the screen and from wininfo.exe. Wine's virtual desktop fills the screen from
0,0, so Windows screen coordinates are X's. CD-ROM drives D:, E: and F: are links under
build/e2e that each test points at its own discs, so changing discs needs no restart of Wine."""
import os
import shutil
import subprocess
import tempfile
import time
from pathlib import Path
from types import SimpleNamespace

import numpy as np
import pytest
from PIL import ImageGrab
from Xlib import X, XK, display as xdisplay
from Xlib.ext import xtest

ROOT = Path(__file__).resolve().parents[2]
WINE_SH = str(ROOT / "scripts" / "lib" / "wine.sh")
EXE_DIR = Path(os.environ.get("QUIN_EXE_DIR", ROOT / "build" / "windows"))
LINKS = ROOT / "build" / "e2e"
FORM = "QuintaralForm"


def wait_for(condition, timeout=15, interval=0.1):
    """condition() until it is true; returns its last value."""
    deadline = time.monotonic() + timeout
    while not (result := condition()) and time.monotonic() < deadline:
        time.sleep(interval)
    return result


def unescape(text):
    return text.replace("\\t", "\t").replace("\\n", "\n").replace("\\r", "\r").replace("\\\\", "\\")


def window(fields, top_level):
    hwnd, *pid, cls, text, l, t, r, b = fields[:8 if top_level else 7]
    return SimpleNamespace(hwnd=hwnd, cls=cls, text=unescape(text), rect=tuple(map(int, (l, t, r, b))), children=[],
                           centre=((int(l) + int(r)) // 2, (int(t) + int(b)) // 2))


def make_disc(folder, **damage):
    """The disc's programs as stand-ins; damage: {"quin/quin.exe": "missing" | "text" | "folder"}."""
    (folder / "quin").mkdir(parents=True)
    shutil.copy(EXE_DIR / "menu.exe", folder)
    for name in ("dbsetup.exe", "Setup.exe", "quin/quin.exe"):
        how = damage.get(name)
        if how is None:
            shutil.copy(EXE_DIR / "standin.exe", folder / name)
        elif how == "text":
            (folder / name).write_text("Not a program: damaged when the disc was copied.\r\n")
        elif how == "folder":
            (folder / name).mkdir()
    return folder


class Session:
    def __init__(self, display):
        self.display, self.x = display, xdisplay.Display(display)
        env = subprocess.run(["bash", "-c", 'source "$0" && env -0', WINE_SH], check=True, capture_output=True,
                             env=dict(os.environ, DISPLAY=display)).stdout.decode()
        self.env = dict(line.split("=", 1) for line in env.split("\0") if "=" in line)
        self.prefix = Path(self.env["WINEPREFIX"])
        self.installed = None

    def shell(self, *command, env=None):
        # Output to files: wineserver, started by the first Wine program, keeps it open for good.
        subprocess.run(["bash", "-c", 'source "$0" && "$@"', WINE_SH, *command], check=True, timeout=600,
                       env=env or self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def wininfo(self, *args):
        with tempfile.TemporaryFile() as out:
            subprocess.run(["wine", str(EXE_DIR / "wininfo.exe"), *args], env=self.env, stdout=out,
                           stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL, timeout=60)
            out.seek(0)
            return out.read().decode()

    def windows(self):
        found = []
        for line in self.wininfo().splitlines():
            if line.startswith("\t"):
                found[-1].children.append(window(line[1:].split("\t"), False))
            elif line:
                fields = line.split("\t")
                found.append(window(fields, True))
                found[-1].client = tuple(map(int, fields[8:12]))
        return [w for w in found if w.cls != "Shell_TrayWnd"]

    def wait_window(self, match, what, timeout=15):
        deadline = time.monotonic() + timeout
        while True:
            seen = self.windows()
            found = [w for w in seen if match(w)]
            if found or time.monotonic() > deadline:
                break
            time.sleep(0.1)
        assert found, f"no {what} within {timeout} s; on screen: {[(w.cls, w.text) for w in seen]}"
        return found[0]

    def input(self, event, detail):
        xtest.fake_input(self.x, event, detail)
        self.x.sync()
        time.sleep(0.03)

    def move(self, x, y):
        xtest.fake_input(self.x, X.MotionNotify, x=x, y=y)
        self.x.sync()
        time.sleep(0.15)

    def click(self, x, y):
        self.move(x, y)
        self.input(X.ButtonPress, 1)
        self.input(X.ButtonRelease, 1)

    def keys(self, *combos):
        """Key names as X has them, modifiers joined with '+': "Tab", "shift+Tab", "alt+F4", "x"."""
        for combo in combos:
            names = [{"shift": "Shift_L", "alt": "Alt_L", "ctrl": "Control_L"}.get(n, n) for n in combo.split("+")]
            codes = [self.x.keysym_to_keycode(XK.string_to_keysym(name)) for name in names]
            for code in codes:
                self.input(X.KeyPress, code)
            for code in reversed(codes):
                self.input(X.KeyRelease, code)
        time.sleep(0.2)

    def screen(self):
        return np.asarray(ImageGrab.grab(xdisplay=self.display).convert("RGB")).astype(int)

    def client(self, win, condition=lambda c: True, timeout=5):
        """The window's client area from screenshots, until condition holds for it."""
        (w, h, x, y), last = win.client, []
        wait_for(lambda: condition(last.append(self.screen()[y:y + h, x:x + w]) or last[-1]), timeout)
        return last[-1]

    def settled(self, win, timeout=15):
        """The client area once two screenshots a moment apart agree (painting done)."""
        last = None
        for _ in range(int(timeout / 0.3)):
            now = self.client(win)
            if last is not None and np.array_equal(now, last):
                return now
            last = now
            time.sleep(0.3)
        raise AssertionError(f"the window {win.text!r} kept changing for {timeout} s")


@pytest.fixture(scope="session")
def session():
    xvfb, display = None, os.environ.get("QUINTARAL_E2E_DISPLAY")
    if not display:
        read, write = os.pipe()
        xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
                                pass_fds=(write,), stderr=subprocess.DEVNULL)
        os.close(write)
        display = ":" + os.read(read, 16).decode().strip()
    s = Session(display)
    s.shell("stop_wine")  # a wineserver of another display would keep its desktop there
    s.shell("ensure_prefix")
    LINKS.mkdir(parents=True, exist_ok=True)
    s.links = {letter: LINKS / letter for letter in "DEF"}
    for link in s.links.values():
        point(link, LINKS)
    s.shell("set_cd_drives", *(f"{letter}={link}" for letter, link in s.links.items()))
    yield s
    s.shell("stop_wine")
    if xvfb:
        xvfb.terminate()


def point(link, target):
    temporary = link.with_name(link.name + ".new")
    temporary.unlink(missing_ok=True)
    temporary.symlink_to(target)
    os.replace(temporary, link)


@pytest.fixture
def desktop(session, tmp_path):
    """The session with a good disc in each drive (tmp_path/D, E, F) and a stand-in log; whatever
    the test left on screen goes with Wine afterwards."""
    for letter, link in session.links.items():
        point(link, make_disc(tmp_path / letter))
    session.disc = tmp_path / "E"
    session.log = tmp_path / "standin.log"
    session.menus = []
    yield session
    for menu in session.menus:
        if menu.poll() is None:
            menu.kill()
    if session.windows():
        session.shell("stop_wine")


def started(session):
    """(name, folder, path) of each program the stand-ins logged."""
    text = session.log.read_bytes().decode() if session.log.exists() else ""
    return [tuple(line.split("\t")) for line in text.split("\r\n") if line]


@pytest.fixture
def start(desktop):
    """start(installed, exe, cwd): the menu started and its window painted; returns the window,
    with .process."""
    def start_menu(installed, exe="E:\\menu.exe", cwd=None, env=None):
        if desktop.installed != installed:
            desktop.shell("set_install_value" if installed else "delete_install_value")
            desktop.installed = installed
        desktop.move(5, 5)  # off the window, whose entries the pointer would light
        env = dict(env or desktop.env, QUINTARAL_STANDIN_QUIET="1",
                   QUINTARAL_STANDIN_LOG="Z:" + str(desktop.log).replace("/", "\\"))
        process = subprocess.Popen(["wine", exe], cwd=cwd or desktop.disc, env=env, stdin=subprocess.DEVNULL,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        desktop.menus.append(process)
        menu = desktop.wait_window(lambda w: w.cls == FORM and process.poll() is None, "menu window", 40)
        desktop.settled(menu)
        menu.process = process
        return menu
    return start_menu
