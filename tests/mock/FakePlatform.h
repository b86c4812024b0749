// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#pragma once

#include "FakeClock.h"

#include "platform/InstanceLock.h"
#include "platform/MessageBox.h"
#include "platform/PlatformServices.h"
#include "platform/Runtime.h"
#include "platform/Screens.h"
#include "platform/Sound.h"
#include "registry/Registry.h"

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

#include <cstring>
#include <functional>

// Stand-ins for the world outside the window. Every call that matters is written to one shared
// journal, so a test can check what happened and in which order.
struct FakePlatform
{
    struct FakeInstance final : InstanceLock
    {
        explicit FakeInstance(QStringList &journal)
            : journal(journal)
        { }
        bool PrevInstance() override
        {
            journal << QStringLiteral("PrevInstance");
            return running;
        }
        void claim() override { journal << QStringLiteral("claim"); }
        void release() override { journal << QStringLiteral("release"); }
        QStringList &journal;
        bool running = false;
    };

    struct FakeMessageBox final : MessageBox
    {
        explicit FakeMessageBox(QStringList &journal)
            : journal(journal)
        { }
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
        { }
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

    // One key in memory, any path: enough for the window, which only ever uses its own.
    struct FakeRegistry final : Registry
    {
        struct Value
        {
            std::uint32_t type = TypeString;
            QByteArray data;
        };
        explicit FakeRegistry(QStringList &journal)
            : journal(journal)
        { }
        Result RegOpenKeyExA(Handle, const char *, std::uint32_t, std::uint32_t,
                             Handle *result) override
        {
            if (!keyExists)
                return FileNotFound;
            *result = 1;
            return Success;
        }
        Result RegQueryValueExA(Handle, const char *name, std::uint32_t *, std::uint32_t *type,
                                std::uint8_t *data, std::uint32_t *size) override
        {
            if (beforeRead)
                beforeRead(); // lets a test see what start-up has done by the time it reads
            journal << QStringLiteral("read %1").arg(QLatin1String(name));
            const auto found = values.constFind(QByteArray(name));
            if (found == values.cend())
                return FileNotFound;
            *type = found->type;
            if (std::uint32_t(found->data.size()) > *size) {
                *size = found->data.size();
                return MoreData;
            }
            *size = found->data.size();
            std::memcpy(data, found->data.constData(), found->data.size());
            return Success;
        }
        Result RegCloseKey(Handle) override { return Success; }
        Result RegCreateKeyExA(Handle, const char *, std::uint32_t, const char *, std::uint32_t,
                               std::uint32_t, const void *, Handle *result,
                               std::uint32_t *) override
        {
            keyExists = true;
            *result = 1;
            return Success;
        }
        Result RegSetValueExA(Handle, const char *name, std::uint32_t, std::uint32_t type,
                              const std::uint8_t *data, std::uint32_t size) override
        {
            const QByteArray bytes(reinterpret_cast<const char *>(data), size);
            journal << QStringLiteral("write %1=%2").arg(QLatin1String(name), QLatin1String(bytes));
            values[QByteArray(name)] = Value {type, bytes};
            return Success;
        }
        void setString(const char *name, const QByteArray &text)
        {
            keyExists = true;
            values[QByteArray(name)] = Value {TypeString, text};
        }
        QByteArray string(const char *name) const { return values.value(name).data; }
        QStringList &journal;
        std::function<void()> beforeRead;
        bool keyExists = false;
        QMap<QByteArray, Value> values;
    };

    struct FakeSound final : Sound
    {
        explicit FakeSound(QStringList &journal)
            : journal(journal)
        { }
        void play(const QString &file, Event) override
        {
            journal << QStringLiteral("play %1").arg(file);
        }
        QStringList &journal;
    };

    // One screen of 1024x768 unless a test sets others.
    struct FakeScreens final : Screens
    {
        QList<QRect> availableAreas() const override { return areas; }
        QList<QRect> areas {QRect(0, 0, 1024, 768)};
    };

    QStringList journal;
    FakeClock clock;
    FakeInstance instance {journal};
    FakeMessageBox messageBox {journal};
    FakeRuntime runtime {journal};
    FakeRegistry registry {journal};
    FakeSound sound {journal};
    FakeScreens screens;
    PlatformServices services {clock, instance, messageBox, runtime, registry, sound, screens};
};
