// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#pragma once

#include "RegistryValue.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>

#include <optional>
#include <vector>

// The values of one registry key as the text of a registry export, the form the per-user file
// store keeps on disk: readable and editable by a person, importable on Windows. A new file is
// REGEDIT4 (8-bit, ANSI code page). A file that came as "Windows Registry Editor Version 5.00" in
// UTF-16LE stays so, and a REGEDIT4 file that begins with a UTF-8 byte-order mark keeps it.
//
// A file may hold several keys' sections, as an export of a parent key does; the values are those
// of the one key's section (or sections), and every other section, a key's deletion ("[-...]")
// included, is kept as text. Everything a person wrote is kept in place: comments, blank lines,
// the line ends, and the very text of every value nobody changed. A changed value is written again
// in the store's own form where it was; a new one is added at the end of the key's section, or in
// a section of its own at the end of the file when there is none. Values are found by name through
// an index, without regard to case, as the registry's names are.
class RegistryFile
{
public:
    // A file with no values yet for the key at keyPath below HKEY_CURRENT_USER ("SOFTWARE\...").
    explicit RegistryFile(QByteArrayView keyPath);

    // Reads what a person or an export may have written: CRLF or LF, lines continued with a
    // trailing backslash, comments, blank lines, spaces around '=' and in hex lists. Empty when
    // the text is not a registry file.
    static std::optional<RegistryFile> parse(QByteArrayView text, QByteArrayView keyPath);

    // The file's bytes.
    QByteArray toText() const;

    const RegistryValue *value(QByteArrayView name) const;
    // False, and nothing changed, when the key holds that value already (type and data).
    bool setValue(QByteArrayView name, std::uint32_t type, QByteArrayView data);

private:
    enum class Encoding { Ansi, AnsiAfterBom, Utf16 };

    // A stretch of the file: a value of the key, or anything else (the header, section lines,
    // other keys' values, comments and blank lines). Its text as read, in the file's encoding
    // with its line ends, is the stretch of m_text at rawStart; rawSize is 0 for a value set
    // since, written in the store's own form.
    struct Entry
    {
        qsizetype rawStart = 0;
        qsizetype rawSize = 0;
        std::optional<RegistryValue> value;
        std::size_t nextSameHash = noEntry; // the next value whose name has the same hash
    };
    static constexpr std::size_t noEntry = std::size_t(-1);

    bool addLine(qsizetype rawStart, qsizetype rawSize, QByteArrayView line);
    void add(qsizetype rawStart, qsizetype rawSize, RegistryValue value);
    void removeValue(QByteArrayView name);
    std::size_t find(QByteArrayView name, quint64 hash) const;
    void insert(Entry entry, quint64 hash);
    void appendLine(QByteArray &out, QByteArrayView ansiLine) const;
    void appendAdded(QByteArray &out) const;
    QByteArray encoded(QByteArrayView ansi) const;
    bool isWide() const { return m_encoding == Encoding::Utf16; }

    QByteArray m_key; // "HKEY_CURRENT_USER\<key path>", as a section names it
    QByteArray m_text; // the file as read
    std::vector<Entry> m_entries;
    QHash<quint64, std::size_t> m_index; // hash of the name folded to one case -> entry
    Encoding m_encoding = Encoding::Ansi;
    QByteArray m_lineEnd = "\n";
    bool m_hasHeader = false;
    bool m_inSection = false; // while parsing: the lines read belong to some key's section
    bool m_inKey = false; // ... to the key's own section
    std::size_t m_keyEnd = noEntry; // the last line of the key's last section, when it has one
    std::size_t m_parsedEntries = 0; // the entries read; those after them were added since
    bool m_continuedAtEnd = false; // the text read ends in a line continued with a backslash
};
