// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#pragma once

#include "registry/FileRegistry.h"

#include <QDir>
#include <QFile>
#include <QTest>

// The settings file of the panel's key, as the tests of the file store write and read it.

// The section line of the panel's key in a settings file.
inline const QByteArray keySection = "[HKEY_CURRENT_USER\\SOFTWARE\\Yorv\\Varnoke]";

// A REGEDIT4 settings file of the panel's key, its lines ended as the store ends them ("\n") or
// as a Windows editor does ("\r\n"), followed by `body` as it stands.
inline QByteArray regedit4(const QByteArray &body = {}, const QByteArray &lineEnd = "\n")
{
    return "REGEDIT4" + lineEnd + lineEnd + keySection + lineEnd + body;
}

inline QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline void writeAll(const QString &path, const QByteArray &bytes)
{
    QVERIFY(QDir().mkpath(QFileInfo(path).path()));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

// One value of the panel's key through the registry calls, each call opening and closing the key
// as the settings routines do: its data, or the failure's code as text.
inline QByteArray queryValue(Registry &registry, const char *name, std::uint32_t *type = nullptr)
{
    Registry::Handle key = 0;
    Registry::Result r =
        registry.RegOpenKeyExA(Registry::predefinedRoot(Registry::CurrentUserRoot),
                               "SOFTWARE\\Yorv\\Varnoke", 0, Registry::AccessRead, &key);
    QByteArray data(2048, '\0');
    auto size = std::uint32_t(data.size());
    if (r == Registry::Success) {
        r = registry.RegQueryValueExA(key, name, nullptr, type,
                                      reinterpret_cast<std::uint8_t *>(data.data()), &size);
        registry.RegCloseKey(key);
    }
    return r == Registry::Success ? data.first(size) : "error " + QByteArray::number(r);
}

// Stores `size` bytes of `data` (all of them by default) under the name.
inline Registry::Result setValue(Registry &registry, const char *name, std::uint32_t type,
                                 const QByteArray &data, qsizetype size = -1)
{
    Registry::Handle key = 0;
    Registry::Result r = registry.RegCreateKeyExA(
        Registry::predefinedRoot(Registry::CurrentUserRoot), "SOFTWARE\\Yorv\\Varnoke", 0, nullptr,
        0, Registry::AccessAll, nullptr, &key, nullptr);
    if (r == Registry::Success) {
        r = registry.RegSetValueExA(key, name, 0, type,
                                    reinterpret_cast<const std::uint8_t *>(data.constData()),
                                    std::uint32_t(size < 0 ? data.size() : size));
        registry.RegCloseKey(key);
    }
    return r;
}
