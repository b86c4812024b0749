# SPDX-FileCopyrightText: 2026 The Varnoke developers
# SPDX-License-Identifier: MIT
"""The lost-link and connected tones reach a real sound server, once each.

The test starts its own PulseAudio with a null sink, in the panel's private runtime folder, and
records the sink's monitor: each tone must arrive once, in its turn, and nothing else. (The
streams the server opens are not counted: ALSA's PulseAudio plug-in may open two for one play.)
The lost tone is the falling chime (G5 then C5), the connected one the rising chime (C5 then G5).
A server that accepts and never answers must hold up nothing but the sound.
"""

import array
import contextlib
import math
import os
import select
import shutil
import signal
import socket
import subprocess
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
        if os.path.exists(self.recording):  # an earlier server's: its size would pass for ours
            os.remove(self.recording)
        self.recorder = subprocess.Popen(
            ["parec", f"--device={SINK}.monitor", "--format=s16le", "--channels=1",
             f"--rate={RATE}", "--raw", "--latency-msec=20", self.recording],
            env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        harness.wait_for(lambda: os.path.exists(self.recording)
                         and os.path.getsize(self.recording) > RATE, what="the recording")

    def chimes(self):
        """The first notes of the chimes recorded so far."""
        samples = self.samples()
        return [first_note(samples, burst) for burst in bursts(samples)]

    def samples(self):
        data = array.array("h")
        with open(self.recording, "rb") as raw:
            contents = raw.read()
        data.frombytes(contents[:len(contents) // 2 * 2])
        return data

    def close(self):
        for process in (self.recorder, self.process):
            if process.poll() is None:
                process.terminate()
                try:
                    process.wait(timeout=5)
                except subprocess.TimeoutExpired:
                    process.kill()
                    process.wait()


class HungServer:
    """A sound server that takes every connection and never answers, as one stopped would."""

    def __init__(self, path):
        self.listener = socket.socket(socket.AF_UNIX)
        self.listener.bind(path)
        self.listener.listen()
        self.listener.setblocking(False)
        self.connections = []

    def held(self):
        """How many connections the panel holds open, waiting for an answer."""
        with contextlib.suppress(BlockingIOError):
            while True:
                self.connections.append(self.listener.accept()[0])
        poller = select.poll()
        for connection in self.connections:
            poller.register(connection, select.POLLRDHUP)
        return len(self.connections) - len(poller.poll(0))


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
        launched = time.monotonic()
        panel = self.start()
        panel.window()

        with self.subTest("the silent unit's mark plays the lost tone once"):
            harness.wait_for(self.server.chimes, timeout=12, interval=0.3, what="the lost tone")
            # Never before the grace: 5.5 s of silence from the heartbeat's start, which comes
            # after the launch. A loaded machine only makes the tone later.
            self.assertGreater(time.monotonic() - launched, 5.0)
            time.sleep(2.5)  # later overdue ticks stay quiet
            self.assertEqual(self.server.chimes(), ["G5"])  # falling: the lost tone

        with self.subTest("the unit heard again plays the connected tone once"):
            unit.say()
            harness.wait_for(lambda: len(self.server.chimes()) >= 2, timeout=5, interval=0.3,
                             what="the connected tone")
            time.sleep(1.5)
            self.assertEqual(self.server.chimes(), ["G5", "C5"])  # then rising: connected
            samples = self.server.samples()
            for start, end in bursts(samples):
                self.assertGreater((end - start) / RATE, 0.3)  # whole chimes, not clicks

    def test_sound_server_that_comes_after_the_first_mark(self):
        # A login whose sound server comes up late: the mark after it is heard.
        self.server.close()
        unit = self.unit()
        self.home.seed({"IP Address": harness.UNIT_ADDRESS})
        panel = self.start()
        panel.window()
        time.sleep(7)  # the first mark comes 5.5 s into the silence
        self.server = SoundServer(self.home.env(self.display), self.home.runtime)
        unit.say()
        harness.wait_for(self.server.chimes, timeout=5, interval=0.3, what="the connected tone")
        self.assertEqual(self.server.chimes(), ["C5"])

    def test_sound_server_that_never_answers(self):
        # The lost mark's sound waits on the server for good; the operator's clicks and a logout's
        # SIGTERM are handled meanwhile.
        self.server.close()  # and its socket with it
        hung = HungServer(os.path.join(self.home.runtime, "pulse", "native"))
        unit = self.unit()
        self.home.seed({"IP Address": harness.UNIT_ADDRESS})
        panel = self.start()
        window = panel.window()
        harness.wait_for(hung.held, timeout=15, what="the lost mark's sound")
        panel.click(window, *harness.STOP)
        self.assertEqual(unit.commands(1), [b"OS"])
        self.assertGreater(hung.held(), 0)  # the sound still waits
        panel.process.send_signal(signal.SIGTERM)
        self.assertEqual(panel.wait(), 0)
        self.assertIn("Left", self.home.settings())  # closed as a window manager would close it


if __name__ == "__main__":
    harness.main()
