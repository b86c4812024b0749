// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#pragma once

#include "link/LinkIndicator.h"

#include <QString>

class Clock;
class QLineEdit;

// The link's state shown as a text box's background colour, and told in words to assistive
// technology: while the box wears the lost colour its accessible description says since when
// nothing has been heard, and screen readers are told of each change. Nothing visible changes
// beyond the colour.
class LineEditIndicator final : public LinkIndicator
{
public:
    LineEditIndicator(QLineEdit &box, const Clock &clock);

    quint32 colour() const override;
    void setColour(quint32 bgr) override;

    // The unit was heard from, or the watch began: the time a lost link is told from.
    void heard();

private:
    void describe(const QString &description);

    QLineEdit &m_box;
    const Clock &m_clock;
    QString m_designDescription;
    float m_heardAt = 0; // seconds since midnight
    bool m_toldLost = false;
};
