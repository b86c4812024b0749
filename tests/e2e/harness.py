# SPDX-FileCopyrightText: 2026 The Varnoke developers
# SPDX-License-Identifier: MIT
"""Runs the real panel the way an operator would, and keeps it away from every real network.

Each test runs inside a private network namespace (unshare -n) holding only loopback, under its
own Xvfb, with its own HOME, XDG_CONFIG_HOME and XDG_RUNTIME_DIR. A fake unit lives in a second
namespace joined to the first by a veth pair. The panel's saved unit address is seeded with the
fake unit's before it starts; where nothing is seeded the design address has no route.
"""

import contextlib
import os
import queue
import shutil
import subprocess
import sys
import tempfile
import threading
import time
import unittest

import settings_file
from x11 import send_delete_window

SKIP = 77
PANEL_PORT = 37829
# The fake unit and the panel's side of the link to it: addresses inside the test's own network
# namespaces, never the design address.
UNIT_ADDRESS = "10.77.0.2"
PANEL_ADDRESS = "10.77.0.1"
HERE = os.path.dirname(os.path.abspath(__file__))
TITLE = "Varnoke Automation Test"

# Where the controls sit in the window's client area, in pixels (the design's twips / 15).
RUN = (31, 93)
MANUAL = (31, 113)
STOP = (31, 133)
PULSE = (31, 153)
IP_BOX = (60, 40)
IP_BOX_BLANK = (101, 40)  # a spot the address's text never reaches
FREQ_BOX = (220, 117)


def private_network():
    """Re-runs this script inside new network and mount namespaces, with only loopback up.

    Root makes them directly. An ordinary user makes them inside a user namespace of its own
    (unshare -r), where it counts as root over them and nothing else. The mount namespace lets a
    test mount a read-only or tiny file system of its own, which even root can't write to.
    """
    if os.environ.get("VARNOKE_PRIVATE_NET") == "1":
        subprocess.run(["ip", "link", "set", "lo", "up"], check=True)
        return
    if shutil.which("unshare") is None or shutil.which("ip") is None:
        print("unshare and ip are needed to keep the panel off the network", file=sys.stderr)
        sys.exit(SKIP)
    unshare = ["unshare", *([] if os.geteuid() == 0 else ["-r"]), "-n", "-m",
               "--propagation", "private"]
    probe = subprocess.run(unshare + ["true"], capture_output=True, text=True)
    if probe.returncode != 0:
        print(f"cannot make a private network namespace here ({probe.stderr.strip()}); skipping",
              file=sys.stderr)
        sys.exit(SKIP)
    env = dict(os.environ, VARNOKE_PRIVATE_NET="1", VARNOKE_ROOT=str(int(os.geteuid() == 0)))
    os.execvpe("unshare", unshare + ["--", sys.executable] + sys.argv, env)


def skip_unless_root(test, what):
    """Skips the test where this run is an ordinary user's, which `what` needs root for."""
    if os.environ.get("VARNOKE_ROOT") != "1":
        test.skipTest(f"{what} needs root; this run is an ordinary user's")


def panel_binary():
    path = os.environ.get("VARNOKE_BINARY")
    if not path or not os.access(path, os.X_OK):
        raise RuntimeError("VARNOKE_BINARY must name the built panel")
    return path


def wait_for(predicate, timeout=10.0, interval=0.05, what="condition"):
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > deadline:
            raise AssertionError(f"timed out waiting for {what}")
        time.sleep(interval)


class Display:
    """An Xvfb server on a display number of its own choosing."""

    def __init__(self, width=1024, height=768):
        read_fd, write_fd = os.pipe()
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_fd), "-screen", "0", f"{width}x{height}x24",
             "-nolisten", "tcp", "-noreset"],
            pass_fds=(write_fd,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_fd)
        with os.fdopen(read_fd) as answer:
            number = answer.readline().strip()
        if not number:
            self.process.kill()
            raise RuntimeError("Xvfb did not start")
        self.name = f":{number}"

    def close(self):
        self.process.terminate()
        self.process.wait(timeout=10)


class Home:
    """A throw-away user: home, config and runtime folders."""

    def __init__(self):
        self.root = tempfile.mkdtemp(prefix="varnoke-e2e-")
        self.home = os.path.join(self.root, "home")
        self.config = os.path.join(self.home, ".config")
        self.runtime = os.path.join(self.root, "runtime")
        for folder in (self.home, self.config, self.runtime):
            os.makedirs(folder, mode=0o700, exist_ok=True)

    @property
    def settings_file(self):
        return os.path.join(self.config, "Yorv", "Varnoke.reg")

    def seed(self, values):
        """Writes the settings file as the panel itself would, values given as text."""
        os.makedirs(os.path.dirname(self.settings_file), exist_ok=True)
        lines = []
        for name, text in values.items():
            quoted = text.replace("\\", "\\\\").replace('"', '\\"')
            lines.append(f'"{name}"="{quoted}"')
        with open(self.settings_file, "w", newline="\r\n") as out:
            out.write(settings_file.regedit4(lines))

    def settings(self):
        """The settings file's string values, as a dict; empty when there is no file."""
        return settings_file.strings(self.settings_file)

    def env(self, display):
        env = {key: value for key, value in os.environ.items()
               if not key.startswith(("QT_", "WAYLAND", "XDG_"))}
        env.update(HOME=self.home, XDG_CONFIG_HOME=self.config, XDG_RUNTIME_DIR=self.runtime,
                   DISPLAY=display.name, QT_QPA_PLATFORM="xcb")
        return env

    def close(self):
        subprocess.run(["umount", os.path.join(self.root, "program")], capture_output=True)
        shutil.rmtree(self.root, ignore_errors=True)


class FakeUnit:
    """The unit, in a network namespace of its own joined to the panel's by a veth pair.

    The panel's side is PANEL_ADDRESS, the unit's UNIT_ADDRESS; both use port 37829 without
    getting in each other's way, and nothing of either namespace reaches a real network.
    """

    def __init__(self, address=UNIT_ADDRESS, panel_address=PANEL_ADDRESS, port=PANEL_PORT):
        self.address = address
        self.process = subprocess.Popen(
            ["unshare", "-n", "--", sys.executable, os.path.join(HERE, "fake_unit.py"),
             address, panel_address, str(port), "vunit"],
            stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True, bufsize=1)
        # Hand over the unit's end only once unshare has actually made the new namespace.
        ours = os.readlink("/proc/self/ns/net")
        wait_for(lambda: os.readlink(f"/proc/{self.process.pid}/ns/net") != ours, timeout=10,
                 interval=0.005, what="the unit's network namespace")
        subprocess.run(["ip", "link", "add", "vpanel", "type", "veth", "peer", "name", "vunit",
                        "netns", str(self.process.pid)], check=True)
        subprocess.run(["ip", "addr", "add", f"{panel_address}/24", "dev", "vpanel"], check=True)
        subprocess.run(["ip", "link", "set", "vpanel", "up"], check=True)
        self._lines = queue.Queue()
        threading.Thread(target=self._read, daemon=True).start()
        if self._lines.get(timeout=10) != "ready":
            raise RuntimeError("the fake unit did not come up")

    def _read(self):
        for line in self.process.stdout:
            self._lines.put(line.strip())

    def commands(self, count=1, timeout=5.0):
        """Waits for at least count datagrams; returns all that came, as bytes."""
        received = []
        deadline = time.monotonic() + timeout
        while len(received) < count and time.monotonic() < deadline:
            with contextlib.suppress(queue.Empty):
                received.append(self._lines.get(timeout=0.05))
        with contextlib.suppress(queue.Empty):
            while True:
                received.append(self._lines.get(timeout=0.2))
        return [bytes.fromhex(line[3:]) for line in received if line.startswith("RX ")]

    def _tell(self, command):
        self.process.stdin.write(command + "\n")
        self.process.stdin.flush()

    def say(self, payload=b"alive"):
        self._tell("say " + payload.hex())

    def talk_every(self, seconds):
        self._tell(f"every {seconds}")

    def fall_silent(self):
        self._tell("quiet")

    def close(self):
        with contextlib.suppress(BrokenPipeError, ValueError):
            self._tell("quit")
        try:
            self.process.wait(timeout=5)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
        # The unit's namespace went with it, and the veth pair with that.
        subprocess.run(["ip", "link", "del", "vpanel"], capture_output=True)


def program_folder(root, read_only=False):
    """A folder of its own holding a copy of the panel, as an installed copy would be.

    read_only mounts it read-only, so that nothing can be created there even by root.
    """
    folder = os.path.join(root, "program")
    os.makedirs(folder)
    if read_only:
        subprocess.run(["mount", "-t", "tmpfs", "-o", "size=64m", "program", folder], check=True)
    binary = os.path.join(folder, "varnoke")
    shutil.copy2(panel_binary(), binary)
    if read_only:
        subprocess.run(["mount", "-o", "remount,bind,ro", folder], check=True)
    return binary


class Panel:
    """The real varnoke process under a display."""

    def __init__(self, display, home, extra_env=None, args=(), binary=None):
        env = home.env(display)
        env.update(extra_env or {})
        self.display = display
        self.env = env
        self.process = subprocess.Popen([binary or panel_binary(), *args], env=env,
                                        stdout=subprocess.PIPE, stderr=subprocess.PIPE)

    def xdotool(self, *args, check=True):
        result = subprocess.run(["xdotool", *args], env=self.env, capture_output=True, text=True,
                                timeout=30)
        if check and result.returncode != 0:
            raise AssertionError(f"xdotool {args}: {result.stderr}")
        return result.stdout.strip()

    def window(self, title=TITLE, timeout=10.0):
        def find():
            if self.process.poll() is not None:
                raise AssertionError(f"panel ended early with {self.process.returncode}")
            found = self.xdotool("search", "--onlyvisible", "--name", f"^{title}$", check=False)
            return found.split()[-1] if found else None
        return wait_for(find, timeout, what=f"window '{title}'")

    def geometry(self, window):
        """(x, y, width, height) of the window's client area, in root coordinates."""
        out = subprocess.run(["xwininfo", "-id", window], env=self.env, capture_output=True,
                             text=True, check=True).stdout
        fields = {}
        for line in out.splitlines():
            key, _, value = line.strip().partition(":")
            fields[key] = value.strip()
        return (int(fields["Absolute upper-left X"]), int(fields["Absolute upper-left Y"]),
                int(fields["Width"]), int(fields["Height"]))

    def pixel(self, x, y):
        """The (red, green, blue) on screen at root coordinates x, y."""
        out = subprocess.run(["import", "-window", "root", "-crop", f"1x1+{x}+{y}", "-depth", "8",
                              "txt:-"], env=self.env, capture_output=True, text=True,
                             check=True).stdout
        hexcolour = out.strip().splitlines()[-1].split("#")[1][:6]
        return tuple(int(hexcolour[i:i + 2], 16) for i in (0, 2, 4))

    def click(self, window, x, y):
        self.xdotool("mousemove", "--window", window, str(x), str(y), "click", "1")

    def type(self, window, text):
        self.xdotool("type", "--window", window, "--delay", "30", text)

    def retype(self, window, where, text):
        """Replaces a box's whole text, as an operator does: click, select all, type."""
        self.click(window, *where)
        self.key(window, "ctrl+a")
        self.type(window, text)

    def key(self, window, *keys):
        self.xdotool("key", "--window", window, *keys)

    def answer(self, title, key):
        """Presses key in the modal window of that title, once it has the keyboard focus."""
        window = self.window(title=title)
        wait_for(lambda: self.xdotool("getwindowfocus", check=False) == window,
                 what=f"'{title}' to take the focus")
        self.xdotool("key", key)

    def close_window(self, window):
        """Asks the window to close the way a window manager does: WM_DELETE_WINDOW."""
        send_delete_window(self.display.name, int(window))

    def wait(self, timeout=10.0):
        return self.process.wait(timeout=timeout)

    def stop(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait(timeout=10)
        out, err = self.process.communicate()
        return out.decode(errors="replace"), err.decode(errors="replace")


def system_python_for(module):
    """Re-runs this script under Debian's own interpreter when module is only installed there
    (python3-pyatspi and python3-gi are Debian's); exits SKIP when it is nowhere."""
    import importlib.util
    if importlib.util.find_spec(module) is not None:
        return
    system = "/usr/bin/python3"
    if os.path.exists(system) and os.path.realpath(sys.executable) != os.path.realpath(system):
        os.execv(system, [system] + sys.argv)
    print(f"the Python module {module} is needed", file=sys.stderr)
    sys.exit(SKIP)


class PanelTestCase(unittest.TestCase):
    """A display and a fresh user per test; panels started through start() are ended after."""

    def setUp(self):
        self.display = Display()
        self.home = Home()
        self.panels = []
        self.units = []

    def tearDown(self):
        for panel in self.panels:
            out, err = panel.stop()
            if err.strip():
                print(f"panel stderr:\n{err}", file=sys.stderr)
        for unit in self.units:
            unit.close()
        self.display.close()
        self.home.close()

    def start(self, **kwargs):
        panel = Panel(self.display, self.home, **kwargs)
        self.panels.append(panel)
        return panel

    def unit(self, **kwargs):
        unit = FakeUnit(**kwargs)
        self.units.append(unit)
        return unit


def main():
    private_network()
    unittest.main(verbosity=2)
