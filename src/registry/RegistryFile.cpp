// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#include "RegistryFile.h"

#include "platform/AnsiCodec.h"

#include <QList>
#include <QString>

namespace {

constexpr std::uint32_t typeString = 1;
constexpr std::uint32_t typeBinary = 3;
constexpr std::uint32_t typeDword = 4;
constexpr int hexBytesPerLine = 25;

bool sameName(QByteArrayView a, QByteArrayView b)
{
    return AnsiCodec::decode(a).compare(AnsiCodec::decode(b), Qt::CaseInsensitive) == 0;
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

QByteArrayView trimmed(QByteArrayView line)
{
    while (!line.isEmpty() && isBlank(line.front()))
        line = line.sliced(1);
    while (!line.isEmpty() && isBlank(line.back()))
        line.chop(1);
    return line;
}

// The text's logical lines: CR taken off, continued lines joined, blank lines and comments dropped.
QList<QByteArray> logicalLines(QByteArrayView text)
{
    QList<QByteArray> lines;
    QByteArray pending;
    bool continued = false;
    for (QByteArrayView raw : QByteArray::fromRawData(text.data(), text.size()).split('\n')) {
        if (raw.endsWith('\r'))
            raw.chop(1);
        QByteArrayView line = trimmed(raw);
        if (!continued && (line.isEmpty() || line.startsWith(';')))
            continue;
        continued = line.endsWith('\\') && !line.startsWith(';');
        if (continued)
            line.chop(1);
        pending += line;
        if (!continued) {
            lines.append(pending);
            pending.clear();
        }
    }
    if (!pending.isEmpty())
        lines.append(pending);
    return lines;
}

// A quoted text with \\ and \" escapes at the start of `in`; `in` is moved past it.
std::optional<QByteArray> takeQuoted(QByteArrayView &in)
{
    if (!in.startsWith('"'))
        return std::nullopt;
    QByteArray out;
    for (qsizetype i = 1; i < in.size(); ++i) {
        const char c = in[i];
        if (c == '"') {
            in = in.sliced(i + 1);
            return out;
        }
        if (c == '\\') {
            if (++i == in.size() || (in[i] != '\\' && in[i] != '"'))
                return std::nullopt;
        }
        out += in[i];
    }
    return std::nullopt;
}

std::optional<std::uint32_t> hexNumber(QByteArrayView digits)
{
    digits = trimmed(digits);
    if (digits.isEmpty() || digits.size() > 8)
        return std::nullopt;
    bool ok = false;
    const uint n = QByteArray(digits.data(), digits.size()).toUInt(&ok, 16);
    return ok ? std::optional<std::uint32_t>(n) : std::nullopt;
}

std::optional<QByteArray> hexList(QByteArrayView list)
{
    QByteArray bytes;
    if (trimmed(list).isEmpty())
        return bytes;
    for (QByteArrayView item : QByteArray::fromRawData(list.data(), list.size()).split(',')) {
        const auto byte = hexNumber(item);
        if (!byte || *byte > 0xFF || trimmed(item).size() > 2)
            return std::nullopt;
        bytes += char(*byte);
    }
    return bytes;
}

QByteArray quoted(QByteArrayView text)
{
    QByteArray out = "\"";
    for (const char c : text) {
        if (c == '\\' || c == '"')
            out += '\\';
        out += c;
    }
    return out + '"';
}

// The quoted form stands for its text and one terminating NUL, as a REGEDIT4 import reads it;
// only a string stored exactly so, and of printable ASCII, can be written that way.
bool fitsQuotedForm(const RegistryFile::Value &v)
{
    if (v.type != typeString || v.data.isEmpty() || v.data.back() != '\0')
        return false;
    for (qsizetype i = 0; i + 1 < v.data.size(); ++i) {
        if (v.data[i] < 0x20 || v.data[i] > 0x7E)
            return false;
    }
    return true;
}

QByteArray dataText(const RegistryFile::Value &v)
{
    if (fitsQuotedForm(v))
        return quoted(QByteArrayView(v.data).chopped(1));
    if (v.type == typeDword && v.data.size() == 4) {
        const auto *d = reinterpret_cast<const unsigned char *>(v.data.constData());
        const std::uint32_t n = d[0] | d[1] << 8 | d[2] << 16 | std::uint32_t(d[3]) << 24;
        return "dword:" + QByteArray::number(n, 16).rightJustified(8, '0');
    }
    QByteArray out =
        v.type == typeBinary ? QByteArray("hex:") : "hex(" + QByteArray::number(v.type, 16) + "):";
    for (qsizetype i = 0; i < v.data.size(); ++i) {
        if (i > 0)
            out += (i % hexBytesPerLine == 0) ? ",\\\n  " : ",";
        out += QByteArray::number(uchar(v.data[i]), 16).rightJustified(2, '0');
    }
    return out;
}

} // namespace

std::optional<RegistryFile> RegistryFile::parse(QByteArrayView text)
{
    const QList<QByteArray> lines = logicalLines(text);
    if (lines.isEmpty() || lines.front() != "REGEDIT4")
        return std::nullopt;
    RegistryFile file;
    QByteArray section;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        QByteArrayView line = lines[i];
        if (line.startsWith('[')) {
            // One key per file; a second key, or a key to delete, is not ours to rewrite.
            if (!line.endsWith(']') || line.startsWith("[-")
                || (!section.isEmpty() && !sameName(section, line)))
                return std::nullopt;
            section = line.toByteArray();
            continue;
        }
        if (section.isEmpty())
            return std::nullopt;
        QByteArray name;
        if (line.startsWith('@')) {
            line = line.sliced(1);
        } else {
            const auto n = takeQuoted(line);
            if (!n)
                return std::nullopt;
            name = *n;
        }
        line = trimmed(line);
        if (!line.startsWith('='))
            return std::nullopt;
        line = trimmed(line.sliced(1));
        if (line == "-") {
            file.removeValue(name);
            continue;
        }
        if (line.startsWith('"')) {
            auto s = takeQuoted(line);
            if (!s || !trimmed(line).isEmpty())
                return std::nullopt;
            file.setValue(name, typeString, *s + '\0');
            continue;
        }
        const QByteArray lower = line.toByteArray().toLower();
        if (lower.startsWith("dword:")) {
            const auto n = hexNumber(line.sliced(6));
            if (!n)
                return std::nullopt;
            const char d[4] = {char(*n), char(*n >> 8), char(*n >> 16), char(*n >> 24)};
            file.setValue(name, typeDword, QByteArrayView(d, 4));
            continue;
        }
        std::optional<std::uint32_t> type;
        qsizetype listStart = 0;
        if (lower.startsWith("hex:")) {
            type = typeBinary;
            listStart = 4;
        } else if (lower.startsWith("hex(")) {
            const qsizetype close = lower.indexOf("):");
            if (close > 4)
                type = hexNumber(line.sliced(4, close - 4));
            listStart = close + 2;
        }
        const auto bytes = type ? hexList(line.sliced(listStart)) : std::nullopt;
        if (!bytes)
            return std::nullopt;
        file.setValue(name, *type, *bytes);
    }
    if (section.isEmpty())
        return std::nullopt;
    return file;
}

QByteArray RegistryFile::toText(QByteArrayView keyPath) const
{
    QByteArray out = "REGEDIT4\n\n[HKEY_CURRENT_USER\\" + keyPath.toByteArray() + "]\n";
    for (const Value &v : m_values)
        out += (v.name.isEmpty() ? QByteArray("@") : quoted(v.name)) + '=' + dataText(v) + '\n';
    return out;
}

const RegistryFile::Value *RegistryFile::value(QByteArrayView name) const
{
    for (const Value &v : m_values) {
        if (sameName(v.name, name))
            return &v;
    }
    return nullptr;
}

void RegistryFile::setValue(QByteArrayView name, std::uint32_t type, QByteArrayView data)
{
    for (Value &v : m_values) {
        if (sameName(v.name, name)) {
            v.type = type;
            v.data = data.toByteArray();
            return;
        }
    }
    m_values.push_back({name.toByteArray(), type, data.toByteArray()});
}

void RegistryFile::removeValue(QByteArrayView name)
{
    std::erase_if(m_values, [&](const Value &v) { return sameName(v.name, name); });
}
