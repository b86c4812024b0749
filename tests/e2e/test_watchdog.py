# SPDX-FileCopyrightText: 2026 The Varnoke developers
# SPDX-License-Identifier: MIT
"""The lost-link tint, read off the screen of the real panel."""

import time

import harness

LINK_COLOUR = (255, 192, 192)
LOST_COLOUR = (255, 208, 208)
IP_BOX_BLANK = (101, 40)  # inside the IP box, right of the address


class WatchdogTest(harness.PanelTestCase):
    def ip_box_colour(self, panel, window):
        x, y, _, _ = panel.geometry(window)
        return panel.pixel(x + IP_BOX_BLANK[0], y + IP_BOX_BLANK[1])

    def test_silence_marks_and_talk_clears(self):
        unit = self.unit()
        unit.talk_every(0.5)
        self.home.seed({"IP Address": harness.UNIT_ADDRESS})
        panel = self.start()
        window = panel.window()

        # A talking unit is never marked, well past the grace.
        deadline = time.monotonic() + 8
        while time.monotonic() < deadline:
            self.assertEqual(self.ip_box_colour(panel, window), LINK_COLOUR)
            time.sleep(0.5)

        unit.fall_silent()
        silent_since = time.monotonic()
        harness.wait_for(lambda: self.ip_box_colour(panel, window) == LOST_COLOUR, timeout=9,
                         interval=0.1, what="the lost-link tint")
        self.assertGreater(time.monotonic() - silent_since, 5.0)

        unit.talk_every(0.5)
        harness.wait_for(lambda: self.ip_box_colour(panel, window) == LINK_COLOUR, timeout=3,
                         interval=0.1, what="the link colour back")

    def test_silent_unit_from_the_start(self):
        self.unit()
        self.home.seed({"IP Address": harness.UNIT_ADDRESS})
        panel = self.start()
        window = panel.window()
        started = time.monotonic()
        time.sleep(3)
        self.assertEqual(self.ip_box_colour(panel, window), LINK_COLOUR)  # no alarm at start
        harness.wait_for(lambda: self.ip_box_colour(panel, window) == LOST_COLOUR, timeout=8,
                         interval=0.1, what="the lost-link tint")
        self.assertLess(time.monotonic() - started, 8.5)


if __name__ == "__main__":
    harness.main()
