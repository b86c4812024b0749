// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#include "CanberraSound.h"

#include <QFile>
#include <QFileInfo>

#include <canberra.h>

namespace {

QByteArray themeEventFor(Sound::Event event)
{
    switch (event) {
    case Sound::Event::ConnectionLost:
        return QByteArrayLiteral("network-connectivity-lost");
    case Sound::Event::ConnectionRestored:
        return QByteArrayLiteral("network-connectivity-established");
    }
    return {};
}

// Only a readable, non-empty regular file is worth handing to the library; anything else goes
// straight to the theme.
bool worthTrying(const QString &file)
{
    const QFileInfo info(file);
    return info.isFile() && info.isReadable() && info.size() > 0;
}

} // namespace

CanberraSound::CanberraSound(const QByteArray &driver)
    : m_driver(driver)
{ }

CanberraSound::CanberraSound(Player player)
    : m_player(std::move(player))
{ }

CanberraSound::~CanberraSound()
{
    if (m_context)
        ca_context_destroy(m_context);
}

void CanberraSound::play(const QString &file, Event event)
{
    if (!file.isEmpty() && worthTrying(file)
        && request({{CA_PROP_MEDIA_FILENAME, QFile::encodeName(file)}}) == CA_SUCCESS)
        return;
    if (request({{CA_PROP_EVENT_ID, themeEventFor(event)}}) == CA_SUCCESS)
        return;
    request({{CA_PROP_EVENT_ID, QByteArrayLiteral("dialog-warning")}});
}

int CanberraSound::request(const Properties &properties)
{
    return m_player ? m_player(properties) : playThroughLibrary(properties);
}

int CanberraSound::playThroughLibrary(const Properties &properties)
{
    if (m_unavailable)
        return CA_ERROR_NODRIVER;
    if (!m_context) {
        // Opened on first use, not at start-up; a backend that can't be opened now is not tried
        // again, so a machine without sound pays for it once.
        int result = ca_context_create(&m_context);
        if (result == CA_SUCCESS && !m_driver.isEmpty())
            result = ca_context_set_driver(m_context, m_driver.constData());
        if (result == CA_SUCCESS)
            result = ca_context_open(m_context);
        if (result != CA_SUCCESS) {
            if (m_context)
                ca_context_destroy(m_context);
            m_context = nullptr;
            m_unavailable = true;
            return result;
        }
    }

    ca_proplist *list = nullptr;
    int result = ca_proplist_create(&list);
    for (const auto &[key, value] : properties) {
        if (result == CA_SUCCESS)
            result = ca_proplist_sets(list, key.constData(), value.constData());
    }
    // No finish callback: the sound plays on without us, and its end is of no interest.
    if (result == CA_SUCCESS)
        result = ca_context_play_full(m_context, 0, list, nullptr, nullptr);
    if (list)
        ca_proplist_destroy(list);
    return result;
}
