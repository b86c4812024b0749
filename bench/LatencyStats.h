// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

// Collects latencies and reports percentiles in microseconds.
class LatencyStats
{
public:
    void add(std::chrono::nanoseconds sample) { m_samples.push_back(sample.count()); }
    std::size_t count() const { return m_samples.size(); }

    double percentileUs(double p)
    {
        if (m_samples.empty())
            return 0.0;
        std::sort(m_samples.begin(), m_samples.end());
        const auto index =
            std::min(m_samples.size() - 1, std::size_t(p / 100.0 * m_samples.size()));
        return double(m_samples[index]) / 1000.0;
    }

private:
    std::vector<long long> m_samples;
};
