// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT

// The whole read path of ReadRegString on arbitrary settings files: the input becomes the
// settings file on disk, then the four values the panel reads at start-up and one name taken from
// the input are read, through one text as start-up does. Every read must give a 16-bit Boolean,
// an empty text when false, and the text the file holds when true.
#include "platform/AnsiCodec.h"
#include "registry/ExportText.h"
#include "registry/FileRegistry.h"
#include "settings/MiscFunctions.h"
#include "settings/SettingsKey.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr qint16 True = -1;
constexpr qint16 False = 0;
constexpr qsizetype readLimit = 1024;

void require(bool ok, const char *what, const QString &name)
{
    if (!ok) {
        std::fprintf(stderr, "ReadRegString(\"%s\"): %s\n", qPrintable(name), what);
        std::abort();
    }
}

// One config folder for the whole process, made once.
const QTemporaryDir &configHome()
{
    static const QTemporaryDir home(QDir::tempPath() + QStringLiteral("/varnoke-fuzz-XXXXXX"));
    if (!home.isValid() || !QDir().mkpath(home.filePath(QStringLiteral("Yorv")))) {
        std::fprintf(stderr, "no temporary config folder\n");
        std::abort();
    }
    return home;
}

// The text between the input's first two double quotes: in a settings file, the first value's
// name as spelled there. The whole first line when there is no such pair.
QString nameFrom(QByteArrayView input)
{
    const qsizetype open = input.indexOf('"');
    const qsizetype close = open < 0 ? -1 : input.indexOf('"', open + 1);
    if (close > open)
        return AnsiCodec::decode(input.sliced(open + 1, close - open - 1));
    const qsizetype end = input.indexOf('\n');
    return AnsiCodec::decode(end < 0 ? input : input.first(end));
}

// What a read must give, worked out from the parsed file rather than through the store.
struct Expected
{
    qint16 result = False;
    QString text;
};

Expected expectedRead(QByteArrayView input, const QString &name, const QString &textBefore)
{
    const QByteArray bytes = AnsiCodec::encode(name);
    ExportText file(SettingsKey::path, bytes);
    const RegistryValue *v = !bytes.contains('\0') && file.read(input) ? file.value() : nullptr;
    if (!v || v->data.isEmpty() || v->data.size() > readLimit)
        return {};
    QByteArrayView kept = v->data;
    if (kept.back() == '\0')
        kept.chop(1);
    if (v->type == Registry::TypeString)
        return {True, AnsiCodec::decode(kept)};
    if (v->type == Registry::TypeDword) {
        std::uint32_t n = 0;
        for (qsizetype i = 0; i < 4 && i < kept.size(); ++i)
            n |= std::uint32_t(std::uint8_t(kept[i])) << (8 * i);
        return {True, QString::number(n)};
    }
    return {True, textBefore};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArrayView input(reinterpret_cast<const char *>(data), qsizetype(size));
    const QTemporaryDir &home = configHome();
    {
        QFile file(home.filePath(QStringLiteral("Yorv/Varnoke.reg")));
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)
            || file.write(input.data(), input.size()) != input.size()) {
            std::fprintf(stderr, "cannot write the settings file\n");
            std::abort();
        }
    }

    FileRegistry registry(home.path());
    MiscFunctions misc(registry);
    const QString names[] = {QStringLiteral("IP Address"), QStringLiteral("Left"),
                             QStringLiteral("Top"), QStringLiteral("Window state"),
                             nameFrom(input)};
    QString text = QStringLiteral("before");
    for (const QString &name : names) {
        const Expected expected = expectedRead(input, name, text);
        const qint16 result =
            misc.ReadRegString(SettingsKey::HKEY_CURRENT_USER_ROOT, SettingsKey::path, name, text);
        require(result == True || result == False, "not a 16-bit Boolean", name);
        require(result == True || text.isEmpty(), "false with a text", name);
        require(result == expected.result, "the wrong result", name);
        require(text == expected.text, "the wrong text", name);
    }
    return 0;
}
