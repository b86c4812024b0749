// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#include "CommandLink.h"

#include "platform/UdpEndpoint.h"

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
    m_enet.SendData(Command::mode(mode)); // a lost command is not an error the operator sees
}

void CommandLink::sendValue(Command::Value value, QStringView boxText)
{
    m_enet.SendData(Command::value(value, boxText));
}

bool CommandLink::readAndDrop()
{
    if (!m_enet.GetData())
        return false;
    const auto unit = m_enet.remoteAddress();
    return unit && unit == m_enet.lastSenderAddress();
}
