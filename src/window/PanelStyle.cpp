// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#include "PanelStyle.h"

#include <QPainter>
#include <QStyleOption>

void PanelStyle::drawPrimitive(PrimitiveElement element, const QStyleOption *option,
                               QPainter *painter, const QWidget *widget) const
{
    if (element != PE_FrameGroupBox) {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        return;
    }
    const QRect r = option->rect.adjusted(0, 0, -1, -1);
    painter->save();
    painter->setPen(option->palette.color(QPalette::Dark));
    painter->drawRect(r.adjusted(0, 0, -1, -1));
    painter->setPen(option->palette.color(QPalette::Light));
    painter->drawRect(r.adjusted(1, 1, 0, 0));
    painter->restore();
}
