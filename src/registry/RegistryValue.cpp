// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#include "RegistryValue.h"

#include "Registry.h"
#include "platform/AnsiCodec.h"

#include <QtEndian>

#include <algorithm>

namespace {

constexpr int hexBytesPerLine = 25;
constexpr QStringView hexDigits = u"0123456789abcdef";
// The escapes of a quoted text, and what each stands for.
constexpr QStringView escapes = u"\\\"nr0";
constexpr char16_t escaped[] = u"\\\"\n\r\0";

// A quoted text at the start of `in`, with the escapes Windows and Wine write; `in` is moved past
// it. Empty when it is not one.
std::optional<QString> takeQuoted(QStringView &in)
{
    if (!in.startsWith(u'"'))
        return std::nullopt;
    const qsizetype close = in.indexOf(u'"', 1);
    QString out = in.sliced(1, std::max<qsizetype>(close - 1, 0)).toString();
    if (close > 0 && !out.contains(u'\\')) { // no escapes: the common case
        in = in.sliced(close + 1);
        return out;
    }
    out.clear();
    for (qsizetype i = 1; i < in.size(); ++i) {
        QChar c = in[i];
        if (c == u'"') {
            in = in.sliced(i + 1);
            return out;
        }
        if (c == u'\\') {
            const qsizetype escape = ++i < in.size() ? escapes.indexOf(in[i]) : -1;
            if (escape < 0)
                return std::nullopt;
            c = escaped[escape];
        }
        out += c;
    }
    return std::nullopt;
}

// At most `digits` hex digits, spaces around them allowed.
std::optional<std::uint32_t> hexNumber(QStringView text, qsizetype digits)
{
    text = text.trimmed();
    if (text.isEmpty() || text.size() > digits)
        return std::nullopt;
    std::uint32_t n = 0;
    for (const QChar c : text) {
        const qsizetype d = hexDigits.indexOf(c.toLower());
        if (d < 0) {
            // The forms the toolkit's own conversion takes besides plain digits ("0x1", "+1").
            bool ok = false;
            n = text.toUInt(&ok, 16);
            return ok ? std::optional(n) : std::nullopt;
        }
        n = n << 4 | std::uint32_t(d);
    }
    return n;
}

std::optional<QByteArray> hexList(QStringView list)
{
    QByteArray bytes;
    if (list.trimmed().isEmpty())
        return bytes;
    bytes.reserve(list.size() / 3 + 1);
    for (const QStringView item : list.tokenize(u',')) {
        const auto byte = hexNumber(item, 2);
        if (!byte || *byte > 0xFF)
            return std::nullopt;
        bytes += char(*byte);
    }
    return bytes;
}

// The data after '=' (trimmed, not empty), by its form: "text", dword:, hex: or hex(type):.
std::optional<RegistryValue> parseData(QStringView text, bool wide)
{
    if (text.startsWith(u'"')) {
        const auto s = takeQuoted(text);
        if (!s || !text.trimmed().isEmpty())
            return std::nullopt;
        return RegistryValue {{}, Registry::TypeString, AnsiCodec::encode(*s) + '\0'};
    }
    const qsizetype colon = text.indexOf(u':');
    const QStringView form = text.first(std::max<qsizetype>(colon, 0));
    if (form.compare(u"dword", Qt::CaseInsensitive) == 0) {
        const auto n = hexNumber(text.sliced(colon + 1), 8);
        QByteArray d(4, Qt::Uninitialized);
        qToLittleEndian(n.value_or(0), d.data());
        return n ? std::optional(RegistryValue {{}, Registry::TypeDword, d}) : std::nullopt;
    }
    std::optional<std::uint32_t> type;
    if (form.compare(u"hex", Qt::CaseInsensitive) == 0)
        type = Registry::TypeBinary;
    else if (form.startsWith(u"hex(", Qt::CaseInsensitive) && form.endsWith(u')'))
        type = hexNumber(form.sliced(4).chopped(1), 8);
    auto bytes = type ? hexList(text.sliced(colon + 1)) : std::nullopt;
    if (!bytes)
        return std::nullopt;
    if (wide && Registry::isStringType(*type)) {
        // An odd last byte is kept as it is.
        const QByteArray odd = bytes->size() % 2 ? bytes->last(1) : QByteArray();
        *bytes = AnsiCodec::encode(RegistryValue::fromUtf16le(*bytes)) + odd;
    }
    return RegistryValue {{}, *type, *bytes};
}

QString quoted(QString text)
{
    return u'"' + text.replace(u'\\', u"\\\\"_qs).replace(u'"', u"\\\""_qs) + u'"';
}

// The quoted form stands for its text and one NUL: only such strings of printable ASCII take it.
bool fitsQuotedForm(const RegistryValue &v)
{
    return v.type == Registry::TypeString && v.data.endsWith('\0')
        && std::all_of(v.data.begin(), v.data.end() - 1,
                       [](char c) { return c >= 0x20 && c < 0x7F; });
}

} // namespace

std::optional<RegistryValue> RegistryValue::fromLine(QStringView line, bool wide, bool &removal)
{
    const bool isDefault = line.startsWith(u'@');
    line = line.sliced(isDefault ? 1 : 0);
    std::optional<QString> name = isDefault ? QString() : takeQuoted(line);
    if (!name)
        return std::nullopt;
    line = line.trimmed();
    if (!line.startsWith(u'='))
        return std::nullopt;
    line = line.sliced(1).trimmed();
    removal = line == u"-";
    auto value = removal ? RegistryValue {} : parseData(line, wide);
    if (value)
        value->name = std::move(*name);
    return value;
}

QString RegistryValue::toLine(bool wide, QStringView lineEnd) const
{
    QString out = (name.isEmpty() ? u"@"_qs : quoted(name)) + u'=';
    if (fitsQuotedForm(*this))
        return out + quoted(AnsiCodec::decode(QByteArrayView(data).chopped(1)));
    if (type == Registry::TypeDword && data.size() == 4)
        return out + u"dword:"_qs
            + QString::number(qFromLittleEndian<std::uint32_t>(data.constData()), 16)
                  .rightJustified(8, u'0');
    const QByteArray bytes =
        wide && Registry::isStringType(type) ? toUtf16le(AnsiCodec::decode(data)) : data;
    out += type == Registry::TypeBinary ? u"hex:"_qs : u"hex(%1):"_qs.arg(type, 0, 16);
    const QString wrap = u",\\"_qs + lineEnd.toString() + u"  "_qs;
    out.reserve(out.size() + bytes.size() * 3 + bytes.size() / hexBytesPerLine * wrap.size());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (i > 0)
            out += i % hexBytesPerLine == 0 ? QStringView(wrap) : u",";
        out += hexDigits[uchar(bytes[i]) >> 4];
        out += hexDigits[uchar(bytes[i]) & 0xF];
    }
    return out;
}

QString RegistryValue::fromUtf16le(QByteArrayView bytes)
{
    QString text(bytes.size() / 2, Qt::Uninitialized);
    if (!text.isEmpty())
        qFromLittleEndian<char16_t>(bytes.data(), text.size(), text.data());
    return text;
}

QByteArray RegistryValue::toUtf16le(QStringView text)
{
    QByteArray bytes(text.size() * 2, Qt::Uninitialized);
    if (!text.isEmpty())
        qToLittleEndian<char16_t>(text.data(), text.size(), bytes.data());
    return bytes;
}
