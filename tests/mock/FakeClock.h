// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#pragma once

#include "platform/Clock.h"

#include <chrono>

// A clock that moves only when a test moves it: advance() moves the monotonic clock, `seconds`
// is the time of day.
class FakeClock final : public Clock
{
public:
    float secondsSinceMidnight() const override { return seconds; }
    std::chrono::steady_clock::time_point monotonicNow() const override { return m_now; }
    void advance(std::chrono::steady_clock::duration by) { m_now += by; }

    float seconds = 43200.0f; // noon

private:
    // Far from the clock's epoch, so that going back from a start never underflows.
    std::chrono::steady_clock::time_point m_now {std::chrono::hours(1000)};
};
