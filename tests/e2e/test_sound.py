# SPDX-FileCopyrightText: 2026 The Varnoke developers
# SPDX-License-Identifier: MIT
"""The lost-link and connected tones reach a real sound server, once each.

The test starts its own PulseAudio with a null sink, in the panel's private runtime folder, and
records the sink's monitor: each tone must arrive once, in its turn, and nothing else. The lost
tone is the falling chime (G5 then C5), the connected one the rising chime (C5 then G5).
"""

import array
import math
import os
import shutil
import subprocess
import threading
import time

import harness

RATE = 16000
SINK = "varnoke_e2e"
G5, C5 = 783.99, 523.25


def goertzel(samples, frequency):
    """The power of one frequency in the samples."""
    coefficient = 2 * math.cos(2 * math.pi * frequency / RATE)
    previous = before = 0.0
    for sample in samples:
        previous, before = sample + coefficient * previous - before, previous
    return previous * previous + before * before - coefficient * previous * before


def bursts(samples, threshold=300, gap=0.3):
    """(start, end) sample indices of the stretches of sound, split at gaps of silence."""
    found, start, last = [], None, None
    window = RATE // 100
    for index in range(0, len(samples) - window, window):
        loud = max(abs(value) for value in samples[index:index + window]) > threshold
        if loud:
            if start is None or index - last > gap * RATE:
                if start is not None:
                    found.append((start, last + window))
                start = index
            last = index
    if start is not None:
        found.append((start, last + window))
    return found


def first_note(samples, burst):
    """Which note a chime opens with: the first 100 ms of its burst."""
    opening = samples[burst[0]:burst[0] + RATE // 10]
    return "G5" if goertzel(opening, G5) > goertzel(opening, C5) else "C5"


class SoundServer:
    def __init__(self, env, runtime):
        self.env = env
        self.process = subprocess.Popen(
            ["pulseaudio", "--daemonize=no", "-n", "--exit-idle-time=-1", "--disallow-exit",
             "--use-pid-file=no", "--log-target=stderr",
             "--load=module-native-protocol-unix auth-anonymous=1",
             f"--load=module-null-sink sink_name={SINK} rate={RATE}",
             "--load=module-always-sink"],
            env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        socket = os.path.join(runtime, "pulse", "native")
        harness.wait_for(lambda: self.process.poll() is not None or (
            os.path.exists(socket) and subprocess.run(
                ["pactl", "info"], env=env, capture_output=True).returncode == 0),
            timeout=15, what="the sound server")
        if self.process.poll() is not None:
            raise RuntimeError(f"pulseaudio ended at start with {self.process.returncode}")
        subprocess.run(["pactl", "set-default-sink", SINK], env=env, check=True)
        self.recording = os.path.join(runtime, "sink.raw")
        self.recorder = subprocess.Popen(
            ["parec", f"--device={SINK}.monitor", "--format=s16le", "--channels=1",
             f"--rate={RATE}", "--raw", "--latency-msec=20", self.recording],
            env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.inputs = subprocess.Popen(["pactl", "subscribe"], env=env, stdout=subprocess.PIPE,
                                       stderr=subprocess.DEVNULL, text=True)
        self._streams = 0
        threading.Thread(target=self._count, daemon=True).start()

    def _count(self):
        for line in self.inputs.stdout:
            if line.startswith("Event 'new' on sink-input"):
                self._streams += 1

    def new_streams(self):
        """How many playback streams have been opened on the server so far."""
        return self._streams

    def samples(self):
        data = array.array("h")
        with open(self.recording, "rb") as raw:
            contents = raw.read()
        data.frombytes(contents[:len(contents) // 2 * 2])
        return data

    def close(self):
        for process in (self.inputs, self.recorder, self.process):
            if process.poll() is None:
                process.terminate()
                try:
                    process.wait(timeout=5)
                except subprocess.TimeoutExpired:
                    process.kill()
                    process.wait()
        self.inputs.stdout.close()


class SoundTest(harness.PanelTestCase):
    def setUp(self):
        for tool in ("pulseaudio", "pactl", "parec"):
            if shutil.which(tool) is None:
                self.skipTest(f"{tool} is not installed")
        super().setUp()
        env = self.home.env(self.display)
        self.server = SoundServer(env, self.home.runtime)

    def tearDown(self):
        super().tearDown()
        self.server.close()

    def test_lost_and_connected_tones_reach_the_sink_once_each(self):
        unit = self.unit()
        self.home.seed({"IP Address": harness.UNIT_ADDRESS})
        panel = self.start()
        panel.window()
        started = time.monotonic()

        with self.subTest("the silent unit's mark plays the lost tone once"):
            harness.wait_for(lambda: self.server.new_streams() >= 1, timeout=12,
                             what="the lost tone")
            self.assertGreater(time.monotonic() - started, 4.5)
            time.sleep(2.5)  # later overdue ticks stay quiet
            self.assertEqual(self.server.new_streams(), 1)

        with self.subTest("the unit heard again plays the connected tone once"):
            unit.say()
            harness.wait_for(lambda: self.server.new_streams() >= 2, timeout=5,
                             what="the connected tone")
            time.sleep(1.5)
            self.assertEqual(self.server.new_streams(), 2)

        with self.subTest("both reached the sink, in turn, falling then rising"):
            samples = self.server.samples()
            found = bursts(samples)
            lengths = [round((end - start) / RATE, 2) for start, end in found]
            self.assertEqual(len(found), 2, lengths)
            self.assertEqual([first_note(samples, burst) for burst in found], ["G5", "C5"])
            for length in lengths:
                self.assertGreater(length, 0.3)


if __name__ == "__main__":
    harness.main()
