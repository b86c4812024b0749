// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM, SIGINT and SIGHUP into a Qt signal on the main thread, so a panel stopped from a
// terminal or by the session closes its window the ordinary way and keeps its place. A signal
// that comes before the event loop runs waits in a pipe until it does, or until deliverPending().
class TerminationSignals : public QObject
{
    Q_OBJECT

public:
    explicit TerminationSignals(QObject *parent = nullptr);
    ~TerminationSignals() override;

    // Raises requested() now for every signal that has come and not yet been handed on, rather
    // than when the event loop next looks.
    void deliverPending();

Q_SIGNALS:
    void requested(int signalNumber);

private:
    QSocketNotifier *m_notifier = nullptr;
};
