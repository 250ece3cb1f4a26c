"""menu.exe under Wine on the display QUINTARAL_E2E_DISPLAY (scripts/test sets it), driven with XTest, read from the
screen and with wininfo.exe; Wine's desktop fills the screen from 0,0. CD-ROM drives D:, E:, F: and the USB stick G:
are links each test points at its discs (no restart of Wine); H: to X: are fixed drives, so that the drive list is
longer than the menu's first buffer for it."""
import os
import re
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
# The menu as it ships; the window lister and the stand-ins from the build that runs at the
# machine's speed (scripts/lib/wine32.sh).
TOOL_DIR = Path(os.environ.get("QUIN_TOOL_DIR", ROOT / "build" / "windows"))
LINKS = ROOT / "build" / "e2e"
FORM = "QuintaralForm"


def wait_for(condition, timeout=15, interval=0.1):
    deadline = time.monotonic() + timeout
    while not (result := condition()) and time.monotonic() < deadline:
        time.sleep(interval)
    return result


def window(line):
    """A line of wininfo (hwnd, pid, class, text, rectangle[, client size, origin]); texts trimmed, no '&'."""
    hwnd, _, cls, text, *numbers = line.split("\t")
    text = re.sub(r"\\(.)", lambda m: {"t": "\t", "n": "\n", "r": "\r"}.get(m[1], m[1]), text).replace("&", "").strip()
    (left, top, right, bottom, *client) = map(int, numbers)
    return SimpleNamespace(hwnd=hwnd, cls=cls, text=text, rect=(left, top, right, bottom), client=client,
                           centre=((left + right) // 2, (top + bottom) // 2), children=[])


def point(link, target):
    (temporary := link.with_name(link.name + ".new")).unlink(missing_ok=True)
    temporary.symlink_to(target)
    os.replace(temporary, link)


class Session:
    def __init__(self, display):
        self.display, self.x, self.installed = display, xdisplay.Display(display), None
        env = subprocess.run(["bash", "-c", 'source "$0" && choose_wine && env -0', WINE_SH], check=True, capture_output=True,
                             env=dict(os.environ, DISPLAY=display, LC_ALL="C.UTF-8")).stdout.decode()  # English
        self.env = dict(line.split("=", 1) for line in env.split("\0") if "=" in line)

    def run(self, *command, stdout=subprocess.DEVNULL, timeout=600, **env):
        # Into files: wineserver, started by the first Wine program, keeps its output open.
        subprocess.run(command, check=True, timeout=timeout, env=dict(self.env, **env), stdout=stdout,
                       stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL)

    def output(self, *command, **env):
        with tempfile.TemporaryFile() as out:
            self.run(*command, stdout=out, **env)
            out.seek(0)
            return out.read().decode()

    def shell(self, *command):
        self.run("bash", "-c", 'source "$0" && "$@"', WINE_SH, *command)

    def windows(self):
        found = []
        for line in filter(None, self.output("wine", str(TOOL_DIR / "wininfo.exe")).splitlines()):
            (found[-1].children if line[0] == "\t" else found).append(window(line[line[0] == "\t":]))
        return [w for w in found if w.cls != "Shell_TrayWnd"]

    def wait_window(self, match, what, timeout=15):
        seen = []
        found = wait_for(lambda: [w for w in seen.append(self.windows()) or seen[-1] if match(w)], timeout)
        assert found, f"no {what} within {timeout} s; on screen: {[(w.cls, w.text) for w in seen[-1]]}"
        return found[0]

    def move(self, x, y):
        xtest.fake_input(self.x, X.MotionNotify, x=x, y=y)
        self.x.sync()
        time.sleep(0.15)

    def click(self, x, y):
        self.move(x, y)
        for event in X.ButtonPress, X.ButtonRelease:
            xtest.fake_input(self.x, event, 1)
            self.x.sync()

    def keys(self, *combos):
        """X's key names, modifiers first, joined with '+': "Tab", "Shift_L+Tab", "Alt_L+F4", "x"; "Return@1" held
        down for a second, the keyboard repeating it."""
        for combo in combos:
            names, _, held = combo.partition("@")
            codes = [self.x.keysym_to_keycode(XK.string_to_keysym(name)) for name in names.split("+")]
            for event, order in (X.KeyPress, codes), (X.KeyRelease, codes[::-1]):
                for code in order:
                    xtest.fake_input(self.x, event, code)
                self.x.sync()
                time.sleep(float(held or 0) if event == X.KeyPress else 0.05)

    def client(self, win, condition=lambda c: True, timeout=5):
        """The window's client area from screenshots, until condition holds for it."""
        (w, h, x, y), shots = win.client, []
        grab = lambda: np.asarray(ImageGrab.grab(xdisplay=self.display).convert("RGB")).astype(int)  # noqa: E731
        wait_for(lambda: condition(shots.append(grab()[y:y + h, x:x + w]) or shots[-1]), timeout)
        return shots[-1]

    def start(self, installed, exe="E:\\menu.exe", cwd=None, **env):
        """The menu started and painted, in env beside Wine's; returns its window, with .process."""
        if self.installed != installed:
            self.shell("set_install_value" if installed else "delete_install_value")
            self.installed = installed
        self.move(5, 5)  # off the window, whose entries the pointer would light
        env = dict(self.env, QUINTARAL_STANDIN_QUIET="1", QUINTARAL_STANDIN_LOG="Z:" + str(self.log), **env)
        process = subprocess.Popen(["wine", exe], cwd=cwd or self.disc, env=env, stdin=subprocess.DEVNULL,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.menus.append(process)
        menu = self.wait_window(lambda w: w.cls == FORM and process.poll() is None, "menu window", 40)
        self.settled(menu)
        menu.process = process
        return menu

    def settled(self, win):
        """The client area once two screenshots a moment apart agree (painting done)."""
        shots = [self.client(win)]
        assert wait_for(lambda: np.array_equal(shots[-1], shots.append(self.client(win)) or shots[-1]), 15, 0.3), \
            f"the window {win.text!r} kept changing for 15 s"
        return shots[-1]


@pytest.fixture(scope="session")
def session():
    s = Session(os.environ["QUINTARAL_E2E_DISPLAY"])
    s.shell("stop_wine")  # a wineserver of another display would keep its desktop there
    s.shell("ensure_prefix")
    LINKS.mkdir(parents=True, exist_ok=True)
    s.links = {letter: LINKS / letter for letter in "DEFG"}
    for link in s.links.values():
        point(link, LINKS)
    s.drives = [f"{letter}={s.links[letter]}" for letter in "DEF"] + ["floppy", f"G={s.links['G']}", "fixed"] + \
        [f"{letter}={LINKS}" for letter in "HIJKLMNOPQRSTUVWX"]
    s.shell("set_drives", *s.drives)
    yield s
    s.shell("stop_wine")


@pytest.fixture
def desktop(session, tmp_path):
    """The session with a good disc in each drive (tmp_path/D to G) and a stand-in log; whatever
    the test left on screen goes with Wine afterwards."""
    for letter, link in session.links.items():
        session.shell("make_disc", str(tmp_path / letter))
        point(link, tmp_path / letter)
    session.disc, session.log, session.menus = tmp_path / "E", tmp_path / "standin.log", []
    yield session
    for menu in session.menus:
        menu.kill()
    if session.windows():
        session.shell("stop_wine")
