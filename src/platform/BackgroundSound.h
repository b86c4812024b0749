// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#pragma once

#include "Sound.h"

#include <memory>
#include <thread>

// Plays another Sound on a thread of its own, so that the caller never waits for it. A sound
// server can accept a connection and never answer; the library then holds its caller for half a
// minute, which on the window's thread would freeze the panel. Here only this worker waits.
//
// play() hands over the latest request and returns at once. A request made while one plays
// replaces any still waiting: a sound is a mark of the moment, and a stale one is worth nothing,
// so at most one waits and nothing queues up. Destroying it never waits for a play under way:
// the worker is left to finish that play and then ends, taking the inner Sound with it.
class BackgroundSound final : public Sound
{
public:
    explicit BackgroundSound(std::unique_ptr<Sound> sound);
    ~BackgroundSound() override;

    BackgroundSound(const BackgroundSound &) = delete;
    BackgroundSound &operator=(const BackgroundSound &) = delete;

    void play(const QString &file, Event event) override;

private:
    struct Worker;

    std::shared_ptr<Worker> m_worker; // shared with the thread, which may outlive this object
    std::thread m_thread; // started with the first sound
    bool m_noThreadReported = false;
};
