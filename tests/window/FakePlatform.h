// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#pragma once

#include "platform/Clock.h"
#include "platform/InstanceLock.h"
#include "platform/MessageBox.h"
#include "platform/PlatformServices.h"
#include "platform/Runtime.h"

#include <QString>
#include <QStringList>

// Stand-ins for the world outside the window. Every call that matters is written to one shared
// journal, so a test can check what happened and in which order.
struct FakePlatform
{
    struct FakeClock final : Clock
    {
        float secondsSinceMidnight() const override { return seconds; }
        std::chrono::steady_clock::time_point monotonicNow() const override { return monotonic; }
        float seconds = 43200.0f;
        std::chrono::steady_clock::time_point monotonic{};
    };

    struct FakeInstance final : InstanceLock
    {
        explicit FakeInstance(QStringList &journal)
            : journal(journal)
        {
        }
        bool PrevInstance() override
        {
            journal << QStringLiteral("PrevInstance");
            return running;
        }
        void claim() override { journal << QStringLiteral("claim"); }
        QStringList &journal;
        bool running = false;
    };

    struct FakeMessageBox final : MessageBox
    {
        explicit FakeMessageBox(QStringList &journal)
            : journal(journal)
        {
        }
        Answer askOkCancel(const QString &prompt, const QString &title) override
        {
            journal << QStringLiteral("MsgBox %1|%2").arg(prompt, title);
            return answer;
        }
        QStringList &journal;
        Answer answer = vbOK;
    };

    struct FakeRuntime final : Runtime
    {
        explicit FakeRuntime(QStringList &journal)
            : journal(journal)
        {
        }
        QString appPath() const override { return folder; }
        bool createIfMissing(const QString &path) override
        {
            journal << QStringLiteral("create %1").arg(path);
            return true;
        }
        void End() override
        {
            journal << QStringLiteral("End");
            ended = true;
        }
        QStringList &journal;
        QString folder = QStringLiteral("/opt/panel");
        bool ended = false;
    };

    QStringList journal;
    FakeClock clock;
    FakeInstance instance{journal};
    FakeMessageBox messageBox{journal};
    FakeRuntime runtime{journal};
    PlatformServices services{clock, instance, messageBox, runtime};
};
