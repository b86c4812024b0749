// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#include "Watchdog.h"

#include "LinkIndicator.h"
#include "platform/Clock.h"

#include <utility>

namespace {

// The grace in whole clock ticks, so that silence of exactly 5.5 s compares equal, not greater.
constexpr auto grace = std::chrono::duration_cast<std::chrono::steady_clock::duration>(
    std::chrono::duration<double>(Watchdog::graceSeconds));

} // namespace

Watchdog::Watchdog(const Clock &clock, Sound &sound, LinkIndicator &indicator, QString soundFolder)
    : m_clock(clock)
    , m_sound(sound)
    , m_indicator(indicator)
    , m_soundFolder(std::move(soundFolder))
{ }

void Watchdog::start()
{
    // A unit heard before the heartbeat started gains nothing: the grace starts now either way.
    m_lastContact = m_clock.monotonicNow();
    m_started = true;
}

void Watchdog::signOfLife()
{
    m_lastContact = m_clock.monotonicNow();
    if (m_indicator.colour() != lostColour)
        return;
    m_indicator.setColour(linkColour);
    playSound(QStringLiteral("ConnectedNow.wav"), Sound::Event::ConnectionRestored);
}

void Watchdog::tick()
{
    if (!m_started)
        return;
    if (m_clock.monotonicNow() - m_lastContact <= grace)
        return;
    if (m_indicator.colour() == lostColour)
        return; // already marked: one sound per mark
    m_indicator.setColour(lostColour);
    playSound(QStringLiteral("ConnectionLost.wav"), Sound::Event::ConnectionLost);
}

void Watchdog::playSound(const QString &fileName, Sound::Event event)
{
    m_sound.play(m_soundFolder + u'/' + fileName, event);
}
