// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

// Looks a host name up on a thread of its own, so that a slow or silent name server never holds
// the thread that asks; the answer comes back on the asker's thread as finished(). One look-up
// is wanted at a time: starting another, or destroying this, lets go of the one under way, whose
// thread then ends without answering.
class HostLookUp : public QObject
{
    Q_OBJECT

public:
    // An IPv4 address in host byte order: 127.0.0.1 is 0x7F000001.
    using Address = quint32;

    // Looks a host name up, on the look-up's thread, so it may block; empty when the name is not
    // found, with the reason in `error`. The system's resolver (getaddrinfo) unless a test hands
    // in its own, so that no name server is asked.
    using Resolver = std::function<std::optional<Address>(const QByteArray &name, QString &error)>;

    explicit HostLookUp(QObject *parent = nullptr);
    ~HostLookUp() override;

    void setResolver(Resolver resolver) { m_resolver = std::move(resolver); }

    // Starts looking the name up, in place of any look-up under way.
    void start(const QByteArray &name);
    // Lets go of the look-up under way, if any: it will not answer.
    void abandon();

Q_SIGNALS:
    // The answer: the address, or none and the reason.
    void finished(std::optional<HostLookUp::Address> address, const QString &error);

private:
    struct Shared;

    void answer(const Shared *lookUp, std::optional<Address> address, const QString &error);

    Resolver m_resolver;
    std::shared_ptr<Shared> m_running; // the look-up under way, shared with its thread
};
