# SPDX-FileCopyrightText: 2026 The Varnoke developers
# SPDX-License-Identifier: MIT
"""The real panel under faults of the process and the link: a termination signal at the
second-panel prompt, a low descriptor limit, no network, a name that never resolves, an address a resolver would misread,
its own commands coming back, and a megabyte pasted into the address box.

Each case ends with the panel running (or closed by the operator with exit code 0), nothing lost
that was saved before, and no window on screen but the panel's own.
"""

import os
import signal
import socket
import subprocess

import faults
from faults import LOST_COLOUR, SAVED, mount, read_bytes
import harness
from harness import FREQ_BOX, IP_BOX, MANUAL, PULSE, RUN, STOP
from settings_file import text_of, values
import x11


class LinkFaultTest(faults.FaultTest):
    def test_termination_at_the_second_panel_prompt_saves_nothing(self):
        # A logout while the prompt is up: the second panel ends as a Cancel would, and the first
        # panel's saved place is not overwritten by a window that never showed.
        self.home.seed(SAVED)
        first = self.start()
        first.window()
        before = read_bytes(self.home.settings_file)
        binary = harness.program_folder(self.home.root)
        for number in (signal.SIGHUP, signal.SIGTERM, signal.SIGINT):
            with self.subTest(signal.Signals(number).name):
                second = self.start(binary=binary)
                second.window(title="Glimra")
                second.process.send_signal(number)
                self.assertEqual(second.wait(), 0)
                self.assertEqual(read_bytes(self.home.settings_file), before)
                self.assertEqual(os.listdir(os.path.dirname(binary)), ["varnoke"])
        self.assertIsNone(first.process.poll())

    def test_ten_descriptors(self):
        # A descriptor limit that leaves none to spare once the window is up: no socket, no
        # settings read, but the window paints and closes.
        with open(harness.panel_binary(), "rb") as binary:
            if b"__asan_init" in binary.read():  # whose checks would fail for want of one
                self.skipTest("the sanitizers need descriptors of their own")
        self.home.seed(SAVED)
        panel = self.start(binary="prlimit", args=("--nofile=10", harness.panel_binary()))
        self.close(panel, panel.window())

    # --- the network ---------------------------------------------------------------------------

    def test_no_network_at_all(self):
        # Only loopback: the saved unit address has no route, every send fails.
        self.home.seed(SAVED)
        panel = self.start()
        window = panel.window()
        for button in (RUN, MANUAL, STOP, PULSE):
            panel.click(window, *button)
        panel.retype(window, FREQ_BOX, "123.5")
        # The heartbeat goes on: the silent unit is marked lost about six seconds in.
        harness.wait_for(lambda: self.ip_box_colour(panel, window) == LOST_COLOUR, timeout=12,
                         interval=0.2, what="the lost-link tint")
        for key in "123":
            self.keystroke_saved(panel, window, key)
        self.assert_only_the_panel(panel, window)
        self.close(panel, window)

    def test_name_that_never_resolves(self):
        # A name server that takes every question and answers none: each look-up hangs for as
        # long as the resolver allows (five tries of 30 s), far longer than any wait below. The
        # window must not wait for it.
        black_hole = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        self.addCleanup(black_hole.close)
        black_hole.bind(("127.0.0.1", 53))
        resolv = os.path.join(self.home.root, "resolv.conf")
        with open(resolv, "w") as conf:
            conf.write("nameserver 127.0.0.1\noptions timeout:30 attempts:5\n")
        mount("--bind", resolv, "/etc/resolv.conf")
        self.addCleanup(subprocess.run, ["umount", "-l", "/etc/resolv.conf"], capture_output=True)

        self.home.seed(dict(SAVED, **{"IP Address": "unit.invalid"}))  # 12 characters: taken
        panel = self.start()
        window = panel.window()
        for button in (RUN, PULSE, STOP, MANUAL):
            panel.click(window, *button)
        panel.retype(window, FREQ_BOX, "98765.4321")
        black_hole.settimeout(5)
        self.assertIn(b"invalid", black_hole.recv(512))  # the look-up is really waiting
        for key in "abcde":
            self.keystroke_saved(panel, window, key)
        self.assert_only_the_panel(panel, window)
        self.close(panel, window)  # not held up by the look-up still running

    def test_address_a_resolver_would_misread(self):
        # A resolver reads this as the unit's address, which is not what the box shows: nothing
        # goes out, the link shows lost, and one line says why. (Which forms are refused, and
        # leading zeros read as decimal, are the endpoint's unit test.)
        unit = self.unit()
        shorthand = "0xa.77.0.2"
        self.home.seed(dict(SAVED, **{"IP Address": shorthand}))
        panel = self.start()
        window = panel.window()
        panel.click(window, *RUN)
        panel.retype(window, FREQ_BOX, "5")
        self.assertEqual(unit.commands(1, timeout=1), [])
        harness.wait_for(lambda: self.ip_box_colour(panel, window) == LOST_COLOUR, timeout=12,
                         interval=0.2, what="the lost-link tint")
        self.assert_only_the_panel(panel, window)
        self.close(panel, window)
        _, err = panel.stop()
        said = [line for line in err.splitlines() if "varnoke.link" in line]
        self.assertEqual(len(said), 1, err)
        self.assertIn(shorthand, said[0])

    def test_own_commands_coming_back_are_not_the_unit(self):
        # Aimed at this machine with no unit there, its commands come back from the unit's address.
        self.home.seed(dict(SAVED, **{"IP Address": "127.0.0.1"}))
        panel = self.start()
        window = panel.window()

        def clicked_and_marked():
            panel.click(window, *RUN)
            return self.ip_box_colour(panel, window) == LOST_COLOUR
        harness.wait_for(clicked_and_marked, timeout=15, interval=0.3, what="the mark")
        self.close(panel, window)

    # --- hostile input -------------------------------------------------------------------------

    def test_megabyte_pasted_into_the_address_box(self):
        self.home.seed(SAVED)
        pattern = '10.77.0.2 "quoted" back\\slash ~!@#$%^&*()_+{}|:<>?'
        pasted = (pattern * ((1 << 20) // len(pattern) + 1))[:1 << 20]
        panel = self.start()
        window = panel.window()
        clipboard = x11.Clipboard(self.display, pasted, self.home.root)
        self.addCleanup(clipboard.close)
        panel.click(window, *IP_BOX)
        panel.key(window, "ctrl+a", "ctrl+v")
        harness.wait_for(lambda: self.home.settings().get("IP Address") == pasted, timeout=30,
                         interval=0.2, what="the pasted text saved")
        clipboard.close()  # what is copied from here on is the panel's own
        self.keystroke_saved(panel, window, "x")
        saved = values(self.home.settings_file)
        self.assertEqual(text_of(saved["IP Address"]), pasted + "x")
        self.assertEqual(text_of(saved["Left"]), "1500")
        self.assert_only_the_panel(panel, window)
        self.close(panel, window)


if __name__ == "__main__":
    harness.main()
