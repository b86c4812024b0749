// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#include "CanberraSound.h"

#include "Logging.h"

#include <QFile>
#include <QFileInfo>

#include <canberra.h>
#include <dlfcn.h>

#include <cstdarg>
#include <cstdio>
#include <type_traits>

// The library is loaded with the first sound, not with the program: most runs never play one, and
// the library with its codecs would add to every start-up.
struct CanberraSound::Library
{
    decltype(&ca_context_create) contextCreate = nullptr;
    decltype(&ca_context_set_driver) contextSetDriver = nullptr;
    decltype(&ca_context_open) contextOpen = nullptr;
    decltype(&ca_context_destroy) contextDestroy = nullptr;
    decltype(&ca_context_play_full) contextPlayFull = nullptr;
    decltype(&ca_proplist_create) proplistCreate = nullptr;
    decltype(&ca_proplist_sets) proplistSets = nullptr;
    decltype(&ca_proplist_destroy) proplistDestroy = nullptr;

    // Null when the library or one of its functions is missing.
    static const Library *load()
    {
        static const Library library = [] {
            Library l;
            void *handle = ::dlopen("libcanberra.so.0", RTLD_NOW | RTLD_LOCAL);
            if (!handle)
                return l;
            auto resolve = [handle](auto &function, const char *name) {
                function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(
                    ::dlsym(handle, name));
                return function != nullptr;
            };
            const bool complete = resolve(l.contextCreate, "ca_context_create")
                && resolve(l.contextSetDriver, "ca_context_set_driver")
                && resolve(l.contextOpen, "ca_context_open")
                && resolve(l.contextDestroy, "ca_context_destroy")
                && resolve(l.contextPlayFull, "ca_context_play_full")
                && resolve(l.proplistCreate, "ca_proplist_create")
                && resolve(l.proplistSets, "ca_proplist_sets")
                && resolve(l.proplistDestroy, "ca_proplist_destroy");
            if (!complete)
                l.contextCreate = nullptr;
            return l; // the handle stays open for the life of the process
        }();
        return library.contextCreate ? &library : nullptr;
    }
};

namespace {

// ALSA writes every step of a failed device search to stderr, eight lines a play on a machine
// without a sound card. Its messages go to the debug output of the sound category instead; what
// the panel makes of the failure is the one warning below.
void quietAlsaMessage(const char *file, int line, const char *function, int error,
                      const char *format, ...)
{
    if (!lcSound().isDebugEnabled())
        return;
    char text[512];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    qCDebug(lcSound, "ALSA %s:%d (%s) %s: error %d", file, line, function, text, error);
}

void quietenAlsa()
{
    using Handler = void (*)(const char *, int, const char *, int, const char *, ...);
    // The same library the sound backend loads; if it isn't there, there is nothing to quieten.
    void *alsa = ::dlopen("libasound.so.2", RTLD_NOW | RTLD_LOCAL);
    if (!alsa)
        return;
    auto setHandler =
        reinterpret_cast<int (*)(Handler)>(::dlsym(alsa, "snd_lib_error_set_handler"));
    if (setHandler)
        setHandler(&quietAlsaMessage);
    // The handle stays open: the handler must outlive every ALSA call of the process.
}

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
        m_library->contextDestroy(m_context);
}

bool CanberraSound::noOutput(int result)
{
    switch (result) {
    case CA_ERROR_NODRIVER:
    case CA_ERROR_NOTAVAILABLE:
    case CA_ERROR_DISCONNECTED:
    case CA_ERROR_DISABLED:
    // What ALSA's errors come to when they are none of the above: among them the sound server
    // that accepts and never answers, given up on after half a minute. Every other sound would
    // wait as long again.
    case CA_ERROR_IO:
        return true;
    }
    return false;
}

void CanberraSound::play(const QString &file, Event event)
{
    if (!file.isEmpty() && worthTrying(file)) {
        const int result = request({{CA_PROP_MEDIA_FILENAME, QFile::encodeName(file)}});
        if (result == CA_SUCCESS)
            return;
        // The file was there and readable a moment ago, so "not found" is the output device:
        // ALSA answers so when there is no sound card. No theme sound would be heard either.
        if (noOutput(result) || result == CA_ERROR_NOTFOUND) {
            noOutputFor(result);
            return;
        }
    }
    // A missing or unplayable file falls back to the theme's sound for the event, then to its
    // general warning.
    for (const QByteArray &id : {themeEventFor(event), QByteArrayLiteral("dialog-warning")}) {
        const int result = request({{CA_PROP_EVENT_ID, id}});
        if (result == CA_SUCCESS)
            return;
        if (noOutput(result)) {
            noOutputFor(result);
            return;
        }
    }
}

void CanberraSound::noOutputFor(int result)
{
    // A context whose backend has nothing to play on (a server gone, ALSA chosen before the
    // server came up) stays so: the next play opens a new one.
    if (m_context) {
        m_library->contextDestroy(m_context);
        m_context = nullptr;
    }
    // Once per kind of failure: the mark that wanted the sound can come back every few seconds.
    warnOnce(lcSound, "no output " + QByteArray::number(result),
             QStringLiteral("no sound: no audio device or driver to play it on, or a sound server "
                            "that did not answer (libcanberra error %1)")
                 .arg(result));
}

int CanberraSound::request(const Properties &properties)
{
    return m_player ? m_player(properties) : playThroughLibrary(properties);
}

int CanberraSound::playThroughLibrary(const Properties &properties)
{
    if (!m_context) {
        // Opened on first use, not at start-up, and again at the next play after one that found
        // nothing to play on.
        if (!m_library) {
            m_library = Library::load();
            if (!m_library)
                return CA_ERROR_NOTAVAILABLE;
            quietenAlsa();
        }
        int result = m_library->contextCreate(&m_context);
        if (result == CA_SUCCESS && !m_driver.isEmpty())
            result = m_library->contextSetDriver(m_context, m_driver.constData());
        if (result == CA_SUCCESS)
            result = m_library->contextOpen(m_context);
        if (result != CA_SUCCESS) {
            if (m_context)
                m_library->contextDestroy(m_context);
            m_context = nullptr;
            return result;
        }
    }

    ca_proplist *list = nullptr;
    int result = m_library->proplistCreate(&list);
    for (const auto &[key, value] : properties) {
        if (result == CA_SUCCESS)
            result = m_library->proplistSets(list, key.constData(), value.constData());
    }
    // No finish callback: the sound plays on without us, and its end is of no interest.
    if (result == CA_SUCCESS)
        result = m_library->contextPlayFull(m_context, 0, list, nullptr, nullptr);
    if (list)
        m_library->proplistDestroy(list);
    return result;
}
