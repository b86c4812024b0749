// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
//
// The settings calls on the per-user file store, as the panel makes them (every call opens, does
// its one thing, and closes), in a temporary config folder: one WriteRegString and one
// ReadRegString on the file the panel leaves; the four start-up reads and an IP-box save on a
// file of 10,000 values beside the same on a file of four; the read of a file at the 16 MiB
// limit; the panel's values followed by 16 MiB of blank lines (the memory its reads take at
// their peak, and an IP-box save); and a save and a close while another program holds the
// settings lock.

#include "LatencyStats.h"

#include "registry/FileRegistry.h"
#include "settings/MiscFunctions.h"
#include "settings/SettingsKey.h"
#include "settings/SettingsSaver.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLoggingCategory>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <unistd.h>

using SteadyClock = std::chrono::steady_clock;

namespace {

const quint32 root = SettingsKey::HKEY_CURRENT_USER_ROOT;
const QString startUpNames[] = {QStringLiteral("IP Address"), QStringLiteral("Left"),
                                QStringLiteral("Top"), QStringLiteral("Window state")};

// A settings file of the panel's four values, `extra` more values of someone else's, and a
// comment that pads it to `size` bytes when size is not 0.
void writeSettings(const QString &config, int extra, qsizetype size = 0)
{
    if (size > 0)
        extra = int(size / 32); // as many values as fit, the rest a comment
    QByteArray text = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\SOFTWARE\\Yorv\\Varnoke]\r\n"
                      "\"IP Address\"=\"127.0.0.9\"\r\n\"Left\"=\"2880\"\r\n\"Top\"=\"1440\"\r\n"
                      "\"Window state\"=\"0\"\r\n";
    for (int i = 0; i < extra; ++i)
        text +=
            "\"Tool " + QByteArray::number(i) + "\"=\"value " + QByteArray::number(i) + "\"\r\n";
    if (size > 0)
        text += "; " + QByteArray(size - text.size() - 4, 'x') + "\r\n";
    if (size > 0 && text.size() != size)
        std::abort();
    QDir().mkpath(config + QStringLiteral("/Yorv"));
    QFile file(config + QStringLiteral("/Yorv/Varnoke.reg"));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(text) != text.size())
        std::abort();
}

struct Figures
{
    double startUpUs = 0; // the four start-up reads, p50
    double saveUs = 0; // one IP-box save, p50
    int failures = 0;
};

// Each round is a panel's start: a store of its own reads the four values, then the address box
// saves once.
Figures measure(int extra, int rounds)
{
    QTemporaryDir config;
    writeSettings(config.path(), extra);
    LatencyStats startUps;
    LatencyStats saves;
    Figures figures;
    for (int i = 0; i < rounds; ++i) {
        FileRegistry registry(config.path());
        MiscFunctions settings(registry);
        QString text;
        auto start = SteadyClock::now();
        for (const QString &name : startUpNames)
            figures.failures += settings.ReadRegString(root, SettingsKey::path, name, text) != -1;
        startUps.add(SteadyClock::now() - start);
        start = SteadyClock::now();
        figures.failures +=
            settings.WriteRegString(root, SettingsKey::path, QStringLiteral("IP Address"),
                                    QStringLiteral("127.0.0.%1").arg(i % 200))
            != -1;
        saves.add(SteadyClock::now() - start);
    }
    figures.startUpUs = startUps.percentileUs(50);
    figures.saveUs = saves.percentileUs(50);
    return figures;
}

double largestFileReadMs(int rounds, int &failures)
{
    QTemporaryDir config;
    writeSettings(config.path(), 0, 16 << 20);
    LatencyStats reads;
    for (int i = 0; i < rounds; ++i) {
        FileRegistry registry(config.path());
        MiscFunctions settings(registry);
        QString text;
        const auto start = SteadyClock::now();
        failures +=
            settings.ReadRegString(root, SettingsKey::path, QStringLiteral("IP Address"), text)
            != -1;
        reads.add(SteadyClock::now() - start);
    }
    return reads.percentileUs(50) / 1000;
}

// The resident memory now, and at its highest so far, in MiB.
double residentMiB()
{
    QFile status(QStringLiteral("/proc/self/statm"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    return status.readAll().split(' ').value(1).toDouble() * double(::sysconf(_SC_PAGESIZE))
        / (1 << 20);
}

double peakResidentMiB()
{
    rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024;
}

// The panel's four values followed by blank lines up to 16 MiB: the memory the four start-up
// reads take at their peak above what the process held before (run first, while the process's
// peak is still its start), and an IP-box save.
void blankLines(double &peakMiB, double &saveMs, int &failures)
{
    QTemporaryDir config;
    writeSettings(config.path(), 0);
    QFile file(config.path() + QStringLiteral("/Yorv/Varnoke.reg"));
    if (!file.open(QIODevice::Append))
        std::abort();
    const QByteArray chunk(1 << 20, '\n');
    for (qsizetype left = (16 << 20) - file.size(); left > 0; left -= chunk.size())
        file.write(chunk.constData(), std::min(left, chunk.size()));
    file.close();
    FileRegistry registry(config.path());
    MiscFunctions settings(registry);
    QString text;
    const double before = residentMiB();
    for (const QString &name : startUpNames)
        failures += settings.ReadRegString(root, SettingsKey::path, name, text) != -1;
    peakMiB = peakResidentMiB() - before;
    LatencyStats saves;
    for (int i = 0; i < 3; ++i) {
        const auto start = SteadyClock::now();
        failures += settings.WriteRegString(root, SettingsKey::path, QStringLiteral("IP Address"),
                                            QStringLiteral("127.0.0.%1").arg(i))
            != -1;
        saves.add(SteadyClock::now() - start);
    }
    saveMs = saves.percentileUs(50) / 1000;
}

// An IP-box save and a close, each while another program holds the lock: how long the window
// waits before the values are kept for later.
void heldLockMs(double &saveMs, double &closeMs)
{
    QTemporaryDir config;
    writeSettings(config.path(), 0);
    const QByteArray lock =
        QFile::encodeName(config.path() + QStringLiteral("/Yorv/Varnoke.reg.lock"));
    const int holder = ::open(lock.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ::flock(holder, LOCK_EX);
    FileRegistry registry(config.path());
    MiscFunctions settings(registry);
    SettingsSaver saver(settings);
    auto start = SteadyClock::now();
    saver.save(QStringLiteral("IP Address"), QStringLiteral("127.0.0.2"));
    saveMs = std::chrono::duration<double, std::milli>(SteadyClock::now() - start).count();
    start = SteadyClock::now();
    saver.saveBeforeClosing({{QStringLiteral("Left"), QStringLiteral("15")},
                             {QStringLiteral("Top"), QStringLiteral("15")},
                             {QStringLiteral("Window state"), QStringLiteral("1")}});
    closeMs = std::chrono::duration<double, std::milli>(SteadyClock::now() - start).count();
    ::close(holder);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    // The held lock's lines are what the benchmark asks for, not news.
    QLoggingCategory::setFilterRules(QStringLiteral("varnoke.settings=false"));
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 1000;
    int failures = 0;
    double blankPeakMiB = 0;
    double blankSaveMs = 0;
    blankLines(blankPeakMiB, blankSaveMs, failures);
    QTemporaryDir config;
    FileRegistry registry(config.path());
    MiscFunctions settings(registry);

    // A file as the panel leaves it: all four values present.
    for (const char *name : {"Left", "Top", "Window state"})
        settings.WriteRegString(root, SettingsKey::path, QString::fromLatin1(name),
                                QStringLiteral("1500"));

    LatencyStats writes;
    LatencyStats reads;
    for (int i = 0; i < rounds; ++i) {
        const QString typed = QStringLiteral("10.0.0.%1").arg(i % 256);
        auto start = SteadyClock::now();
        failures +=
            settings.WriteRegString(root, SettingsKey::path, QStringLiteral("IP Address"), typed)
            != -1;
        writes.add(SteadyClock::now() - start);

        QString text;
        start = SteadyClock::now();
        failures +=
            settings.ReadRegString(root, SettingsKey::path, QStringLiteral("IP Address"), text)
            != -1;
        reads.add(SteadyClock::now() - start);
        failures += text != typed;
    }

    const Figures small = measure(0, rounds / 10 + 1);
    const Figures large = measure(10000, rounds / 10 + 1);
    failures += small.failures + large.failures;
    const double largestMs = largestFileReadMs(5, failures);
    double heldSaveMs = 0;
    double heldCloseMs = 0;
    heldLockMs(heldSaveMs, heldCloseMs);

    const double writeP50 = writes.percentileUs(50), readP50 = reads.percentileUs(50);
    std::printf("%-52s %8.2fms %10s %8s %s\n", "settings WriteRegString p50", writeP50 / 1000, "-",
                "-", "< 1 ms");
    std::printf("%-52s %8.2fms %10s %8s %s\n", "settings ReadRegString p50", readP50 / 1000, "-",
                "-", "< 1 ms");
    std::printf("%-52s %8.2fms %8.2fms %7.0fx %s\n", "4 start-up reads, 10,000 values",
                large.startUpUs / 1000, small.startUpUs / 1000, large.startUpUs / small.startUpUs,
                "(a parse each)");
    std::printf("%-52s %8.2fms %8.2fms %7.1fx %s\n", "IP-box save p50, 10,000 values",
                large.saveUs / 1000, small.saveUs / 1000, large.saveUs / small.saveUs, "<= 5 ms");
    std::printf("%-52s %8.0fms %10s %8s %s\n", "read of a 16 MiB settings file", largestMs, "-",
                "-", "<= 2 s");
    std::printf("%-52s %7.0fMiB %10s %8s %s\n", "peak memory, reads of 16 MiB of blank lines",
                blankPeakMiB, "-", "-", "<= 64 MiB");
    std::printf("%-52s %8.0fms %10s %8s %s\n", "IP-box save, 16 MiB of blank lines", blankSaveMs,
                "-", "-", "<= 2 s");
    std::printf("%-52s %8.0fms %10s %8s %s\n", "IP-box save, lock held by another program",
                heldSaveMs, "-", "-", "about 100 ms");
    std::printf("%-52s %8.0fms %10s %8s %s\n", "close, lock held by another program", heldCloseMs,
                "-", "-", "about 1 s");
    // Figures move with the machine's load; a settings call that fails is a broken run.
    if (failures) {
        std::printf("broken run: %d settings calls failed\n", failures);
        return 1;
    }
    return 0;
}
