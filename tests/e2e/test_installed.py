# SPDX-FileCopyrightText: 2026 The Varnoke developers
# SPDX-License-Identifier: MIT
"""The Debian package, unpacked and started the way an installed copy runs."""

import os
import subprocess

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
        # /usr/bin/varnoke links to /opt/varnoke/varnoke: show this test's copy there, in this
        # test's own mount namespace only.
        subprocess.run(["mount", "-t", "tmpfs", "opt", "/opt"], check=True)
        os.makedirs("/opt/varnoke")
        subprocess.run(["mount", "--bind", os.path.join(self.root, "opt", "varnoke"),
                        "/opt/varnoke"], check=True)

    def tearDown(self):
        super().tearDown()
        subprocess.run(["umount", "/opt/varnoke"], check=False)
        subprocess.run(["umount", "/opt"], check=False)

    def test_starts_through_its_symlink_and_creates_nothing(self):
        link = os.path.join(self.root, "usr", "bin", "varnoke")
        self.assertEqual(os.readlink(link), "/opt/varnoke/varnoke")
        program = sorted(os.listdir("/opt/varnoke"))
        self.assertEqual(program, ["ConnectedNow.wav", "ConnectionLost.wav", "varnoke"])
        sizes = {name: os.path.getsize(os.path.join("/opt/varnoke", name)) for name in program}

        panel = self.start(binary=link)
        panel.window()
        # Its folder is the resolved one: the sounds were found there, nothing new was made,
        # and nothing appeared beside the link either.
        self.assertEqual(sorted(os.listdir("/opt/varnoke")), program)
        self.assertEqual({name: os.path.getsize(os.path.join("/opt/varnoke", name))
                          for name in program}, sizes)
        self.assertEqual(os.listdir(os.path.dirname(link)), ["varnoke"])
        self.assertTrue(all(size > 1000 for name, size in sizes.items() if name.endswith(".wav")))


if __name__ == "__main__":
    harness.main()
