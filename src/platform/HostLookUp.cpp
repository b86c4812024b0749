// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#include "HostLookUp.h"

#include <QMetaObject>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <system_error>
#include <thread>

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

namespace {

std::optional<HostLookUp::Address> resolveWithSystem(const QByteArray &name, QString &error)
{
    addrinfo hints {};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo *found = nullptr;
    const int result =
        name.isEmpty() ? EAI_NONAME : ::getaddrinfo(name.constData(), nullptr, &hints, &found);
    std::optional<HostLookUp::Address> address;
    if (result == 0 && found)
        address = ntohl(reinterpret_cast<const sockaddr_in *>(found->ai_addr)->sin_addr.s_addr);
    else
        error = QString::fromLocal8Bit(result == EAI_SYSTEM ? std::strerror(errno)
                                                            : ::gai_strerror(result));
    if (found)
        ::freeaddrinfo(found);
    return address;
}

} // namespace

// What a look-up's thread shares with its HostLookUp. The HostLookUp lets go of a look-up it no
// longer wants by clearing `owner`; the thread answers only while it is set, under the mutex, so
// it never posts to an object being destroyed.
struct HostLookUp::Shared
{
    std::mutex mutex;
    HostLookUp *owner = nullptr;
};

HostLookUp::HostLookUp(QObject *parent)
    : QObject(parent)
    , m_resolver(resolveWithSystem)
{ }

HostLookUp::~HostLookUp()
{
    abandon(); // a look-up still running must not answer to an object that is gone
}

void HostLookUp::start(const QByteArray &name)
{
    abandon();
    auto lookUp = std::make_shared<Shared>();
    lookUp->owner = this;
    m_running = lookUp;
    const auto resolve = [lookUp, name, resolver = m_resolver] {
        QString error;
        const std::optional<Address> address = resolver(name, error);
        const std::lock_guard guard(lookUp->mutex);
        if (HostLookUp *owner = lookUp->owner) {
            QMetaObject::invokeMethod(
                owner,
                [owner, lookUp, address, error] { owner->answer(lookUp.get(), address, error); },
                Qt::QueuedConnection);
        }
    };
    // Where no thread can be had, the look-up fails like any other.
    try {
        std::thread(resolve).detach();
    } catch (const std::system_error &error) {
        answer(lookUp.get(), std::nullopt, QString::fromLocal8Bit(error.what()));
    }
}

void HostLookUp::abandon()
{
    if (!m_running)
        return;
    const std::lock_guard guard(m_running->mutex);
    m_running->owner = nullptr;
    m_running.reset();
}

void HostLookUp::answer(const Shared *lookUp, std::optional<Address> address, const QString &error)
{
    if (lookUp != m_running.get())
        return; // one let go of since
    m_running.reset();
    Q_EMIT finished(address, error);
}
