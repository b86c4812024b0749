// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <cstdint>
#include <optional>
#include <vector>

// The values of one registry key as the text of a registry export in the REGEDIT4 format, the
// form the per-user file store keeps on disk: readable and editable by a person, importable on
// Windows. Every value keeps its type and its exact bytes through toText() and parse().
class RegistryFile
{
public:
    struct Value
    {
        QByteArray name; // "" is the key's default value, written @
        std::uint32_t type = 0;
        QByteArray data;
    };

    // Reads what a person or an export may have written: CRLF or LF, lines continued with a
    // trailing backslash, comments, blank lines, spaces around '=' and in hex lists. Empty when
    // the text is not a REGEDIT4 file holding one key.
    static std::optional<RegistryFile> parse(QByteArrayView text);

    // The file's text, headed by the key's path below HKEY_CURRENT_USER.
    QByteArray toText(QByteArrayView keyPath) const;

    // Names compare without regard to case, as the registry's do.
    const Value *value(QByteArrayView name) const;
    void setValue(QByteArrayView name, std::uint32_t type, QByteArrayView data);
    void removeValue(QByteArrayView name);

    const std::vector<Value> &values() const { return m_values; }

private:
    std::vector<Value> m_values;
};
