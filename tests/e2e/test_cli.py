# SPDX-FileCopyrightText: 2026 The Varnoke developers
# SPDX-License-Identifier: MIT
"""The command line of the real binary: it configures nothing and fails cleanly."""

import os
import subprocess

import harness


def run(*args, env=None):
    return subprocess.run([harness.panel_binary(), *args], capture_output=True, text=True,
                          timeout=30, env=env)


class CommandLineTest(harness.PanelTestCase):
    def test_version(self):
        result = run("--version")
        self.assertEqual((result.returncode, result.stdout, result.stderr),
                         (0, "varnoke 1.03\n", ""))

    def test_unknown_argument_is_one_line_and_status_2(self):
        for args in (["--frobnicate"], ["10.0.0.1"], ["-platform"]):
            result = run(*args, env=self.home.env(self.display))
            self.assertEqual(result.returncode, 2, args)
            self.assertEqual(len(result.stderr.splitlines()), 1, result.stderr)
            self.assertFalse(os.path.exists(self.home.settings_file))

    def test_no_display_is_one_line_and_status_1(self):
        env = {key: value for key, value in self.home.env(self.display).items()
               if key not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
        # None named, or one named whose server has gone (a DISPLAY left from another session).
        for case, extra in (("none", {}), ("stale", {"DISPLAY": ":999"})):
            with self.subTest(case):
                result = run(env={**env, **extra})
                self.assertEqual(result.returncode, 1)
                self.assertEqual(len(result.stderr.splitlines()), 1, result.stderr)
                self.assertIn("display", result.stderr)

    def test_toolkit_options_still_work(self):
        panel = self.start(args=("-platform", "xcb", "-display", self.display.name))
        panel.window()


if __name__ == "__main__":
    harness.main()
