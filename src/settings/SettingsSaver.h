// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <utility>

class MiscFunctions;

// The panel's saves, through WriteRegString under the settings key. The store waits for its lock
// a tenth of a second at most, so another program holding it can't freeze the window; a value it
// could not take for that reason waits here instead of being lost: the latest text of each name,
// in the order they came, saved by the next save, by a retry every second, and at the close. A
// write that fails for any other reason loses that value only, as it always has.
class SettingsSaver : public QObject
{
    Q_OBJECT

public:
    explicit SettingsSaver(MiscFunctions &settings, QObject *parent = nullptr);

    // Saves the value after any still waiting, or keeps it for later while the store is busy.
    void save(const QString &valueName, const QString &text);

    // For the close: saves these values after any still waiting, trying for about a second while
    // the store is busy, then says which were not saved.
    void saveBeforeClosing(const QList<std::pair<QString, QString>> &values);

private:
    void keep(const QString &valueName, const QString &text);
    bool saveWaiting();
    void saveOrWait();

    MiscFunctions &m_settings;
    QList<std::pair<QString, QString>> m_waiting; // value name and text
    QTimer m_retry;
};
