// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// The running process: where its executable lives, the files it keeps beside it, and ending it.
class Runtime
{
public:
    virtual ~Runtime() = default;

    // The folder of the running executable, symlinks resolved, without a trailing separator.
    virtual QString appPath() const = 0;

    // Creates the file empty when it is missing; an existing file is left untouched.
    virtual bool createIfMissing(const QString &path) = 0;

    // Ends the process at once: nothing more runs, no further window event is raised.
    virtual void End() = 0;
};
