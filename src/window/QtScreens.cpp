// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#include "QtScreens.h"

#include <QGuiApplication>
#include <QScreen>

QList<QRect> QtScreens::availableAreas() const
{
    const QScreen *primary = QGuiApplication::primaryScreen();
    QList<QRect> areas;
    if (primary)
        areas.append(primary->availableGeometry());
    for (const QScreen *screen : QGuiApplication::screens()) {
        if (screen != primary)
            areas.append(screen->availableGeometry());
    }
    return areas;
}
