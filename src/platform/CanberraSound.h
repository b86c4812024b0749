// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#pragma once

#include "Sound.h"

#include <QByteArray>
#include <QList>

#include <functional>
#include <utility>

struct ca_context;

// Sound through libcanberra. A call usually returns as soon as the sound plays on in the library's
// own thread or sound server, but may wait: a sound server that accepts and never answers holds
// it for half a minute, so the panel plays through BackgroundSound. The library tries a theme
// event before a file when it is given both, so the file and the theme event are asked for in
// separate requests: the file first, then the event for what happened, then the theme's general
// warning. Where there is no audio device, driver or answering server to play on, the first
// refusal ends the play: the fallbacks would fail the same way. The next play opens the library
// afresh, so a sound server that comes up later (as at a slow login) is used.
class CanberraSound final : public Sound
{
public:
    // The properties of one play request, in libcanberra's names ("media.filename", "event.id").
    using Properties = QList<std::pair<QByteArray, QByteArray>>;
    // Carries out one request; returns 0 when it is playing, a negative libcanberra error if not.
    using Player = std::function<int(const Properties &)>;

    // driver: the libcanberra backend to use ("alsa", "pulse", ...); empty lets the library choose.
    // Nothing is opened until the first sound.
    explicit CanberraSound(const QByteArray &driver = {});
    // Hands every request to `player` instead of the library, so the choice of requests can be
    // watched without an audio device.
    explicit CanberraSound(Player player);
    ~CanberraSound() override;

    CanberraSound(const CanberraSound &) = delete;
    CanberraSound &operator=(const CanberraSound &) = delete;

    void play(const QString &file, Event event) override;

private:
    static bool noOutput(int result);
    void noOutputFor(int result);
    int request(const Properties &properties);
    int playThroughLibrary(const Properties &properties);

    struct Library;

    QByteArray m_driver;
    Player m_player;
    const Library *m_library = nullptr;
    ca_context *m_context = nullptr;
};
