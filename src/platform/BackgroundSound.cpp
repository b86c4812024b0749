// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#include "BackgroundSound.h"

#include "Logging.h"

#include <condition_variable>
#include <mutex>
#include <optional>
#include <system_error>
#include <utility>

struct BackgroundSound::Worker
{
    struct Request
    {
        QString file;
        Event event;
    };

    void run()
    {
        std::unique_lock lock(mutex);
        for (;;) {
            wake.wait(lock, [this] { return closing || next; });
            if (closing)
                break;
            const Request request = *std::exchange(next, std::nullopt);
            playing = true;
            lock.unlock();
            sound->play(request.file, request.event);
            lock.lock();
            playing = false;
        }
        lock.unlock();
        sound.reset(); // the library is let go of on the thread that used it
    }

    std::unique_ptr<Sound> sound; // touched only by the worker once it runs
    std::mutex mutex;
    std::condition_variable wake;
    std::optional<Request> next;
    bool playing = false;
    bool closing = false;
};

BackgroundSound::BackgroundSound(std::unique_ptr<Sound> sound)
    : m_worker(std::make_shared<Worker>())
{
    m_worker->sound = std::move(sound);
}

BackgroundSound::~BackgroundSound()
{
    bool stuck = false;
    {
        const std::lock_guard guard(m_worker->mutex);
        m_worker->closing = true;
        stuck = m_worker->playing;
    }
    m_worker->wake.notify_one();
    if (!m_thread.joinable())
        return;
    // An idle worker ends at once. One inside a play may be held there by a server that never
    // answers: it goes on alone and ends when the play returns, if the process still runs then.
    if (stuck)
        m_thread.detach();
    else
        m_thread.join();
}

void BackgroundSound::play(const QString &file, Event event)
{
    {
        const std::lock_guard guard(m_worker->mutex);
        m_worker->next = Worker::Request {file, event};
    }
    if (!m_thread.joinable()) {
        try {
            m_thread = std::thread(&Worker::run, m_worker);
        } catch (const std::system_error &error) {
            // No thread to be had (a process or thread limit): no sound rather than a frozen
            // window. The next sound tries again.
            if (!std::exchange(m_noThreadReported, true))
                qCWarning(lcSound, "no sound: no thread to play it on (%s)", error.what());
            return;
        }
    }
    m_worker->wake.notify_one();
}
