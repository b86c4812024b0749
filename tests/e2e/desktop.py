# SPDX-FileCopyrightText: 2026 The Varnoke developers
# SPDX-License-Identifier: MIT
"""The desktop's other parts, started privately for one test: a session and accessibility bus,
and a Wayland compositor without a screen."""

import os
import shutil
import subprocess
import time

from harness import wait_for

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
