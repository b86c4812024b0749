// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#include "Convert.h"

#include <charconv>
#include <cmath>
#include <system_error>

namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// Length of the number at the start of text (after any blanks), 0 when there is none.
qsizetype numberPrefix(QStringView text, qsizetype from)
{
    qsizetype i = from;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
        ++i;
    qsizetype digits = 0;
    while (i < text.size() && isDigit(text[i]))
        ++i, ++digits;
    if (i < text.size() && text[i] == u'.') {
        ++i;
        while (i < text.size() && isDigit(text[i]))
            ++i, ++digits;
    }
    if (digits == 0)
        return 0;
    if (i < text.size() && (text[i] == u'e' || text[i] == u'E')) {
        qsizetype j = i + 1;
        if (j < text.size() && (text[j] == u'+' || text[j] == u'-'))
            ++j;
        if (j < text.size() && isDigit(text[j])) {
            while (j < text.size() && isDigit(text[j]))
                ++j;
            i = j;
        }
    }
    return i - from;
}

double parse(QStringView number)
{
    // from_chars, unlike strtod, ignores the user's locale: "2.5" is two and a half everywhere.
    const QByteArray ascii = number.toLatin1();
    const char *first = ascii.constData();
    if (*first == '+')
        ++first;
    double value = 0.0;
    const auto result = std::from_chars(first, ascii.constData() + ascii.size(), value);
    if (result.ec == std::errc::result_out_of_range)
        return 0.0;
    return std::isfinite(value) ? value : 0.0;
}

} // namespace

double Convert::Val(QStringView text)
{
    qsizetype start = 0;
    while (start < text.size() && isBlank(text[start]))
        ++start;
    const qsizetype length = numberPrefix(text, start);
    return length == 0 ? 0.0 : parse(text.mid(start, length));
}

QString Convert::Str(float value)
{
    if (!std::isfinite(value))
        return QStringLiteral("0");
    // Shortest plain decimal that reads back to the same float: 2880, not 2.88e+03.
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed);
    return QString::fromLatin1(text, result.ptr - text);
}

std::optional<qint16> Convert::CInt(QStringView text)
{
    const QStringView trimmed = text.trimmed();
    const qsizetype length = numberPrefix(trimmed, 0);
    if (length == 0 || length != trimmed.size())
        return std::nullopt;
    const double rounded = std::nearbyint(parse(trimmed)); // default rounding: half to even
    if (rounded < -32768.0 || rounded > 32767.0)
        return std::nullopt;
    return static_cast<qint16>(rounded);
}

QStringView Convert::Trim(QStringView text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text[first] == u' ')
        ++first;
    while (last > first && text[last - 1] == u' ')
        --last;
    return text.sliced(first, last - first);
}
