// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>

// Time as the program sees it; tests substitute a clock they move by hand.
class Clock
{
public:
    virtual ~Clock() = default;

    // Seconds since local midnight, restarting at 0 at midnight: the time of day a person reads
    // (the link indicator says since when the unit has been silent). Never for measuring time.
    virtual float secondsSinceMidnight() const = 0;

    // A clock that only moves forward, whatever is done to the wall clock.
    virtual std::chrono::steady_clock::time_point monotonicNow() const = 0;
};
