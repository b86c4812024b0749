// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
//
// Keystroke to datagram: a synthesized key on a value box, to the datagram's arrival at a
// loopback receiver, against the floor of a plain sendto -> recv on loopback in the same run.
// Then a keystroke at the end of a megabyte pasted into the address box, to its save.

#include "BenchPanel.h"
#include "LatencyStats.h"
#include "LoopbackReceiver.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QTest>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>

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

// The address box saves on every change, on the window's thread, so each keystroke after a paste
// of a megabyte waits for that megabyte to be read, changed and written. Empty when a save failed.
std::optional<double> pastedMegabyteKeystrokeMs(BenchPanel &bench, int keys)
{
    QLineEdit *box = bench.box("txtIP");
    box->setFocus();
    const QString pattern = QStringLiteral(R"(10.77.0.2 "quoted" back\slash ~!@#$%^&*()_+{}|:<>?)");
    box->setText(pattern.repeated((1 << 20) / pattern.size() + 1).left(1 << 20));
    LatencyStats stats;
    for (int i = 0; i < keys; ++i) {
        const auto start = SteadyClock::now();
        QTest::keyClick(box, i % 2 == 0 ? Qt::Key_X : Qt::Key_Backspace);
        stats.add(SteadyClock::now() - start);
    }
    if (QFile(bench.config.filePath(QStringLiteral("Yorv/Varnoke.reg"))).size() <= (1 << 20))
        return std::nullopt;
    return stats.percentileUs(50) / 1000;
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
    const std::optional<double> pastedMs = pastedMegabyteKeystrokeMs(bench, 20);

    const double floorP50 = floor.percentileUs(50), floorP99 = floor.percentileUs(99);
    const double p50 = panel.percentileUs(50), p99 = panel.percentileUs(99);
    std::printf("%-52s %10s %10s %8s %s\n", "figure", "value", "floor", "ratio", "target");
    std::printf("%-52s %8.1fus %8.1fus %7.1fx %s\n", "keystroke to datagram p50", p50, floorP50,
                p50 / floorP50, "<= 10x floor");
    std::printf("%-52s %8.1fus %8.1fus %7.1fx %s\n", "keystroke to datagram p99", p99, floorP99,
                p99 / floorP99, "<= 200 us");
    std::printf("%-52s %8.1fms %10s %8s %s\n", "IP-box keystroke to its save, after a 1 MiB paste",
                pastedMs.value_or(0), "-", "-", "<= 2 s");
    // A figure past its target is the machine's load as much as the panel's; a lost command is a
    // broken run.
    if (lost > 0) {
        std::printf("broken run: %d of %d keystrokes sent nothing\n", lost, keys);
        return 1;
    }
    if (!pastedMs) {
        std::printf("broken run: the pasted megabyte was not saved\n");
        return 1;
    }
    return 0;
}
