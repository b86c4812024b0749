// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#include "UdpEndpoint.h"

#include "AnsiCodec.h"
#include "Logging.h"

#include <QHostInfo>
#include <QMetaObject>
#include <QNetworkProxy>
#include <QStringTokenizer>

#include <algorithm>
#include <optional>

#include <arpa/inet.h>

namespace {

constexpr qsizetype largestDatagram = 65536; // a UDP payload over IPv4 is at most 65,507 bytes
constexpr int datagramsPerTurn = 256; // then the window gets its turn before we read on
constexpr std::size_t waitingLimit = 64; // sends held while a host name is being looked up

// Four dotted parts of decimal digits, each at most 255, leading zeros allowed and read as
// decimal: "127.000.000.010" is 127.0.0.10, as the operator reads it.
std::optional<QHostAddress> dottedDecimal(QStringView text)
{
    quint32 address = 0;
    int parts = 0;
    for (const QStringView part : text.tokenize(u'.')) {
        if (++parts > 4 || part.isEmpty())
            return std::nullopt;
        quint32 value = 0;
        for (const QChar c : part) {
            if (c < u'0' || c > u'9')
                return std::nullopt;
            value = value * 10 + (c.unicode() - u'0');
            if (value > 255)
                return std::nullopt;
        }
        address = (address << 8) | value;
    }
    if (parts != 4)
        return std::nullopt;
    return QHostAddress(address);
}

// What the resolvers would read as a number though it is not four decimal parts: inet_aton's
// shorthands (hexadecimal or octal parts, fewer than four parts, one 32-bit number), and digits
// and dots that make no address ("127.0.0.256"). Sent on, each would reach an address the
// operator never typed, or ask a name server about a number.
bool numericShorthand(const QString &text)
{
    if (std::all_of(text.cbegin(), text.cend(),
                    [](QChar c) { return (c >= u'0' && c <= u'9') || c == u'.'; }))
        return true;
    if (QHostAddress(text).protocol() == QAbstractSocket::IPv4Protocol)
        return true;
    in_addr ignored {};
    return ::inet_aton(text.toLatin1().constData(), &ignored) != 0;
}

} // namespace

UdpEndpoint::UdpEndpoint(QObject *parent)
    : QObject(parent)
{
    // The unit is on the local network: never look for (or wait on) a proxy to reach it.
    m_socket.setProxy(QNetworkProxy::NoProxy);
    connect(&m_socket, &QUdpSocket::readyRead, this, &UdpEndpoint::drain);
}

UdpEndpoint::~UdpEndpoint()
{
    // A look-up still running must not answer to an endpoint that is gone.
    if (m_lookupId != -1)
        QHostInfo::abortHostLookup(m_lookupId);
}

void UdpEndpoint::setRemoteHost(const QString &host)
{
    if (m_lookupId != -1) {
        QHostInfo::abortHostLookup(m_lookupId);
        m_lookupId = -1;
    }
    m_waiting.clear();
    m_failureReported = false;
    m_remoteHost = host;
    m_remoteAddress.clear();
    // A control character (a NUL from a hand-edited settings file, say) would cut the name short
    // on its way to the resolver and aim somewhere the box doesn't show: no address at all.
    const bool controls = std::any_of(host.cbegin(), host.cend(), [](QChar c) {
        return c.unicode() < 0x20 || c.unicode() == 0x7F;
    });
    const QString trimmed = host.trimmed();
    if (trimmed.isEmpty() || controls) {
        m_hostState = HostState::None;
    } else if (const auto address = dottedDecimal(trimmed)) {
        m_remoteAddress = *address;
        m_hostState = HostState::Address;
    } else if (numericShorthand(trimmed)) {
        // Treated as a name that does not resolve: nothing is sent, and the link shows lost.
        qCWarning(lcLink, "unit address \"%s\" is not four decimal numbers: nothing is sent",
                  qUtf8Printable(trimmed));
        m_hostState = HostState::None;
    } else if (m_remoteAddress.setAddress(trimmed)) {
        m_hostState = HostState::Address; // an IPv6 address
    } else {
        lookUp();
    }
}

void UdpEndpoint::setRemotePort(int port)
{
    m_remotePort = port;
}

void UdpEndpoint::setLocalPort(int port)
{
    m_localPort = port;
    m_socket.close();
    if (port < 0 || port > 65535) {
        qCWarning(lcLink, "local port %d is not a port: commands go out from one the system picks",
                  port);
        return;
    }
    // 0: any free port
    if (!m_socket.bind(QHostAddress::AnyIPv4, quint16(port), QAbstractSocket::DontShareAddress))
        qCWarning(lcLink, "port %d not bound (%s): commands still go out, the unit is not heard",
                  port, qUtf8Printable(m_socket.errorString()));
}

bool UdpEndpoint::isBound() const
{
    return m_socket.state() == QAbstractSocket::BoundState;
}

quint16 UdpEndpoint::boundPort() const
{
    return m_socket.localPort();
}

bool UdpEndpoint::SendData(const QString &text)
{
    if (m_remotePort <= 0 || m_remotePort > 65535)
        return false;
    switch (m_hostState) {
    case HostState::None:
        return false;
    case HostState::Address:
        return writeNow(AnsiCodec::encode(text));
    case HostState::Failed:
        lookUp(); // the name may resolve now; try again rather than give up for good
        [[fallthrough]];
    case HostState::Resolving:
        if (m_waiting.size() == waitingLimit)
            m_waiting.pop_front();
        m_waiting.push_back(AnsiCodec::encode(text));
        return true;
    }
    return false;
}

bool UdpEndpoint::GetData(QString *text)
{
    if (!m_socket.hasPendingDatagrams())
        return false;
    if (m_buffer.isEmpty())
        m_buffer.resize(largestDatagram);
    const qint64 size = m_socket.readDatagram(m_buffer.data(), m_buffer.size(), &m_senderAddress);
    m_readThisArrival = true;
    if (size < 0)
        return false;
    if (text)
        *text = AnsiCodec::decode(QByteArrayView(m_buffer.constData(), size));
    return true;
}

void UdpEndpoint::drain()
{
    m_drainQueued = false;
    for (int n = 0; n < datagramsPerTurn; ++n) {
        if (!m_socket.hasPendingDatagrams())
            return;
        m_readThisArrival = false;
        Q_EMIT DataArrival(m_socket.pendingDatagramSize());
        if (!m_readThisArrival)
            m_socket.readDatagram(nullptr, 0);
    }
    // More is waiting: let the window handle its own events first, then read on.
    if (m_socket.hasPendingDatagrams() && !m_drainQueued) {
        m_drainQueued = true;
        QMetaObject::invokeMethod(this, &UdpEndpoint::drain, Qt::QueuedConnection);
    }
}

bool UdpEndpoint::writeNow(const QByteArray &payload)
{
    return m_socket.writeDatagram(payload, m_remoteAddress, quint16(m_remotePort))
        == payload.size();
}

void UdpEndpoint::lookUp()
{
    if (m_lookupId != -1)
        return;
    m_hostState = HostState::Resolving;
    m_lookupId = QHostInfo::lookupHost(m_remoteHost.trimmed(), this, &UdpEndpoint::hostLookedUp);
}

void UdpEndpoint::hostLookedUp(const QHostInfo &info)
{
    if (info.lookupId() != m_lookupId)
        return;
    m_lookupId = -1;
    m_remoteAddress.clear();
    for (const QHostAddress &address : info.addresses()) {
        if (address.protocol() == QAbstractSocket::IPv4Protocol) {
            m_remoteAddress = address;
            break;
        }
    }
    std::deque<QByteArray> waiting;
    waiting.swap(m_waiting);
    if (m_remoteAddress.isNull()) {
        // Once per name: a send retries the look-up, and each retry would say the same again.
        if (!m_failureReported)
            qCWarning(lcLink, "unit name \"%s\" not resolved (%s): its commands are lost",
                      qUtf8Printable(m_remoteHost.trimmed()),
                      qUtf8Printable(info.error() == QHostInfo::NoError
                                         ? QStringLiteral("no IPv4 address")
                                         : info.errorString()));
        m_failureReported = true;
        m_hostState = HostState::Failed; // what waited is lost, as with any failed send
        return;
    }
    m_hostState = HostState::Address;
    for (const QByteArray &payload : waiting)
        writeNow(payload);
}
