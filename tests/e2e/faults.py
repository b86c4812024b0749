# SPDX-FileCopyrightText: 2026 The Varnoke developers
# SPDX-License-Identifier: MIT
"""What the fault tests share: saved settings to start from, and a test case that can mount over
folders, seed raw settings and look at the screen as the operator does."""

import os
import shutil
import subprocess

import harness
from harness import IP_BOX, IP_BOX_BLANK
import settings_file
import x11

DESIGN_ADDRESS = "192.168.1.158"
LOST_COLOUR = (255, 208, 208)
SCREEN = (1024, 768)  # harness.Display's default

# A panel that started well before this and is placed at Left 1500, Top 750.
SAVED = {"IP Address": harness.UNIT_ADDRESS, "Left": "1500", "Top": "750", "Window state": "0"}
SAVED_PLACE = (100, 50)


def read_bytes(path):
    with open(path, "rb") as file:
        return file.read()


def snapshot(folder):
    """Every file in the folder with its bytes."""
    found = {}
    for name in sorted(os.listdir(folder)):
        path = os.path.join(folder, name)
        found[name] = read_bytes(path) if os.path.isfile(path) else os.stat(path).st_mode
    return found


def mount(*args):
    subprocess.run(["mount", *args], check=True, capture_output=True)


class FaultTest(harness.PanelTestCase):
    def setUp(self):
        super().setUp()
        self.settings_folder = os.path.dirname(self.home.settings_file)

    # --- helpers -------------------------------------------------------------------------------

    def mounted(self, folder, *args):
        """Mounts over folder for this test only: the mount namespace is the test's own."""
        os.makedirs(folder, exist_ok=True)
        mount(*args, folder)
        root = self.home.root

        def unmount():
            subprocess.run(["umount", "-l", folder], capture_output=True)
            shutil.rmtree(root, ignore_errors=True)  # what the mount kept from the first cleanup
        self.addCleanup(unmount)

    def make_read_only(self, folder):
        self.mounted(folder, "--bind", folder)
        mount("-o", "remount,bind,ro", folder)

    def seed_raw(self, lines):
        """A settings file of the given value lines, each 'name=data' exactly as written."""
        os.makedirs(self.settings_folder, exist_ok=True)
        with open(self.home.settings_file, "w", newline="\r\n") as out:
            out.write(settings_file.regedit4(lines))

    def assert_only_the_panel(self, panel, window):
        """No message box or other window beside the panel, and the panel still running."""
        self.assertIsNone(panel.process.poll(), "the panel ended")
        shown = x11.top_level_windows(self.display.name)
        self.assertIn(int(window), shown)
        others = [other for other in shown if other != int(window) and not self.is_tooltip(other)]
        self.assertEqual(others, [], "a window beside the panel")

    def is_tooltip(self, window):
        # The address box's tip shows while the pointer rests on it; it is no message.
        kind = subprocess.run(["xprop", "-id", str(window), "_NET_WM_WINDOW_TYPE"],
                              env=dict(os.environ, DISPLAY=self.display.name),
                              capture_output=True, text=True).stdout
        return "_NET_WM_WINDOW_TYPE_TOOLTIP" in kind

    def assert_box_text(self, panel, window, where, expected):
        """Checks a text box's whole text, copied out through the clipboard by an operator."""
        panel.click(window, *where)
        panel.key(window, "ctrl+a", "ctrl+c")
        copied = []

        def copied_as_expected():
            copied.append(x11.read_clipboard(self.display.name))
            return copied[-1] == expected
        try:
            harness.wait_for(copied_as_expected, timeout=5, what="the copied text")
        except AssertionError:
            self.assertEqual(copied[-1], expected)

    def keystroke_saved(self, panel, window, suffix):
        """Types one key at the end of the address box and waits for its save: the window answers.

        The wait only tells a panel that answers from one that hangs; how fast it answers is the
        benchmarks'."""
        panel.click(window, *IP_BOX)
        panel.key(window, "End")
        before = self.home.settings().get("IP Address", "")
        panel.xdotool("key", "--window", window, suffix)
        harness.wait_for(lambda: self.home.settings().get("IP Address") == before + suffix,
                         timeout=30, interval=0.05, what="the keystroke saved")

    def ip_box_colour(self, panel, window):
        x, y, _, _ = panel.geometry(window)
        return panel.pixel(x + IP_BOX_BLANK[0], y + IP_BOX_BLANK[1])

    def close(self, panel, window):
        panel.close_window(window)
        self.assertEqual(panel.wait(), 0)
