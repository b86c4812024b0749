// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#pragma once

#include "RegistryValue.h"

#include <QByteArray>
#include <QString>

// The text of a registry export, as the file store keeps a key's values: readable and editable
// by a person, importable on Windows. Each call of the store reads or writes one value, so the text
// is read for one value of one key, and holds besides itself only where that value's line is and
// where the key's last section ends, whatever else the file holds.
//
// Read: "REGEDIT4" or "Windows Registry Editor Version 5.00" in any case, after a UTF-16LE or
// UTF-8 byte-order mark or none (an 8-bit version 5 file is UTF-8 where it is valid UTF-8, and
// the ANSI code page otherwise); CRLF, LF or CR line ends; lines continued with a backslash. The
// value comes from the key's own sections, its last line winning; other keys' sections, "[-...]"
// deletions included, are not read. Everything is kept byte for byte, lines this store can't read
// too (counted, for the log), but for a changed value's line, written where it stood in the
// store's own form. A new value goes at the end of the key's last section, or into a new section
// at the end of the file; a new file is REGEDIT4 in the ANSI code page.
class ExportText
{
public:
    // A file with no values yet, for the value `valueName` (ANSI; "" the default value) of the key
    // at keyPath below HKEY_CURRENT_USER ("SOFTWARE\...").
    ExportText(const QString &keyPath, QByteArrayView valueName);
    // False when the bytes are not a registry export (no header before any other content); the
    // text is then a new file's.
    bool read(QByteArrayView bytes);
    QByteArray bytes() const;

    // The value, or null when the text holds none of that name.
    const RegistryValue *value() const { return m_value ? &*m_value : nullptr; }
    // False, and nothing changed, when the value holds that type and data already.
    bool setValue(std::uint32_t type, QByteArrayView data);

    // Lines outside other keys' sections that can't be read (a second header too), and the first.
    int unreadLines() const { return m_unreadLines; }
    int firstUnreadLine() const { return m_firstUnreadLine; }

private:
    enum class Encoding { Ansi, Utf8, Utf16 };
    bool scan();
    QString decode(QByteArrayView bytes) const;
    void appendEncoded(QByteArray &out, QStringView text) const;
    QString addition() const;

    QString m_key; // "HKEY_CURRENT_USER\<key path>", as its sections name it
    QString m_name;
    QString m_text; // the file as read, without its byte-order mark
    QByteArray m_bom;
    QByteArray m_oddByte; // a UTF-16LE file's odd last byte
    Encoding m_encoding = Encoding::Ansi;
    QString m_lineEnd = QStringLiteral("\n"); // the header's, for the lines written
    bool m_header = false;
    bool m_version5 = false;
    std::optional<RegistryValue> m_value;
    qsizetype m_valueStart = -1; // the value's line in the text; -1 for a value not read
    qsizetype m_valueEnd = -1;
    bool m_changed = false;
    qsizetype m_keyEnd = -1; // after the last line of the key's last section; -1 without one
    int m_unreadLines = 0;
    int m_firstUnreadLine = 0;
};
