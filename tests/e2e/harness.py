"""Drives menu.exe under Wine on an X display: starts it from a disc mounted as a CD-ROM
drive, lists the windows with wininfo.exe, moves and clicks with xdotool and reads the screen.

The prefix uses Wine's virtual desktop, which fills the X screen from 0,0, so Windows screen
coordinates are X root coordinates (the session checks this once)."""
from __future__ import annotations

import contextlib
import dataclasses
import io
import os
import re
import select
import shutil
import subprocess
import tempfile
import time
from pathlib import Path
from typing import Callable, Iterable

import numpy as np
from PIL import Image

ROOT = Path(__file__).resolve().parents[2]
WINE_SH = ROOT / "scripts" / "lib" / "wine.sh"
EXE_DIR = Path(os.environ.get("QUIN_EXE_DIR", ROOT / "build" / "windows"))
ARTIFACTS = ROOT / "build" / "e2e-artifacts"
SCREEN = (1024, 768)

FORM_CLASS = "QuintaralForm"
PRODUCT = "Quintaral"  # the name of the windows without a title bar
STANDIN_CLASS = "QuintaralStandIn"
DIALOG_CLASS = "#32770"


class HarnessError(AssertionError):
    """Something the test waited for did not happen; the message says what was seen."""


def wait_for(condition: Callable[[], object], timeout: float, interval: float = 0.2):
    """Calls condition until it returns something true; returns that, or None at the timeout."""
    deadline = time.monotonic() + timeout
    while True:
        result = condition()
        if result:
            return result
        if time.monotonic() >= deadline:
            return None
        time.sleep(interval)


def sample_until(sample: Callable[[], object], condition: Callable[[object], bool], timeout: float):
    """Takes samples until condition holds for one; returns the last sample either way."""
    last = None

    def look():
        nonlocal last
        last = sample()
        return condition(last)

    wait_for(look, timeout, interval=0.25)
    return last


def run(args: list[str], env: dict | None = None, timeout: float = 60, cwd=None) -> subprocess.CompletedProcess:
    """Like subprocess.run with captured output, but into files: the first Wine program of a
    session starts wineserver and Wine's services, which keep its output open for good, so
    a pipe would never reach its end."""
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        process = subprocess.Popen(args, env=env, cwd=cwd, stdin=subprocess.DEVNULL, stdout=out, stderr=err)
        try:
            process.wait(timeout)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()
            raise HarnessError(f"{' '.join(args)} did not finish within {timeout} s")
        out.seek(0)
        err.seek(0)
        return subprocess.CompletedProcess(args, process.returncode, out.read(), err.read())


def wine_sh(*command: str, env: dict | None = None, timeout: float = 300) -> str:
    """Runs one function of scripts/lib/wine.sh and returns what it printed."""
    done = run(["bash", "-c", 'source "$0" && "$@"', str(WINE_SH), *command], env=env, timeout=timeout)
    if done.returncode:
        raise HarnessError(f"wine.sh {' '.join(command)} failed ({done.returncode}):\n"
                           f"{done.stderr.decode(errors='replace')}")
    return done.stdout.decode()


def windows_path(path: Path) -> str:
    """The path as Wine's Z: drive shows a Unix path."""
    return "Z:" + str(Path(path).resolve()).replace("/", "\\")


# --- windows as wininfo.exe lists them --------------------------------------------------------

def _unescape(text: str) -> str:
    return re.sub(r"\\(.)", lambda m: {"t": "\t", "n": "\n", "r": "\r"}.get(m.group(1), m.group(1)), text)


@dataclasses.dataclass
class Child:
    hwnd: int
    cls: str
    text: str
    rect: tuple[int, int, int, int]
    id: int
    visible: bool
    style: int = 0
    check: int = -1       # buttons: BM_GETCHECK
    first_line: int = -1  # edit controls: the first visible line

    @property
    def centre(self) -> tuple[int, int]:
        left, top, right, bottom = self.rect
        return (left + right) // 2, (top + bottom) // 2


@dataclasses.dataclass
class Window:
    hwnd: int
    pid: int
    cls: str
    text: str
    rect: tuple[int, int, int, int]
    client_size: tuple[int, int]
    client_origin: tuple[int, int]
    style: int = 0
    ex_style: int = 0
    focus: int = 0  # the window with the keyboard focus in this window's thread, 0 for none
    children: list[Child] = dataclasses.field(default_factory=list)

    def texts(self) -> list[str]:
        return [child.text for child in self.children]

    def child(self, cls: str | None = None, text: str | None = None, contains: str | None = None) -> Child | None:
        for child in self.children:
            if cls is not None and child.cls.lower() != cls.lower():
                continue
            if text is not None and child.text.replace("&", "") != text:
                continue
            if contains is not None and contains not in child.text:
                continue
            return child
        return None

    def __str__(self) -> str:
        children = "".join(f"\n    {c.cls} {c.text!r} {c.rect}" for c in self.children if c.visible)
        return f"{self.cls} {self.text!r} {self.rect} client {self.client_size}{children}"


def parse_wininfo(output: str) -> list[Window]:
    windows: list[Window] = []
    for line in output.splitlines():
        if not line.strip():
            continue
        if line.startswith("\t"):
            hwnd, cls, text, *numbers, style, check, first_line = line[1:].split("\t")
            l, t, r, b, ident, visible = map(int, numbers)
            windows[-1].children.append(Child(int(hwnd, 16), cls, _unescape(text), (l, t, r, b), ident, visible == 1,
                                              int(style, 16), int(check), int(first_line)))
        else:
            hwnd, pid, cls, text, *numbers, style, ex_style, focus = line.split("\t")
            l, t, r, b, w, h, x, y = map(int, numbers)
            windows.append(Window(int(hwnd, 16), int(pid), cls, _unescape(text), (l, t, r, b), (w, h), (x, y),
                                  int(style, 16), int(ex_style, 16), int(focus, 16)))
    return windows


def _file_name(text: str) -> str:
    return re.sub(r"[^\w.-]+", "_", text)


def describe(windows: Iterable[Window]) -> str:
    return "\n".join(f"  {w}" for w in windows) or "  (no windows)"


# --- the display and the prefix ----------------------------------------------------------------

class Xvfb:
    """A private X server on a free display."""

    def __init__(self):
        read, write = os.pipe()
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write), "-screen", "0", f"{SCREEN[0]}x{SCREEN[1]}x24", "-nolisten", "tcp"],
            pass_fds=(write,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write)
        number = b""
        deadline = time.monotonic() + 20
        while not number.endswith(b"\n") and time.monotonic() < deadline:
            if select.select([read], [], [], 0.5)[0]:
                chunk = os.read(read, 16)
                if not chunk:
                    break
                number += chunk
        os.close(read)
        if not number.strip():
            self.process.kill()
            raise HarnessError("Xvfb did not start")
        self.display = ":" + number.decode().strip()

    def stop(self):
        self.process.terminate()
        try:
            self.process.wait(10)
        except subprocess.TimeoutExpired:
            self.process.kill()


class Desktop:
    """Wine's virtual desktop on one X display, and the pointer, keyboard and screen."""

    def __init__(self, display: str):
        self.display = display
        self.env = dict(os.environ, DISPLAY=display)
        for line in wine_sh("print_wine_env").splitlines():
            name, _, value = line.partition("=")
            self.env[name] = value
        self.prefix = Path(self.env["WINEPREFIX"])
        self.screenshots: list[tuple[str, Image.Image]] = []  # of the running test, for failure reports

    # processes
    def shell(self, *command: str, timeout: float = 300) -> str:
        return wine_sh(*command, env=self.env, timeout=timeout)

    def stop_wine(self):
        self.shell("stop_wine", timeout=60)

    @contextlib.contextmanager
    def wine_environment(self, **variables: str):
        """Wine restarted with these variables set, and restarted as before afterwards:
        settings such as the system language are read when Wine starts."""
        saved = self.env
        self.stop_wine()
        self.env = {**saved, **variables}
        try:
            yield self
        finally:
            self.stop_wine()
            self.env = saved

    def wine(self, *args: str, timeout: float = 60, env: dict | None = None) -> subprocess.CompletedProcess:
        return run(["wine", *args], env=env or self.env, timeout=timeout)

    # windows
    def windows(self) -> list[Window]:
        done = self.wine(str(EXE_DIR / "wininfo.exe"), timeout=60)
        if done.returncode:
            raise HarnessError(f"wininfo failed ({done.returncode}): {done.stderr.decode(errors='replace')}")
        return parse_wininfo(done.stdout.decode("utf-8"))

    def accessible(self) -> dict[int, list[list[str]]]:
        """The menu's windows as a screen reader reads them (wininfo --accessible): by window,
        the client area's [name, role, state] and each child's [id, name, role, state, action]."""
        done = self.wine(str(EXE_DIR / "wininfo.exe"), "--accessible", timeout=60)
        trees: dict[int, list[list[str]]] = {}
        for line in done.stdout.decode("utf-8").splitlines():
            fields = [_unescape(field) for field in line.split("\t")]
            if line.startswith("\t"):
                trees[window].append(fields[1:])
            else:
                window = int(fields[0], 16)
                trees[window] = [fields[1:]]
        return trees

    def find_windows(self, match: Callable[[Window], bool]) -> list[Window]:
        return [w for w in self.windows() if match(w)]

    def wait_for_window(self, match: Callable[[Window], bool], what: str, timeout: float = 30) -> Window:
        seen: list[Window] = []

        def look():
            nonlocal seen
            seen = self.windows()
            found = [w for w in seen if match(w)]
            return found[0] if found else None

        window = wait_for(look, timeout, interval=0.3)
        if window is None:
            raise HarnessError(f"no {what} within {timeout} s; windows on screen:\n{describe(seen)}")
        return window

    def wait_no_window(self, match: Callable[[Window], bool], what: str, timeout: float = 10):
        seen: list[Window] = []

        def gone():
            nonlocal seen
            seen = [w for w in self.windows() if match(w)]
            return not seen

        if not wait_for(gone, timeout, interval=0.3):
            raise HarnessError(f"{what} still on screen after {timeout} s:\n{describe(seen)}")

    # pointer and keyboard
    def xdotool(self, *args: str):
        subprocess.run(["xdotool", *args], env=self.env, check=True, timeout=30)

    def move(self, x: int, y: int, settle: float = 0.3):
        """One jump: X sends the window a single motion event at the target."""
        self.xdotool("mousemove", str(x), str(y))
        time.sleep(settle)

    def click(self, x: int, y: int, settle: float = 0.3):
        self.move(x, y, settle=0.2)
        self.xdotool("click", "1")
        time.sleep(settle)

    def key(self, *keys: str, settle: float = 0.3):
        self.xdotool("key", "--delay", "100", *keys)
        time.sleep(settle)

    def type(self, text: str, settle: float = 0.3):
        """Types ASCII text into the window with the keyboard focus, a key at a time."""
        self.xdotool("type", "--delay", "50", text)
        time.sleep(settle)

    # screen
    def screenshot(self, name: str = "screen") -> Image.Image:
        done = run(["import", "-window", "root", "png:-"], env=self.env, timeout=30)
        if done.returncode:
            raise HarnessError(f"screenshot failed: {done.stderr.decode(errors='replace')}")
        image = Image.open(io.BytesIO(done.stdout)).convert("RGB")
        self.screenshots.append((name, image))
        return image

    def pixels(self, name: str = "screen") -> np.ndarray:
        """A new screenshot as rows of RGB ints."""
        return np.asarray(self.screenshot(name)).astype(int)

    def wait_pixels(self, condition: Callable[[np.ndarray], bool], name: str, timeout: float = 5) -> np.ndarray:
        """Screenshots until condition holds for the screen; returns the last one either way."""
        return sample_until(lambda: self.pixels(name), condition, timeout)

    def x_desktop_geometry(self) -> tuple[int, int, int, int] | None:
        """Width, height, x, y of Wine's desktop window on the X screen (there once a window is shown)."""
        tree = subprocess.run(["xwininfo", "-root", "-tree"], env=self.env, capture_output=True, text=True,
                              timeout=30).stdout
        for line in tree.splitlines():
            if "Wine desktop" in line:
                match = re.search(r"(\d+)x(\d+)\+(-?\d+)\+(-?\d+)", line)
                if match:
                    return tuple(int(v) for v in match.groups())
        return None

    def check_coordinates(self):
        """Windows screen coordinates are X's only while Wine's desktop fills the screen from 0,0."""
        geometry = wait_for(self.x_desktop_geometry, 10)
        if geometry != (*SCREEN, 0, 0):
            raise HarnessError(f"Wine's virtual desktop on X is {geometry} (w, h, x, y), not {SCREEN} at 0,0")

    def save_artifacts(self, name: str) -> Path:
        folder = ARTIFACTS / _file_name(name)
        shutil.rmtree(folder, ignore_errors=True)
        folder.mkdir(parents=True)
        try:
            self.screenshot("at-failure")
        except Exception as error:  # the report still gets the earlier screenshots
            (folder / "screenshot-error.txt").write_text(str(error))
        for index, (label, image) in enumerate(self.screenshots):
            image.save(folder / f"{index:02d}-{_file_name(label)}.png")
        try:
            (folder / "windows.txt").write_text(describe(self.windows()) + "\n", encoding="utf-8")
        except Exception as error:
            (folder / "windows.txt").write_text(f"wininfo failed: {error}\n")
        return folder


def client_area(screen: np.ndarray, window: Window) -> np.ndarray:
    """The window's client area cut out of a screenshot from Desktop.pixels."""
    x, y = window.client_origin
    width, height = window.client_size
    return screen[y:y + height, x:x + width]


# --- what the tests start ---------------------------------------------------------------------

class StandinLog:
    """The file the stand-ins append to: one line per start, name, folder and full path."""

    def __init__(self, path: Path):
        self.path = path
        self.windows_path = windows_path(path)

    def entries(self) -> list[tuple[str, str, str]]:
        if not self.path.exists():
            return []
        text = self.path.read_bytes().decode("utf-8")
        return [tuple(line.split("\t")) for line in text.split("\r\n") if line]

    def wait_for_entries(self, count: int, timeout: float = 15) -> list[tuple[str, str, str]]:
        return wait_for(lambda: len(self.entries()) >= count and self.entries(), timeout) or self.entries()


class Disc:
    """A disc folder built by make_disc, as Wine shows it: at the root of CD-ROM drive E:, or
    copied to a folder on a fixed drive (root "C:\\e2e-disc\\")."""

    def __init__(self, path: Path, root: str = "E:\\"):
        self.path = path
        self.root = root


@dataclasses.dataclass(frozen=True)
class Rect:
    left: int
    top: int
    right: int
    bottom: int

    @property
    def centre(self) -> tuple[int, int]:
        return (self.left + self.right) // 2, (self.top + self.bottom) // 2

    def of(self, client: np.ndarray) -> np.ndarray:
        return client[self.top:self.bottom + 1, self.left:self.right + 1]


class Menu:
    """menu.exe started from the disc: its process, its window and its client area."""

    def __init__(self, desktop: Desktop, disc: Disc, log: StandinLog, quiet_standins: bool = True):
        self.desktop = desktop
        self.disc = disc
        self.log = log
        self.quiet_standins = quiet_standins
        self.process: subprocess.Popen | None = None
        self.window: Window | None = None
        self.output = None

    def start(self, timeout: float = 40, program: str | None = None, cwd: Path | None = None) -> "Menu":
        """Starts the disc's menu.exe, or the Windows path `program` in the folder `cwd`."""
        env = dict(self.desktop.env, QUINTARAL_STANDIN_LOG=self.log.windows_path)
        env.pop("QUINTARAL_STANDIN_QUIET", None)
        if self.quiet_standins:
            env["QUINTARAL_STANDIN_QUIET"] = "1"
        # The pointer stays where the last test left it: over the new window it would light an entry.
        self.desktop.move(5, 5, settle=0)
        self.output = open(self.log.path.with_name("menu-output.txt"), "wb")
        # Started from the disc's root as Explorer's AutoPlay would: the current folder is E:\.
        self.process = subprocess.Popen(["wine", program or f"{self.disc.root}menu.exe"], cwd=cwd or self.disc.path,
                                        env=env, stdin=subprocess.DEVNULL,
                                        stdout=self.output, stderr=subprocess.STDOUT)
        self.window = self.desktop.wait_for_window(lambda w: w.cls == FORM_CLASS and self.alive(),
                                                   "menu window (class QuintaralForm)", timeout)
        self.desktop.check_coordinates()
        self.wait_painted()
        return self

    def alive(self) -> bool:
        if self.process is None or self.process.poll() is not None:
            raise HarnessError(f"menu.exe ended (exit code {self.process.returncode if self.process else None})"
                               " while waiting for its window")
        return True

    def running(self) -> bool:
        return self.process is not None and self.process.poll() is None

    def wait_exit(self, timeout: float = 10) -> int | None:
        """The exit code, or None while it still runs after the timeout."""
        try:
            return self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            return None

    def kill(self):
        if self.running():
            self.process.kill()
            self.process.wait(10)
        if self.output:
            self.output.close()

    # the client area
    def to_screen(self, x: int, y: int) -> tuple[int, int]:
        ox, oy = self.window.client_origin
        return ox + x, oy + y

    def move_to(self, x: int, y: int, settle: float = 0.3):
        self.desktop.move(*self.to_screen(x, y), settle=settle)

    def click_at(self, x: int, y: int, settle: float = 0.3):
        self.desktop.click(*self.to_screen(x, y), settle=settle)

    def client(self, name: str = "menu") -> np.ndarray:
        """The client area from a new screenshot, as rows of RGB ints."""
        image = self.desktop.screenshot(name)
        x, y = self.window.client_origin
        w, h = self.window.client_size
        return np.asarray(image.crop((x, y, x + w, y + h))).astype(int)

    def wait_client(self, condition: Callable[[np.ndarray], bool], name: str, timeout: float = 5) -> np.ndarray:
        """Screenshots until condition holds; returns the last client area either way."""
        return sample_until(lambda: self.client(name), condition, timeout)

    def wait_painted(self, timeout: float = 15):
        """Until two screenshots a moment apart agree: the first paint is done."""
        previous = None

        def stable():
            nonlocal previous
            current = self.client("startup")
            same = previous is not None and np.array_equal(current, previous)
            previous = current
            return same

        if not wait_for(stable, timeout, interval=0.3):
            raise HarnessError(f"the menu's client area kept changing for {timeout} s")
        # keep only the final start-up picture in a failure report
        startup = [shot for shot in self.desktop.screenshots if shot[0] == "startup"]
        self.desktop.screenshots = [shot for shot in self.desktop.screenshots if shot[0] != "startup"]
        self.desktop.screenshots.append(startup[-1])


# --- the menu's client area (pixels at 96 dpi) -------------------------------------------------

CLIENT_SIZE = (400, 301)
FRAME = 3  # the dialog frame on each side
LABEL1 = Rect(82, 107, 306, 130)   # install / run the application
LABEL2 = Rect(84, 156, 214, 178)   # information
LABEL3 = Rect(84, 205, 177, 226)   # exit
LABEL4 = Rect(4, 282, 393, 298)    # copyright line, no handlers
ENTRIES = (LABEL1, LABEL2, LABEL3)
DOTS = ((61, 117), (61, 166), (61, 216))
BARE_PICTURE = (350, 250)
CAPTION_INSTALL = "Εγκατάσταση Εφαρμογής"
CAPTION_RUN = "Εκτέλεση Εφαρμογής"
FONT_PIXELS = 19  # Arial 14.25 pt at 96 dpi


# --- pixels ------------------------------------------------------------------------------------

def luminance(pixels: np.ndarray) -> np.ndarray:
    return pixels @ np.array([0.299, 0.587, 0.114])


def dark(pixels: np.ndarray) -> np.ndarray:
    """Black text on the light picture (lighter than 170 behind the entries); red text is not dark."""
    return pixels.max(axis=-1) < 110


def pure_red(pixels: np.ndarray) -> np.ndarray:
    return (pixels[..., 0] == 255) & (pixels[..., 1] == 0) & (pixels[..., 2] == 0)


def reddish(pixels: np.ndarray) -> np.ndarray:
    return pixels[..., 0] - pixels[..., 1:].max(axis=-1) > 60


def ink_extent(mask: np.ndarray) -> int:
    """Width in pixels from the first to the last column that has a marked pixel."""
    columns = np.nonzero(mask.any(axis=0))[0]
    return int(columns[-1] - columns[0] + 1) if columns.size else 0
