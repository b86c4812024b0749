# SPDX-FileCopyrightText: 2026 The Varnoke developers
# SPDX-License-Identifier: MIT
"""The panel as a screen reader meets it: through the real accessibility bus (AT-SPI).

A private D-Bus session and its own accessibility bus (at-spi-bus-launcher, which starts the
registry) are started here; the panel joins them with its accessibility bridge always on, and this
test reads them with pyatspi, as Orca does.
"""

import os
import shutil
import subprocess
import sys
import time

try:
    import pyatspi  # noqa: F401  (imported again below, once the private bus is set)
except ImportError:
    # pyatspi is Debian's, installed for Debian's own interpreter.
    if os.path.exists("/usr/bin/python3") and os.path.realpath(sys.executable) != "/usr/bin/python3":
        os.execv("/usr/bin/python3", ["/usr/bin/python3"] + sys.argv)
    print("python3-pyatspi is needed", file=sys.stderr)
    sys.exit(77)

import harness

BUS_LAUNCHER = "/usr/libexec/at-spi-bus-launcher"
DESIGN_DESCRIPTION = "The unit's IP address"  # the tooltip, which stands as the description


class Session:
    """A private D-Bus session bus with an accessibility bus of its own."""

    def __init__(self, env):
        self.daemon = subprocess.Popen(
            ["dbus-daemon", "--session", "--nofork", "--print-address=1"], env=env,
            stdout=subprocess.PIPE, text=True)
        self.address = self.daemon.stdout.readline().strip()
        if not self.address:
            raise RuntimeError("the session bus did not start")
        self.env = dict(env, DBUS_SESSION_BUS_ADDRESS=self.address)
        self.launcher = subprocess.Popen([BUS_LAUNCHER, "--launch-immediately", "--a11y=1"],
                                         env=self.env, stdout=subprocess.DEVNULL,
                                         stderr=subprocess.DEVNULL)

    def close(self):
        for process in (self.launcher, self.daemon):
            process.terminate()
            try:
                process.wait(timeout=5)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()
        # The launcher's own bus and the registry go with their session; nothing outlives it.


def walk(node, depth=0):
    yield node
    if depth > 12:
        return
    for index in range(node.childCount):
        child = node.getChildAtIndex(index)
        if child is not None:
            yield from walk(child, depth + 1)


class AccessibilityTest(harness.PanelTestCase):
    def setUp(self):
        for tool in ("dbus-daemon", BUS_LAUNCHER):
            if shutil.which(tool) is None:
                self.skipTest(f"{tool} is missing")
        super().setUp()
        self.session = Session(self.home.env(self.display))
        # pyatspi connects to the bus named in the environment when it is first imported.
        os.environ["DBUS_SESSION_BUS_ADDRESS"] = self.session.address
        os.environ["DISPLAY"] = self.display.name
        os.environ.pop("AT_SPI_BUS_ADDRESS", None)

    def tearDown(self):
        super().tearDown()
        self.session.close()

    def test_named_labelled_and_told_of_the_lost_link(self):
        import pyatspi
        from gi.repository import GLib

        unit = self.unit()
        self.home.seed({"IP Address": harness.UNIT_ADDRESS})
        unit.talk_every(0.5)
        panel = self.start(extra_env={"DBUS_SESSION_BUS_ADDRESS": self.session.address,
                                      "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1"})
        panel.window()

        told = []

        def on_description(event):
            if event.source is not None and event.source.name == "IP/UDP Address":
                told.append(event.source.description)

        pyatspi.Registry.registerEventListener(
            on_description, "object:property-change:accessible-description")
        context = GLib.MainContext.default()

        def pump(seconds):
            deadline = time.monotonic() + seconds
            while time.monotonic() < deadline:
                context.iteration(False)
                time.sleep(0.01)

        def find_app():
            pump(0.1)
            desktop = pyatspi.Registry.getDesktop(0)
            for index in range(desktop.childCount):
                app = desktop.getChildAtIndex(index)
                if app is not None and app.name == "varnoke":
                    return app
            return None

        app = harness.wait_for(find_app, timeout=15, interval=0.2, what="the panel on the bus")
        with self.subTest("every control is named"):
            names = {(node.getRoleName(), node.name) for node in walk(app)}
            for role, name in (("radio button", "Run"), ("radio button", "Manual"),
                               ("radio button", "Stop"), ("radio button", "Pulse"),
                               ("label", "Manual"), ("label", "Stop"), ("label", "VCO Set"),
                               ("label", "VCO ctrl"), ("text", "IP/UDP Address"),
                               ("text", "Port"), ("text", "Manual"), ("text", "Stop"),
                               ("text", "VCO Set"), ("text", "VCO ctrl")):
                self.assertIn((role, name), names)
            for frame in ("IP/UDP Address", "Port", "Operating Mode"):
                self.assertTrue(any(n == frame and r not in ("text",) for r, n in names), frame)
            unnamed = [node.getRoleName() for node in walk(app)
                       if node.getRoleName() in ("radio button", "text", "label") and not node.name]
            self.assertEqual(unnamed, [])

        with self.subTest("each value box is labelled by its label"):
            for node in walk(app):
                if node.getRoleName() != "text" or node.name not in (
                        "Manual", "Stop", "VCO Set", "VCO ctrl"):
                    continue
                labels = [relation.getTarget(0).name for relation in node.getRelationSet()
                          if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY]
                self.assertEqual(labels, [node.name])

        ip_box = next(node for node in walk(app)
                      if node.getRoleName() == "text" and node.name == "IP/UDP Address")
        self.assertEqual(ip_box.description, DESIGN_DESCRIPTION)

        with self.subTest("the lost link is told in words"):
            unit.fall_silent()
            silent_at = time.localtime()
            deadline = time.monotonic() + 10
            while not told and time.monotonic() < deadline:
                pump(0.1)
            self.assertTrue(told, "no description change was announced")
            self.assertRegex(told[-1], r"^Link lost: nothing heard from the unit since "
                                       r"\d\d:\d\d:\d\d$")
            heard = time.strptime(told[-1][-8:], "%H:%M:%S")
            seconds = lambda t: t.tm_hour * 3600 + t.tm_min * 60 + t.tm_sec  # noqa: E731
            self.assertLessEqual(abs(seconds(silent_at) - seconds(heard)) % 86400, 2)
            self.assertEqual(ip_box.description, told[-1])

        with self.subTest("and cleared when the unit is heard again"):
            told.clear()
            unit.talk_every(0.5)
            deadline = time.monotonic() + 5
            while not told and time.monotonic() < deadline:
                pump(0.1)
            self.assertTrue(told, "the recovery was not announced")
            self.assertEqual(told[-1], DESIGN_DESCRIPTION)
            self.assertEqual(ip_box.description, DESIGN_DESCRIPTION)


if __name__ == "__main__":
    harness.main()
