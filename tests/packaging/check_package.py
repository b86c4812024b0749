#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 The Varnoke developers
# SPDX-License-Identifier: MIT
"""Builds the Debian package from a finished build tree into a temporary folder and checks what an
installing machine will see: the files and their kinds, the control fields, the documents, the
sounds, that the desktop entry and the AppStream metainfo validate, that lintian finds nothing to
complain about, that the program is hardened, and that installing and purging it in a throw-away
dpkg root leaves every directory it found as it was.

Usage: check_package.py <build dir> <cpack> <cmake> <version>
"""

import array
import email.utils
import gzip
import io
import json
import os
import re
import shutil
import subprocess
import sys
import tarfile
import tempfile
import unittest
import wave
import xml.etree.ElementTree as ET

SKIP = 77
APP_ID = "org.yorv.Varnoke"
PROGRAM_DIR = "/usr/lib/varnoke"
TOOLS = ("dpkg-deb", "dpkg", "desktop-file-validate", "appstreamcli", "lintian",
         "hardening-check", "man")


def run(*command, cwd=None, env=None):
    result = subprocess.run(command, cwd=cwd, env=env, capture_output=True, text=True,
                            timeout=300)
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


def snapshot(root):
    """Every path below root but dpkg's own database, with its kind and, for files, content."""
    found = {}
    for folder, dirs, files in os.walk(root):
        relative = os.path.relpath(folder, root)
        if relative == "var/lib/dpkg" or relative.startswith(("var/lib/dpkg/", "var/log")):
            continue
        found[relative] = "dir"
        for name in files:
            path = os.path.join(folder, name)
            with open(path, "rb") as f:
                found[os.path.relpath(path, root)] = f.read()
    return found


class Package(unittest.TestCase):
    build_dir = cpack = cmake = version = None

    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.mkdtemp(prefix="varnoke-package-")
        # Packed by someone who keeps their files to themselves: the package must not show it.
        umask = os.umask(0o077)
        try:
            run(cls.cpack, "-G", "DEB", "-B", cls.tmp, "--config",
                os.path.join(cls.build_dir, "CPackConfig.cmake"), cwd=cls.build_dir)
        finally:
            os.umask(umask)
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
            "/usr/share/man/man1/varnoke.1.gz": 1,
            "/usr/share/doc/varnoke/copyright": 1,
            "/usr/share/doc/varnoke/changelog.gz": 1,
            "/usr/share/doc/varnoke/README.md": 1,
            "/usr/share/doc/varnoke/docs/panel.png": 1,  # the README shows it
        }
        for size in (32, 48, 64, 128, 256):
            regular[f"/usr/share/icons/hicolor/{size}x{size}/apps/{APP_ID}.png"] = 1
        for path, least in regular.items():
            with self.subTest(path=path):
                self.assertIn(path, self.entries)
                mode, owner, size, _ = self.entries[path]
                self.assertTrue(mode.startswith("-"), mode)
                self.assertEqual(owner, "root/root")
                self.assertGreaterEqual(size, least)
        self.assertEqual(self.entries[f"{PROGRAM_DIR}/varnoke"][0], "-rwxr-xr-x")

        # A relative link, so it also resolves inside an unpacked or relocated tree.
        mode, _, _, target = self.entries["/usr/bin/varnoke"]
        self.assertTrue(mode.startswith("l"), mode)
        self.assertEqual(target, "../lib/varnoke/varnoke")
        self.assertEqual(os.path.realpath(os.path.join(self.root, "usr/bin/varnoke")),
                         os.path.join(self.root, "usr/lib/varnoke/varnoke"))

        self.assertEqual({e[0] for e in self.entries.values() if e[0].startswith("d")},
                         {"drwxr-xr-x"})
        # Nothing outside /usr (no /opt entry at all), one program, and every file is expected.
        self.assertEqual([p for p in self.entries if not p.startswith("/usr")], [])
        self.assertEqual([p for p in self.entries if p.startswith("/usr/bin/")], ["/usr/bin/varnoke"])
        files = {p for p, e in self.entries.items() if not e[0].startswith("d")}
        self.assertEqual(files - set(regular), {"/usr/bin/varnoke"})

    def test_plain_install_has_the_package_layout(self):
        prefix = os.path.join(self.tmp, "prefix")
        run(self.cmake, "--install", self.build_dir, "--prefix", prefix)
        installed = set()
        for folder, dirs, files in os.walk(prefix):
            installed.update(os.path.relpath(os.path.join(folder, name), prefix)
                             for name in dirs + files)
        packaged = {p.removeprefix("/usr/") for p in self.entries if p.startswith("/usr/")}
        self.assertEqual(installed, packaged)
        self.assertEqual(os.readlink(os.path.join(prefix, "bin/varnoke")), "../lib/varnoke/varnoke")

    def test_every_time_is_the_changelogs(self):
        # Not the build's: the same sources give the same package, byte for byte.
        with gzip.open(os.path.join(self.root, "usr/share/doc/varnoke/changelog.gz"), "rt") as f:
            signed = next(line for line in f if line.startswith(" -- "))
        when = email.utils.parsedate_to_datetime(signed.split(">  ", 1)[1]).timestamp()
        found = set()
        for part in ("--fsys-tarfile", "--ctrl-tarfile"):
            tar = subprocess.run(["dpkg-deb", part, self.deb], capture_output=True, check=True)
            with tarfile.open(fileobj=io.BytesIO(tar.stdout)) as archive:
                found |= {(member.name, member.mtime) for member in archive}
        self.assertEqual({name for name, mtime in found if mtime != when}, set())

    def test_control(self):
        self.assertEqual(self.field("Package"), "varnoke")
        self.assertEqual(self.field("Version"), self.version)
        self.assertTrue(self.field("Maintainer"))
        self.assertTrue(self.field("Description"))

        def names(text):
            return {re.split(r"[ (]", d.strip())[0] for d in text.split(",") if d.strip()}

        depends = names(self.field("Depends"))
        # Found by dpkg-shlibdeps: without it the package would install and fail to start.
        for needed in ("libqt6core6", "libqt6gui6", "libqt6widgets6", "libc6",
                       "libcanberra0"):
            with self.subTest(package=needed):
                self.assertIn(needed, depends)
        # The program runs without the sound theme: it only loses the fallback sounds.
        recommends = names(self.field("Recommends"))
        self.assertEqual({"sound-theme-freedesktop", "qt6-wayland"} - recommends, set())
        self.assertNotIn("sound-theme-freedesktop", depends)

    def test_documents(self):
        # Compressed as dh_compress does: the maximum level, no name or time in the header.
        for path in ("usr/share/man/man1/varnoke.1.gz", "usr/share/doc/varnoke/changelog.gz"):
            with self.subTest(path=path), open(os.path.join(self.root, path), "rb") as f:
                header = f.read(10)
                self.assertEqual(header[:3], b"\x1f\x8b\x08")
                self.assertEqual(header[3] & 0x08, 0, "file name stored")
                self.assertEqual(header[4:8], b"\0\0\0\0", "time stored")
                self.assertEqual(header[8], 2, "not compressed with -9")

        # The newest changelog entry is the version being packaged.
        with gzip.open(os.path.join(self.root, "usr/share/doc/varnoke/changelog.gz"), "rt") as f:
            first = f.readline()
        self.assertRegex(first, rf"^varnoke \({re.escape(self.version)}\) [a-z]+; urgency=")

        # The man page renders without a warning and names what an operator needs.
        page = os.path.join(self.root, "usr/share/man/man1/varnoke.1.gz")
        result = subprocess.run(["man", "--warnings", "-E", "UTF-8", "-l", "-Tutf8", "-Z", page],
                                capture_output=True, text=True, timeout=60,
                                env=dict(os.environ, LC_ALL="C.UTF-8", MANWIDTH="80"))
        self.assertEqual((result.returncode, result.stderr), (0, ""))
        with gzip.open(page, "rt") as f:
            text = f.read()
        for needed in (".SH NAME", ".SH SYNOPSIS", ".SH DESCRIPTION", ".SH OPTIONS", ".SH FILES",
                       ".SH ENVIRONMENT", ".SH EXIT STATUS", "37829", f'"varnoke {self.version}"',
                       "Varnoke.reg", PROGRAM_DIR):
            with self.subTest(needed=needed):
                self.assertIn(needed, text)

    def test_sounds(self):
        # The build generates them (packaging/tools/generate_tones.cpp); that each chime falls or
        # rises as its name says is heard through a sound server by e2e_sound.
        for name in ("ConnectionLost.wav", "ConnectedNow.wav"):
            path = os.path.join(self.root, PROGRAM_DIR.lstrip("/"), name)
            with self.subTest(name), wave.open(path) as sound:
                # PCM (the only kind the reader takes), 16-bit mono as the sound library reads it.
                self.assertEqual((sound.getnchannels(), sound.getsampwidth()), (1, 2))
                samples = array.array("h", sound.readframes(sound.getnframes()))
                self.assertEqual(len(samples), sound.getnframes())  # the data chunk is whole
                self.assertTrue(0.3 < len(samples) / sound.getframerate() < 1.0, len(samples))
                peak = max(map(abs, samples))
                self.assertTrue(32767 / 5 < peak < 32767 * 0.95, peak)  # audible, never harsh
                self.assertLess(max(abs(samples[0]), abs(samples[-1])), 328)  # no click at the ends

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
        self.assertIsNone(component.find("developer_name"))
        developer = component.find("developer")
        self.assertTrue(developer.get("id"))
        self.assertTrue(developer.findtext("name"))
        self.assertEqual({c.text for c in component.findall("supports/control")},
                         {"keyboard", "pointing"})

    def test_lintian(self):
        # Every tag an installing maintainer would see, infos and pedantic ones included. Should
        # one have to stay, it goes into an override file the package ships, with its reason.
        result = subprocess.run(["lintian", "--pedantic", "--display-info", self.deb],
                                capture_output=True, text=True, timeout=300)
        tags = [line for line in result.stdout.splitlines() if re.match(r"^[EWIP]: ", line)]
        self.assertEqual(tags, [], result.stdout + result.stderr)
        self.assertIn(result.returncode, (0,), result.stdout + result.stderr)

    def test_hardening(self):
        # Everything hardening-check asks for but control flow integrity, which needs every object
        # linked in CET-marked, Debian 12's C start-up files included, and which its
        # dpkg-buildflags don't ask for.
        program = os.path.join(self.root, PROGRAM_DIR.lstrip("/"), "varnoke")
        result = subprocess.run(["hardening-check", "--nocfprotection", "--verbose", program],
                                capture_output=True, text=True, timeout=60)
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        # Debian 12's flags don't ask for stack clash protection either; the README says so.
        self.assertIn("Stack clash protection: unknown", result.stdout)
        # A fortified call shows in the binary only where the compiler knows a buffer's size; so
        # that no object escapes the flags unseen, check how each of the program's was compiled.
        with open(os.path.join(self.build_dir, "compile_commands.json")) as f:
            commands = [c for c in json.load(f) if f"{os.sep}src{os.sep}" in c["file"]]
        self.assertTrue(commands)
        for command in commands:
            text = command.get("command") or " ".join(command["arguments"])
            with self.subTest(file=command["file"]):
                self.assertRegex(text, r"-D_FORTIFY_SOURCE=[23]\b")
                self.assertRegex(text, r"-O[123s]\b")
                self.assertIn("-fstack-protector-strong", text)

    def test_package_configure_refuses_a_machine_without_dpkg_shlibdeps(self):
        # Without it cpack would leave out every library the program links and make a package
        # that installs and then can't start. dpkg-shlibdeps is hidden in a mount namespace of
        # this test's own, inside a user namespace where the user is not root.
        unshare = ["unshare", *([] if os.geteuid() == 0 else ["-r"]), "-m", "--propagation",
                   "private"]
        if not shutil.which("unshare") or subprocess.run(unshare + ["true"]).returncode != 0:
            self.skipTest("hiding dpkg-shlibdeps needs a mount namespace of the test's own")
        shlibdeps = shutil.which("dpkg-shlibdeps")
        with open(os.path.join(self.build_dir, "CMakeCache.txt")) as f:
            source = re.search(r"^CMAKE_HOME_DIRECTORY:INTERNAL=(.*)$", f.read(), re.M).group(1)
        build = os.path.join(self.tmp, "configure")
        result = subprocess.run(
            unshare + ["sh", "-c", 'mount --bind /dev/null "$1" && shift && exec "$@"', "sh",
                       shlibdeps, self.cmake, "-S", source, "-B", build, "-DVARNOKE_PACKAGE=ON"],
            capture_output=True, text=True, timeout=300)
        self.assertNotEqual(result.returncode, 0, result.stdout)
        self.assertIn("dpkg-dev", result.stderr)
        self.assertFalse(os.path.exists(os.path.join(build, "CPackConfig.cmake")))
        # Given no build type, the configure chose Debian's.
        with open(os.path.join(build, "CMakeCache.txt")) as f:
            self.assertIn("CMAKE_BUILD_TYPE:STRING=RelWithDebInfo\n", f.read())

    def test_install_and_purge_leave_the_system_as_it_was(self):
        # A throw-away root as a system holds it: the standard directories exist and hold other
        # packages' files, and /opt exists but is empty and nobody's.
        root = os.path.join(self.tmp, "system")
        for folder in ("usr/bin", "usr/lib", "usr/share/doc", "usr/share/man/man1",
                       "usr/share/applications", "usr/share/metainfo", "usr/share/icons/hicolor",
                       "usr/share/lintian/overrides", "var/lib/dpkg/info", "var/lib/dpkg/updates",
                       "opt", "etc", "var/log"):
            os.makedirs(os.path.join(root, folder), exist_ok=True)
        for folder in ("usr/bin", "usr/lib", "usr/share/doc", "usr/share/man/man1",
                       "usr/share/applications", "usr/share/metainfo", "usr/share/icons/hicolor",
                       "usr/share/lintian/overrides"):
            with open(os.path.join(root, folder, "other-package"), "w") as f:
                f.write("not ours\n")
        open(os.path.join(root, "var/lib/dpkg/status"), "w").close()
        before = snapshot(root)

        dpkg = ["dpkg", f"--root={root}", "--force-not-root", "--force-depends",
                "--force-unsafe-io", f"--log={os.path.join(self.tmp, 'dpkg.log')}"]
        run(*dpkg, "--install", self.deb)
        installed = snapshot(root)
        self.assertEqual(run(*dpkg, "--status", "varnoke").count("Status: install ok installed"),
                         1)
        for path in (f"{PROGRAM_DIR}/varnoke", f"{PROGRAM_DIR}/ConnectionLost.wav",
                     f"{PROGRAM_DIR}/ConnectedNow.wav", "/usr/share/man/man1/varnoke.1.gz"):
            with self.subTest(path=path):
                self.assertIn(path.lstrip("/"), installed)
        self.assertEqual(os.readlink(os.path.join(root, "usr/bin/varnoke")),
                         "../lib/varnoke/varnoke")
        # Nothing of the package's lands outside /usr.
        self.assertEqual({p for p in installed if not p.startswith("usr")},
                         {p for p in before if not p.startswith("usr")})

        run(*dpkg, "--purge", "varnoke")
        self.assertEqual(snapshot(root), before)
        self.assertEqual(os.listdir(os.path.join(root, "opt")), [])
        self.assertFalse(os.path.lexists(os.path.join(root, "usr/bin/varnoke")))


if __name__ == "__main__":
    Package.build_dir, Package.cpack, Package.cmake, Package.version = sys.argv[1:5]
    # A folder not configured for packaging has only a CPackConfig.cmake that says so.
    config = os.path.join(Package.build_dir, "CPackConfig.cmake")
    if "CPACK_GENERATOR" not in (open(config).read() if os.path.exists(config) else ""):
        print("skipped: this build folder makes no package (configure with -DVARNOKE_PACKAGE=ON)")
        sys.exit(SKIP)
    missing = [t for t in TOOLS if not shutil.which(t)]
    if missing:
        print("skipped: this machine lacks", ", ".join(missing))
        sys.exit(SKIP)
    unittest.main(argv=sys.argv[:1], verbosity=2)
