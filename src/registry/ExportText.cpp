// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#include "ExportText.h"

#include "platform/AnsiCodec.h"

#include <QStringDecoder>

#include <algorithm>

namespace {

constexpr QByteArrayView utf8Bom = "\xEF\xBB\xBF";
constexpr QByteArrayView utf16Bom = "\xFF\xFE";
constexpr QStringView regedit4 = u"REGEDIT4";
constexpr QStringView version5 = u"Windows Registry Editor Version 5.00";

bool isBreak(QChar c)
{
    return c == u'\n' || c == u'\r';
}

// Where the physical line at `from` ends, before its line end.
qsizetype contentEnd(QStringView text, qsizetype from)
{
    return std::find_if(text.begin() + from, text.end(), isBreak) - text.begin();
}

// Where the line whose content ends at `at` is followed by the next.
qsizetype afterBreak(QStringView text, qsizetype at)
{
    const bool crlf = at + 1 < text.size() && text[at] == u'\r' && text[at + 1] == u'\n';
    return std::min(at + (crlf ? 2 : 1), text.size());
}

// A trimmed piece of a line that goes on in the next.
bool continues(QStringView piece)
{
    return !piece.isEmpty() && piece.back() == u'\\' && piece.front() != u';';
}

bool endsWithBreak(QStringView text)
{
    return !text.isEmpty() && isBreak(text.back());
}

// Two line ends in a row: the text ends with an empty line.
bool endsWithBlankLine(QStringView text)
{
    if (!endsWithBreak(text))
        return false;
    text.chop(text.endsWith(u"\r\n") ? 2 : 1);
    return endsWithBreak(text);
}

// The same text but for case, as the registry compares names.
bool sameText(QStringView a, QStringView b)
{
    return a.size() == b.size() && a.compare(b, Qt::CaseInsensitive) == 0;
}

// A header line, also where a second export's byte-order mark comes before it (as UTF-16 or UTF-8
// text, or UTF-8 bytes read in the ANSI code page).
bool isHeader(QStringView head)
{
    for (const QStringView bom : {QStringView(u"\uFEFF"), QStringView(u"\u00EF\u00BB\u00BF")}) {
        if (head.startsWith(bom))
            head = head.sliced(bom.size());
    }
    return sameText(head, regedit4) || sameText(head, version5);
}

// A logical line: a physical line, and those its trailing backslashes carry it on into.
struct Line
{
    qsizetype start = 0;
    qsizetype firstEnd = 0; // where the first physical line's content ends
    qsizetype end = 0; // where the content ends, before the last line end
    qsizetype next = 0; // where the next line starts

    Line(QStringView text, qsizetype from, int &number)
        : start(from)
        , firstEnd(contentEnd(text, from))
        , end(firstEnd)
    {
        for (qsizetype at = from;; at = next, end = contentEnd(text, at), ++number) {
            next = afterBreak(text, end);
            if (end == at || !continues(text.sliced(at, end - at).trimmed()) || next == text.size())
                return;
        }
    }

    // The line's text: each piece trimmed, without the backslashes that carry it on.
    QString joined(QStringView text) const
    {
        QString out;
        for (qsizetype at = start; at < end; at = afterBreak(text, contentEnd(text, at))) {
            QStringView piece = text.sliced(at, contentEnd(text, at) - at).trimmed();
            if (continues(piece))
                piece.chop(1);
            out += piece;
        }
        return out;
    }
};

} // namespace

ExportText::ExportText(const QString &keyPath, QByteArrayView valueName)
    : m_key(u"HKEY_CURRENT_USER\\"_qs + keyPath)
    , m_name(AnsiCodec::decode(valueName))
{ }

bool ExportText::read(QByteArrayView bytes)
{
    m_encoding = bytes.startsWith(utf16Bom) ? Encoding::Utf16 : Encoding::Ansi;
    m_bom = (bytes.startsWith(utf16Bom) ? utf16Bom : (bytes.startsWith(utf8Bom) ? utf8Bom : ""))
                .toByteArray();
    QByteArrayView body = bytes.sliced(m_bom.size());
    if (m_encoding == Encoding::Utf16 && body.size() % 2) {
        m_oddByte = body.last(1).toByteArray();
        body.chop(1);
    }
    m_text = decode(body);
    if (!scan()) { // the text of a new file instead
        m_text.clear();
        m_bom.clear();
        m_oddByte.clear();
        m_encoding = Encoding::Ansi;
        return false;
    }
    if (m_version5 && m_encoding == Encoding::Ansi && body.isValidUtf8()) {
        m_encoding = Encoding::Utf8;
        m_text = QString();
        m_text = decode(body);
        scan();
    }
    return true;
}

// Finds the header, the key's sections and the value's last line; reads no other key's lines.
bool ExportText::scan()
{
    m_header = false;
    m_value.reset();
    m_valueStart = m_valueEnd = m_keyEnd = -1;
    m_unreadLines = m_firstUnreadLine = 0;
    const QStringView text(m_text);
    bool inSection = false;
    bool inKey = false;
    int number = 0;
    for (qsizetype at = 0; at < text.size();) {
        const int lineNumber = ++number;
        const auto unread = [&] {
            if (m_unreadLines++ == 0)
                m_firstUnreadLine = lineNumber;
        };
        const Line line(text, at, number);
        at = line.next;
        if (line.firstEnd == line.start)
            continue; // a blank line, quickly
        const QStringView head = text.sliced(line.start, line.firstEnd - line.start).trimmed();
        if (head.isEmpty() || head.front() == u';')
            continue;
        if (isHeader(head)) {
            if (m_header) {
                unread(); // a second export begins
                inSection = inKey = false;
                continue;
            }
            m_header = true;
            m_version5 = head.endsWith(version5, Qt::CaseInsensitive);
            const qsizetype next = afterBreak(text, line.firstEnd);
            if (next > line.firstEnd)
                m_lineEnd = text.sliced(line.firstEnd, next - line.firstEnd).toString();
            continue;
        }
        if (!m_header)
            return false;
        if (head.startsWith(u'[') && head.endsWith(u']')) {
            inSection = true;
            inKey = sameText(head.sliced(1).chopped(1), m_key);
            if (inKey)
                m_keyEnd = line.next;
            continue;
        }
        if (inSection && !inKey)
            continue; // another key's line, not ours to read
        const bool single = line.firstEnd == line.end && !head.endsWith(u'\\');
        const QString joined = single ? QString() : line.joined(text);
        bool removal = false;
        auto value = inKey
            ? RegistryValue::fromLine(joined.isNull() ? head : joined, m_version5, removal)
            : std::nullopt;
        if (!value) {
            unread();
            continue;
        }
        m_keyEnd = line.next;
        if (!sameText(value->name, m_name))
            continue;
        m_value = removal ? std::nullopt : std::move(value);
        m_valueStart = removal ? -1 : line.start;
        m_valueEnd = removal ? -1 : line.end;
    }
    return m_header;
}

bool ExportText::setValue(std::uint32_t type, QByteArrayView data)
{
    if (m_value && m_value->type == type && m_value->data == data)
        return false;
    m_value = RegistryValue {m_value ? m_value->name : m_name, type, data.toByteArray()};
    m_changed = true;
    return true;
}

QByteArray ExportText::bytes() const
{
    const QStringView text(m_text);
    qsizetype from = text.size();
    qsizetype to = from;
    QString with;
    if (m_changed && m_valueStart >= 0) {
        from = m_valueStart;
        to = m_valueEnd;
        with = m_value->toLine(m_version5, m_lineEnd);
    } else if (m_changed || !m_header) {
        from = to = m_keyEnd >= 0 ? m_keyEnd : text.size();
        with = addition();
    }
    QByteArray out = m_bom;
    out.reserve(4 + (text.size() + with.size()) * (m_encoding == Encoding::Ansi ? 1 : 2));
    appendEncoded(out, text.first(from));
    appendEncoded(out, with);
    appendEncoded(out, text.sliced(to));
    return out + m_oddByte;
}

// The lines a new value adds: its own, after the header and the key's section line where the text
// has none.
QString ExportText::addition() const
{
    const QStringView before = QStringView(m_text).first(m_keyEnd >= 0 ? m_keyEnd : m_text.size());
    QString out;
    if (!before.isEmpty() && !endsWithBreak(before))
        out += m_lineEnd; // the file ended without a line end
    if (m_keyEnd >= 0 && before.trimmed().endsWith(u'\\'))
        out += m_lineEnd; // an empty line ends the line the text left open
    if (m_keyEnd < 0) {
        if (!m_header)
            out += regedit4.toString() + m_lineEnd;
        if (!out.isEmpty() || !endsWithBlankLine(before))
            out += m_lineEnd;
        out += u'[' + m_key + u']' + m_lineEnd;
    }
    if (m_value)
        out += m_value->toLine(m_version5, m_lineEnd) + m_lineEnd;
    return out;
}

QString ExportText::decode(QByteArrayView bytes) const
{
    if (m_encoding == Encoding::Utf16)
        return RegistryValue::fromUtf16le(bytes);
    if (m_encoding == Encoding::Ansi)
        return AnsiCodec::decode(bytes);
    // A second byte-order mark at the start is text to keep, as any other.
    return QStringDecoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom)(bytes);
}

void ExportText::appendEncoded(QByteArray &out, QStringView text) const
{
    if (m_encoding == Encoding::Utf16)
        out += RegistryValue::toUtf16le(text);
    else
        out += m_encoding == Encoding::Utf8 ? text.toUtf8() : AnsiCodec::encode(text);
}
