// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#include "UdpEndpoint.h"

#include "AnsiCodec.h"
#include "Logging.h"

#include <QMetaObject>
#include <QStringTokenizer>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr qsizetype largestDatagram = 65536; // a UDP payload over IPv4 is at most 65,507 bytes
constexpr int datagramsPerTurn = 256; // then the window gets its turn before we read on

// Four dotted parts of decimal digits, each at most 255, leading zeros allowed and read as
// decimal: "127.000.000.010" is 127.0.0.10, as the operator reads it.
std::optional<UdpEndpoint::Address> dottedDecimal(QStringView text)
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
    return address;
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// An ASCII host name: labels of letters, digits and hyphens between single dots, the last not all
// digits. Nothing else reaches the resolver, so nothing it maps or drops on the way (a
// superscript digit, a soft hyphen) can turn the text into an address it doesn't show. And what
// the resolver's own parser reads as a number (inet_aton's shorthands: "10.77.2", "0xa.77.0.2",
// one large number) is no name either: it would reach an address nobody typed.
bool isHostName(QStringView text)
{
    QStringView last;
    for (const QStringView label : text.tokenize(u'.')) {
        const bool allowed = std::all_of(label.begin(), label.end(), [](QChar c) {
            return isDigit(c) || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'-';
        });
        if (label.isEmpty() || !allowed)
            return false;
        last = label;
    }
    in_addr ignored {};
    return !std::all_of(last.begin(), last.end(), isDigit)
        && ::inet_aton(text.toLatin1().constData(), &ignored) == 0;
}

// The text as an engineer can read it in a log: a character beyond printable ASCII, an invisible
// one included, is shown by its code, as \xad for a soft hyphen.
QByteArray visible(QStringView text)
{
    QByteArray out;
    for (const QChar c : text) {
        if (c.unicode() >= 0x20 && c.unicode() < 0x7F)
            out += char(c.unicode());
        else if (c.unicode() < 0x100)
            out += "\\x" + QByteArray::number(c.unicode(), 16).rightJustified(2, '0');
        else
            out += "\\u" + QByteArray::number(c.unicode(), 16).rightJustified(4, '0');
    }
    return out;
}

bool isLocalAddress(UdpEndpoint::Address address)
{
    if (address >> 24 == 127)
        return true;
    ifaddrs *interfaces = nullptr;
    if (::getifaddrs(&interfaces) != 0)
        return false;
    bool found = false;
    for (const ifaddrs *i = interfaces; i && !found; i = i->ifa_next) {
        found = i->ifa_addr && i->ifa_addr->sa_family == AF_INET
            && ntohl(reinterpret_cast<const sockaddr_in *>(i->ifa_addr)->sin_addr.s_addr)
                == address;
    }
    ::freeifaddrs(interfaces);
    return found;
}

sockaddr_in socketAddress(UdpEndpoint::Address address, quint16 port)
{
    sockaddr_in to {};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(address);
    return to;
}

} // namespace

UdpEndpoint::UdpEndpoint(QObject *parent)
    : QObject(parent)
{
    connect(&m_notifier, &QSocketNotifier::activated, this, &UdpEndpoint::drain);
    connect(&m_lookUp, &HostLookUp::finished, this, &UdpEndpoint::hostLookedUp);
}

UdpEndpoint::~UdpEndpoint()
{
    closeSocket();
}

void UdpEndpoint::setRemoteHost(const QString &host)
{
    m_lookUp.abandon();
    m_held.clear();
    m_failureReported = false;
    m_remoteHost = host;
    m_remoteAddress.reset();
    m_hostState = HostState::None;
    const QString trimmed = host.trimmed();
    if (const auto address = dottedDecimal(trimmed)) {
        m_remoteAddress = *address;
        m_hostState = HostState::Address;
    } else if (isHostName(trimmed)) {
        lookUp();
    } else {
        // Treated as a name that does not resolve: nothing is sent, and the link shows lost.
        qCWarning(lcLink,
                  "unit address \"%s\" is neither four decimal numbers nor a host name: nothing "
                  "is sent",
                  visible(trimmed).constData());
    }
}

void UdpEndpoint::setRemotePort(int port)
{
    m_remotePort = port;
}

void UdpEndpoint::setLocalPort(int port)
{
    m_localPort = port;
    closeSocket();
    if (!openSocket())
        return;
    if (port < 0 || port > 65535) {
        qCWarning(lcLink, "local port %d is not a port: commands go out from one the system picks",
                  port);
        return;
    }
    // 0: any free port. No SO_REUSEADDR: a port another program holds stays its own.
    const sockaddr_in local = socketAddress(INADDR_ANY, quint16(port));
    m_bound = ::bind(m_socket, reinterpret_cast<const sockaddr *>(&local), sizeof local) == 0;
    if (!m_bound)
        qCWarning(lcLink, "port %d not bound (%s): commands still go out, the unit is not heard",
                  port, std::strerror(errno));
}

bool UdpEndpoint::lastSenderIsItself() const
{
    return m_senderAddress && m_senderPort == boundPort() && isLocalAddress(*m_senderAddress);
}

quint16 UdpEndpoint::boundPort() const
{
    sockaddr_in local {};
    socklen_t size = sizeof local;
    if (m_socket < 0 || ::getsockname(m_socket, reinterpret_cast<sockaddr *>(&local), &size) != 0)
        return 0;
    return ntohs(local.sin_port);
}

bool UdpEndpoint::SendData(const QString &text, int source)
{
    if (m_remotePort <= 0 || m_remotePort > 65535)
        return false;
    if (m_hostState == HostState::Failed)
        lookUp(); // the name may resolve by now: a hosts file mended, a name server back
    switch (m_hostState) {
    case HostState::None:
    case HostState::Failed:
        return false;
    case HostState::Address:
        return writeNow(AnsiCodec::encode(text));
    case HostState::Resolving:
        // Only the source's latest counts, so the held commands stay as few as their sources
        // and none is dropped for room.
        std::erase_if(m_held, [source](const Held &held) { return held.source == source; });
        m_held.push_back({source, AnsiCodec::encode(text)});
        return true;
    }
    return false;
}

bool UdpEndpoint::GetData(QString *text)
{
    if (m_socket < 0)
        return false;
    if (m_buffer.isEmpty())
        m_buffer.resize(largestDatagram);
    sockaddr_in from {};
    socklen_t fromSize = sizeof from;
    const ssize_t size = ::recvfrom(m_socket, m_buffer.data(), size_t(m_buffer.size()),
                                    MSG_DONTWAIT, reinterpret_cast<sockaddr *>(&from), &fromSize);
    if (size < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
        return false; // nothing waiting
    m_readThisArrival = true;
    if (size < 0)
        return false;
    m_senderAddress = ntohl(from.sin_addr.s_addr);
    m_senderPort = ntohs(from.sin_port);
    if (text)
        *text = AnsiCodec::decode(QByteArrayView(m_buffer.constData(), size));
    return true;
}

bool UdpEndpoint::openSocket()
{
    m_socket = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (m_socket < 0) {
        reportSendFailure(errno);
        return false;
    }
    m_notifier.setSocket(m_socket);
    m_notifier.setEnabled(true);
    return true;
}

void UdpEndpoint::closeSocket()
{
    m_notifier.setEnabled(false);
    if (m_socket >= 0)
        ::close(m_socket);
    m_socket = -1;
    m_bound = false;
}

qint64 UdpEndpoint::pendingDatagramSize() const
{
    // MSG_TRUNC with a peek: the size of the datagram waiting, whatever the buffer; -1 if none.
    for (;;) {
        const ssize_t size = ::recv(m_socket, nullptr, 0, MSG_PEEK | MSG_TRUNC | MSG_DONTWAIT);
        if (size >= 0 || (errno != EINTR && errno != ECONNREFUSED))
            return size;
        // An ICMP error from an earlier send is reported once here; it is no datagram.
    }
}

void UdpEndpoint::drain()
{
    m_drainQueued = false;
    for (int n = 0; n < datagramsPerTurn; ++n) {
        if (m_socket < 0)
            return;
        const qint64 size = pendingDatagramSize();
        if (size < 0)
            return;
        m_readThisArrival = false;
        Q_EMIT DataArrival(size);
        if (!m_readThisArrival && m_socket >= 0)
            ::recv(m_socket, nullptr, 0, MSG_DONTWAIT); // drops it
    }
    // More is waiting: let the window handle its own events first, then read on.
    if (m_socket >= 0 && pendingDatagramSize() >= 0 && !m_drainQueued) {
        m_drainQueued = true;
        m_notifier.setEnabled(false);
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (m_socket >= 0)
                    m_notifier.setEnabled(true);
                drain();
            },
            Qt::QueuedConnection);
    }
}

bool UdpEndpoint::writeNow(const QByteArray &payload)
{
    if (m_socket < 0 && !openSocket())
        return false;
    const sockaddr_in to = socketAddress(*m_remoteAddress, quint16(m_remotePort));
    if (::sendto(m_socket, payload.constData(), size_t(payload.size()), MSG_DONTWAIT | MSG_NOSIGNAL,
                 reinterpret_cast<const sockaddr *>(&to), sizeof to)
        == payload.size())
        return true;
    reportSendFailure(errno);
    return false;
}

void UdpEndpoint::reportSendFailure(int error)
{
    // Once per kind: a cause such as no route fails every command the same way until mended.
    warnOnce(lcLink, "send " + QByteArray::number(error),
             QStringLiteral("commands cannot be sent (%1): each is lost; said once for this cause")
                 .arg(QString::fromLocal8Bit(std::strerror(error))));
}

void UdpEndpoint::lookUp()
{
    // One look-up at a time: while it runs, commands are held, so threads stay few however fast
    // commands come.
    m_hostState = HostState::Resolving;
    m_lookUp.start(m_remoteHost.trimmed().toLatin1()); // ASCII by now
}

void UdpEndpoint::hostLookedUp(std::optional<Address> address, const QString &error)
{
    m_remoteAddress = address;
    std::vector<Held> held;
    held.swap(m_held);
    if (!m_remoteAddress) {
        // What was held is lost, as with any failed send. Each loss is told; a failure that lost
        // nothing only the first time, as the next command asks again.
        const QByteArray name = m_remoteHost.trimmed().toLatin1();
        if (!held.empty())
            qCWarning(lcLink, "unit name \"%s\" not resolved (%s): %zu held commands lost",
                      name.constData(), qUtf8Printable(error), held.size());
        else if (!m_failureReported)
            qCWarning(lcLink, "unit name \"%s\" not resolved (%s)", name.constData(),
                      qUtf8Printable(error));
        m_failureReported = true;
        m_hostState = HostState::Failed;
        return;
    }
    m_hostState = HostState::Address;
    for (const Held &command : held)
        writeNow(command.payload);
}
