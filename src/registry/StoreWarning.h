// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>

// What the file store tells an engineer through the varnoke.settings category. A failure that
// could repeat on every keystroke is said once per kind for the life of the process; a file set
// aside is said every time, as each one is a file somebody may want back.
class StoreWarning
{
public:
    enum class Kind {
        ReadFailed, // a settings file is there but can't be read
        NotParsed, // a settings file is there but is not a registry file
        LockFallback, // the lock's path is unusable; writers serialise on the folder instead
        SaveFailed, // a save did not replace the file
    };

    // One line: `what`, the path as the system spells it, and errno's text when error is not 0.
    static void once(Kind kind, const char *what, const QByteArray &path, int error = 0);
    static void always(const char *what, const QByteArray &path, int error = 0);
};
