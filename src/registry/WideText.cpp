// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#include "WideText.h"

#include "platform/AnsiCodec.h"

#include <QString>

QByteArray WideText::toAnsi(QByteArrayView utf16le)
{
    QString text(utf16le.size() / 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i)
        text[i] = QChar(char16_t(uchar(utf16le[2 * i]) | uchar(utf16le[2 * i + 1]) << 8));
    QByteArray ansi = AnsiCodec::encode(text);
    if (utf16le.size() % 2)
        ansi += utf16le.back();
    return ansi;
}

QByteArray WideText::fromAnsi(QByteArrayView ansi)
{
    const QString text = AnsiCodec::decode(ansi);
    QByteArray wide(text.size() * 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) {
        wide[2 * i] = char(text[i].unicode() & 0xFF);
        wide[2 * i + 1] = char(text[i].unicode() >> 8);
    }
    return wide;
}
