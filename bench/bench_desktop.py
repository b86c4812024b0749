#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 The Varnoke developers
# SPDX-License-Identifier: MIT
"""Start-up to first frame, peak memory and CPU at rest of the real panel, under Xvfb.

Each figure is measured beside its floor, the panel's window as designed and nothing else (the
same design through the same builder, without link, settings, sound or instance lock; see
minimal_window.cpp), in the same run, launches of the two taking turns. Runs as root in a private
network namespace (the panel's saved unit address is on loopback, and nothing leaves the machine).

For a figure that does not move with the machine's load, compare instruction counts instead:
valgrind --tool=callgrind on each program, ended (SIGTERM) once its window shows.

Usage: bench_desktop.py <varnoke> <minimal_window> [--rest-seconds N] [--launches N]
"""

import argparse
import ctypes
import ctypes.util
import os
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "e2e"))
import harness  # noqa: E402  (the test harness's namespaces, display and throw-away user)

PROBE = (320, 170)  # a pixel of background in both windows
BACKGROUND = 0xFFFFC0
CLOCK_TICKS = os.sysconf("SC_CLK_TCK")


class Screen:
    """Reads single pixels of the root window straight from the X server."""

    def __init__(self, display_name):
        self.x11 = ctypes.cdll.LoadLibrary(ctypes.util.find_library("X11") or "libX11.so.6")
        self.x11.XOpenDisplay.restype = ctypes.c_void_p
        self.x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self.x11.XDefaultRootWindow.restype = ctypes.c_ulong
        self.x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        self.x11.XGetImage.restype = ctypes.c_void_p
        self.x11.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                                       ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
        self.x11.XGetPixel.restype = ctypes.c_ulong
        self.x11.XGetPixel.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int]
        self.x11.XDestroyImage = None  # a macro; free through the image's own function instead
        self.x11.XFree.argtypes = [ctypes.c_void_p]
        self.display = self.x11.XOpenDisplay(display_name.encode())
        self.root = self.x11.XDefaultRootWindow(self.display)

    def pixel(self, x, y):
        image = self.x11.XGetImage(self.display, self.root, x, y, 1, 1, 0xFFFFFFFF, 2)
        if not image:
            return None
        value = self.x11.XGetPixel(image, 0, 0)
        # XImage's first field after width/height... free the data and the struct.
        self._destroy(image)
        return value & 0xFFFFFF

    def _destroy(self, image):
        # struct XImage { int width, height, xoffset, format; char *data; ... } -> free data too
        data = ctypes.cast(image + 16, ctypes.POINTER(ctypes.c_void_p))[0]
        self.x11.XFree(data)
        self.x11.XFree(image)


def status_field(pid, name):
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            if line.startswith(name + ":"):
                return int(line.split()[1])
    return 0


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / CLOCK_TICKS


def wakeups(pid):
    total = 0
    for task in os.listdir(f"/proc/{pid}/task"):
        with open(f"/proc/{pid}/task/{task}/status") as status:
            for line in status:
                if line.startswith(("voluntary_ctxt_switches", "nonvoluntary_ctxt_switches")):
                    total += int(line.split()[1])
    return total


def launch(command, env, screen, timeout=20):
    """Starts the program; returns (process, seconds to its first frame on screen)."""
    start = time.perf_counter()
    process = subprocess.Popen(command, env=env, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
    while screen.pixel(*PROBE) != BACKGROUND:
        if time.perf_counter() - start > timeout or process.poll() is not None:
            process.kill()
            raise RuntimeError(f"{command} never showed its window")
        time.sleep(0.0005)
    return process, time.perf_counter() - start


def stop(process, screen):
    process.kill()
    process.wait()
    harness.wait_for(lambda: screen.pixel(*PROBE) != BACKGROUND, what="the window gone")


def large_settings_start(varnoke, home, env, screen, launches):
    """Start-up to first frame with a settings file of 10,000 values beside one of four.

    The extra values are someone else's, kept through every save; the panel reads its four.
    Returns (median ms with 10,000 values, median ms with four)."""
    # The window where the other launches put it, so the probe sees its background.
    own = {"IP Address": "127.0.0.9", "Left": "0", "Top": "0", "Window state": "0"}
    large = dict(own, **{f"Tool {n}": f"value {n}" for n in range(10000)})
    times = {"own": [], "large": []}
    for _ in range(launches):
        for kind, values in (("own", own), ("large", large)):
            home.seed(values)
            process, seconds = launch([varnoke], env, screen)
            times[kind].append(seconds)
            stop(process, screen)
    return statistics.median(times["large"]) * 1e3, statistics.median(times["own"]) * 1e3


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("varnoke")
    parser.add_argument("minimal")
    parser.add_argument("--rest-seconds", type=float, default=60)
    parser.add_argument("--launches", type=int, default=30)
    args = parser.parse_args()

    harness.private_network()
    os.environ["VARNOKE_BINARY"] = os.path.abspath(args.varnoke)
    read_fd, write_fd = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_fd), "-screen", "0", "1024x768x24",
                             "-nolisten", "tcp", "-br", "-noreset"], pass_fds=(write_fd,),
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write_fd)
    with os.fdopen(read_fd) as answer:
        display = type("Display", (), {"name": ":" + answer.readline().strip()})()
    home = harness.Home()
    # A desktop session's runtime folder is a tmpfs (/run/user/<uid>); the running mark the panel
    # keeps there costs it nothing on disk, and must not here either.
    subprocess.run(["mount", "-t", "tmpfs", "-o", "size=1m,mode=0700", "runtime", home.runtime],
                   check=True)
    try:
        home.seed({"IP Address": "127.0.0.9"})
        env = home.env(display)
        screen = Screen(display.name)

        panel_times, minimal_times, panel_peaks, minimal_peaks = [], [], [], []
        for _ in range(args.launches):
            for command, times, peaks in (([args.varnoke], panel_times, panel_peaks),
                                          ([args.minimal], minimal_times, minimal_peaks)):
                process, seconds = launch(command, env, screen)
                times.append(seconds)
                time.sleep(1.0)  # settled: what it holds a second after start-up
                peaks.append(status_field(process.pid, "VmHWM"))
                stop(process, screen)

        process, _ = launch([args.varnoke], env, screen)
        time.sleep(8)  # past start-up and the first lost-link mark (no unit answers here)
        cpu0, wake0, t0 = cpu_seconds(process.pid), wakeups(process.pid), time.monotonic()
        time.sleep(args.rest_seconds)
        cpu1, wake1, t1 = cpu_seconds(process.pid), wakeups(process.pid), time.monotonic()
        stop(process, screen)
        large_start, small_start = large_settings_start(args.varnoke, home, env, screen,
                                                        args.launches)
    finally:
        subprocess.run(["umount", home.runtime], check=False)
        home.close()
        xvfb.terminate()
        xvfb.wait()

    start, floor = statistics.median(panel_times) * 1e3, statistics.median(minimal_times) * 1e3
    peak, peak_floor = statistics.median(panel_peaks), statistics.median(minimal_peaks)
    cpu = 100 * (cpu1 - cpu0) / (t1 - t0)
    rate = (wake1 - wake0) / (t1 - t0)
    n = args.launches
    # Figures only: they move with the machine's load. A broken run (a window that never shows)
    # has raised before this.
    rows = [(f"start-up to first frame (median of {n})", f"{start:8.1f}ms", f"{floor:8.1f}ms",
             f"{start / floor:7.2f}x", "<= 1.1x floor"),
            (f"peak resident memory (median of {n})", f"{peak / 1024:7.1f}MiB",
             f"{peak_floor / 1024:7.1f}MiB", f"{peak / peak_floor:7.2f}x", "<= 1.05x floor"),
            ("start-up to first frame, 10,000 settings values", f"{large_start:8.1f}ms",
             f"{small_start:8.1f}ms", f"{large_start / small_start:7.2f}x", "<= 1.1x"),
            ("CPU at rest, heartbeat running", f"{cpu:9.3f}%", "-", "-", "< 0.1 %"),
            ("wake-ups at rest", f"{rate:8.2f}/s", "-", "-", "about 1/s")]
    for name, value, floor_value, ratio, target in rows:
        print(f"{name:52} {value:>10} {floor_value:>10} {ratio:>8} {target}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
