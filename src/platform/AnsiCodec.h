// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// The unit and the settings file speak 8-bit text: one byte per character. ASCII passes unchanged,
// everything else goes through Windows-1252, and a character that code page cannot hold becomes
// '?'.
class AnsiCodec
{
public:
    static QByteArray encode(QStringView text);
    static QString decode(QByteArrayView bytes);
};
