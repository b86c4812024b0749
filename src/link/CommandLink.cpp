// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#include "CommandLink.h"

#include "platform/UdpEndpoint.h"

namespace {

// Each control's own place among the commands held while the unit's name is looked up: the four
// mode buttons, then the four value boxes. A control's newer command replaces its older one.
int control(Command::Mode mode)
{
    return int(mode);
}

int control(Command::Value value)
{
    return int(Command::Mode::Run) + 1 + int(value);
}

} // namespace

CommandLink::CommandLink(UdpEndpoint &enet)
    : m_enet(enet)
{ }

void CommandLink::aim(const QString &host, int remotePort, int localPort)
{
    m_enet.setRemoteHost(host);
    m_enet.setRemotePort(remotePort);
    m_enet.setLocalPort(localPort);
}

void CommandLink::sendMode(Command::Mode mode)
{
    // A lost command is not an error the operator sees.
    m_enet.SendData(Command::mode(mode), control(mode));
}

void CommandLink::sendValue(Command::Value value, QStringView boxText)
{
    m_enet.SendData(Command::value(value, boxText), control(value));
}

bool CommandLink::readAndDrop()
{
    if (!m_enet.GetData())
        return false;
    const auto unit = m_enet.remoteAddress();
    return unit && unit == m_enet.lastSenderAddress() && !m_enet.lastSenderIsItself();
}
