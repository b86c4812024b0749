// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
//
// Keystrokes while a flood of datagrams of random sizes hits the panel's port: the keystroke
// figure under the flood, against the same figure without it, in the same run. Each key event is
// posted and the event loop runs as in the panel, so a key waits behind whatever the window is
// doing with the flood. The flood comes from a child process, bounded in count and in time.

#include "BenchPanel.h"
#include "LatencyStats.h"
#include "LoopbackReceiver.h"

#include "platform/UdpEndpoint.h"

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <poll.h>
#include <random>
#include <sys/wait.h>

using SteadyClock = std::chrono::steady_clock;
using namespace std::chrono_literals;

namespace {

constexpr long floodCount = 1'000'000;
constexpr auto floodLimit = 60s;

long residentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return 0;
}

// The child: sends datagrams of random sizes (0 to 65,507 bytes) to the port until it has sent
// floodCount, floodLimit has passed, or the parent closes the pipe. Reports how many it sent.
[[noreturn]] void flood(int control, int report, std::uint16_t port)
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in to {};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    to.sin_port = htons(port);
    std::vector<char> payload(65507);
    std::mt19937 random(12345);
    for (char &c : payload)
        c = char(random());
    std::uniform_int_distribution<int> size(0, 65507);
    const auto end = SteadyClock::now() + floodLimit;
    long sent = 0;
    while (sent < floodCount) {
        if (sent % 256 == 0) {
            pollfd stop {control, POLLIN, 0};
            if (SteadyClock::now() > end || ::poll(&stop, 1, 0) > 0)
                break;
        }
        if (::sendto(fd, payload.data(), size(random), 0, reinterpret_cast<sockaddr *>(&to),
                     sizeof to)
            >= 0)
            ++sent;
    }
    [[maybe_unused]] auto w = ::write(report, &sent, sizeof sent);
    ::_exit(0);
}

struct Keystrokes
{
    LatencyStats latency;
    int lost = 0;
};

// Posts one key at a time to the box and lets the event loop run until its datagram arrives, and
// on until `pace` has passed since the key when one is given.
Keystrokes type(
    QLineEdit *box, LoopbackReceiver &unit, int keys,
    const std::function<bool()> &goOn = [] { return true; }, std::chrono::microseconds pace = {})
{
    Keystrokes result;
    char buffer[64];
    for (int i = 0; i < keys && goOn(); ++i) {
        const int key = (i % 2 == 0) ? Qt::Key_1 : Qt::Key_Backspace;
        const QString text = key == Qt::Key_1 ? QStringLiteral("1") : QString();
        const auto start = SteadyClock::now();
        QCoreApplication::postEvent(box,
                                    new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier, text));
        QCoreApplication::postEvent(box,
                                    new QKeyEvent(QEvent::KeyRelease, key, Qt::NoModifier, text));
        bool arrived = false;
        while (!arrived && SteadyClock::now() - start < 1s) {
            QCoreApplication::processEvents(QEventLoop::AllEvents);
            arrived = ::recv(unit.fd(), buffer, sizeof buffer, MSG_DONTWAIT) >= 0;
        }
        if (arrived)
            result.latency.add(SteadyClock::now() - start);
        else
            ++result.lost;
        while (SteadyClock::now() - start < pace)
            QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
    return result;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int keys = argc > 1 ? std::atoi(argv[1]) : 10000;

    LoopbackReceiver unit;
    BenchPanel bench(unit.port());
    UdpEndpoint *enet = bench.enet;
    long arrivals = 0;
    QObject::connect(enet, &UdpEndpoint::DataArrival, &bench.form, [&arrivals] { ++arrivals; });
    QLineEdit *box = bench.box("txtFreq");
    box->setFocus();
    box->clear();
    char buffer[64];
    ::recv(unit.fd(), buffer, sizeof buffer, 0); // the "FR " of clearing it

    type(box, unit, 1000); // warm up
    Keystrokes quiet = type(box, unit, keys);

    int control[2];
    int report[2];
    if (::pipe(control) != 0 || ::pipe(report) != 0)
        return 1;
    const long before = residentKiB();
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(control[1]);
        flood(control[0], report[1], enet->boundPort());
    }
    ::close(control[0]);
    // Type for as long as the flood lasts, at most the flood's bound, a key a millisecond: faster
    // than any operator, yet few enough keys that what they keep (the box's undo steps, the
    // latencies) doesn't hide what the flood itself leaves behind.
    const auto floodStart = SteadyClock::now();
    int status = 0;
    bool floodOver = false;
    Keystrokes flooded = type(
        box, unit, 1'000'000,
        [&] {
            floodOver = floodOver || ::waitpid(child, &status, WNOHANG) == child;
            return !floodOver && SteadyClock::now() - floodStart < floodLimit + 5s;
        },
        1ms);
    ::close(control[1]);
    if (!floodOver)
        ::waitpid(child, &status, 0);
    long sent = 0;
    [[maybe_unused]] auto r = ::read(report[0], &sent, sizeof sent);
    const double seconds = std::chrono::duration<double>(SteadyClock::now() - floodStart).count();
    QCoreApplication::processEvents();
    const long growth = residentKiB() - before;

    const double p99 = flooded.latency.percentileUs(99), quietP99 = quiet.latency.percentileUs(99);
    std::printf("%-52s %8.1fus %8.1fus %7.1fx %s\n",
                "keystroke p99 under a flood of 1,000,000 datagrams", p99, quietP99, p99 / quietP99,
                "<= 5 ms, no keystroke lost");
    std::printf("%-52s %7.1fMiB %10s %8s %s\n", "memory growth under that flood", growth / 1024.0,
                "-", "-", "<= 2 MiB");
    std::printf("note: %ld flood datagrams sent in %.1f s (at most %ld in %lld s), %ld read by "
                "the panel (the system drops the rest when the socket's buffer is full)\n",
                sent, seconds, floodCount, static_cast<long long>(floodLimit.count()), arrivals);
    // Figures move with the machine's load; a lost keystroke is a broken run.
    if (flooded.lost > 0 || quiet.lost > 0) {
        std::printf("broken run: %d keystrokes sent nothing under the flood, %d without it\n",
                    flooded.lost, quiet.lost);
        return 1;
    }
    return 0;
}
