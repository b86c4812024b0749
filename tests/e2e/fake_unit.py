# SPDX-FileCopyrightText: 2026 The Varnoke developers
# SPDX-License-Identifier: MIT
"""The unit's side of the link, run in a network namespace of its own (see harness.FakeUnit).

It waits for its end of the veth pair, takes the unit's address, and then:
- prints "RX <hex>" for every datagram that reaches it on the unit port;
- on "say <hex>" sends that payload to the panel; on "every <seconds>" keeps sending "alive" at
  that interval; on "quiet" stops; on "quit" (or end of input) ends.
"""

import socket
import subprocess
import sys
import threading
import time

UNIT, PANEL, PORT, LINK = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4]


def main():
    deadline = time.monotonic() + 10
    # /sys still shows the parent's links; ask the namespace itself.
    while subprocess.run(["ip", "link", "show", LINK], capture_output=True).returncode != 0:
        if time.monotonic() > deadline:
            print("no link", flush=True)
            return 1
        time.sleep(0.02)
    subprocess.run(["ip", "link", "set", "lo", "up"], check=True)
    subprocess.run(["ip", "addr", "add", f"{UNIT}/24", "dev", LINK], check=True)
    subprocess.run(["ip", "link", "set", LINK, "up"], check=True)

    sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    sock.bind((UNIT, PORT))
    lock = threading.Lock()
    period = [None]

    def receive():
        while True:
            data = sock.recv(65536)
            with lock:
                print("RX " + data.hex(), flush=True)

    def heartbeat():
        while True:
            interval = period[0]
            if interval:
                sock.sendto(b"alive", (PANEL, PORT))
                time.sleep(interval)
            else:
                time.sleep(0.02)

    threading.Thread(target=receive, daemon=True).start()
    threading.Thread(target=heartbeat, daemon=True).start()
    with lock:
        print("ready", flush=True)
    for line in sys.stdin:
        word, _, arg = line.strip().partition(" ")
        if word == "say":
            sock.sendto(bytes.fromhex(arg), (PANEL, PORT))
        elif word == "every":
            period[0] = float(arg)
        elif word == "quiet":
            period[0] = None
        elif word == "quit":
            break
    return 0


if __name__ == "__main__":
    sys.exit(main())
