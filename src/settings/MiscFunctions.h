// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#pragma once

#include "registry/Registry.h"

#include <QString>
#include <QtGlobal>

// The two settings routines: each call opens the key, does one read or one write and releases
// the key again; nothing is kept between calls. Results are 16-bit Booleans, -1 true and 0 false,
// and no failure ever leaves a routine other than as a false result.
class MiscFunctions
{
public:
    explicit MiscFunctions(Registry &registry);

    // root is the 32-bit root handle value (0x80000001 for HKEY_CURRENT_USER). On success the
    // text holds the value: a string's text, a DWORD's decimal text, and for any other type the
    // text as it came in. On failure (no key, no value, no data, more than 1024 bytes) the text
    // is empty.
    qint16 ReadRegString(quint32 root, const QString &keyPath, const QString &valueName,
                         QString &text);

    // Stores the text as a string value, creating the key and any missing level above it. With
    // `result`, it also tells why a write failed (the store's result, Registry.h).
    qint16 WriteRegString(quint32 root, const QString &keyPath, const QString &valueName,
                          const QString &text, Registry::Result *result = nullptr);

private:
    Registry &m_registry;
};
