// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>

// The section line of the panel's key in a settings file.
inline const QByteArray keySection = "[HKEY_CURRENT_USER\\SOFTWARE\\Yorv\\Varnoke]";

// A REGEDIT4 settings file of the panel's key, its lines ended as the store ends them ("\n") or
// as a Windows editor does ("\r\n"), followed by `body` as it stands.
inline QByteArray regedit4(const QByteArray &body = {}, const QByteArray &lineEnd = "\n")
{
    return "REGEDIT4" + lineEnd + lineEnd + keySection + lineEnd + body;
}
