// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#include "LineEditIndicator.h"

#include "BgrColor.h"

#include <QLineEdit>

LineEditIndicator::LineEditIndicator(QLineEdit &box)
    : m_box(box)
{ }

quint32 LineEditIndicator::colour() const
{
    return BgrColor::fromColor(m_box.palette().color(QPalette::Base));
}

void LineEditIndicator::setColour(quint32 bgr)
{
    QPalette palette = m_box.palette();
    palette.setColor(QPalette::Base, BgrColor::toColor(bgr));
    m_box.setPalette(palette);
}
