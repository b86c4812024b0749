// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#pragma once

#include "HostLookUp.h"

#include <QByteArray>
#include <QObject>
#include <QSocketNotifier>
#include <QString>

#include <optional>
#include <vector>

// The panel's UDP endpoint: bound to one local port, sending each text as one datagram to one
// remote host and port. Failures never escape: a send that cannot be made is reported by a false
// result and, once for each kind of failure, one log line.
//
// A plain IPv4 datagram socket watched by a QSocketNotifier, with names looked up by getaddrinfo
// on a thread of their own (HostLookUp), rather than QUdpSocket and QHostInfo: the toolkit's
// network library brings Kerberos, libproxy and their kin into the process, which cost the panel
// about 2 MiB and a slice of its start-up for one socket that never needs them.
class UdpEndpoint : public QObject
{
    Q_OBJECT

public:
    // An IPv4 address in host byte order: 127.0.0.1 is 0x7F000001.
    using Address = HostLookUp::Address;
    using Resolver = HostLookUp::Resolver;

    explicit UdpEndpoint(QObject *parent = nullptr);
    ~UdpEndpoint() override;

    // The name server to ask, in place of the system's (see HostLookUp).
    void setResolver(Resolver resolver) { m_lookUp.setResolver(std::move(resolver)); }

    // Spaces at either end aside, four dotted decimal parts are the address, read as decimal ("010"
    // is ten), and an ASCII host name (letters, digits, hyphens, dots) whose last label is no
    // number is looked up in the background. Anything else would reach an address the text
    // doesn't show (a number in another form such as "127.1" or "0x7f000001", a look-alike digit,
    // an invisible character), so it is treated as a name that does not resolve, with one line.
    void setRemoteHost(const QString &host);
    QString remoteHost() const { return m_remoteHost; }

    void setRemotePort(int port);
    int remotePort() const { return m_remotePort; }

    // Binds to this port on every IPv4 address. When the port is taken the socket stays unbound
    // and sends from a port the system picks, so commands still go out.
    void setLocalPort(int port);
    int localPort() const { return m_localPort; }
    bool isBound() const { return m_bound; }
    quint16 boundPort() const;

    // Sends the text's 8-bit bytes as one datagram, nothing added. While the host name is being
    // looked up the datagram is held instead, in place of one held from the same `source` (a
    // control, say), and the held ones go out in the order they were last replaced once the
    // address is known; a look-up that fails drops them, with one line saying how many. A send
    // after a failed look-up asks again, and is held like any other: the name may resolve now.
    bool SendData(const QString &text, int source);

    // Reads the pending datagram, into text when given; false when there is none. The bytes land
    // in one buffer reused for every datagram, so reading and dropping allocates nothing.
    bool GetData(QString *text = nullptr);

    // Where the datagram last read came from: any host, not necessarily the one aimed at.
    std::optional<Address> lastSenderAddress() const { return m_senderAddress; }
    // Whether that datagram came from this very socket: one of this machine's addresses and the
    // socket's own port, as when the endpoint is aimed at its own machine and port.
    bool lastSenderIsItself() const;

    // The address the remote host resolved to, where datagrams go; empty while unknown.
    std::optional<Address> remoteAddress() const { return m_remoteAddress; }

Q_SIGNALS:
    // Raised once for each arriving datagram with its size. A datagram the handler leaves unread
    // is dropped after it returns.
    void DataArrival(qint64 bytesTotal);

private:
    enum class HostState { None, Address, Resolving, Failed };

    bool openSocket();
    void closeSocket();
    void drain();
    qint64 pendingDatagramSize() const;
    bool writeNow(const QByteArray &payload);
    void reportSendFailure(int error);
    void lookUp();
    void hostLookedUp(std::optional<Address> address, const QString &error);

    struct Held
    {
        int source;
        QByteArray payload;
    };

    int m_socket = -1;
    // Kept for the endpoint's life and pointed at each new socket: closing one may happen inside
    // a handler of the notifier's own signal, where deleting it is not allowed.
    QSocketNotifier m_notifier {QSocketNotifier::Read};
    bool m_bound = false;
    QString m_remoteHost;
    std::optional<Address> m_remoteAddress;
    HostState m_hostState = HostState::None;
    HostLookUp m_lookUp;
    int m_remotePort = 0;
    int m_localPort = 0;
    std::vector<Held> m_held; // at most one per source, oldest first
    QByteArray m_buffer;
    std::optional<Address> m_senderAddress;
    quint16 m_senderPort = 0;
    bool m_failureReported = false; // the name's failure has been logged
    bool m_readThisArrival = false;
    bool m_drainQueued = false;
};
