"""Measures menu.exe against floor.exe, an empty window built the same way, under Wine.

Run through scripts/bench, which provides the display, the prefix and the disc in drive E:.
For each program, alternately, it measures from outside:
  start-up   from the start of `wine E:\\<program>` to the window's pixels on the X screen
             (for the menu its red dots and title, for the floor its white client area),
             read with XGetImage about every millisecond;
  CPU        the process's utime+stime, and the time its threads ran (schedstat), when the
             window shows and again after the idle span; wineserver's over the same span;
  memory     VmHWM, the peak resident set of the Linux process that runs the .exe;
  hover      (menu) from an XTest pointer motion onto the first entry to its red pixels, and
             whether anything outside that entry's rectangle changes, or the entry passes
             through a state that is neither before nor after (flicker), while it repaints.
             The floor gets the same pointer moves and screen reads, so that every run ends
             alike and each start finds the machine in the same state.
wineserver, Wine's services and its desktop stay running (warm) for every run of both
programs, and one warm-up run of each is not counted. Each program ends by Alt+F4.
Writes results.json, results.md and, for each program, the window as it was when it counted
as shown (<program>-shown.png); exits 1 if a run failed or a figure is implausible.
"""
from __future__ import annotations

import argparse
import datetime
import json
import os
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

import numpy as np
from PIL import Image
from Xlib import X, XK
from Xlib import display as xdisplay
from Xlib.ext import xtest

from bench_figures import (BenchError, alive, cpu_run_ms, cpu_ticks_ms, goals, implausible, machine, markdown,
                           peak_memory_kb, prefix_process, summarize)

ROOT = Path(__file__).resolve().parent.parent

# The menu's client area at 96 dpi (see tests/e2e/harness.py).
CLIENT_SIZE = (400, 301)
FRAME = 3  # the dialog frame on each side
DOTS = ((61, 117), (61, 166), (61, 216))
TITLE = ((30, 45), (187, 38))  # inside the letters of the painted title
LABEL1 = (82, 107, 306, 130)   # left, top, right, bottom, inclusive
BARE_PICTURE = (350, 250)
OUTSIDE = (5, 5)               # where the pointer rests while a program starts
WHITE = (255, 255, 255)        # COLOR_WINDOW in Wine's default scheme
RED = (255, 0, 0)
SETTLE_SECONDS = 1.0

PROGRAMS = {
    "floor": {"exe": "floor.exe", "class": "QuintaralFloor"},
    "menu": {"exe": "menu.exe", "class": "QuintaralForm"},
}



# --- the X screen ------------------------------------------------------------------------------

class Screen:
    def __init__(self):
        self.display = xdisplay.Display()
        self.root = self.display.screen().root
        if self.display.screen().root_depth != 24:
            raise BenchError(f"X screen depth {self.display.screen().root_depth}, expected 24")

    def region(self, x: int, y: int, width: int, height: int) -> np.ndarray:
        """Rows of RGB pixels; the server sends 32-bit BGRX."""
        data = self.root.get_image(x, y, width, height, X.ZPixmap, 0xFFFFFFFF).data
        return np.frombuffer(data, np.uint8).reshape(height, width, 4)[..., 2::-1]

    def pixel(self, x: int, y: int) -> tuple[int, int, int]:
        return tuple(int(v) for v in self.region(x, y, 1, 1)[0, 0])

    def move(self, x: int, y: int):
        xtest.fake_input(self.display, X.MotionNotify, x=x, y=y)
        self.display.sync()

    def alt_f4(self):
        alt = self.display.keysym_to_keycode(XK.string_to_keysym("Alt_L"))
        f4 = self.display.keysym_to_keycode(XK.string_to_keysym("F4"))
        for event, code in ((X.KeyPress, alt), (X.KeyPress, f4), (X.KeyRelease, f4), (X.KeyRelease, alt)):
            xtest.fake_input(self.display, event, code)
        self.display.sync()


# --- runs --------------------------------------------------------------------------------------

class Bench:
    def __init__(self, disc: Path, exe_dir: Path, idle: float, hovers: int):
        self.disc = disc
        self.exe_dir = exe_dir
        self.idle = idle
        self.hovers = hovers
        self.env = dict(os.environ)
        self.screen = Screen()
        self.origin: tuple[int, int] | None = None  # the client area's top left on screen
        self.probes: dict[str, list[tuple[tuple[int, int], tuple[int, int, int]]]] = {}
        self.server = 0
        self.desktop = 0  # explorer.exe, which holds Wine's desktop window
        self.keeper: subprocess.Popen | None = None
        self.shown_frames: dict[str, np.ndarray] = {}

    def start_server(self):
        subprocess.run(["wineserver", "-p"], env=self.env, check=True, timeout=60)
        self.server = prefix_process(self.env["WINEPREFIX"], "wineserver")
        # Wine closes its desktop a second after the last program on it ends, and the next
        # start would open it again. A console program that waits for input keeps it open.
        self.keeper = subprocess.Popen(["wine", "cmd.exe"], env=self.env, stdin=subprocess.PIPE,
                                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def stop_server(self):
        subprocess.run(["wineserver", "-k"], env=self.env, timeout=60)
        if self.keeper:
            self.keeper.stdin.close()
            self.keeper.wait(30)

    def windows(self) -> list[dict]:
        # Into a file, not a pipe: Wine's services may inherit the output and keep it open.
        with tempfile.TemporaryFile() as output:
            subprocess.run(["wine", str(self.exe_dir / "wininfo.exe")], env=self.env, stdin=subprocess.DEVNULL,
                           stdout=output, stderr=subprocess.DEVNULL, timeout=60)
            output.seek(0)
            listing = output.read().decode("utf-8")
        found = []
        for line in listing.splitlines():
            if line and not line.startswith("\t"):
                fields = line.split("\t")
                # hwnd, pid, class, title, the window rect, client size and client origin;
                # what wininfo prints after them is not needed here.
                numbers = [int(v) for v in fields[4:12]]
                found.append({"class": fields[2], "client_size": tuple(numbers[4:6]), "origin": tuple(numbers[6:8])})
        return found

    def calibrate(self, name: str):
        """A warm-up run: finds the window with wininfo and sets the probes from its place."""
        process = self.launch(name)
        deadline = time.monotonic() + 60
        window = None
        while window is None and time.monotonic() < deadline:
            window = next((w for w in self.windows() if w["class"] == PROGRAMS[name]["class"]), None)
            if process.poll() is not None:
                raise BenchError(f"{name}.exe ended during the warm-up (exit code {process.returncode})")
        if window is None:
            raise BenchError(f"no {PROGRAMS[name]['class']} window from {name}.exe within 60 s")
        if window["client_size"] != CLIENT_SIZE:
            raise BenchError(f"{name}.exe's client area is {window['client_size']}, not {CLIENT_SIZE}")
        if self.origin is None:
            self.origin = window["origin"]
        elif window["origin"] != self.origin:
            raise BenchError(f"{name}.exe's client area is at {window['origin']}, the other's at {self.origin}")
        if name == "menu":
            picture = Image.open(ROOT / "assets" / "menu.bmp").convert("RGB")
            self.probes[name] = [(point, picture.getpixel(point)) for point in DOTS + TITLE]
        else:
            self.probes[name] = [(point, WHITE) for point in DOTS + TITLE]
        self.wait_shown(name, process, time.perf_counter(), timeout=30)
        self.close(name, process)

    def on_screen(self, x: int, y: int) -> tuple[int, int]:
        return self.origin[0] + x, self.origin[1] + y

    def shown(self, name: str) -> bool:
        return all(self.screen.pixel(*self.on_screen(*point)) == colour for point, colour in self.probes[name])

    def launch(self, name: str) -> subprocess.Popen:
        return subprocess.Popen(["wine", f"E:\\{PROGRAMS[name]['exe']}"], cwd=self.disc, env=self.env,
                                stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def wait_shown(self, name: str, process: subprocess.Popen, started: float, timeout: float) -> float:
        """Seconds from `started` to the window's pixels on screen."""
        while True:
            if self.shown(name):
                return time.perf_counter() - started
            if process.poll() is not None:
                raise BenchError(f"{name}.exe ended (exit code {process.returncode}) before its window showed")
            if time.perf_counter() - started > timeout:
                raise BenchError(f"{name}.exe showed no window within {timeout} s")
            time.sleep(0.001)

    def close(self, name: str, process: subprocess.Popen):
        self.screen.alt_f4()
        try:
            process.wait(15)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait(10)
            raise BenchError(f"{name}.exe still ran 15 s after Alt+F4")
        deadline = time.monotonic() + 10
        while any(self.screen.pixel(*self.on_screen(*point)) == colour for point, colour in self.probes[name]):
            if time.monotonic() > deadline:
                raise BenchError(f"{name}.exe's window stayed on screen after it ended")
            time.sleep(0.01)

    def run(self, name: str) -> dict:
        if not (alive(self.server) and alive(self.desktop)):
            raise BenchError("wineserver or Wine's desktop has ended: the next start would not be warm")
        self.screen.move(*OUTSIDE)
        # The previous program's exit settles (Wine's desktop repaints where it was).
        time.sleep(SETTLE_SECONDS)
        if any(self.screen.pixel(*self.on_screen(*point)) == colour for point, colour in self.probes[name]):
            raise BenchError(f"the screen shows {name}.exe's pixels before it starts")
        started = time.perf_counter()
        process = self.launch(name)
        try:
            startup = self.wait_shown(name, process, started, timeout=30)
            pid = process.pid
            ticks, ran, server = cpu_ticks_ms(pid), cpu_run_ms(pid), cpu_run_ms(self.server)
            # What the screen showed when the window counted as shown, once per program.
            self.shown_frames.setdefault(name, self.screen.region(self.origin[0] - FRAME, self.origin[1] - FRAME,
                                                                  CLIENT_SIZE[0] + 2 * FRAME,
                                                                  CLIENT_SIZE[1] + 2 * FRAME))
            time.sleep(self.idle)
            result = {
                "startup_ms": startup * 1000,
                "startup_cpu_ms": ran,
                "idle_cpu_ticks_ms": cpu_ticks_ms(pid) - ticks,
                "idle_cpu_ms": cpu_run_ms(pid) - ran,
                "idle_wineserver_cpu_ms": cpu_run_ms(self.server) - server,
                "peak_memory_kb": peak_memory_kb(pid),
            }
            if name == "menu":
                result["hover_ms"] = [self.hover_latency() * 1000 for _ in range(self.hovers)]
                result["repaint"] = self.hover_repaint()
            else:
                # The same pointer moves and screen reads over the empty window: every run
                # ends alike, so that each start finds the machine as busy as the other's.
                # (After the menu's hovers alone, the floor started on a busy machine and
                # the menu after 10 quiet seconds: the menu's CPU time at start-up came out
                # 20 ms higher than with both ending alike.)
                for _ in range(self.hovers):
                    self.pointer_visit()
                self.hover_repaint()
            self.close(name, process)
            return result
        finally:
            if process.poll() is None:
                process.kill()
                process.wait(10)

    # the menu's hover
    def label1(self) -> np.ndarray:
        left, top, right, bottom = LABEL1
        x, y = self.on_screen(left, top)
        return self.screen.region(x, y, right - left + 1, bottom - top + 1)

    def red_pixels(self) -> int:
        return int(np.all(self.label1() == RED, axis=-1).sum())

    def wait_until(self, condition, what: str, timeout: float = 5):
        deadline = time.monotonic() + timeout
        while not condition():
            if time.monotonic() > deadline:
                raise BenchError(f"{what} within {timeout} s")
            time.sleep(0.002)

    def pointer_visit(self):
        """hover_latency's moves and reads, for the floor, which does not react to them."""
        left, top, right, bottom = LABEL1
        self.screen.move(*self.on_screen(*BARE_PICTURE))
        self.label1()
        time.sleep(0.05)
        self.screen.move(*self.on_screen((left + right) // 2, (top + bottom) // 2))
        self.label1()

    def hover_latency(self) -> float:
        """Seconds from a pointer motion onto the first entry to its red pixels on screen."""
        self.screen.move(*self.on_screen(*BARE_PICTURE))
        self.wait_until(lambda: self.red_pixels() == 0, "the first entry did not turn black over bare picture")
        time.sleep(0.05)
        left, top, right, bottom = LABEL1
        started = time.perf_counter()
        self.screen.move(*self.on_screen((left + right) // 2, (top + bottom) // 2))
        while self.red_pixels() < 20:
            if time.perf_counter() - started > 5:
                raise BenchError("the first entry did not turn red within 5 s of the pointer moving onto it")
            time.sleep(0.001)
        return time.perf_counter() - started

    def client(self) -> np.ndarray:
        return self.screen.region(*self.origin, *CLIENT_SIZE).astype(np.int16)

    def hover_repaint(self) -> dict:
        """Frames of the client area while the entry lights up and goes dark again."""
        left, top, right, bottom = LABEL1
        inside = np.zeros(CLIENT_SIZE[::-1], bool)
        inside[top:bottom + 1, left:right + 1] = True
        report = {"frames": 0, "changed_outside": 0, "intermediate_inside": 0, "changed_inside": 0}
        for target in ((left + right) // 2, (top + bottom) // 2), BARE_PICTURE:
            before = self.client()
            self.screen.move(*self.on_screen(*target))
            frames = []
            deadline = time.perf_counter() + 0.3
            while time.perf_counter() < deadline:
                frames.append(self.client())
            time.sleep(0.2)
            after = self.client()
            changed = np.any(before != after, axis=-1)
            report["changed_inside"] += int((changed & inside).sum())
            for frame in frames + [after]:
                differs = np.any(frame != before, axis=-1)
                neither = differs & np.any(frame != after, axis=-1)
                report["frames"] += 1
                report["changed_outside"] += int((differs & ~inside).sum())
                report["intermediate_inside"] += int((neither & inside).sum())
        return report


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--runs", type=int, default=20)
    parser.add_argument("--idle", type=float, default=10.0, help="seconds of idle after the window shows")
    parser.add_argument("--hovers", type=int, default=5, help="hover measurements per menu run")
    parser.add_argument("--disc", type=Path, required=True, help="the folder Wine shows as drive E:")
    parser.add_argument("--exe-dir", type=Path, required=True)
    parser.add_argument("--out", type=Path, required=True)
    options = parser.parse_args()

    load_before = os.getloadavg()
    bench = Bench(options.disc, options.exe_dir, options.idle, options.hovers)
    runs: dict[str, list[dict]] = {"floor": [], "menu": []}
    try:
        bench.start_server()
        for name in PROGRAMS:
            bench.calibrate(name)
        bench.desktop = prefix_process(os.environ["WINEPREFIX"], "explorer.exe")
        for index in range(options.runs):
            for name in PROGRAMS:
                result = bench.run(name)
                runs[name].append(result)
                print(f"{name:5s} run {index + 1:2d}: start-up {result['startup_ms']:7.1f} ms, idle CPU "
                      f"{result['idle_cpu_ms']:6.2f} ms, peak {result['peak_memory_kb']} KiB"
                      + (f", hover {statistics.median(result['hover_ms']):.1f} ms" if "hover_ms" in result else ""),
                      flush=True)
        if not (alive(bench.server) and alive(bench.desktop)):
            raise BenchError("wineserver or Wine's desktop ended after the last run")
    except BenchError as error:
        print(f"bench failed: {error}", file=sys.stderr)
        return 1
    finally:
        bench.stop_server()

    sizes = {name: (options.exe_dir / PROGRAMS[name]["exe"]).stat().st_size for name in PROGRAMS}
    summary = summarize(runs)
    load_after = os.getloadavg()
    results = {
        "date": datetime.datetime.now().astimezone().isoformat(timespec="seconds"),
        "machine": machine(),
        "runs_each": options.runs,
        "idle_seconds": options.idle,
        "hovers_per_run": options.hovers,
        "wineserver": "warm",
        "load_before": load_before,
        "load_after": load_after,
        "under_load": load_before[0] >= 0.7,
        "sizes": sizes,
        "summary": summary,
        "goals": goals(summary, sizes, options.idle),
        "runs": runs,
    }
    options.out.mkdir(parents=True, exist_ok=True)
    (options.out / "results.json").write_text(json.dumps(results, indent=1, ensure_ascii=False) + "\n")
    report = markdown(results)
    (options.out / "results.md").write_text(report, encoding="utf-8")
    for name, frame in bench.shown_frames.items():
        Image.fromarray(np.ascontiguousarray(frame)).save(options.out / f"{name}-shown.png")
    print("\n" + report)
    print(f"in short: start-up {summary['startup_ms']['ratio']:.2f}×, memory {summary['peak_memory_kb']['ratio']:.2f}× "
          f"the floor; idle CPU {summary['idle_cpu_ms']['menu']['max']:.2f} ms; hover {summary['hover_ms']['median']:.1f} ms"
          + ("; under load" if results["under_load"] else ""))
    problems = implausible(results)
    for problem in problems:
        print(f"implausible: {problem}", file=sys.stderr)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
