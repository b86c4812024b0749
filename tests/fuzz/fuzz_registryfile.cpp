// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT

// The settings-file parser on arbitrary bytes. Whatever it accepts must come through the store
// with nothing lost: written back untouched it is the very same bytes (comments, blank lines,
// other keys' sections, encoding and all); with one value set, that value reads back, every other
// value reads as before, a new value only adds text, and writing it once more changes nothing.
#include "registry/Registry.h"
#include "registry/RegistryFile.h"
#include "registry/WideText.h"

#include <QList>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

const QByteArray keyPath = QByteArrayLiteral("SOFTWARE\\Yorv\\Varnoke");
const QByteArray probe = QByteArrayLiteral("IP Address");
const QByteArray probeData = QByteArrayLiteral("10.0.0.1\0");

void require(bool ok, const char *what)
{
    if (!ok) {
        std::fprintf(stderr, "settings file round trip: %s\n", what);
        std::abort();
    }
}

bool same(const RegistryValue *a, const RegistryValue *b)
{
    return a == b || (a && b && a->type == b->type && a->data == b->data);
}

// Every quoted text that opens a line: the names the file may hold, as candidates to look up.
QList<QByteArray> candidateNames(QByteArrayView input)
{
    QByteArray text = input.toByteArray();
    if (text.startsWith("\xFF\xFE"))
        text = WideText::toAnsi(QByteArrayView(text).sliced(2));
    QList<QByteArray> names {QByteArray()};
    for (const QByteArray &line : text.split('\n')) {
        const QByteArray t = line.trimmed();
        if (!t.startsWith('"'))
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
    const auto first = RegistryFile::parse(input, keyPath);
    if (!first)
        return 0;
    const QByteArray text = first->toText();
    require(text == input, "a file nobody changed was written differently");

    RegistryFile edited = *first;
    edited.setValue(probe, Registry::TypeString, probeData);
    const QByteArray editedText = edited.toText();
    const auto second = RegistryFile::parse(editedText, keyPath);
    require(second.has_value(), "the file with a value set does not parse");
    const RegistryValue *set = second->value(probe);
    require(set && set->type == Registry::TypeString && set->data == probeData,
            "the value set does not read back");
    require(second->toText() == editedText, "the second writing differs from the first");
    if (!first->value(probe)) {
        // The text read, with the new stretch in one place of it.
        qsizetype same = 0;
        while (same < text.size() && text[same] == editedText[same])
            ++same;
        require(editedText.endsWith(QByteArrayView(text).sliced(same)),
                "adding a value changed the text around it");
    }
    for (const QByteArray &name : candidateNames(input)) {
        if (second->value(name) != set) // another spelling of the name set
            require(same(first->value(name), second->value(name)), "another value changed");
    }
    return 0;
}
