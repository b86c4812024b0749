// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringView>

#include <optional>

// The program's number/text conversions, kept in one place so the texts it saves read back to the
// numbers it wrote.
class Convert
{
public:
    // The text's leading number: leading blanks skipped, an optional sign, digits with an optional
    // fraction and exponent. 0 when the text does not start with one.
    static double Val(QStringView text);

    // Decimal text of a single-precision number, no leading space, in the shortest form that
    // reads back (through Val) to exactly the same number: 2880, -150, 1234.5.
    static QString Str(float value);

    // Text to a 16-bit integer: the whole text (blanks around it allowed) must be a number in
    // range; fractions round half to even. Empty when it does not convert.
    static std::optional<qint16> CInt(QStringView text);

    // The text without the spaces at either end; tabs and other blanks stay.
    static QStringView Trim(QStringView text);
};
