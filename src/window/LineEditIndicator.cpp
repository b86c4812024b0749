// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#include "LineEditIndicator.h"

#include "BgrColor.h"
#include "link/Watchdog.h"
#include "platform/Clock.h"

#include <QLineEdit>
#include <QTime>

LineEditIndicator::LineEditIndicator(QLineEdit &box, const Clock &clock)
    : m_box(box)
    , m_clock(clock)
    , m_designDescription(box.accessibleDescription())
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

    const bool lost = bgr == Watchdog::lostColour;
    if (lost == m_toldLost)
        return;
    m_toldLost = lost;
    if (!lost) {
        describe(m_designDescription);
        return;
    }
    const QTime since = QTime::fromMSecsSinceStartOfDay(int(m_heardAt * 1000.0f) % 86'400'000);
    describe(QStringLiteral("Link lost: nothing heard from the unit since %1")
                 .arg(since.toString(QStringLiteral("HH:mm:ss"))));
}

void LineEditIndicator::heard()
{
    m_heardAt = m_clock.secondsSinceMidnight();
}

void LineEditIndicator::describe(const QString &description)
{
    // The widget tells assistive technology itself (QAccessible::DescriptionChanged), so a screen
    // reader hears the change without the box taking the focus.
    m_box.setAccessibleDescription(description);
}
