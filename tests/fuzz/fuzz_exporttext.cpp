// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT

// The settings file's text on arbitrary bytes. Whatever reads as a registry export must come
// through the store with nothing lost: written back untouched it is the very same bytes (comments,
// blank lines, lines it can't read, other keys' sections, encoding and all); with a value set,
// that value reads back, every other value reads as before, a new value only adds text in one
// place, and setting it once more changes nothing.
#include "platform/AnsiCodec.h"
#include "registry/ExportText.h"
#include "registry/Registry.h"

#include <QList>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

const QString keyPath = QStringLiteral("SOFTWARE\\Yorv\\Varnoke");
const QByteArray probe = QByteArrayLiteral("IP Address");
const QByteArray probeData = QByteArrayLiteral("10.0.0.1\0");
constexpr qsizetype maxNames = 16;

void require(bool ok, const char *what)
{
    if (!ok) {
        std::fprintf(stderr, "settings file round trip: %s\n", what);
        std::abort();
    }
}

std::optional<RegistryValue> valueIn(QByteArrayView bytes, const QByteArray &name)
{
    ExportText text(keyPath, name);
    return text.read(bytes) && text.value() ? std::optional(*text.value()) : std::nullopt;
}

// Every quoted text that opens a line: the names the file may hold, as candidates to look up.
QList<QByteArray> candidateNames(QByteArrayView input)
{
    QByteArray text = input.toByteArray();
    if (text.startsWith("\xFF\xFE"))
        text = AnsiCodec::encode(RegistryValue::fromUtf16le(QByteArrayView(text).sliced(2)));
    QList<QByteArray> names {QByteArray()};
    for (const QByteArray &line : text.split('\n')) {
        const QByteArray t = line.trimmed();
        if (!t.startsWith('"') || names.size() == maxNames)
            continue;
        QByteArray name;
        for (qsizetype i = 1; i < t.size() && t[i] != '"'; ++i)
            name += (t[i] == '\\' && i + 1 < t.size()) ? t[++i] : t[i];
        names.append(name);
    }
    return names;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArrayView input(reinterpret_cast<const char *>(data), qsizetype(size));
    ExportText first(keyPath, probe);
    if (!first.read(input))
        return 0;
    const QByteArray text = first.bytes();
    require(text == input, "a file nobody changed was written differently");

    ExportText edited = first;
    require(edited.setValue(Registry::TypeString, probeData) || first.value(),
            "a new value changed nothing");
    const QByteArray editedText = edited.bytes();
    ExportText second(keyPath, probe);
    require(second.read(editedText), "the file with a value set does not read");
    const RegistryValue *set = second.value();
    require(set && set->type == Registry::TypeString && set->data == probeData,
            "the value set does not read back");
    require(!second.setValue(Registry::TypeString, probeData) && second.bytes() == editedText,
            "setting the value again changed the file");
    if (!first.value()) {
        // The text read, with the new stretch in one place of it.
        qsizetype same = 0;
        while (same < text.size() && text[same] == editedText[same])
            ++same;
        require(editedText.endsWith(QByteArrayView(text).sliced(same)),
                "adding a value changed the text around it");
    }
    // An 8-bit version 5 file reads as UTF-8 when it is valid UTF-8: a line rewritten in ASCII
    // can make it so, and its other non-ASCII text then reads otherwise.
    if (input.isValidUtf8() != QByteArrayView(editedText).isValidUtf8())
        return 0;
    for (const QByteArray &name : candidateNames(input)) {
        if (AnsiCodec::decode(name).compare(AnsiCodec::decode(probe), Qt::CaseInsensitive) == 0)
            continue; // another spelling of the name set
        const auto before = valueIn(input, name);
        const auto after = valueIn(editedText, name);
        require(before.has_value() == after.has_value()
                    && (!before || (before->type == after->type && before->data == after->data)),
                "another value changed");
    }
    return 0;
}
