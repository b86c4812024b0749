// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
//
// Keystroke to datagram: a synthesized key on a value box, to the datagram's arrival at a
// loopback receiver, against the floor of a plain sendto -> recv on loopback in the same run.

#include "BenchPanel.h"
#include "LatencyStats.h"
#include "LoopbackReceiver.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include <chrono>
#include <cstdio>
#include <cstdlib>

using SteadyClock = std::chrono::steady_clock;

namespace {

void measureFloor(int rounds, LatencyStats &stats)
{
    LoopbackReceiver receiver;
    const int sender = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in to {};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    to.sin_port = htons(receiver.port());
    char buffer[64];
    for (int i = 0; i < rounds; ++i) {
        const auto start = SteadyClock::now();
        ::sendto(sender, "FR 12", 5, 0, reinterpret_cast<sockaddr *>(&to), sizeof to);
        if (receiver.receive(buffer, sizeof buffer) >= 0)
            stats.add(SteadyClock::now() - start);
    }
    ::close(sender);
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int keys = argc > 1 ? std::atoi(argv[1]) : 20000;

    LoopbackReceiver unit;
    BenchPanel bench(unit.port());
    QLineEdit *box = bench.box("txtFreq");
    box->setFocus();
    box->clear();
    char buffer[64];
    if (unit.receive(buffer, sizeof buffer) < 0) { // the "FR " of clearing the box
        std::fprintf(stderr, "the panel's first command never arrived\n");
        return 1;
    }

    // Warm up, then measure both paths in alternating slices so both see the same machine.
    LatencyStats warmUp;
    measureFloor(1000, warmUp);
    LatencyStats panel;
    LatencyStats floor;
    int lost = 0;
    for (int round = 0; round < 10; ++round) {
        for (int i = 0; i < keys / 10; ++i) {
            // Typing and erasing keeps the box's text changing within its length limit.
            const Qt::Key key = (i % 2 == 0) ? Qt::Key_1 : Qt::Key_Backspace;
            const auto start = SteadyClock::now();
            QTest::keyClick(box, key);
            if (unit.receive(buffer, sizeof buffer) >= 0)
                panel.add(SteadyClock::now() - start);
            else
                ++lost;
        }
        measureFloor(keys / 10, floor);
    }

    const double floorP50 = floor.percentileUs(50), floorP99 = floor.percentileUs(99);
    const double p50 = panel.percentileUs(50), p99 = panel.percentileUs(99);
    std::printf("%-52s %10s %10s %8s %s\n", "figure", "value", "floor", "ratio", "target");
    std::printf("%-52s %8.1fus %8.1fus %7.1fx %s\n", "keystroke to datagram p50", p50, floorP50,
                p50 / floorP50, "<= 10x floor");
    std::printf("%-52s %8.1fus %8.1fus %7.1fx %s\n", "keystroke to datagram p99", p99, floorP99,
                p99 / floorP99, "<= 200 us");
    // A figure past its target is the machine's load as much as the panel's; a lost command is a
    // broken run.
    if (lost > 0) {
        std::printf("broken run: %d of %d keystrokes sent nothing\n", lost, keys);
        return 1;
    }
    return 0;
}
