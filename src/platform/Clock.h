// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>

// Time as the program sees it; tests substitute a clock they move by hand.
class Clock
{
public:
    virtual ~Clock() = default;

    // A clock that only moves forward, whatever is done to the wall clock.
    virtual std::chrono::steady_clock::time_point monotonicNow() const = 0;
};
