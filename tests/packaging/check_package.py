#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 The Varnoke developers
# SPDX-License-Identifier: MIT
"""Builds the Debian package from a finished build tree into a temporary folder and checks what an
installing machine will see: the files and their kinds, the control fields, and that the desktop
entry and the AppStream metainfo validate.

Usage: check_package.py <build dir> <cpack> <version>
"""

import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest
import xml.etree.ElementTree as ET

SKIP = 77
APP_ID = "org.yorv.Varnoke"
PROGRAM_DIR = "/opt/varnoke"


def run(*command, cwd=None):
    result = subprocess.run(command, cwd=cwd, capture_output=True, text=True, timeout=300)
    if result.returncode != 0:
        raise AssertionError(f"{' '.join(command)} failed ({result.returncode}):\n"
                             f"{result.stdout}{result.stderr}")
    return result.stdout


def parse_listing(listing):
    """dpkg-deb -c lines -> {path: (mode, owner, size, link target or None)}"""
    entries = {}
    for line in listing.splitlines():
        fields = line.split(None, 5)
        mode, owner, size, name = fields[0], fields[1], int(fields[2]), fields[5]
        target = None
        if mode.startswith("l"):
            name, target = name.split(" -> ", 1)
        entries[name.removeprefix(".").rstrip("/") or "/"] = (mode, owner, size, target)
    return entries


class Package(unittest.TestCase):
    build_dir = cpack = version = None

    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.mkdtemp(prefix="varnoke-package-")
        run(cls.cpack, "-G", "DEB", "-B", cls.tmp, "--config",
            os.path.join(cls.build_dir, "CPackConfig.cmake"), cwd=cls.build_dir)
        debs = [f for f in os.listdir(cls.tmp) if f.endswith(".deb")]
        if len(debs) != 1:
            raise AssertionError(f"expected one package, found {debs}")
        cls.deb = os.path.join(cls.tmp, debs[0])
        cls.entries = parse_listing(run("dpkg-deb", "-c", cls.deb))
        cls.root = os.path.join(cls.tmp, "root")
        run("dpkg-deb", "-x", cls.deb, cls.root)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.tmp, ignore_errors=True)

    def field(self, name):
        return run("dpkg-deb", "-f", self.deb, name).strip()

    def test_files(self):
        regular = {
            f"{PROGRAM_DIR}/varnoke": 1000,
            f"{PROGRAM_DIR}/ConnectionLost.wav": 1000,
            f"{PROGRAM_DIR}/ConnectedNow.wav": 1000,
            f"/usr/share/applications/{APP_ID}.desktop": 1,
            f"/usr/share/metainfo/{APP_ID}.metainfo.xml": 1,
            f"/usr/share/icons/hicolor/scalable/apps/{APP_ID}.svg": 1,
            "/usr/share/doc/varnoke/copyright": 1,
        }
        for size in (48, 64, 128, 256):
            regular[f"/usr/share/icons/hicolor/{size}x{size}/apps/{APP_ID}.png"] = 1
        for path, least in regular.items():
            with self.subTest(path=path):
                self.assertIn(path, self.entries)
                mode, owner, size, _ = self.entries[path]
                self.assertTrue(mode.startswith("-"), mode)
                self.assertEqual(owner, "root/root")
                self.assertGreaterEqual(size, least)
        self.assertEqual(self.entries[f"{PROGRAM_DIR}/varnoke"][0], "-rwxr-xr-x")

        mode, _, _, target = self.entries["/usr/bin/varnoke"]
        self.assertTrue(mode.startswith("l"), mode)
        self.assertEqual(target, f"{PROGRAM_DIR}/varnoke")

        # Nothing of the plain install layout leaks in beside the link.
        self.assertEqual([p for p in self.entries if p.startswith("/usr/bin/")], ["/usr/bin/varnoke"])

    def test_control(self):
        self.assertEqual(self.field("Package"), "varnoke")
        self.assertEqual(self.field("Version"), self.version)
        self.assertTrue(self.field("Maintainer"))
        self.assertTrue(self.field("Description"))
        self.assertIn("qt6-wayland", self.field("Recommends"))
        depends = {re.split(r"[ (]", d.strip())[0] for d in self.field("Depends").split(",")}
        for needed in ("sound-theme-freedesktop", "libqt6core6", "libqt6gui6", "libqt6widgets6",
                       "libcanberra0"):
            with self.subTest(package=needed):
                self.assertIn(needed, depends)

    def test_desktop_entry(self):
        path = os.path.join(self.root, f"usr/share/applications/{APP_ID}.desktop")
        run("desktop-file-validate", path)
        with open(path, encoding="utf-8") as f:
            keys = dict(line.split("=", 1) for line in f.read().splitlines() if "=" in line)
        self.assertEqual(keys["Exec"], "varnoke")
        self.assertEqual(keys["Icon"], APP_ID)

    def test_metainfo(self):
        path = os.path.join(self.root, f"usr/share/metainfo/{APP_ID}.metainfo.xml")
        run("appstreamcli", "validate", "--no-net", path)
        component = ET.parse(path).getroot()
        self.assertEqual(component.findtext("id"), APP_ID)
        self.assertEqual(component.findtext("launchable"), f"{APP_ID}.desktop")
        self.assertEqual([r.get("version") for r in component.iter("release")][:1], [self.version])


if __name__ == "__main__":
    missing = [t for t in ("dpkg-deb", "desktop-file-validate", "appstreamcli") if not shutil.which(t)]
    if missing:
        print("skipped: this machine lacks", ", ".join(missing))
        sys.exit(SKIP)
    Package.build_dir, Package.cpack, Package.version = sys.argv[1:4]
    unittest.main(argv=sys.argv[:1], verbosity=2)
