// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#pragma once

#include "registry/Registry.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <utility>

class MiscFunctions;

// The panel's saves, through WriteRegString under the settings key. A save that fails for a
// reason time may mend (another program's lock, which the store waits for a tenth of a second at
// most so the window never freezes; a full disk or quota; too many open files) loses nothing: the
// latest text of each name waits here, in the order they came, and is saved by the next save, by
// a retry every second, and at the close. A write that fails for any other reason (no right to
// write, say) loses that value only, as it always has; the store has said why.
class SettingsSaver : public QObject
{
    Q_OBJECT

public:
    explicit SettingsSaver(MiscFunctions &settings, QObject *parent = nullptr);

    // Saves the value after any still waiting, or keeps it for later while that can't be.
    void save(const QString &valueName, const QString &text);

    // For the close: saves these values after any still waiting, trying for about a second while
    // another program holds the lock, then says which were not saved and why.
    void saveBeforeClosing(const QList<std::pair<QString, QString>> &values);

private:
    void keep(const QString &valueName, const QString &text);
    Registry::Result saveWaiting();
    void saveOrWait();

    MiscFunctions &m_settings;
    QList<std::pair<QString, QString>> m_waiting; // value name and text
    QTimer m_retry;
};
