// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT

// The settings-file parser on arbitrary bytes. Whatever it accepts must survive being written and
// read again unchanged: the same values, names, types and bytes, and the same text when written
// a second time. A file that changed on its way through the store would lose settings.
#include "registry/RegistryFile.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

const QByteArray keyPath = QByteArrayLiteral("SOFTWARE\\Yorv\\Varnoke");

void require(bool ok, const char *what)
{
    if (!ok) {
        std::fprintf(stderr, "settings file round trip: %s\n", what);
        std::abort();
    }
}

bool sameValue(const RegistryFile::Value &a, const RegistryFile::Value &b)
{
    return a.name == b.name && a.type == b.type && a.data == b.data;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const auto first =
        RegistryFile::parse(QByteArrayView(reinterpret_cast<const char *>(data), qsizetype(size)));
    if (!first)
        return 0;

    const QByteArray text = first->toText(keyPath);
    const auto second = RegistryFile::parse(text);
    require(second.has_value(), "the written file does not parse");
    const auto &before = first->values();
    const auto &after = second->values();
    require(before.size() == after.size(), "the number of values changed");
    for (std::size_t i = 0; i < before.size(); ++i) {
        require(sameValue(before[i], after[i]), "a value changed");
        // Each value is found under its own name: no two names stand for the same value.
        const RegistryFile::Value *found = second->value(before[i].name);
        require(found && sameValue(*found, before[i]), "a value is not found by its name");
    }
    require(second->toText(keyPath) == text, "the second writing differs from the first");
    return 0;
}
