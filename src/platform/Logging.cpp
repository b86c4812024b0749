// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#include "Logging.h"

#include <QMutex>
#include <QSet>
#include <QString>

Q_LOGGING_CATEGORY(lcSettings, "varnoke.settings", QtWarningMsg)
Q_LOGGING_CATEGORY(lcLink, "varnoke.link", QtWarningMsg)
Q_LOGGING_CATEGORY(lcSound, "varnoke.sound", QtWarningMsg)

void warnOnce(QMessageLogger::CategoryFunction category, QByteArrayView cause,
              const QString &message)
{
    static QMutex mutex;
    static QSet<QByteArray> said;
    const QByteArray key = category().categoryName() + QByteArray(1, '\0') + cause.toByteArray();
    {
        const QMutexLocker locker(&mutex);
        if (said.contains(key))
            return;
        said.insert(key);
    }
    qCWarning(category).noquote() << message;
}
