// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#pragma once

#include "registry/Registry.h"

#include <QString>
#include <QtGlobal>

// Where the panel keeps its settings: this key under the current user's root.
namespace SettingsKey {

// The predefined root handle value of HKEY_CURRENT_USER, as the callers pass it.
constexpr quint32 HKEY_CURRENT_USER_ROOT = Registry::CurrentUserRoot;

inline const QString path = QStringLiteral("SOFTWARE\\Yorv\\Varnoke");

} // namespace SettingsKey
