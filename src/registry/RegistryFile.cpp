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

QString foldedName(QByteArrayView name)
{
    return AnsiCodec::decode(name).toCaseFolded();
}

QByteArrayView trimmed(QByteArrayView line)
{
    while (!line.isEmpty() && (line.front() == ' ' || line.front() == '\t'))
        line = line.sliced(1);
    while (!line.isEmpty() && (line.back() == ' ' || line.back() == '\t'))
        line.chop(1);
    return line;
}

// The text's lines one by one: each with its bytes as read, line end included, and its 8-bit text
// without the line end (UTF-16LE text converted to the ANSI code page first).
class PhysicalLines
{
public:
    PhysicalLines(QByteArrayView body, bool wide)
        : m_rest(body)
        , m_wide(wide)
    { }

    bool next(QByteArrayView &raw, QByteArrayView &text)
    {
        if (m_rest.isEmpty())
            return false;
        qsizetype end = m_wide ? wideLineEnd() : m_rest.indexOf('\n');
        const qsizetype breakSize = m_wide ? 2 : 1;
        raw = end < 0 ? m_rest : m_rest.first(end + breakSize);
        QByteArrayView content = end < 0 ? m_rest : m_rest.first(end);
        m_rest = m_rest.sliced(raw.size());
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
    bool m_wide;
    QByteArray m_text;
};

} // namespace

std::optional<RegistryFile> RegistryFile::parse(QByteArrayView text)
{
    RegistryFile file;
    if (text.startsWith(utf8Bom)) {
        file.m_encoding = Encoding::AnsiAfterBom;
        text = text.sliced(utf8Bom.size());
    } else if (text.startsWith(utf16Bom)) {
        file.m_encoding = Encoding::Utf16;
        text = text.sliced(utf16Bom.size());
        if (text.size() % 2)
            return std::nullopt;
    }
    // Logical lines: continued lines joined, each kept whole with its raw bytes.
    PhysicalLines lines(text, file.isWide());
    QByteArray pendingRaw;
    QByteArray pendingLine;
    bool continued = false;
    QByteArrayView raw;
    QByteArrayView physical;
    while (lines.next(raw, physical)) {
        QByteArrayView line = trimmed(physical);
        if (!continued && (line.isEmpty() || line.startsWith(';'))) {
            file.m_entries.push_back({raw.toByteArray(), {}}); // a blank line or a comment
            continue;
        }
        continued = line.endsWith('\\') && !line.startsWith(';');
        if (continued)
            line.chop(1);
        if (!continued && pendingRaw.isEmpty()) {
            if (!file.addLine(raw.toByteArray(), line))
                return std::nullopt;
            continue;
        }
        pendingRaw += raw;
        pendingLine += line;
        if (!continued) {
            if (!file.addLine(std::exchange(pendingRaw, {}), std::exchange(pendingLine, {})))
                return std::nullopt;
        }
    }
    if (!pendingRaw.isEmpty() && !file.addLine(pendingRaw, pendingLine))
        return std::nullopt;
    if (file.m_section.isEmpty())
        return std::nullopt;
    return file;
}

// One logical line in file order: the header first, then the key's line, then its values.
bool RegistryFile::addLine(QByteArray raw, QByteArrayView line)
{
    if (line.isEmpty()) {
        m_entries.push_back({std::move(raw), {}}); // only a continuation mark
        return true;
    }
    if (!m_hasHeader) {
        if (line != (isWide() ? version5 : regedit4))
            return false;
        m_hasHeader = true;
        m_lineEnd = raw.endsWith(isWide() ? QByteArrayView("\r\0\n\0", 4) : "\r\n") ? "\r\n" : "\n";
        m_entries.push_back({std::move(raw), {}});
        return true;
    }
    if (line.startsWith('[')) {
        // One key per file; a second key, or a key to delete, is not ours to rewrite.
        if (!line.endsWith(']') || line.startsWith("[-")
            || (!m_section.isEmpty()
                && AnsiCodec::decode(m_section).compare(AnsiCodec::decode(line),
                                                        Qt::CaseInsensitive)
                    != 0))
            return false;
        if (m_section.isEmpty())
            m_section = line.toByteArray();
        m_entries.push_back({std::move(raw), {}});
        return true;
    }
    std::optional<ValueLine::Parsed> parsed;
    if (m_section.isEmpty() || !(parsed = ValueLine::parse(line, isWide())))
        return false;
    if (parsed->removal) {
        removeValue(parsed->value.name);
        m_entries.push_back({std::move(raw), {}}); // kept: it still deletes on an import
        return true;
    }
    add(std::move(raw), std::move(parsed->value));
    return true;
}

// A later line of the same name wins; the earlier one stays in the text, spent.
void RegistryFile::add(QByteArray raw, RegistryValue value)
{
    removeValue(value.name);
    m_index.insert(foldedName(value.name), m_entries.size());
    m_entries.push_back({std::move(raw), std::move(value)});
}

QByteArray RegistryFile::encoded(QByteArrayView ansi) const
{
    return isWide() ? WideText::fromAnsi(ansi) : ansi.toByteArray();
}

QByteArray RegistryFile::toText(QByteArrayView keyPath) const
{
    QByteArray out;
    if (m_encoding == Encoding::AnsiAfterBom)
        out += utf8Bom;
    else if (m_encoding == Encoding::Utf16)
        out += utf16Bom;
    if (!m_hasHeader)
        out += encoded("REGEDIT4\n\n[HKEY_CURRENT_USER\\" + keyPath.toByteArray() + "]\n");
    const QByteArray lineFeed = encoded("\n");
    for (const Entry &entry : m_entries) {
        if (!entry.raw.isEmpty()) {
            out += entry.raw;
            continue;
        }
        if (!entry.value)
            continue;
        if (!out.endsWith(lineFeed))
            out += encoded(m_lineEnd); // the line before ended the file without a line end
        QByteArray line = ValueLine::write(*entry.value, isWide()) + '\n';
        if (m_lineEnd != "\n")
            line.replace("\n", m_lineEnd);
        out += encoded(line);
    }
    return out;
}

const RegistryValue *RegistryFile::value(QByteArrayView name) const
{
    const auto it = m_index.constFind(foldedName(name));
    return it == m_index.cend() ? nullptr : &*m_entries[*it].value;
}

// A value set keeps its place and its name's spelling, and is written in the store's own form.
void RegistryFile::setValue(QByteArrayView name, std::uint32_t type, QByteArrayView data)
{
    const QString key = foldedName(name);
    const auto it = m_index.constFind(key);
    if (it != m_index.cend()) {
        Entry &entry = m_entries[*it];
        entry.raw.clear();
        entry.value->type = type;
        entry.value->data = data.toByteArray();
        return;
    }
    m_index.insert(key, m_entries.size());
    m_entries.push_back({{}, RegistryValue {name.toByteArray(), type, data.toByteArray()}});
}

void RegistryFile::removeValue(QByteArrayView name)
{
    const auto it = m_index.constFind(foldedName(name));
    if (it == m_index.cend())
        return;
    m_entries[*it].value.reset();
    m_index.erase(it);
}
