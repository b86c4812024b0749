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
#include "registry/FileRegistry.h"
#include "settings/MiscFunctions.h"
#include "settings/SettingsKey.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

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

    // The real file store in a folder of the test's own, with each of the window's reads and
    // writes put in the journal. Values a test plants or looks at pass by the journal.
    struct JournalledRegistry final : Registry
    {
        explicit JournalledRegistry(QStringList &journal)
            : journal(journal)
        { }
        Result RegOpenKeyExA(Handle key, const char *subKey, std::uint32_t options,
                             std::uint32_t access, Handle *result) override
        {
            return store.RegOpenKeyExA(key, subKey, options, access, result);
        }
        Result RegQueryValueExA(Handle key, const char *name, std::uint32_t *reserved,
                                std::uint32_t *type, std::uint8_t *data,
                                std::uint32_t *size) override
        {
            if (beforeRead)
                beforeRead(); // lets a test see what start-up has done by the time it reads
            journal << QStringLiteral("read %1").arg(QLatin1String(name));
            return store.RegQueryValueExA(key, name, reserved, type, data, size);
        }
        Result RegCloseKey(Handle key) override { return store.RegCloseKey(key); }
        Result RegCreateKeyExA(Handle key, const char *subKey, std::uint32_t reserved,
                               const char *keyClass, std::uint32_t options, std::uint32_t access,
                               const void *security, Handle *result,
                               std::uint32_t *disposition) override
        {
            return store.RegCreateKeyExA(key, subKey, reserved, keyClass, options, access, security,
                                         result, disposition);
        }
        Result RegSetValueExA(Handle key, const char *name, std::uint32_t reserved,
                              std::uint32_t type, const std::uint8_t *data,
                              std::uint32_t size) override
        {
            journal << QStringLiteral("write %1=%2")
                           .arg(QLatin1String(name),
                                QLatin1String(reinterpret_cast<const char *>(data), size));
            return store.RegSetValueExA(key, name, reserved, type, data, size);
        }

        void setValue(const char *name, std::uint32_t type, const QByteArray &bytes)
        {
            Handle key = 0;
            store.RegCreateKeyExA(root(), keyPath().constData(), 0, nullptr, 0, AccessAll, nullptr,
                                  &key, nullptr);
            store.RegSetValueExA(key, name, 0, type,
                                 reinterpret_cast<const std::uint8_t *>(bytes.constData()),
                                 std::uint32_t(bytes.size()));
            store.RegCloseKey(key);
        }
        void setString(const char *name, const QByteArray &text)
        {
            setValue(name, TypeString, text);
        }
        // A string value's text as the panel reads it back; empty when there is none.
        QByteArray string(const char *name)
        {
            QString text;
            MiscFunctions(store).ReadRegString(SettingsKey::HKEY_CURRENT_USER_ROOT,
                                               SettingsKey::path, QLatin1String(name), text);
            return text.toLatin1();
        }
        bool keyExists()
        {
            Handle key = 0;
            if (store.RegOpenKeyExA(root(), keyPath().constData(), 0, AccessRead, &key) != Success)
                return false;
            store.RegCloseKey(key);
            return true;
        }

        static Handle root() { return predefinedRoot(SettingsKey::HKEY_CURRENT_USER_ROOT); }
        static QByteArray keyPath() { return SettingsKey::path.toLatin1(); }

        QStringList &journal;
        std::function<void()> beforeRead;
        QTemporaryDir home;
        FileRegistry store {home.path()};
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
    JournalledRegistry registry {journal};
    FakeSound sound {journal};
    FakeScreens screens;
    PlatformServices services {clock, instance, messageBox, runtime, registry, sound, screens};
};
