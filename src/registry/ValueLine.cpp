// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#include "ValueLine.h"

#include "Registry.h"
#include "WideText.h"

#include <cstring>

namespace {

constexpr int hexBytesPerLine = 25;

// A quoted text with \\ and \" escapes at the start of `in`; `in` is moved past it. With
// `terminated`, a NUL follows the text, as a string value's data have it.
std::optional<QByteArray> takeQuoted(QByteArrayView &in, bool terminated = false)
{
    if (!in.startsWith('"'))
        return std::nullopt;
    const qsizetype close = in.indexOf('"', 1);
    if (close > 0 && !in.first(close).contains('\\')) { // no escapes: the common case
        QByteArray out(close - 1 + (terminated ? 1 : 0), '\0');
        std::memcpy(out.data(), in.data() + 1, close - 1);
        in = in.sliced(close + 1);
        return out;
    }
    QByteArray out;
    for (qsizetype i = 1; i < in.size(); ++i) {
        const char c = in[i];
        if (c == '"') {
            in = in.sliced(i + 1);
            if (terminated)
                out += '\0';
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

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::optional<std::uint32_t> hexNumber(QByteArrayView digits)
{
    digits = ValueLine::trimmed(digits);
    if (digits.isEmpty() || digits.size() > 8)
        return std::nullopt;
    std::uint32_t n = 0;
    for (const char c : digits) {
        const int d = hexDigit(c);
        if (d < 0) {
            // The forms the toolkit's own conversion takes besides plain digits ("0x1", "+1").
            bool ok = false;
            n = QByteArray(digits.data(), digits.size()).toUInt(&ok, 16);
            return ok ? std::optional<std::uint32_t>(n) : std::nullopt;
        }
        n = n << 4 | std::uint32_t(d);
    }
    return n;
}

std::optional<QByteArray> hexList(QByteArrayView list)
{
    QByteArray bytes;
    if (ValueLine::trimmed(list).isEmpty())
        return bytes;
    bytes.reserve(list.size() / 3 + 1);
    while (true) {
        const qsizetype comma = list.indexOf(',');
        const QByteArrayView item = comma < 0 ? list : list.first(comma);
        const auto byte = hexNumber(item);
        if (!byte || *byte > 0xFF || ValueLine::trimmed(item).size() > 2)
            return std::nullopt;
        bytes += char(*byte);
        if (comma < 0)
            return bytes;
        list = list.sliced(comma + 1);
    }
}

// The data after '=' (`text` trimmed, not empty), by its form.
std::optional<RegistryValue> data(QByteArrayView text, bool wide)
{
    if (text.startsWith('"')) {
        auto s = takeQuoted(text, true);
        if (!s || !ValueLine::trimmed(text).isEmpty())
            return std::nullopt;
        return RegistryValue {{}, Registry::TypeString, std::move(*s)};
    }
    if (text.size() >= 6 && text.first(6).compare("dword:", Qt::CaseInsensitive) == 0) {
        const auto n = hexNumber(text.sliced(6));
        if (!n)
            return std::nullopt;
        const char d[4] = {char(*n), char(*n >> 8), char(*n >> 16), char(*n >> 24)};
        return RegistryValue {{}, Registry::TypeDword, QByteArray(d, 4)};
    }
    std::optional<std::uint32_t> type;
    qsizetype listStart = 0;
    if (text.size() >= 4 && text.first(4).compare("hex:", Qt::CaseInsensitive) == 0) {
        type = Registry::TypeBinary;
        listStart = 4;
    } else if (text.size() >= 4 && text.first(4).compare("hex(", Qt::CaseInsensitive) == 0) {
        const qsizetype close = text.indexOf("):");
        if (close > 4)
            type = hexNumber(text.sliced(4, close - 4));
        listStart = close + 2;
    }
    auto bytes = type ? hexList(text.sliced(listStart)) : std::nullopt;
    if (!bytes)
        return std::nullopt;
    if (wide && Registry::isStringType(*type))
        *bytes = WideText::toAnsi(*bytes);
    return RegistryValue {{}, *type, *bytes};
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

// The quoted form stands for its text and one terminating NUL, as an import reads it; only a
// string stored exactly so, and of printable ASCII, can be written that way.
bool fitsQuotedForm(const RegistryValue &v)
{
    if (v.type != Registry::TypeString || v.data.isEmpty() || v.data.back() != '\0')
        return false;
    for (qsizetype i = 0; i + 1 < v.data.size(); ++i) {
        if (v.data[i] < 0x20 || v.data[i] > 0x7E)
            return false;
    }
    return true;
}

QByteArray hexText(const RegistryValue &v, bool wide)
{
    const QByteArray bytes =
        wide && Registry::isStringType(v.type) ? WideText::fromAnsi(v.data) : v.data;
    QByteArray out = v.type == Registry::TypeBinary
        ? QByteArray("hex:")
        : "hex(" + QByteArray::number(v.type, 16) + "):";
    out.reserve(out.size() + bytes.size() * 3 + bytes.size() / hexBytesPerLine * 4);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (i > 0)
            out += (i % hexBytesPerLine == 0) ? ",\\\n  " : ",";
        out += "0123456789abcdef"[uchar(bytes[i]) >> 4];
        out += "0123456789abcdef"[uchar(bytes[i]) & 0xF];
    }
    return out;
}

} // namespace

std::optional<ValueLine::Parsed> ValueLine::parse(QByteArrayView line, bool wide)
{
    QByteArray name;
    if (line.startsWith('@')) {
        line = line.sliced(1);
    } else {
        auto n = takeQuoted(line);
        if (!n)
            return std::nullopt;
        name = std::move(*n);
    }
    line = trimmed(line);
    if (!line.startsWith('='))
        return std::nullopt;
    line = trimmed(line.sliced(1));
    if (line == "-")
        return Parsed {{name, 0, {}}, true};
    auto value = data(line, wide);
    if (!value)
        return std::nullopt;
    value->name = std::move(name);
    return Parsed {std::move(*value), false};
}

QByteArrayView ValueLine::trimmed(QByteArrayView text)
{
    while (!text.isEmpty() && (text.front() == ' ' || text.front() == '\t'))
        text = text.sliced(1);
    while (!text.isEmpty() && (text.back() == ' ' || text.back() == '\t'))
        text.chop(1);
    return text;
}

QByteArray ValueLine::write(const RegistryValue &v, bool wide)
{
    QByteArray out = v.name.isEmpty() ? QByteArray("@") : quoted(v.name);
    out += '=';
    if (fitsQuotedForm(v))
        return out + quoted(QByteArrayView(v.data).chopped(1));
    if (v.type == Registry::TypeDword && v.data.size() == 4) {
        const auto n = Registry::dwordOf(reinterpret_cast<const std::uint8_t *>(v.data.data()));
        return out + "dword:" + QByteArray::number(n, 16).rightJustified(8, '0');
    }
    return out + hexText(v, wide);
}
