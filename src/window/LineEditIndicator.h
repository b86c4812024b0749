// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#pragma once

#include "link/LinkIndicator.h"

class QLineEdit;

// The link's state shown as a text box's background colour.
class LineEditIndicator final : public LinkIndicator
{
public:
    explicit LineEditIndicator(QLineEdit &box);

    quint32 colour() const override;
    void setColour(quint32 bgr) override;

private:
    QLineEdit &m_box;
};
