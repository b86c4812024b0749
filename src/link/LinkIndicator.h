// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#pragma once

#include <QtGlobal>

// The visible state of the link: a colour the watchdog reads and tints. Its colour is the whole
// state, so whatever else sets it is seen on the next tick.
class LinkIndicator
{
public:
    virtual ~LinkIndicator() = default;

    virtual quint32 colour() const = 0; // 0x00BBGGRR
    virtual void setColour(quint32 bgr) = 0;
};
