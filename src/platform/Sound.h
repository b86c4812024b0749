// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// Short alert sounds, fire and forget: play() never waits for the sound, and a sound that can't
// be heard is not reported. The caller's visible mark is the alarm that always works.
class Sound
{
public:
    enum class Event { ConnectionLost, ConnectionRestored };

    virtual ~Sound() = default;

    // Plays the file; where it can't be played (missing, empty, unreadable, not a sound) plays the
    // desktop sound theme's event for `event` instead.
    virtual void play(const QString &file, Event event) = 0;
};
