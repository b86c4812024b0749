# SPDX-FileCopyrightText: 2026 The Varnoke developers
# SPDX-License-Identifier: MIT
"""The panel as a native Wayland client, under weston's headless back end started here.

Weston's headless back end has no input devices, so the operator's typing comes through the
accessibility bus (as an on-screen keyboard would send it). A Wayland client is never told where
its window is, so the saved place must come back from a Wayland run exactly as it was.
"""

import signal

import desktop
import harness

harness.system_python_for("pyatspi")

# Texts the panel itself never writes for a place: any rewrite of them shows.
SAVED_PLACE = {"Left": "1500 twips", "Top": "x"}


class WaylandTest(harness.PanelTestCase):
    def setUp(self):
        missing = desktop.Compositor.missing() or desktop.AccessibilityBus.missing()
        if missing:
            self.skipTest(f"{missing} is not installed")
        super().setUp()
        self.compositor = desktop.Compositor(self.home.runtime)
        self.bus = desktop.AccessibilityBus(self.home.env(self.display))

    def tearDown(self):
        super().tearDown()
        self.bus.close()
        self.compositor.close()

    def test_runs_sends_and_closes_keeping_the_saved_place(self):
        unit = self.unit()
        self.home.seed({"IP Address": harness.UNIT_ADDRESS, **SAVED_PLACE})
        panel = self.start(extra_env={**self.compositor.panel_env, **self.bus.panel_env})
        app = self.bus.application()

        with self.subTest("it runs as a Wayland client"):
            # Asked for "wayland" alone and given no X display, the toolkit has nothing to fall
            # back on: a panel that runs is a Wayland client.
            self.assertEqual((panel.env["QT_QPA_PLATFORM"], panel.env["DISPLAY"]), ("wayland", ""))
            self.assertIsNone(panel.process.poll())

        with self.subTest("an edit is sent"):
            box = self.bus.find(app, "text", "VCO Set").queryEditableText()
            box.setTextContents("151.5")
            self.assertEqual(unit.commands(1), [b"FR 151.5"])

        # Ended as a session ends a program: the place stays as saved, the state is saved. (Each
        # termination signal reaching the real panel is the link fault test's, at the prompt; what
        # each saves, the start-up test's.)
        panel.process.send_signal(signal.SIGTERM)
        self.assertEqual(panel.wait(), 0)
        saved = self.home.settings()
        self.assertEqual({key: saved.get(key) for key in SAVED_PLACE}, SAVED_PLACE)
        self.assertEqual(saved.get("Window state"), "0")


if __name__ == "__main__":
    harness.main()
