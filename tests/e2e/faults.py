# SPDX-FileCopyrightText: 2026 The Varnoke developers
# SPDX-License-Identifier: MIT
"""What the fault tests share: where the controls sit, the settings file read strictly, and a
test case that can mount over folders, seed raw settings and look at the screen as the operator
does."""

import os
import re
import shutil
import subprocess

import harness
import x11

# Where the controls sit in the window's client area, in pixels (the design's twips / 15).
RUN = (31, 93)
MANUAL = (31, 113)
STOP = (31, 133)
PULSE = (31, 153)
IP_BOX = (60, 40)
IP_BOX_BLANK = (101, 40)
FREQ_BOX = (220, 117)

DESIGN_ADDRESS = "192.168.1.158"
LOST_COLOUR = (255, 208, 208)
SCREEN = (1024, 768)  # harness.Display's default
REG_SZ, REG_DWORD = 1, 4

# A panel that started well before this and is placed at Left 1500, Top 750.
SAVED = {"IP Address": harness.UNIT_ADDRESS, "Left": "1500", "Top": "750", "Window state": "0"}
SAVED_PLACE = (100, 50)


def strict_values(path):
    """The file's values as {name: (type, bytes)}, held to the exact form the panel writes.

    Stricter than Home.settings(): the header must be whole, every line one complete value of a
    known form, no name twice, the last line ended. Anything else fails the test.
    """
    with open(path, "rb") as file:
        raw = file.read()
    assert all(byte < 0x80 for byte in raw), "the file holds bytes beyond ASCII"
    text = raw.decode("ascii")
    if "\r\n" in text:  # as a person or harness.seed writes it
        text = text.replace("\r\n", "\n")
    assert "\r" not in text, "a stray carriage return"
    assert text.endswith("\n"), "the last line is cut short"
    lines = text[:-1].split("\n")
    assert lines[:3] == harness.regedit4().split("\n")[:3], f"bad header {lines[:3]!r}"
    values = {}
    body = lines[3:]
    while body and body[-1] == "":
        body.pop()
    i = 0
    while i < len(body):
        line = body[i]
        i += 1
        while line.endswith(",\\"):
            assert i < len(body) and body[i].startswith("  "), "a broken continuation"
            line = line[:-1] + body[i].strip()
            i += 1
        match = re.fullmatch(r'"((?:[^"\\]|\\[\\"])*)"=(.*)', line)
        assert match, f"not a value line: {line[:80]!r}"
        name = re.sub(r"\\(.)", r"\1", match.group(1))
        data = match.group(2)
        assert name.lower() not in (known.lower() for known in values), f"{name!r} twice"
        if (quoted := re.fullmatch(r'"((?:[^"\\]|\\[\\"])*)"', data)) is not None:
            values[name] = (REG_SZ, re.sub(r"\\(.)", r"\1", quoted.group(1)).encode() + b"\0")
        elif (dword := re.fullmatch(r"dword:([0-9a-f]{8})", data)) is not None:
            values[name] = (REG_DWORD, int(dword.group(1), 16).to_bytes(4, "little"))
        else:
            hexed = re.fullmatch(r"hex(?:\(([0-9a-f]+)\))?:((?:[0-9a-f]{2}(?:,[0-9a-f]{2})*)?)",
                                 data)
            assert hexed, f"not a value: {data[:80]!r}"
            kind = int(hexed.group(1), 16) if hexed.group(1) else 3
            values[name] = (kind, bytes.fromhex(hexed.group(2).replace(",", "")))
    return values


def text_of(value):
    """A string value's text, as the panel reads it back."""
    kind, data = value
    assert kind == REG_SZ, f"type {kind}, not a string"
    return (data[:-1] if data.endswith(b"\0") else data).decode("cp1252")


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
            out.write(harness.regedit4(lines))

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
