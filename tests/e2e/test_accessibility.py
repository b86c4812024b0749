# SPDX-FileCopyrightText: 2026 The Varnoke developers
# SPDX-License-Identifier: MIT
"""The panel as a screen reader meets it: through the real accessibility bus (AT-SPI).

The test starts a private D-Bus session with its own accessibility bus; the panel joins it with
its accessibility bridge always on, and the test reads it with pyatspi, as a screen reader does.
"""

import time

import desktop
import harness

harness.system_python_for("pyatspi")

DESIGN_DESCRIPTION = "The unit's IP address"  # the tooltip stands as the description


def local_time_near(clock, moment):
    """The moment nearest to `moment` whose local time of day reads `clock` (HH:MM:SS)."""
    day = time.localtime(moment)[:3]
    named = time.mktime(day + time.strptime(clock, "%H:%M:%S")[3:6] + (0, 0, -1))
    return named + 86400 * round((moment - named) / 86400)


class AccessibilityTest(harness.PanelTestCase):
    def setUp(self):
        missing = desktop.AccessibilityBus.missing()
        if missing:
            self.skipTest(f"{missing} is not installed")
        super().setUp()
        self.bus = desktop.AccessibilityBus(self.home.env(self.display))

    def tearDown(self):
        super().tearDown()
        self.bus.close()

    def test_named_labelled_and_told_of_the_lost_link(self):
        pyatspi = self.bus.pyatspi
        unit = self.unit()
        self.home.seed({"IP Address": harness.UNIT_ADDRESS})
        unit.talk_every(0.5)
        told = []

        def on_description(event):
            if event.source is not None and event.source.name == "IP/UDP Address":
                told.append(event.source.description)

        # Listening before the panel starts: its bridge asks the registry who listens as it
        # joins, so no announcement depends on a later signal reaching it in time.
        pyatspi.Registry.registerEventListener(
            on_description, "object:property-change:accessible-description")
        panel = self.start(extra_env=self.bus.panel_env)
        panel.window()
        app = self.bus.application()
        nodes = list(self.bus.walk(app))
        names = {(node.getRoleName(), node.name) for node in nodes}

        with self.subTest("every control is named"):
            for role, name in (("radio button", "Run"), ("radio button", "Manual"),
                               ("radio button", "Stop"), ("radio button", "Pulse"),
                               ("label", "Manual"), ("label", "Stop"), ("label", "VCO Set"),
                               ("label", "VCO ctrl"), ("text", "IP/UDP Address"),
                               ("text", "Port"), ("text", "Manual"), ("text", "Stop"),
                               ("text", "VCO Set"), ("text", "VCO ctrl")):
                self.assertIn((role, name), names)
            for frame in ("IP/UDP Address", "Port", "Operating Mode"):
                self.assertTrue(any(n == frame and r != "text" for r, n in names),
                                f"no {frame!r} frame among {sorted(names)}")
            unnamed = [role for role, name in names
                       if role in ("radio button", "text", "label") and not name]
            self.assertEqual(unnamed, [])

        with self.subTest("each value box is labelled by its label"):
            for name in ("Manual", "Stop", "VCO Set", "VCO ctrl"):
                box = self.bus.find(app, "text", name)
                labels = [relation.getTarget(0).name for relation in box.getRelationSet()
                          if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY]
                self.assertEqual(labels, [name])

        ip_box = self.bus.find(app, "text", "IP/UDP Address")
        self.assertEqual(ip_box.description, DESIGN_DESCRIPTION)

        with self.subTest("the lost link is told in words"):
            unit.fall_silent()
            silent_at = time.time()
            deadline = time.monotonic() + 20
            while not told and time.monotonic() < deadline:
                self.bus.pump(0.1)
            told_at = time.time()
            self.assertTrue(told, "no description change was announced")
            self.assertRegex(told[-1], r"^Link lost: nothing heard from the unit since "
                                       r"\d\d:\d\d:\d\d$")
            # In local time, when the unit was last heard: a beat or two before it fell silent,
            # and more than 5.5 s before the mark, however late a loaded machine tells it.
            heard = local_time_near(told[-1][-8:], silent_at)
            self.assertGreater(heard, silent_at - 3)
            self.assertLess(heard, told_at - 5)
            self.assertEqual(ip_box.description, told[-1])

        with self.subTest("and cleared when the unit is heard again"):
            told.clear()
            unit.talk_every(0.5)
            deadline = time.monotonic() + 15
            while not told and time.monotonic() < deadline:
                self.bus.pump(0.1)
            self.assertEqual(told[-1:], [DESIGN_DESCRIPTION])
            self.assertEqual(ip_box.description, DESIGN_DESCRIPTION)


if __name__ == "__main__":
    harness.main()
