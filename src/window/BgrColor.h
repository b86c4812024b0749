// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#pragma once

#include <QColor>

// Colours in the design's 0x00BBGGRR form (blue high, red low) and back.
class BgrColor
{
public:
    static QColor toColor(quint32 bgr)
    {
        return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
    }
    static quint32 fromColor(const QColor &color)
    {
        return quint32(color.red()) | quint32(color.green()) << 8 | quint32(color.blue()) << 16;
    }
};
