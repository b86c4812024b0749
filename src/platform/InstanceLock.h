// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#pragma once

// Whether another panel of the same user is running, and this panel's claim to be one.
class InstanceLock
{
public:
    virtual ~InstanceLock() = default;

    // True when another running panel holds its claim.
    virtual bool PrevInstance() = 0;

    // Marks this panel as running, for the panels started after it.
    virtual void claim() = 0;

    // Gives the mark up, as the panel ends.
    virtual void release() = 0;
};
