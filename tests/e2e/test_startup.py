# SPDX-FileCopyrightText: 2026 The Varnoke developers
# SPDX-License-Identifier: MIT
"""Start-up, shut-down and the saved settings, in the real panel."""

import os
import time

import harness
from harness import FREQ_BOX, IP_BOX, RUN


class StartUpTest(harness.PanelTestCase):
    def seeded(self, **values):
        settings = {"IP Address": harness.UNIT_ADDRESS}
        settings.update({name.replace("_", " "): text for name, text in values.items()})
        self.home.seed(settings)

    def test_commands_reach_the_saved_address(self):
        unit = self.unit()
        self.seeded()
        panel = self.start()
        window = panel.window()
        panel.click(window, *RUN)
        self.assertEqual(unit.commands(1), [b"OR"])
        panel.retype(window, FREQ_BOX, "12")
        self.assertEqual(unit.commands(2), [b"FR 1", b"FR 12"])

    def test_close_then_restart_restores_the_placement(self):
        self.seeded()
        panel = self.start()
        window = panel.window()
        panel.xdotool("windowmove", window, "200", "150")
        harness.wait_for(lambda: panel.geometry(window)[:2] == (200, 150), what="the move")
        time.sleep(0.2)  # let the panel see where it now is
        panel.close_window(window)
        self.assertEqual(panel.wait(), 0)
        saved = self.home.settings()
        self.assertEqual((saved["Left"], saved["Top"], saved["Window state"]),
                         ("3000", "2250", "0"))

        again = self.start()
        self.assertEqual(again.geometry(again.window())[:2], (200, 150))

    def test_escape_at_the_second_panel_prompt_cancels(self):
        # What a Cancel leaves untouched is the start-up unit test's; this is the real prompt's
        # answer to Escape.
        self.seeded()
        self.start().window()
        second = self.start()
        second.answer("Glimra", "Escape")
        self.assertEqual(second.wait(), 0)

    def test_second_panel_ok_runs_beside_the_first(self):
        unit = self.unit()
        self.seeded(Left="1500", Top="750")
        first = self.start()
        first.window()
        second = self.start()
        second.answer("Glimra", "Return")
        window = second.window()

        def both():
            found = second.xdotool("search", "--onlyvisible", "--name", f"^{harness.TITLE}$",
                                   check=False).split()
            return found if len(found) == 2 else None
        # Each exactly at the saved place: the second on top of the first.
        self.assertEqual({second.geometry(panel)[:2] for panel in harness.wait_for(both)},
                         {(100, 50)})
        second.click(window, *RUN)  # sent from a port of the system's choosing: still arrives
        self.assertEqual(unit.commands(1), [b"OR"])
        self.assertIsNone(first.process.poll())

    def test_sound_files_appear_empty_beside_the_program(self):
        self.seeded()
        binary = harness.program_folder(self.home.root)
        folder = os.path.dirname(binary)
        with open(os.path.join(folder, "ConnectedNow.wav"), "wb") as existing:
            existing.write(b"RIFF-kept")
        panel = self.start(binary=binary)
        panel.window()
        self.assertEqual(os.path.getsize(os.path.join(folder, "ConnectionLost.wav")), 0)
        with open(os.path.join(folder, "ConnectedNow.wav"), "rb") as kept:
            self.assertEqual(kept.read(), b"RIFF-kept")

    def test_read_only_program_folder_does_not_stop_the_panel(self):
        unit = self.unit()
        self.seeded()
        binary = harness.program_folder(self.home.root, read_only=True)
        panel = self.start(binary=binary)
        window = panel.window()
        panel.click(window, *RUN)
        self.assertEqual(unit.commands(1), [b"OR"])
        self.assertEqual(os.listdir(os.path.dirname(binary)), ["varnoke"])

    def test_corrupt_settings_file_does_not_stop_the_panel(self):
        os.makedirs(os.path.dirname(self.home.settings_file))
        with open(self.home.settings_file, "wb") as corrupt:
            corrupt.write(b"\x00\xffnot a registry file\n[[[")
        panel = self.start()
        window = panel.window()
        panel.retype(window, IP_BOX, harness.UNIT_ADDRESS)

        def kept():
            return [name for name in os.listdir(os.path.dirname(self.home.settings_file))
                    if name.startswith("Varnoke.reg.bad-")]
        harness.wait_for(kept, what="the unreadable file kept aside")
        harness.wait_for(lambda: self.home.settings().get("IP Address") == harness.UNIT_ADDRESS,
                         what="a fresh settings file")
        self.assertEqual(len(kept()), 1)


if __name__ == "__main__":
    harness.main()
