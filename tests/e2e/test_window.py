# SPDX-FileCopyrightText: 2026 The Varnoke developers
# SPDX-License-Identifier: MIT
"""The real panel opens its window as designed."""

import harness


class WindowTest(harness.PanelTestCase):
    def test_size_follows_the_display_scale(self):
        panel = self.start(extra_env={"QT_SCALE_FACTOR": "2"})
        window = panel.window()
        self.assertEqual(panel.geometry(window)[2:], (670, 362))

    def test_design_colours_on_screen(self):
        panel = self.start()
        window = panel.window()
        x, y, _, _ = panel.geometry(window)
        harness.wait_for(lambda: panel.pixel(x + 330, y + 176) == (255, 255, 192),
                         what="the pale yellow background")
        # Inside the IP box, right of its text: its design background.
        self.assertEqual(panel.pixel(x + 4 + 7 + 90, y + 10 + 20 + 10), (255, 192, 192))


if __name__ == "__main__":
    harness.main()
