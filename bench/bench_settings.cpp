// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
//
// One WriteRegString and one ReadRegString on the per-user file store, as the panel makes them
// (every call opens, does its one thing, and closes), in a temporary config folder.

#include "LatencyStats.h"

#include "registry/FileRegistry.h"
#include "settings/MiscFunctions.h"
#include "settings/SettingsKey.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <cstdlib>

using SteadyClock = std::chrono::steady_clock;

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 1000;
    QTemporaryDir config;
    FileRegistry registry(config.path());
    MiscFunctions settings(registry);
    const quint32 root = SettingsKey::HKEY_CURRENT_USER_ROOT;

    // A file as the panel leaves it: all four values present.
    for (const char *name : {"Left", "Top", "Window state"})
        settings.WriteRegString(root, SettingsKey::path, QString::fromLatin1(name),
                                QStringLiteral("1500"));

    LatencyStats writes;
    LatencyStats reads;
    int failures = 0;
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

    const double writeP50 = writes.percentileUs(50), readP50 = reads.percentileUs(50);
    std::printf("%-34s %8.1fus %10s %8s %s\n", "settings WriteRegString p50", writeP50, "-", "-",
                "< 1000 us");
    std::printf("%-34s %8.1fus %10s %8s %s\n", "settings ReadRegString p50", readP50, "-", "-",
                "< 1000 us");
    if (failures)
        std::printf("%-34s %10d\n", "settings calls that failed", failures);
    return (writeP50 < 1000 && readP50 < 1000 && failures == 0) ? 0 : 1;
}
