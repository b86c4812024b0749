// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#pragma once

#include "RegistryValue.h"

#include <QByteArrayView>

#include <optional>

// The text of one value in a registry file: "name"=data or @=data, the data a quoted string,
// dword:, hex: or hex(type):, and "name"=- for a value to delete. Names and strings are 8-bit
// text in the ANSI code page. In a version 5 file (`wide`) the string types' hex data are UTF-16LE
// on disk and ANSI here, as the ANSI registry calls convert them.
class ValueLine
{
public:
    struct Parsed
    {
        RegistryValue value;
        bool removal = false; // "name"=-
    };

    // One logical line (continuations joined, no line end); empty when it is not a value line.
    static std::optional<Parsed> parse(QByteArrayView line, bool wide);

    // The line for `value`, without a line end; what parse() gives back unchanged.
    static QByteArray write(const RegistryValue &value, bool wide);

    // The text without the spaces and tabs at either end.
    static QByteArrayView trimmed(QByteArrayView text);
};
