// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#pragma once

#include "platform/Sound.h"

#include <QString>
#include <QtGlobal>

#include <chrono>

class Clock;
class LinkIndicator;

// Marks a link lost once the unit has been silent for longer than the grace: the indicator turns
// the lost colour and the lost sound plays, once. The indicator's colour is the only record of
// the mark, so a mark that other code paints over is made again on the next overdue tick. Silence
// is measured on the monotonic clock, so midnight and changes to the wall clock move nothing.
class Watchdog
{
public:
    static constexpr double graceSeconds = 5.5;
    static constexpr quint32 lostColour = 0x00D0D0FF;
    static constexpr quint32 linkColour = 0x00C0C0FF; // the IP box's design colour

    Watchdog(const Clock &clock, Sound &sound, LinkIndicator &indicator, QString soundFolder);

    // The heartbeat has started: until the unit is first heard, the grace counts from now.
    void start();
    // The unit was heard. Restarts the grace, and clears a mark with the connected sound.
    void signOfLife();
    // One heartbeat tick. Before start() there is no heartbeat to answer for, so it does nothing.
    void tick();

private:
    using TimePoint = std::chrono::steady_clock::time_point;

    void playSound(const QString &fileName, Sound::Event event);

    const Clock &m_clock;
    Sound &m_sound;
    LinkIndicator &m_indicator;
    QString m_soundFolder;
    TimePoint m_lastContact;
    bool m_started = false;
};
