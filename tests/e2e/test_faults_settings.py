# SPDX-FileCopyrightText: 2026 The Varnoke developers
# SPDX-License-Identifier: MIT
"""The real panel under faults of its settings: folders and files it can't read or write, links,
a full disk, another writer on a file system that keeps whole seconds, a lock held by another
program, a parent key's export, and values at their types' extremes. Writers killed in the middle
of a save are tst_settingsprocesses' part.

Each case ends with the panel running (or closed by the operator with exit code 0), nothing lost
that was saved before, and no window on screen but the panel's own. A read-only program folder is
covered by test_startup.
"""

import fcntl
import os
import shutil
import subprocess

import faults
from faults import DESIGN_ADDRESS, SAVED, SAVED_PLACE, SCREEN, read_bytes, snapshot
import harness
from harness import FREQ_BOX, IP_BOX, RUN
from settings_file import REG_DWORD, REG_SZ, regedit4, text_of, values


class SettingsFaultTest(faults.FaultTest):
    def edit_design_address_and_close(self, panel, window, key):
        """A panel that started as designed takes an edit of its address, whatever became of the
        save, and closes cleanly with no window left but its own."""
        self.assert_box_text(panel, window, IP_BOX, DESIGN_ADDRESS)
        panel.key(window, "End")
        panel.type(window, key)
        self.assert_box_text(panel, window, IP_BOX, DESIGN_ADDRESS + key)
        self.assert_only_the_panel(panel, window)
        self.close(panel, window)

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
        panel.retype(window, FREQ_BOX, "5")
        self.assertEqual(unit.commands(1), [b"FR 5"])  # the failed saves held nothing up
        self.assert_box_text(panel, window, IP_BOX, harness.UNIT_ADDRESS + "99")
        self.assert_only_the_panel(panel, window)
        panel.xdotool("windowmove", window, "300", "200")
        self.close(panel, window)
        self.assertEqual(snapshot(self.settings_folder), before)
        said = [line for line in panel.stop()[1].splitlines() if "varnoke.settings" in line]
        self.assertEqual(len([line for line in said if "not writable" in line]), 1, said)

    def test_read_only_config_folder_without_settings(self):
        self.make_read_only(self.home.config)
        panel = self.start()
        window = panel.window()
        self.edit_design_address_and_close(panel, window, "7")
        self.assertEqual(os.listdir(self.home.config), [])

    def test_unreadable_settings_leave_the_design_values(self):
        # Things found where the settings file or its folder should be. None may stall or crash;
        # the panel starts as designed and keeps working. A folder or FIFO in the file's place is
        # set aside by the first save, which starts a fresh file; nothing else is replaced.
        def folder():
            os.mkdir(self.home.settings_file)
            with open(os.path.join(self.home.settings_file, "kept"), "w") as kept:
                kept.write("mine")

        def fifo():
            os.mkfifo(self.home.settings_file)

        def device():
            os.symlink("/dev/zero", self.home.settings_file)

        def huge():
            with open(self.home.settings_file, "w", newline="\r\n") as sparse:
                sparse.write(regedit4())
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
                self.edit_design_address_and_close(panel, window, "1")
                if make in (folder, fifo):
                    found = os.path.join(self.settings_folder, next(
                        name for name in os.listdir(self.settings_folder) if ".bad-" in name))
                    self.assertEqual(self.home.settings()["IP Address"], DESIGN_ADDRESS + "1")
                self.assertEqual(status(found), before)
                if make is folder:
                    with open(os.path.join(found, "kept")) as kept:
                        self.assertEqual(kept.read(), "mine")
                if make is yorv_is_a_file:
                    with open(self.settings_folder) as blocking:
                        self.assertEqual(blocking.read(), "not a folder")

    def test_settings_link_stays_a_link(self):
        # A dotfiles folder not filled yet, a file there that is not a registry file, and a link
        # that leads round to itself, which holds nothing and gives way to a file.
        dotfiles = os.path.join(self.home.home, "dotfiles")
        for case in ("not made yet", "not a registry file", "a loop"):
            with self.subTest(case):
                for folder in (self.settings_folder, dotfiles):
                    shutil.rmtree(folder, ignore_errors=True)
                os.makedirs(self.settings_folder)
                os.symlink("Varnoke.reg" if case == "a loop" else "../../dotfiles/Varnoke.reg",
                           self.home.settings_file)
                if case == "not a registry file":
                    os.makedirs(dotfiles)
                    with open(os.path.join(dotfiles, "Varnoke.reg"), "w") as foreign:
                        foreign.write("IP=10.0.0.1\n")
                panel = self.start()
                window = panel.window()
                panel.retype(window, IP_BOX, harness.UNIT_ADDRESS)
                self.close(panel, window)
                self.assertEqual(os.path.islink(self.home.settings_file), case != "a loop")
                self.assertEqual(self.home.settings()["IP Address"], harness.UNIT_ADDRESS)
                if case != "a loop":  # a folder made is the user's alone; a bad file kept beside
                    self.assertEqual((os.stat(dotfiles).st_mode & 0o777, len(os.listdir(dotfiles))),
                                     (0o700, 1) if case == "not made yet" else (0o755, 2))

    def test_parent_key_export_keeps_every_other_key(self):
        # The registry editor's export of HKEY_CURRENT_USER\SOFTWARE\Yorv: that key, the panel's
        # own below it, a key of its own below that, and a key's deletion.
        def export(own):
            return "\ufeff" + "\r\n".join([
                "Windows Registry Editor Version 5.00", "",
                "[HKEY_CURRENT_USER\\SOFTWARE\\Yorv]", '"IP Address"="10.77.0.99"', "",
                "[HKEY_CURRENT_USER\\Software\\Yorv\\varnoke]", *own, "",
                "[-HKEY_CURRENT_USER\\SOFTWARE\\Yorv\\Old]", "",
                "[HKEY_CURRENT_USER\\SOFTWARE\\Yorv\\Varnoke\\Tools]", '"Left"="7"', "", ""])

        unit = self.unit()
        os.makedirs(self.settings_folder)
        with open(self.home.settings_file, "w", encoding="utf-16-le", newline="") as out:
            out.write(export(['"IP Address"="10.77.0.2"']))
        panel = self.start()
        window = panel.window()
        panel.click(window, *RUN)
        self.assertEqual(unit.commands(1), [b"OR"])  # the address of the panel's own key
        x, y, _, _ = panel.geometry(window)
        self.close(panel, window)
        with open(self.home.settings_file, encoding="utf-16-le", newline="") as saved:
            self.assertEqual(saved.read(), export(['"IP Address"="10.77.0.2"', f'"Left"="{x * 15}"',
                                                   f'"Top"="{y * 15}"', '"Window state"="0"']))

    def test_two_panels_on_a_whole_second_file_system(self):
        # ext4 with 128-byte inodes keeps whole seconds and gives a freed inode number back, so
        # another writer's file can look the same as the one a panel saved a moment before.
        harness.skip_unless_root(self, "mounting a file system image")
        image = os.path.join(self.home.root, "whole-seconds.img")
        try:
            subprocess.run(["mkfs.ext4", "-q", "-I", "128", image, "8M"], check=True,
                           capture_output=True)
            self.mounted(self.settings_folder, "-o", "loop", image)
        except (OSError, subprocess.CalledProcessError) as refused:
            self.skipTest(f"no loop-mounted ext4 image here: {refused}")
        self.home.seed(dict(SAVED, Note="abc"))
        first = self.start()
        a = first.window()
        second = self.start()
        second.answer("Glimra", "Return")
        b = harness.wait_for(lambda: set(first.xdotool("search", "--onlyvisible", "--name",
                                                        harness.TITLE, check=False).split()) - {a},
                             what="the second panel").pop()
        first.xdotool("windowmove", a, "300", "200")
        second.xdotool("windowmove", b, "500", "400")

        def typed(panel, window, keys, address):
            panel.click(window, *IP_BOX)
            panel.key(window, "End")
            panel.type(window, keys)
            harness.wait_for(lambda: self.home.settings().get("IP Address") == address,
                             what=f"{address} saved")

        typed(first, a, "9", "10.77.0.29")
        with open(self.home.settings_file, "r+b") as editor:  # in place, at the same size
            editor.seek(read_bytes(self.home.settings_file).index(b'"Note"="abc"') + 8)
            editor.write(b"xyz")
        typed(first, a, "1", "10.77.0.291")
        typed(second, b, "77", "10.77.0.277")
        self.close(first, a)
        self.assertEqual(self.home.settings(), dict(SAVED, **{
            "IP Address": "10.77.0.277", "Note": "xyz", "Left": "4500", "Top": "3000"}))

    def test_lock_held_by_another_program_holds_up_saves_not_the_window(self):
        def threads():
            return len(os.listdir(f"/proc/{panel.process.pid}/task"))

        unit = self.unit()
        self.home.seed(SAVED)
        lock = open(self.home.settings_file + ".lock", "ab")  # as any program of the user's could
        self.addCleanup(lock.close)
        fcntl.flock(lock, fcntl.LOCK_EX)
        panel = self.start()
        window = panel.window()
        before = threads()
        panel.click(window, *IP_BOX)
        panel.key(window, "End")
        panel.type(window, "123")
        panel.click(window, *RUN)
        self.assertEqual(unit.commands(1), [b"OR"])
        self.assertLessEqual(threads(), before)
        fcntl.flock(lock, fcntl.LOCK_UN)  # the waiting save goes through on its own
        harness.wait_for(lambda: self.home.settings()["IP Address"] == harness.UNIT_ADDRESS + "123",
                         what="the waiting save")
        fcntl.flock(lock, fcntl.LOCK_EX)
        panel.xdotool("windowmove", window, "300", "200")
        harness.wait_for(lambda: panel.geometry(window)[:2] == (300, 200), what="the move")
        self.close(panel, window)
        said = [line for line in panel.stop()[1].splitlines() if "varnoke.settings" in line]
        self.assertEqual(len(said), 2, said)
        self.assertIn("not saved on closing", said[1])

    def test_full_disk_then_freed(self):
        # The settings folder is full while the operator types and has room again before the
        # close: meanwhile the old file stays whole, and nothing typed is lost.
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
        panel.retype(window, IP_BOX, "10.1.2.3")
        panel.retype(window, FREQ_BOX, "7")
        self.assertEqual(unit.commands(1), [b"FR 7"])  # every save before it has been tried
        self.assertEqual(read_bytes(self.home.settings_file), before)
        self.assert_only_the_panel(panel, window)
        os.unlink(filler)
        panel.xdotool("windowmove", window, "300", "200")
        harness.wait_for(lambda: panel.geometry(window)[:2] == (300, 200), what="the move")
        self.close(panel, window)
        self.assertEqual(self.home.settings(), dict(SAVED, **{
            "IP Address": "10.1.2.3", "Left": "4500", "Top": "3000"}))
        self.assertEqual(sorted(os.listdir(self.settings_folder)),
                         ["Varnoke.reg", "Varnoke.reg.lock"])  # no half-written file

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
                seeded = values(self.home.settings_file)
                panel = self.start()
                window = panel.window()
                x, y, width, height = panel.geometry(window)
                self.assertTrue(x < SCREEN[0] and y < SCREEN[1] and x + width > 0
                                and y + height > 0, f"off screen at {x}, {y}")
                self.assert_only_the_panel(panel, window)
                self.close(panel, window)

                saved = values(self.home.settings_file)
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
