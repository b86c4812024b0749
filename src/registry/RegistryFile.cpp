// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#include "RegistryFile.h"

#include "ValueLine.h"
#include "WideText.h"
#include "platform/AnsiCodec.h"

namespace {

constexpr QByteArrayView utf8Bom = "\xEF\xBB\xBF";
constexpr QByteArrayView utf16Bom = "\xFF\xFE";
constexpr QByteArrayView regedit4 = "REGEDIT4";
constexpr QByteArrayView version5 = "Windows Registry Editor Version 5.00";

bool isAscii(QByteArrayView name)
{
    for (const char c : name) {
        if (uchar(c) >= 0x80)
            return false;
    }
    return true;
}

char lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c + ('a' - 'A')) : c;
}

// The hash of the name folded to one case, as the registry compares names: ASCII as it is (the
// common case, and quick), any other text through the toolkit's case folding.
quint64 nameHash(QByteArrayView name)
{
    quint64 h = 14695981039346656037ull; // FNV-1a
    const auto add = [&h](char c) {
        h = (h ^ uchar(c)) * 1099511628211ull;
    };
    if (isAscii(name)) {
        for (const char c : name)
            add(lower(c));
    } else {
        for (const char c : AnsiCodec::decode(name).toCaseFolded().toUtf8())
            add(c);
    }
    return h;
}

bool sameName(QByteArrayView a, QByteArrayView b)
{
    if (a.size() == b.size() && isAscii(a) && isAscii(b)) {
        for (qsizetype i = 0; i < a.size(); ++i) {
            if (lower(a[i]) != lower(b[i]))
                return false;
        }
        return true;
    }
    return AnsiCodec::decode(a).compare(AnsiCodec::decode(b), Qt::CaseInsensitive) == 0;
}

// The text's lines one by one: each with its bytes as read, line end included, and its 8-bit text
// without the line end (UTF-16LE text converted to the ANSI code page first).
class PhysicalLines
{
public:
    PhysicalLines(QByteArrayView text, qsizetype offset, bool wide)
        : m_rest(text.sliced(offset))
        , m_offset(offset)
        , m_wide(wide)
    { }

    // The next line's offset and size in the text, and its 8-bit text.
    bool next(qsizetype &start, qsizetype &size, QByteArrayView &text)
    {
        if (m_rest.isEmpty())
            return false;
        qsizetype end = m_wide ? wideLineEnd() : m_rest.indexOf('\n');
        const qsizetype breakSize = m_wide ? 2 : 1;
        start = m_offset;
        size = end < 0 ? m_rest.size() : end + breakSize;
        QByteArrayView content = end < 0 ? m_rest : m_rest.first(end);
        m_rest = m_rest.sliced(size);
        m_offset += size;
        if (m_wide) {
            m_text = WideText::toAnsi(content);
            content = m_text;
        }
        if (content.endsWith('\r'))
            content.chop(1);
        text = content;
        return true;
    }

private:
    // The offset of the next UTF-16LE line feed, or -1.
    qsizetype wideLineEnd() const
    {
        for (qsizetype i = 0; i + 1 < m_rest.size(); i += 2) {
            if (m_rest[i] == '\n' && m_rest[i + 1] == '\0')
                return i;
        }
        return -1;
    }

    QByteArrayView m_rest;
    qsizetype m_offset;
    bool m_wide;
    QByteArray m_text;
};

} // namespace

RegistryFile::RegistryFile(QByteArrayView keyPath)
    : m_key("HKEY_CURRENT_USER\\" + keyPath.toByteArray())
{ }

std::optional<RegistryFile> RegistryFile::parse(QByteArrayView text, QByteArrayView keyPath)
{
    RegistryFile file(keyPath);
    file.m_text = text.toByteArray();
    qsizetype bodyStart = 0;
    if (text.startsWith(utf8Bom)) {
        file.m_encoding = Encoding::AnsiAfterBom;
        bodyStart = utf8Bom.size();
    } else if (text.startsWith(utf16Bom)) {
        file.m_encoding = Encoding::Utf16;
        bodyStart = utf16Bom.size();
        if (text.size() % 2)
            return std::nullopt;
    }
    const qsizetype lineCount = text.count('\n') + 1;
    file.m_entries.reserve(std::size_t(lineCount));
    file.m_index.reserve(lineCount);
    // Logical lines: continued lines joined, each kept whole as the stretch of text it covers.
    PhysicalLines lines(file.m_text, bodyStart, file.isWide());
    qsizetype pendingStart = -1;
    QByteArray pendingLine;
    bool continued = false;
    qsizetype start = 0;
    qsizetype size = 0;
    QByteArrayView physical;
    while (lines.next(start, size, physical)) {
        QByteArrayView line = ValueLine::trimmed(physical);
        if (!continued && (line.isEmpty() || line.startsWith(';'))) {
            file.m_entries.push_back({start, size, {}}); // a blank line or a comment
            continue;
        }
        continued = line.endsWith('\\') && !line.startsWith(';');
        if (continued)
            line.chop(1);
        if (!continued && pendingStart < 0) {
            if (!file.addLine(start, size, line))
                return std::nullopt;
            continue;
        }
        if (pendingStart < 0)
            pendingStart = start;
        pendingLine += line;
        if (!continued) {
            if (!file.addLine(pendingStart, start + size - pendingStart, pendingLine))
                return std::nullopt;
            pendingStart = -1;
            pendingLine.clear();
        }
    }
    if (pendingStart >= 0
        && !file.addLine(pendingStart, file.m_text.size() - pendingStart, pendingLine))
        return std::nullopt;
    if (!file.m_hasHeader)
        return std::nullopt;
    file.m_parsedEntries = file.m_entries.size();
    file.m_continuedAtEnd = continued;
    return file;
}

// One logical line in file order: the header first, then sections, each a key's line and its
// values.
bool RegistryFile::addLine(qsizetype rawStart, qsizetype rawSize, QByteArrayView line)
{
    const QByteArrayView raw = QByteArrayView(m_text).sliced(rawStart, rawSize);
    if (line.isEmpty()) {
        m_entries.push_back({rawStart, rawSize, {}}); // only a continuation mark
        return true;
    }
    if (!m_hasHeader) {
        if (line != (isWide() ? version5 : regedit4))
            return false;
        m_hasHeader = true;
        m_lineEnd = raw.endsWith(isWide() ? QByteArrayView("\r\0\n\0", 4) : "\r\n") ? "\r\n" : "\n";
        m_entries.push_back({rawStart, rawSize, {}});
        return true;
    }
    if (line.startsWith('[')) {
        // Another key's section, or a key's deletion ("[-...]"), is kept as it is.
        if (!line.endsWith(']'))
            return false;
        m_inSection = true;
        m_inKey = sameName(line.sliced(1).chopped(1), m_key);
        if (m_inKey)
            m_keyEnd = m_entries.size();
        m_entries.push_back({rawStart, rawSize, {}});
        return true;
    }
    std::optional<ValueLine::Parsed> parsed;
    if (!m_inSection || !(parsed = ValueLine::parse(line, isWide())))
        return false;
    if (!m_inKey) {
        m_entries.push_back({rawStart, rawSize, {}});
        return true;
    }
    m_keyEnd = m_entries.size();
    if (parsed->removal) {
        removeValue(parsed->value.name);
        m_entries.push_back({rawStart, rawSize, {}}); // kept: it still deletes on an import
        return true;
    }
    add(rawStart, rawSize, std::move(parsed->value));
    return true;
}

// A later line of the same name wins; the earlier one stays in the text, spent.
void RegistryFile::add(qsizetype rawStart, qsizetype rawSize, RegistryValue value)
{
    const quint64 hash = nameHash(value.name);
    if (const std::size_t earlier = find(value.name, hash); earlier != noEntry)
        m_entries[earlier].value.reset();
    insert({rawStart, rawSize, std::move(value)}, hash);
}

// The entry holding the value of that name, or noEntry.
std::size_t RegistryFile::find(QByteArrayView name, quint64 hash) const
{
    const auto it = m_index.constFind(hash);
    for (std::size_t i = it == m_index.cend() ? noEntry : *it; i != noEntry;
         i = m_entries[i].nextSameHash) {
        if (m_entries[i].value && sameName(m_entries[i].value->name, name))
            return i;
    }
    return noEntry;
}

void RegistryFile::insert(Entry entry, quint64 hash)
{
    const auto it = m_index.constFind(hash);
    entry.nextSameHash = it == m_index.cend() ? noEntry : *it;
    m_index.insert(hash, m_entries.size());
    m_entries.push_back(std::move(entry));
}

QByteArray RegistryFile::encoded(QByteArrayView ansi) const
{
    return isWide() ? WideText::fromAnsi(ansi) : ansi.toByteArray();
}

QByteArray RegistryFile::toText() const
{
    QByteArray out;
    out.reserve(m_text.size() + 256);
    if (m_encoding == Encoding::AnsiAfterBom)
        out += utf8Bom;
    else if (m_encoding == Encoding::Utf16)
        out += utf16Bom;
    if (!m_hasHeader)
        out += encoded("REGEDIT4\n");
    for (std::size_t i = 0; i < m_parsedEntries; ++i) {
        const Entry &entry = m_entries[i];
        if (entry.rawSize > 0)
            out += QByteArrayView(m_text).sliced(entry.rawStart, entry.rawSize);
        else if (entry.value)
            appendLine(out, ValueLine::write(*entry.value, isWide()));
        if (i != m_keyEnd)
            continue;
        if (m_continuedAtEnd && i + 1 == m_parsedEntries && m_entries.size() > m_parsedEntries)
            appendLine(out, {}); // an empty line ends the one the text read left open
        appendAdded(out);
    }
    if (m_keyEnd == noEntry && (!m_hasHeader || m_entries.size() > m_parsedEntries)) {
        // No section of the key yet: one at the end, after a blank line.
        if (!out.endsWith(encoded("\n\n")) && !out.endsWith(encoded("\n\r\n")))
            appendLine(out, {});
        appendLine(out, '[' + m_key + ']');
        appendAdded(out);
    }
    return out;
}

// The line in the file's encoding and line ends, on a line of its own.
void RegistryFile::appendLine(QByteArray &out, QByteArrayView ansiLine) const
{
    // The line before ended the file without a line end, or with half of one.
    if (out.endsWith(encoded("\r")))
        out += encoded("\n");
    else if (!out.endsWith(encoded("\n")))
        out += encoded(m_lineEnd);
    QByteArray line = ansiLine.toByteArray() + '\n';
    if (m_lineEnd != "\n")
        line.replace("\n", m_lineEnd);
    out += encoded(line);
}

// The values set since the text was read, that it did not hold.
void RegistryFile::appendAdded(QByteArray &out) const
{
    for (std::size_t i = m_parsedEntries; i < m_entries.size(); ++i)
        appendLine(out, ValueLine::write(*m_entries[i].value, isWide()));
}

const RegistryValue *RegistryFile::value(QByteArrayView name) const
{
    const std::size_t i = find(name, nameHash(name));
    return i == noEntry ? nullptr : &*m_entries[i].value;
}

// A value set keeps its place and its name's spelling, and is written in the store's own form.
bool RegistryFile::setValue(QByteArrayView name, std::uint32_t type, QByteArrayView data)
{
    const quint64 hash = nameHash(name);
    if (const std::size_t i = find(name, hash); i != noEntry) {
        Entry &entry = m_entries[i];
        if (entry.value->type == type && entry.value->data == data)
            return false;
        entry.rawSize = 0;
        entry.value->type = type;
        entry.value->data = data.toByteArray();
        return true;
    }
    insert({0, 0, RegistryValue {name.toByteArray(), type, data.toByteArray()}}, hash);
    return true;
}

void RegistryFile::removeValue(QByteArrayView name)
{
    if (const std::size_t i = find(name, nameHash(name)); i != noEntry)
        m_entries[i].value.reset();
}
