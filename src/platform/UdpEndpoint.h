// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QObject>
#include <QSet>
#include <QSocketNotifier>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

// The panel's UDP endpoint: bound to one local port, sending each text as one datagram to one
// remote host and port. Failures never escape: a send that cannot be made is reported by a false
// result and, once for each kind of failure, one log line.
//
// A plain IPv4 datagram socket watched by a QSocketNotifier, with names looked up by getaddrinfo
// on a thread of their own, rather than QUdpSocket and QHostInfo: the toolkit's network library
// brings Kerberos, libproxy and their kin into the process, which cost the panel about 2 MiB and
// a slice of its start-up for one socket that never needs them.
class UdpEndpoint : public QObject
{
    Q_OBJECT

public:
    // An IPv4 address in host byte order: 127.0.0.1 is 0x7F000001.
    using Address = quint32;

    // Looks a host name up, on a thread of its own, so it may block; empty when the name is not
    // found, with the reason in `error`. The system's resolver (getaddrinfo) unless a test hands
    // in its own, so that no name server is asked.
    using Resolver = std::function<std::optional<Address>(const QByteArray &name, QString &error)>;

    explicit UdpEndpoint(QObject *parent = nullptr);
    ~UdpEndpoint() override;

    void setResolver(Resolver resolver) { m_resolver = std::move(resolver); }

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
    // address is known; a look-up that fails drops them. After a failed look-up sends fail until
    // a send at least a few seconds later asks again.
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
    struct LookUp;

    bool openSocket();
    void closeSocket();
    void drain();
    qint64 pendingDatagramSize() const;
    bool writeNow(const QByteArray &payload);
    void reportSendFailure(int error);
    void lookUp();
    void abandonLookUp();
    void hostLookedUp(const LookUp *lookUp, std::optional<Address> address, const QString &error);

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
    Resolver m_resolver;
    std::shared_ptr<LookUp> m_lookUp; // the look-up under way, shared with its thread
    QDeadlineTimer m_retryAt; // when a name that failed may be looked up again
    int m_remotePort = 0;
    int m_localPort = 0;
    std::vector<Held> m_held; // at most one per source, oldest first
    QByteArray m_buffer;
    std::optional<Address> m_senderAddress;
    quint16 m_senderPort = 0;
    bool m_failureReported = false; // the host's failure has been logged
    QSet<int> m_sendFailures; // the errors of sends already logged
    bool m_readThisArrival = false;
    bool m_drainQueued = false;
};
