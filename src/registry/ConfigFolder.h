// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>

// The user's config folder by the XDG rules, as the bytes of a path: $XDG_CONFIG_HOME when it is
// an absolute path (a relative one is ignored), else $HOME/.config, with the home folder from the
// password database when HOME is unset or not absolute. Bytes that are not UTF-8 stay as they
// are, so the folder is the one the environment names. Empty when there is no home folder at all.
class ConfigFolder
{
public:
    static QByteArray path();
};
