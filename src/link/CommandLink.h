// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#pragma once

#include "Command.h"

#include <QString>
#include <QStringView>

class UdpEndpoint;

// The conversation with the unit: aimed once at start-up, then every handler sends one command
// as one datagram and forgets it. Nothing is acknowledged, retried or reported.
class CommandLink
{
public:
    explicit CommandLink(UdpEndpoint &enet);

    // Host first, then the remote port, then the local port (binding it), in that order. None of
    // the three changes what the others do here (a look-up answers in a later turn of the event
    // loop), so the order shows nowhere and no test holds it.
    void aim(const QString &host, int remotePort, int localPort);

    void sendMode(Command::Mode mode);
    void sendValue(Command::Value value, QStringView boxText);

    // Reads the waiting datagram and drops it; nothing of it is parsed, shown or answered.
    // True when it came from the unit, the address the link is aimed at (any port): the only
    // sign of life the unit gives. Aimed at its own machine, the link hears its own commands
    // come back from that address; they are not the unit.
    bool readAndDrop();

private:
    UdpEndpoint &m_enet;
};
