// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArrayView>
#include <QLoggingCategory>

class QString;

// The panel keeps no log of its own and shows no dialog for a failure; an engineer finds what went
// wrong afterwards in these categories. Each says one line per event worth looking for (a file
// set aside, a save that failed, the port not bound, a name not resolved, a sound that could not
// play) as a warning; anything chattier is debug output, off unless QT_LOGGING_RULES turns it on.
Q_DECLARE_LOGGING_CATEGORY(lcSettings)
Q_DECLARE_LOGGING_CATEGORY(lcLink)
Q_DECLARE_LOGGING_CATEGORY(lcSound)

// Says `message` as a warning in `category` the first time this process meets `cause` there: a
// failure that comes back on every keystroke, command or heartbeat is news only once. Safe to
// call from any thread.
void warnOnce(QMessageLogger::CategoryFunction category, QByteArrayView cause,
              const QString &message);
