// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QByteArrayView>

// UTF-16LE bytes, as a version 5 registry file holds its text and its string values, to and from
// 8-bit text in the ANSI code page, as the ANSI registry calls convert them. A character the code
// page can't hold becomes '?'; an odd last byte is kept as it is.
class WideText
{
public:
    static QByteArray toAnsi(QByteArrayView utf16le);
    static QByteArray fromAnsi(QByteArrayView ansi);
};
