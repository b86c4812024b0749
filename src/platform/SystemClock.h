// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#pragma once

#include "Clock.h"

class SystemClock final : public Clock
{
public:
    float secondsSinceMidnight() const override;
    std::chrono::steady_clock::time_point monotonicNow() const override;
};
