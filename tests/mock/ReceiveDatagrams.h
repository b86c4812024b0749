// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QList>
#include <QNetworkDatagram>
#include <QUdpSocket>

// The payloads that reach `socket` until `count` have come or `timeoutMs` have passed, in the
// order they came, and any that came with the last. The event loop keeps turning meanwhile, as
// the sender may need it (a name looked up, a timer).
inline QList<QByteArray> receiveDatagrams(QUdpSocket &socket, int count = 1, int timeoutMs = 2000)
{
    QList<QByteArray> payloads;
    const QDeadlineTimer deadline(timeoutMs);
    while (payloads.size() < count && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (!socket.hasPendingDatagrams())
            socket.waitForReadyRead(5);
        while (socket.hasPendingDatagrams())
            payloads << socket.receiveDatagram().data();
    }
    return payloads;
}
