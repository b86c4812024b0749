# SPDX-FileCopyrightText: 2026 The Varnoke developers
# SPDX-License-Identifier: MIT
"""The Debian package, unpacked and started the way an installed copy runs."""

import os
import subprocess
import sys

import harness


class InstalledTest(harness.PanelTestCase):
    def setUp(self):
        super().setUp()
        build = os.environ["VARNOKE_BUILD_DIR"]
        packages = os.path.join(self.home.root, "packages")
        subprocess.run(["cpack", "-G", "DEB", "-B", packages, "--config",
                        os.path.join(build, "CPackConfig.cmake")], cwd=build, check=True,
                       capture_output=True, timeout=300)
        deb = [name for name in os.listdir(packages) if name.endswith(".deb")][0]
        self.root = os.path.join(self.home.root, "root")
        subprocess.run(["dpkg-deb", "-x", os.path.join(packages, deb), self.root], check=True)

    def test_starts_through_its_symlink_and_creates_nothing(self):
        # The link is relative, so in the unpacked tree it leads to the unpacked program.
        link = os.path.join(self.root, "usr", "bin", "varnoke")
        self.assertEqual(os.readlink(link), "../lib/varnoke/varnoke")
        folder = os.path.join(self.root, "usr", "lib", "varnoke")
        program = sorted(os.listdir(folder))
        self.assertEqual(program, ["ConnectedNow.wav", "ConnectionLost.wav", "varnoke"])
        sizes = {name: os.path.getsize(os.path.join(folder, name)) for name in program}

        panel = self.start(binary=link)
        panel.window()
        # Its folder is the resolved one: the sounds were found there, nothing new was made,
        # and nothing appeared beside the link either.
        self.assertEqual(sorted(os.listdir(folder)), program)
        self.assertEqual({name: os.path.getsize(os.path.join(folder, name))
                          for name in program}, sizes)
        self.assertEqual(os.listdir(os.path.dirname(link)), ["varnoke"])
        self.assertTrue(all(size > 1000 for name, size in sizes.items() if name.endswith(".wav")))


if __name__ == "__main__":
    # A folder not configured for packaging has only a CPackConfig.cmake that says so.
    config = os.path.join(os.environ["VARNOKE_BUILD_DIR"], "CPackConfig.cmake")
    if "CPACK_GENERATOR" not in (open(config).read() if os.path.exists(config) else ""):
        print("skipped: this build folder makes no package (configure with -DVARNOKE_PACKAGE=ON)")
        sys.exit(harness.SKIP)
    harness.main()
