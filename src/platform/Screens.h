// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#pragma once

#include <QList>
#include <QRect>

// The screens a window may be placed on.
class Screens
{
public:
    virtual ~Screens() = default;

    // Each screen's available area (the screen less the desktop's bars and docks) in desktop
    // pixels, the primary screen's first. A screen whose outputs are all off has an empty area.
    virtual QList<QRect> availableAreas() const = 0;
};
