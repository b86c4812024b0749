# SPDX-FileCopyrightText: 2026 The Varnoke developers
# SPDX-License-Identifier: MIT
"""The real panel under faults of its surroundings: settings it can't read or write, a full disk,
kills in the middle of a save, a termination signal at the second-panel prompt, a port someone
else holds, no network, a name that never resolves, addresses a resolver would misread, a megabyte
pasted into the address box, and settings values at their types' extremes.

Each case ends with the panel running (or closed by the operator with exit code 0), nothing lost
that was saved before, and no window on screen but the panel's own. A read-only program folder is
covered by test_startup.
"""

import os
import random
import re
import shutil
import signal
import socket
import statistics
import subprocess
import sys
import time

import harness

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
HEADER = "[HKEY_CURRENT_USER\\SOFTWARE\\Yorv\\Varnoke]"
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
    assert lines[:3] == ["REGEDIT4", "", HEADER], f"bad header {lines[:3]!r}"
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
            out.write("REGEDIT4\n\n" + HEADER + "\n" + "\n".join(lines) + "\n\n")

    def assert_only_the_panel(self, panel, window):
        """No message box or other window beside the panel, and the panel still running."""
        self.assertIsNone(panel.process.poll(), "the panel ended")
        shown = harness.top_level_windows(self.display.name)
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
            copied.append(harness.read_clipboard(self.display.name))
            return copied[-1] == expected
        try:
            harness.wait_for(copied_as_expected, timeout=5, what="the copied text")
        except AssertionError:
            self.assertEqual(copied[-1], expected)

    def round_trip(self, panel, window, suffix):
        """Seconds from a keystroke in the address box to its save: the window's responsiveness."""
        panel.click(window, *IP_BOX)
        panel.key(window, "End")
        before = self.home.settings().get("IP Address", "")
        started = time.monotonic()
        panel.xdotool("key", "--window", window, suffix)
        harness.wait_for(lambda: self.home.settings().get("IP Address") == before + suffix,
                         timeout=5, interval=0.005, what="the keystroke saved")
        return time.monotonic() - started

    def ip_box_colour(self, panel, window):
        x, y, _, _ = panel.geometry(window)
        return panel.pixel(x + IP_BOX_BLANK[0], y + IP_BOX_BLANK[1])

    def close(self, panel, window):
        panel.close_window(window)
        self.assertEqual(panel.wait(), 0)

    # --- the settings folder and file ----------------------------------------------------------

    def test_read_only_settings_folder_keeps_the_saved_file(self):
        unit = self.unit()
        self.home.seed(SAVED)
        before = snapshot(self.settings_folder)
        self.make_read_only(self.settings_folder)
        panel = self.start()
        window = panel.window()
        self.assertEqual(panel.geometry(window)[:2], SAVED_PLACE)
        panel.click(window, *RUN)
        self.assertEqual(unit.commands(1), [b"OR"])  # aimed at the saved address

        panel.click(window, *IP_BOX)
        panel.key(window, "End")
        panel.type(window, "99")
        panel.click(window, *FREQ_BOX)
        panel.key(window, "ctrl+a")
        panel.type(window, "5")
        self.assertEqual(unit.commands(1), [b"FR 5"])  # the failed saves held nothing up
        self.assert_box_text(panel, window, IP_BOX, harness.UNIT_ADDRESS + "99")
        self.assert_only_the_panel(panel, window)
        panel.xdotool("windowmove", window, "300", "200")
        self.close(panel, window)
        self.assertEqual(snapshot(self.settings_folder), before)

    def test_read_only_config_folder_without_settings(self):
        self.make_read_only(self.home.config)
        panel = self.start()
        window = panel.window()
        self.assert_box_text(panel, window, IP_BOX, DESIGN_ADDRESS)
        panel.key(window, "End")
        panel.type(window, "7")
        self.assert_box_text(panel, window, IP_BOX, DESIGN_ADDRESS + "7")
        self.assert_only_the_panel(panel, window)
        self.close(panel, window)
        self.assertEqual(os.listdir(self.home.config), [])

    def test_unreadable_settings_leave_the_design_values(self):
        # Things found where the settings file or its folder should be. None may stall, crash or
        # be replaced; the panel starts as designed and keeps working.
        def folder():
            os.mkdir(self.home.settings_file)
            with open(os.path.join(self.home.settings_file, "kept"), "w") as kept:
                kept.write("mine")

        def fifo():
            os.mkfifo(self.home.settings_file)

        def device():
            os.symlink("/dev/zero", self.home.settings_file)

        def huge():
            with open(self.home.settings_file, "wb") as sparse:
                sparse.write(b"REGEDIT4\r\n\r\n" + HEADER.encode() + b"\r\n")
                sparse.truncate(3 << 30)  # sparse: costs no disk, but no one should read it all

        def yorv_is_a_file():
            os.rmdir(self.settings_folder)
            with open(self.settings_folder, "w") as blocking:
                blocking.write("not a folder")

        def status(path):
            found = os.lstat(path)
            return (found.st_mode, found.st_size, found.st_ino, found.st_mtime_ns)

        for make in (folder, fifo, device, huge, yorv_is_a_file):
            with self.subTest(make.__name__):
                shutil.rmtree(self.home.config)
                os.makedirs(self.settings_folder)
                make()
                found = self.home.settings_file if make is not yorv_is_a_file \
                    else self.settings_folder
                before = status(found)
                panel = self.start()
                window = panel.window()
                self.assertEqual(panel.geometry(window)[:2], (0, 0))  # the first-start place
                self.assert_box_text(panel, window, IP_BOX, DESIGN_ADDRESS)
                panel.key(window, "End")
                panel.type(window, "1")
                self.assert_box_text(panel, window, IP_BOX, DESIGN_ADDRESS + "1")
                self.assert_only_the_panel(panel, window)
                self.close(panel, window)
                self.assertEqual(status(found), before)
                if make is folder:
                    with open(os.path.join(self.home.settings_file, "kept")) as kept:
                        self.assertEqual(kept.read(), "mine")
                if make is yorv_is_a_file:
                    with open(self.settings_folder) as blocking:
                        self.assertEqual(blocking.read(), "not a folder")

    def test_link_to_nowhere_gives_way_to_a_settings_file(self):
        # A link that leads nowhere holds nothing to lose: the first save puts a file in its place.
        os.makedirs(self.settings_folder)
        os.symlink(os.path.basename(self.home.settings_file), self.home.settings_file)  # a loop
        panel = self.start()
        window = panel.window()
        self.assert_box_text(panel, window, IP_BOX, DESIGN_ADDRESS)
        panel.key(window, "ctrl+a")
        panel.type(window, harness.UNIT_ADDRESS)
        self.assert_only_the_panel(panel, window)
        self.close(panel, window)
        self.assertFalse(os.path.islink(self.home.settings_file))
        values = strict_values(self.home.settings_file)
        self.assertEqual(text_of(values["IP Address"]), harness.UNIT_ADDRESS)
        self.assertEqual(text_of(values["Left"]), "0")

    def test_full_disk_keeps_the_old_file(self):
        unit = self.unit()
        self.mounted(self.settings_folder, "-t", "tmpfs", "-o", "size=64k,mode=0700", "varnoke")
        self.home.seed(SAVED)
        before = read_bytes(self.home.settings_file)
        filler = os.path.join(self.settings_folder, "filler")
        with open(filler, "wb", buffering=0) as fill:
            try:
                for _ in range(64):
                    fill.write(b"\0" * 4096)
                self.fail("the small file system never filled")
            except OSError:
                pass
        panel = self.start()
        window = panel.window()
        self.assertEqual(panel.geometry(window)[:2], SAVED_PLACE)
        panel.click(window, *IP_BOX)
        panel.key(window, "ctrl+a")
        panel.type(window, "10.1.2.3")
        panel.click(window, *FREQ_BOX)
        panel.key(window, "ctrl+a")
        panel.type(window, "7")
        self.assertEqual(unit.commands(1), [b"FR 7"])  # every save before it has been tried
        self.assertEqual(read_bytes(self.home.settings_file), before)
        self.assert_only_the_panel(panel, window)
        panel.xdotool("windowmove", window, "300", "200")
        self.close(panel, window)
        self.assertEqual(read_bytes(self.home.settings_file), before)
        self.assertEqual(sorted(os.listdir(self.settings_folder)),
                         ["Varnoke.reg", "Varnoke.reg.lock", "filler"])  # no half-written file

        # With room again, the saved values are all there to build on.
        os.unlink(filler)
        panel = self.start()
        window = panel.window()
        self.assertEqual(panel.geometry(window)[:2], SAVED_PLACE)
        panel.click(window, *IP_BOX)
        panel.key(window, "End")
        panel.type(window, "9")
        harness.wait_for(lambda: self.home.settings().get("IP Address") == "10.77.0.29",
                         what="the save once there is room")
        values = {name: text_of(value)
                  for name, value in strict_values(self.home.settings_file).items()}
        self.assertEqual(values, dict(SAVED, **{"IP Address": "10.77.0.29"}))

    def test_killed_while_saving_leaves_a_file_that_parses(self):
        # A bulky value of someone else's makes each save take long enough to be hit by a kill,
        # and must itself come through every save.
        kept = "".join(chr(32 + (n * 7) % 95) for n in range(1 << 18))
        self.home.seed(dict(SAVED, Kept=kept))
        seed = int(time.time())
        rng = random.Random(seed)
        ever_held = {harness.UNIT_ADDRESS}
        deadline = time.monotonic() + 45
        rounds = leftovers = changes = 0
        last = harness.UNIT_ADDRESS
        for rounds in range(1, 31):
            if time.monotonic() > deadline:
                break
            panel = self.start()
            if rng.random() < 0.2:
                # In the middle of start-up, where the saved address is written back.
                time.sleep(rng.uniform(0, 0.3))
            else:
                window = panel.window()
                typed = f"10.{rounds}.{rng.randrange(256)}.{rng.randrange(256)}"
                ever_held.update(typed[:n] for n in range(1, len(typed) + 1))
                panel.click(window, *IP_BOX)
                panel.key(window, "ctrl+a")
                # Through the keyboard itself rather than sent to the window, so that the typing
                # never trips over the window vanishing under it.
                typer = subprocess.Popen(["xdotool", "type", "--delay", "4", typed],
                                         env=panel.env, stderr=subprocess.DEVNULL)
                time.sleep(rng.uniform(0, 0.01 * len(typed)))
                panel.process.kill()
                typer.wait(timeout=30)
            panel.process.kill()
            panel.process.wait(timeout=10)

            context = f"round {rounds}, random seed {seed}"
            values = strict_values(self.home.settings_file)
            self.assertEqual(set(values), set(SAVED) | {"Kept"}, context)
            address = text_of(values["IP Address"])
            self.assertIn(address, ever_held, context)
            for name in ("Left", "Top", "Window state"):
                self.assertEqual(text_of(values[name]), SAVED[name], context)
            self.assertEqual(text_of(values["Kept"]), kept, context)
            self.assertEqual({name: text_of(value) for name, value in values.items()},
                             self.home.settings(), context)
            folder = os.listdir(self.settings_folder)
            self.assertFalse([name for name in folder if ".bad-" in name], context)
            # A save cut off before its rename.
            leftovers += any(name.startswith("Varnoke.reg.tmp") for name in folder)
            changes += address != last
            last = address
        print(f"{rounds} kills; the address changed after {changes}, a save was cut off in "
              f"{leftovers}", file=sys.stderr)
        self.assertGreaterEqual(rounds, 10, "too few rounds in the time given")

        # The panel still starts from what the kills left.
        panel = self.start()
        window = panel.window()
        self.assertEqual(panel.geometry(window)[:2], SAVED_PLACE)
        self.assert_only_the_panel(panel, window)

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

    # --- the network ---------------------------------------------------------------------------

    def test_port_taken_by_another_program(self):
        unit = self.unit()
        holder = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)  # no SO_REUSEADDR
        self.addCleanup(holder.close)
        holder.bind(("0.0.0.0", harness.PANEL_PORT))
        self.home.seed(SAVED)
        panel = self.start()
        window = panel.window()
        panel.click(window, *RUN)
        self.assertEqual(unit.commands(1), [b"OR"])
        panel.click(window, *FREQ_BOX)
        panel.key(window, "ctrl+a")
        panel.type(window, "42")
        self.assertEqual(unit.commands(2), [b"FR 4", b"FR 42"])
        unit.say(b"for the holder")  # the port's owner still gets what is sent to the port
        holder.settimeout(5)
        self.assertEqual(holder.recv(100), b"for the holder")
        self.assert_only_the_panel(panel, window)
        self.close(panel, window)
        self.assertEqual(self.home.settings()["Left"], "1500")

    def test_no_network_at_all(self):
        # Only loopback: the saved unit address has no route, every send fails.
        self.home.seed(SAVED)
        panel = self.start()
        started = time.monotonic()
        window = panel.window()
        for button in (RUN, MANUAL, STOP, PULSE):
            panel.click(window, *button)
        panel.click(window, *FREQ_BOX)
        panel.key(window, "ctrl+a")
        panel.type(window, "123.5")
        # The heartbeat goes on: the silent unit is marked lost about six seconds in.
        harness.wait_for(lambda: self.ip_box_colour(panel, window) == LOST_COLOUR, timeout=12,
                         interval=0.2, what="the lost-link tint")
        self.assertLess(time.monotonic() - started, 10)
        self.assertLess(max(self.round_trip(panel, window, key) for key in "123"), 1.0)
        self.assert_only_the_panel(panel, window)
        self.close(panel, window)

    def test_name_that_never_resolves(self):
        # A name server that takes every question and answers none: each look-up hangs until the
        # resolver gives up. The window must not wait for it.
        black_hole = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        self.addCleanup(black_hole.close)
        black_hole.bind(("127.0.0.1", 53))
        resolv = os.path.join(self.home.root, "resolv.conf")
        with open(resolv, "w") as conf:
            conf.write("nameserver 127.0.0.1\noptions timeout:5 attempts:3\n")
        mount("--bind", resolv, "/etc/resolv.conf")
        self.addCleanup(subprocess.run, ["umount", "-l", "/etc/resolv.conf"], capture_output=True)

        self.home.seed(dict(SAVED, **{"IP Address": "unit.invalid"}))  # 12 characters: taken
        panel = self.start()
        window = panel.window()
        for button in (RUN, PULSE, STOP, MANUAL):
            panel.click(window, *button)
        panel.click(window, *FREQ_BOX)
        panel.key(window, "ctrl+a")
        panel.type(window, "98765.4321")
        black_hole.settimeout(5)
        self.assertIn(b"invalid", black_hole.recv(512))  # the look-up is really waiting
        times = [self.round_trip(panel, window, key) for key in "abcde"]
        print(f"keystroke to save with a hanging look-up: median {statistics.median(times):.3f} s,"
              f" worst {max(times):.3f} s", file=sys.stderr)
        self.assertLess(max(times), 1.0)
        self.assert_box_text(panel, window, IP_BOX, "unit.invalidabcde")
        self.assert_only_the_panel(panel, window)
        closing = time.monotonic()
        self.close(panel, window)  # not held up by the look-up still running
        self.assertLess(time.monotonic() - closing, 3)

    def test_address_read_as_the_operator_reads_it(self):
        # Four decimal parts, leading zeros and all. Read as octal this would be 8.63.0.2, which
        # has no route here.
        unit = self.unit()
        self.home.seed(dict(SAVED, **{"IP Address": "010.077.000.002"}))
        panel = self.start()
        window = panel.window()
        panel.click(window, *RUN)
        self.assertEqual(unit.commands(1), [b"OR"])
        self.close(panel, window)

        # Each of these a resolver reads as the unit's address, which is not what the box shows:
        # nothing goes out, the link shows lost, and one line says why.
        for shorthand in ("0xa.77.0.2", "10.77.0x0.2", "10.5046274", "172818434"):
            with self.subTest(shorthand):
                self.home.seed(dict(SAVED, **{"IP Address": shorthand}))
                panel = self.start()
                window = panel.window()
                panel.click(window, *RUN)
                panel.click(window, *FREQ_BOX)
                panel.key(window, "ctrl+a")
                panel.type(window, "5")
                self.assertEqual(unit.commands(1, timeout=1), [])
                if shorthand == "0xa.77.0.2":
                    harness.wait_for(lambda: self.ip_box_colour(panel, window) == LOST_COLOUR,
                                     timeout=12, interval=0.2, what="the lost-link tint")
                self.assert_only_the_panel(panel, window)
                self.close(panel, window)
                _, err = panel.stop()
                said = [line for line in err.splitlines() if "varnoke.link" in line]
                self.assertEqual(len(said), 1, err)
                self.assertIn(shorthand, said[0])

    # --- hostile input -------------------------------------------------------------------------

    def test_megabyte_pasted_into_the_address_box(self):
        self.home.seed(SAVED)
        pattern = '10.77.0.2 "quoted" back\\slash ~!@#$%^&*()_+{}|:<>?'
        pasted = (pattern * ((1 << 20) // len(pattern) + 1))[:1 << 20]
        panel = self.start()
        window = panel.window()
        clipboard = harness.Clipboard(self.display, pasted, self.home.root)
        self.addCleanup(clipboard.close)
        panel.click(window, *IP_BOX)
        panel.key(window, "ctrl+a", "ctrl+v")
        harness.wait_for(lambda: self.home.settings().get("IP Address") == pasted, timeout=30,
                         interval=0.2, what="the pasted text saved")
        clipboard.close()  # what is copied from here on is the panel's own
        self.assertLess(self.round_trip(panel, window, "x"), 2.0)
        values = strict_values(self.home.settings_file)
        self.assertEqual(text_of(values["IP Address"]), pasted + "x")
        self.assertEqual(text_of(values["Left"]), "1500")
        self.assert_only_the_panel(panel, window)
        self.close(panel, window)

        # Far too long for an address: the next start keeps the design's and saves nothing over
        # the pasted text.
        panel = self.start()
        window = panel.window()
        self.assertEqual(panel.geometry(window)[:2], SAVED_PLACE)
        self.assert_box_text(panel, window, IP_BOX, DESIGN_ADDRESS)
        self.assertEqual(text_of(strict_values(self.home.settings_file)["IP Address"]),
                         pasted + "x")
        self.assert_only_the_panel(panel, window)
        self.close(panel, window)

    def test_settings_values_at_their_extremes(self):
        def sz(text):
            return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'

        def hex_of(kind, data):
            return (f"hex({kind:x}):" if kind != 3 else "hex:") + ",".join(f"{b:02x}" for b in data)

        dwords = {f"dword {n}": {name: f"dword:{n}" for name in SAVED}
                  for n in ("ffffffff", "00000000", "80000000")}
        cases = {
            # The read takes 1024 bytes and no more; the quoted form stores a terminating NUL.
            "at the read limit": {"IP Address": sz("a" * 1023), "Left": sz("1" * 1024),
                                  "Top": hex_of(1, b"7" * 1024),
                                  "Window state": hex_of(1, b"2" * 1025)},
            "empty": {"IP Address": sz(""), "Left": sz(""), "Top": hex_of(1, b""),
                      "Window state": sz("")},
            "NULs inside strings": {"IP Address": hex_of(1, b"10.77\0.0.2\0\0"),
                                    "Left": hex_of(1, b"1500\0009"), "Top": hex_of(1, b"\0\0\0"),
                                    "Window state": hex_of(1, b"0\0")},
            **dwords,
            "other types, odd sizes": {"IP Address": hex_of(2, b"10.77.0.2"),
                                       "Left": hex_of(7, b"1\0002"), "Top": hex_of(3, b"\1\2\3"),
                                       "Window state": hex_of(0xb, b"\1\2\3\4\5")},
            "other types, too long": {"IP Address": hex_of(0xb, b"\xff" * 8),
                                      "Left": hex_of(2, b"9" * 1025), "Top": hex_of(7, b""),
                                      "Window state": hex_of(0x7fffffff, b"\0")},
            "single-precision extremes": {"IP Address": sz("NaN"), "Left": sz("3.4e38"),
                                          "Top": sz("-3.4e38"), "Window state": sz("32768")},
            "smallest and not numbers": {"IP Address": sz("3.4028235e+38"), "Left": sz("1e-45"),
                                         "Top": sz("NaN"), "Window state": sz("-1")},
            "beyond double": {"IP Address": sz(" " * 1000 + "x"), "Left": sz("-1e400"),
                              "Top": sz("1e400"), "Window state": sz("3")},
        }
        for case, lines in cases.items():
            with self.subTest(case):
                self.seed_raw([f"{sz(name)}={data}" for name, data in lines.items()])
                seeded = strict_values(self.home.settings_file)
                panel = self.start()
                window = panel.window()
                x, y, width, height = panel.geometry(window)
                self.assertTrue(x < SCREEN[0] and y < SCREEN[1] and x + width > 0
                                and y + height > 0, f"off screen at {x}, {y}")
                self.assert_only_the_panel(panel, window)
                self.close(panel, window)

                saved = strict_values(self.home.settings_file)
                self.assertEqual(set(saved), set(SAVED))
                for name in ("Left", "Top"):
                    twips = float(text_of(saved[name]))
                    self.assertTrue(-15 * SCREEN[0] < twips < 15 * SCREEN[0], f"{name} {twips}")
                self.assertIn(text_of(saved["Window state"]), ("0", "1", "2"))
                # The address is saved back only when start-up took it (8 to 15 characters).
                address = seeded["IP Address"]
                if address[0] in (REG_SZ, REG_DWORD) and saved["IP Address"] != address:
                    kind, data = saved["IP Address"]
                    self.assertEqual(kind, REG_SZ)
                    self.assertTrue(8 <= len(data.rstrip(b"\0").strip(b" ")) <= 15, data)
                else:
                    self.assertEqual(saved["IP Address"], address)

                # What was saved brings the panel back to the same place.
                again = self.start()
                window = again.window()
                self.assertEqual(again.geometry(window)[:2], (x, y))
                self.close(again, window)


if __name__ == "__main__":
    harness.main()
