// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#include "SystemClock.h"

#include <QTime>

float SystemClock::secondsSinceMidnight() const
{
    return float(QTime::currentTime().msecsSinceStartOfDay()) / 1000.0f;
}

std::chrono::steady_clock::time_point SystemClock::monotonicNow() const
{
    return std::chrono::steady_clock::now();
}
