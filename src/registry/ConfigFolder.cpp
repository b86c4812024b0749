// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#include "ConfigFolder.h"

#include <QFile>
#include <QStandardPaths>

#include <pwd.h>
#include <unistd.h>

QByteArray ConfigFolder::path()
{
    // Tests that ask for the toolkit's test locations get them here as well.
    if (QStandardPaths::isTestModeEnabled())
        return QFile::encodeName(
            QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
    const QByteArray xdg = qgetenv("XDG_CONFIG_HOME");
    if (xdg.startsWith('/'))
        return xdg;
    QByteArray home = qgetenv("HOME");
    if (!home.startsWith('/')) {
        const passwd *user = ::getpwuid(::getuid());
        home = user && user->pw_dir && user->pw_dir[0] == '/' ? QByteArray(user->pw_dir)
                                                              : QByteArray();
    }
    if (home.isEmpty())
        return {};
    while (home.size() > 1 && home.endsWith('/'))
        home.chop(1);
    return home == "/" ? QByteArray("/.config") : home + "/.config";
}
