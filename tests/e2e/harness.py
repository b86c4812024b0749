# SPDX-FileCopyrightText: 2026 The Varnoke developers
# SPDX-License-Identifier: MIT
"""Runs the real panel the way an operator would, and keeps it away from every real network.

Each test runs inside a private network namespace (unshare -n) holding only loopback, under its
own Xvfb, with its own HOME, XDG_CONFIG_HOME and XDG_RUNTIME_DIR. A fake unit lives in a second
namespace joined to the first by a veth pair. The panel's saved unit address is seeded with the
fake unit's before it starts; where nothing is seeded the design address has no route.
"""

import contextlib
import ctypes
import ctypes.util
import os
import queue
import shutil
import subprocess
import sys
import tempfile
import threading
import time
import unittest

SKIP = 77
PANEL_PORT = 37829
# The fake unit and the panel's side of the link to it: addresses inside the test's own network
# namespaces, never the design address.
UNIT_ADDRESS = "10.77.0.2"
PANEL_ADDRESS = "10.77.0.1"
HERE = os.path.dirname(os.path.abspath(__file__))
TITLE = "Varnoke Automation Test"


def private_network():
    """Re-runs this script inside new network and mount namespaces, with only loopback up.

    The mount namespace lets a test mount a read-only or tiny file system of its own, which even
    root can't write to.
    """
    if os.environ.get("VARNOKE_PRIVATE_NET") == "1":
        subprocess.run(["ip", "link", "set", "lo", "up"], check=True)
        return
    if shutil.which("unshare") is None or shutil.which("ip") is None:
        print("unshare and ip are needed to keep the panel off the network", file=sys.stderr)
        sys.exit(SKIP)
    probe = subprocess.run(["unshare", "-n", "-m", "true"], capture_output=True)
    if probe.returncode != 0:
        print("cannot make a private network namespace here (root needed); skipping",
              file=sys.stderr)
        sys.exit(SKIP)
    env = dict(os.environ, VARNOKE_PRIVATE_NET="1")
    os.execvpe("unshare", ["unshare", "-n", "-m", "--propagation", "private", "--",
                           sys.executable] + sys.argv, env)


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
        lines = ["REGEDIT4", "", "[HKEY_CURRENT_USER\\SOFTWARE\\Yorv\\Varnoke]"]
        for name, text in values.items():
            quoted = text.replace("\\", "\\\\").replace('"', '\\"')
            lines.append(f'"{name}"="{quoted}"')
        with open(self.settings_file, "w", newline="\r\n") as out:
            out.write("\n".join(lines) + "\n\n")

    def settings(self):
        """The settings file's string values, as a dict; empty when there is no file."""
        try:
            with open(self.settings_file, encoding="cp1252") as file:
                text = file.read()
        except FileNotFoundError:
            return {}
        values = {}
        for line in text.splitlines():
            if line.startswith('"') and '"="' in line:
                name, _, rest = line[1:].partition('"="')
                values[name] = rest[:-1].replace('\\"', '"').replace("\\\\", "\\")
        return values

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
        subprocess.run(["mount", "-o", "remount,ro", folder], check=True)
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


class _ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong),
                ("message_type", ctypes.c_ulong), ("format", ctypes.c_int),
                ("data", ctypes.c_long * 5)]


class _Event(ctypes.Union):
    _fields_ = [("client", _ClientMessage), ("pad", ctypes.c_long * 24)]


def send_delete_window(display_name, window):
    x11 = ctypes.cdll.LoadLibrary(ctypes.util.find_library("X11") or "libX11.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XInternAtom.restype = ctypes.c_ulong
    x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                               ctypes.POINTER(_Event)]
    x11.XFlush.argtypes = [ctypes.c_void_p]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    display = x11.XOpenDisplay(display_name.encode())
    if not display:
        raise RuntimeError(f"cannot open display {display_name}")
    event = _Event()
    event.client.type = 33  # ClientMessage
    event.client.window = window
    event.client.message_type = x11.XInternAtom(display, b"WM_PROTOCOLS", 0)
    event.client.format = 32
    event.client.data[0] = x11.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
    event.client.data[1] = 0  # CurrentTime
    x11.XSendEvent(display, window, 0, 0, ctypes.byref(event))
    x11.XFlush(display)
    x11.XCloseDisplay(display)


class _SelectionRequest(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("owner", ctypes.c_ulong),
                ("requestor", ctypes.c_ulong), ("selection", ctypes.c_ulong),
                ("target", ctypes.c_ulong), ("property", ctypes.c_ulong), ("time", ctypes.c_ulong)]


class _Selection(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("requestor", ctypes.c_ulong),
                ("selection", ctypes.c_ulong), ("target", ctypes.c_ulong),
                ("property", ctypes.c_ulong), ("time", ctypes.c_ulong)]


class _SelectionEvent(ctypes.Union):
    _fields_ = [("type", ctypes.c_int), ("request", _SelectionRequest),
                ("selection", _Selection), ("pad", ctypes.c_long * 24)]


_SELECTION_CLEAR, _SELECTION_REQUEST, _SELECTION_NOTIFY = 29, 30, 31
_TEXT_TARGETS = (b"UTF8_STRING", b"STRING", b"TEXT", b"text/plain;charset=utf-8", b"text/plain")


def _xlib():
    x11 = ctypes.cdll.LoadLibrary(ctypes.util.find_library("X11") or "libX11.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XDefaultRootWindow.restype = ctypes.c_ulong
    x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    x11.XCreateSimpleWindow.restype = ctypes.c_ulong
    x11.XCreateSimpleWindow.argtypes = [ctypes.c_void_p, ctypes.c_ulong] + [ctypes.c_int] * 2 \
        + [ctypes.c_uint] * 3 + [ctypes.c_ulong] * 2
    x11.XInternAtom.restype = ctypes.c_ulong
    x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x11.XSetSelectionOwner.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong,
                                       ctypes.c_ulong]
    x11.XGetSelectionOwner.restype = ctypes.c_ulong
    x11.XGetSelectionOwner.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
    x11.XConvertSelection.argtypes = [ctypes.c_void_p] + [ctypes.c_ulong] * 5
    x11.XChangeProperty.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong,
                                    ctypes.c_ulong, ctypes.c_int, ctypes.c_int, ctypes.c_void_p,
                                    ctypes.c_int]
    x11.XGetWindowProperty.argtypes = [
        ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong, ctypes.c_long, ctypes.c_long,
        ctypes.c_int, ctypes.c_ulong, ctypes.POINTER(ctypes.c_ulong),
        ctypes.POINTER(ctypes.c_int), ctypes.POINTER(ctypes.c_ulong),
        ctypes.POINTER(ctypes.c_ulong), ctypes.POINTER(ctypes.c_void_p)]
    x11.XFree.argtypes = [ctypes.c_void_p]
    x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                               ctypes.c_void_p]
    x11.XNextEvent.argtypes = [ctypes.c_void_p, ctypes.c_void_p]
    x11.XPending.argtypes = [ctypes.c_void_p]
    x11.XConnectionNumber.argtypes = [ctypes.c_void_p]
    x11.XFlush.argtypes = [ctypes.c_void_p]
    x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    return x11


def serve_clipboard(display_name, path):
    """Owns CLIPBOARD on the display and hands out the bytes of the file at path as text, until
    another client takes the selection. Runs in a process of its own (see Clipboard)."""
    with open(path, "rb") as source:
        payload = source.read()
    x11 = _xlib()
    display = x11.XOpenDisplay(display_name.encode())
    if not display:
        raise RuntimeError(f"cannot open display {display_name}")
    atom = lambda name: x11.XInternAtom(display, name, 0)  # noqa: E731
    clipboard, targets, utf8 = atom(b"CLIPBOARD"), atom(b"TARGETS"), atom(b"UTF8_STRING")
    texts = [atom(name) for name in _TEXT_TARGETS]
    window = x11.XCreateSimpleWindow(display, x11.XDefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0)
    x11.XSetSelectionOwner(display, clipboard, window, 0)
    if x11.XGetSelectionOwner(display, clipboard) != window:
        raise RuntimeError("could not take the clipboard")
    x11.XSync(display, 0)
    print("ready", flush=True)
    event = _SelectionEvent()
    while True:
        x11.XNextEvent(display, ctypes.byref(event))
        if event.type == _SELECTION_CLEAR:
            break
        if event.type != _SELECTION_REQUEST:
            continue
        request = event.request
        prop = request.property or request.target
        if request.target == targets:
            offered = (ctypes.c_ulong * (len(texts) + 1))(targets, *texts)
            x11.XChangeProperty(display, request.requestor, prop, 4, 32, 0, offered,
                                len(offered))  # 4: XA_ATOM, 0: PropModeReplace
        elif request.target in texts:
            # One property however large: the server takes big requests, so no INCR is needed.
            x11.XChangeProperty(display, request.requestor, prop,
                                utf8 if request.target != texts[1] else texts[1], 8, 0,
                                payload, len(payload))
        else:
            prop = 0
        answer = _SelectionEvent()
        answer.selection.type = _SELECTION_NOTIFY
        answer.selection.requestor = request.requestor
        answer.selection.selection = request.selection
        answer.selection.target = request.target
        answer.selection.property = prop
        answer.selection.time = request.time
        x11.XSendEvent(display, request.requestor, 0, 0, ctypes.byref(answer))
        x11.XFlush(display)
    x11.XCloseDisplay(display)


class Clipboard:
    """Puts a text of any size on a display's clipboard, as another program would."""

    def __init__(self, display, text, folder):
        path = os.path.join(folder, "clipboard.txt")
        with open(path, "wb") as out:
            out.write(text.encode())
        self.process = subprocess.Popen(
            [sys.executable, "-c", "import sys, harness; harness.serve_clipboard(*sys.argv[1:])",
             display.name, path], cwd=HERE, stdout=subprocess.PIPE, text=True)
        if self.process.stdout.readline().strip() != "ready":
            self.process.kill()
            raise RuntimeError("the clipboard owner did not start")

    def close(self):
        if self.process.poll() is None:
            self.process.kill()
        self.process.wait(timeout=10)
        self.process.stdout.close()


def read_clipboard(display_name, timeout=5.0):
    """The clipboard's text as its owner hands it out, or None when nobody owns it."""
    x11 = _xlib()
    display = x11.XOpenDisplay(display_name.encode())
    if not display:
        raise RuntimeError(f"cannot open display {display_name}")
    try:
        clipboard = x11.XInternAtom(display, b"CLIPBOARD", 0)
        if not x11.XGetSelectionOwner(display, clipboard):
            return None
        utf8 = x11.XInternAtom(display, b"UTF8_STRING", 0)
        into = x11.XInternAtom(display, b"VARNOKE_TEST_PASTE", 0)
        window = x11.XCreateSimpleWindow(display, x11.XDefaultRootWindow(display), 0, 0, 1, 1,
                                         0, 0, 0)
        x11.XConvertSelection(display, clipboard, utf8, into, window, 0)
        x11.XFlush(display)
        event = _SelectionEvent()
        deadline = time.monotonic() + timeout
        while True:
            if x11.XPending(display):
                x11.XNextEvent(display, ctypes.byref(event))
                if event.type == _SELECTION_NOTIFY:
                    break
            elif time.monotonic() > deadline:
                raise AssertionError("the clipboard's owner did not answer")
            else:
                time.sleep(0.01)
        if not event.selection.property:
            return None
        kind, form = ctypes.c_ulong(), ctypes.c_int()
        count, left = ctypes.c_ulong(), ctypes.c_ulong()
        data = ctypes.c_void_p()
        x11.XGetWindowProperty(display, window, into, 0, 1 << 24, 1, 0, ctypes.byref(kind),
                               ctypes.byref(form), ctypes.byref(count), ctypes.byref(left),
                               ctypes.byref(data))
        if not data.value:
            return ""
        text = ctypes.string_at(data.value, count.value).decode(errors="replace")
        x11.XFree(data)
        return text
    finally:
        x11.XCloseDisplay(display)


def top_level_windows(display_name):
    """The ids of the windows mapped directly on the root window: what a person would see."""
    env = dict(os.environ, DISPLAY=display_name)
    root = subprocess.run(["xwininfo", "-root"], env=env, capture_output=True, text=True,
                          check=True).stdout
    root_id = int(root.split("Window id:")[1].split()[0], 16)
    found = subprocess.run(["xdotool", "search", "--onlyvisible", "--maxdepth", "1", "--name", ""],
                           env=env, capture_output=True, text=True).stdout.split()
    return sorted(int(window) for window in found if int(window) != root_id)


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


def _end(process, timeout=5):
    if process.poll() is None:
        process.terminate()
        try:
            process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()


class AccessibilityBus:
    """A private D-Bus session with an accessibility bus of its own (at-spi-bus-launcher, which
    starts the registry), as a desktop session has. The panel joins it with panel_env;
    this process reads it through pyatspi."""

    LAUNCHER = "/usr/libexec/at-spi-bus-launcher"

    @classmethod
    def missing(cls):
        """The tool that is not installed, or None."""
        for tool in ("dbus-daemon", cls.LAUNCHER):
            if shutil.which(tool) is None:
                return tool
        return None

    def __init__(self, env):
        self.daemon = subprocess.Popen(
            ["dbus-daemon", "--session", "--nofork", "--print-address=1"], env=env,
            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        self.address = self.daemon.stdout.readline().strip()
        if not self.address:
            _end(self.daemon)
            raise RuntimeError("the session bus did not start")
        self.launcher = subprocess.Popen(
            [self.LAUNCHER, "--launch-immediately", "--a11y=1"],
            env=dict(env, DBUS_SESSION_BUS_ADDRESS=self.address), stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL)
        # pyatspi reaches the bus named in this process's environment when first imported.
        os.environ["DBUS_SESSION_BUS_ADDRESS"] = self.address
        os.environ.pop("AT_SPI_BUS_ADDRESS", None)
        import pyatspi
        from gi.repository import GLib
        self.pyatspi = pyatspi
        self._context = GLib.MainContext.default()

    @property
    def panel_env(self):
        return {"DBUS_SESSION_BUS_ADDRESS": self.address, "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1"}

    def pump(self, seconds):
        """Delivers the bus's events to the listeners for that long."""
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            while self._context.iteration(False):
                pass
            time.sleep(0.01)

    def application(self, name="varnoke", timeout=15.0):
        def find():
            self.pump(0.05)
            desktop = self.pyatspi.Registry.getDesktop(0)
            for index in range(desktop.childCount):
                app = desktop.getChildAtIndex(index)
                if app is not None and app.name == name:
                    return app
            return None
        return wait_for(find, timeout, interval=0.2, what=f"'{name}' on the accessibility bus")

    @staticmethod
    def walk(node, depth=0):
        """The node and everything below it."""
        yield node
        if depth > 12:
            return
        for index in range(node.childCount):
            child = node.getChildAtIndex(index)
            if child is not None:
                yield from AccessibilityBus.walk(child, depth + 1)

    def find(self, app, role, name, timeout=10.0):
        """The control of that role and name, once the window has shown it."""
        def look():
            self.pump(0.05)
            return next((node for node in self.walk(app)
                         if node.getRoleName() == role and node.name == name), None)
        return wait_for(look, timeout, interval=0.1, what=f"{role} '{name}'")

    def close(self):
        _end(self.launcher)
        _end(self.daemon)
        self.daemon.stdout.close()


class Compositor:
    """Weston on its headless back end, on a socket of its own in the given runtime folder: a
    Wayland desktop without a screen."""

    @staticmethod
    def missing():
        if shutil.which("weston") is None:
            return "weston"
        plugins = subprocess.run(["find", "/usr/lib", "-path", "*qt6/plugins/platforms/*",
                                  "-name", "libqwayland-*.so"], capture_output=True, text=True)
        return None if plugins.stdout.strip() else "qt6-wayland"

    def __init__(self, runtime, socket="wayland-e2e"):
        self.socket = socket
        self.log = os.path.join(runtime, "weston.log")
        env = {key: value for key, value in os.environ.items()
               if not key.startswith(("WAYLAND", "DISPLAY", "XDG_"))}
        env["XDG_RUNTIME_DIR"] = runtime
        self.process = subprocess.Popen(
            ["weston", "--backend=headless-backend.so", f"--socket={socket}", "--idle-time=0",
             "--no-config", f"--log={self.log}"], env=env, stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL)
        path = os.path.join(runtime, socket)
        wait_for(lambda: self.process.poll() is not None or os.path.exists(path), timeout=10,
                 what="weston's socket")
        if self.process.poll() is not None:
            raise RuntimeError(f"weston ended at start with {self.process.returncode}")

    @property
    def panel_env(self):
        return {"QT_QPA_PLATFORM": "wayland", "WAYLAND_DISPLAY": self.socket, "DISPLAY": ""}

    def close(self):
        _end(self.process)


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
