// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#include "Logging.h"

Q_LOGGING_CATEGORY(lcSettings, "varnoke.settings", QtWarningMsg)
Q_LOGGING_CATEGORY(lcLink, "varnoke.link", QtWarningMsg)
Q_LOGGING_CATEGORY(lcSound, "varnoke.sound", QtWarningMsg)
