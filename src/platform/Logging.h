// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#pragma once

#include <QLoggingCategory>

// The panel keeps no log of its own and shows no dialog for a failure; an engineer finds what went
// wrong afterwards in these categories. Each says one line per event worth looking for (a file
// set aside, a save that failed, the port not bound, a name not resolved, a sound that could not
// play) as a warning; anything chattier is debug output, off unless QT_LOGGING_RULES turns it on.
Q_DECLARE_LOGGING_CATEGORY(lcSettings)
Q_DECLARE_LOGGING_CATEGORY(lcLink)
Q_DECLARE_LOGGING_CATEGORY(lcSound)
