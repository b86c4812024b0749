// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <cstdint>
#include <optional>

// One named value of a registry key as the ANSI calls see it, and its line in a registry export:
// "name"=data or @=data, the data a quoted string, dword:, hex: or hex(type):, and "name"=- for a
// value to delete. In a version 5 export (`wide`) the hex data of the string types are UTF-16LE
// on disk, and ANSI here, as the ANSI calls convert them.
struct RegistryValue
{
    QString name; // as spelled in the file; "" is the key's default value, written @
    std::uint32_t type = 0;
    QByteArray data; // the string types' text in the ANSI code page
    // One logical line, continuations joined; empty when it is not a value line. "name"=- gives
    // the name alone and sets `removal`.
    static std::optional<RegistryValue> fromLine(QStringView line, bool wide, bool &removal);
    // The line for this value in the store's own form; what fromLine() reads back unchanged. A
    // long hex list goes on over further lines, each ended by `lineEnd`.
    QString toLine(bool wide, QStringView lineEnd) const;
    // UTF-16LE bytes, as a version 5 export holds its text, to text and back, every unit as it is.
    static QString fromUtf16le(QByteArrayView bytes);
    static QByteArray toUtf16le(QStringView text);
};
