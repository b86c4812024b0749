// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#include "FileRegistry.h"

#include "DiskFile.h"
#include "ExportText.h"
#include "platform/AnsiCodec.h"
#include "platform/Logging.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

// Limits the registry puts on the ANSI calls (Wine's numbers).
constexpr std::size_t maxSubKeyLength = 260;
constexpr std::size_t maxValueNameLength = 16383;

} // namespace

FileRegistry::FileRegistry()
    : m_home(DiskFile::configHome())
{ }

FileRegistry::FileRegistry(const QString &configHome)
    : m_home(QFile::encodeName(configHome))
{ }

const FileRegistry::Key *FileRegistry::keyOf(Handle handle) const
{
    static const Key currentUser;
    if (handle == predefinedRoot(CurrentUserRoot) || handle == CurrentUserRoot)
        return &currentUser;
    const auto it = m_keys.find(handle);
    return it == m_keys.end() ? nullptr : &it->second;
}

QByteArray FileRegistry::fileOf(const Key &key) const
{
    QByteArray path = m_home;
    for (const QByteArray &name : key.names)
        path += '/' + name;
    return path + ".reg";
}

// Walks subKey down from base, making the missing levels when `create` is set.
Registry::Result FileRegistry::openKey(Handle base, const char *subKey, bool create,
                                       std::uint32_t access, Handle *result, bool *created)
{
    const Key *from = keyOf(base);
    if (!from)
        return InvalidHandle;
    if (!result)
        return InvalidParameter;
    if (m_home.isEmpty())
        return create ? AccessDenied : FileNotFound; // no home folder to keep settings in
    const QByteArrayView path(subKey ? subKey : "");
    if (path.startsWith('\\'))
        return BadPathname;
    if (std::size_t(path.size()) > maxSubKeyLength)
        return MoreData;
    Key key = *from;
    bool made = false;
    // Doubled and trailing backslashes count for nothing.
    const QStringList levels = AnsiCodec::decode(path).split(u'\\', Qt::SkipEmptyParts);
    for (qsizetype i = 0; i < levels.size(); ++i) {
        const QString &name = levels[i];
        if (key.path.isEmpty()) {
            // Only the SOFTWARE branch of the hive is kept in files.
            if (name.compare(u"SOFTWARE", Qt::CaseInsensitive) != 0)
                return create ? AccessDenied : FileNotFound;
            key.path = name;
            continue;
        }
        // Names this store could not tell from its own files, or not make at all.
        if (name == u"." || name == u".." || name.contains(u'/')
            || name.contains(u".reg", Qt::CaseInsensitive))
            return BadPathname;
        const QByteArray folder = fileOf(key).chopped(4);
        QByteArray onDisk = DiskFile::existingName(folder, name);
        const bool last = i == levels.size() - 1;
        if (onDisk.isEmpty() && !create)
            return FileNotFound;
        made = onDisk.isEmpty() && last;
        if (onDisk.isEmpty())
            onDisk = QFile::encodeName(name);
        if (create && !last && !DiskFile::makeFolders(folder + '/' + onDisk))
            return DiskFile::resultOf(errno);
        key.names.append(onDisk);
        key.path += u'\\' + name;
    }
    // A new key is its file, with no values yet.
    if (made && !DiskFile::makeFolders(DiskFile::parentOf(fileOf(key))))
        return DiskFile::resultOf(errno);
    if (const Result r = made ? save(key, {}, TypeNone, std::nullopt) : Success; r != Success)
        return r;
    if ((access & (AccessSetValue | AccessCreateSubKey | AccessCreateLink))
        && !(key.names.isEmpty() ? DiskFile::mayWrite(m_home) : DiskFile(fileOf(key)).isWritable()))
        return AccessDenied;
    if (created)
        *created = made;
    key.access = access;
    *result = m_nextHandle;
    m_nextHandle += 4;
    m_keys.emplace(*result, std::move(key));
    return Success;
}

// The key's file as it is now, read afresh: `found` when there is one, and `parsed` when it is a
// registry export, read into `text`.
Registry::Result FileRegistry::load(const DiskFile &file, ExportText &text, bool &found,
                                    bool &parsed) const
{
    Result r = Success;
    const std::optional<QByteArray> bytes = file.read(r);
    found = bytes.has_value();
    parsed = found && text.read(*bytes);
    const QString path = QFile::decodeName(file.path());
    if (found && !parsed)
        warnOnce(lcSettings, "not parsed",
                 u"settings file is not a registry file, read as empty: "_qs + path);
    else if (text.unreadLines() > 0)
        warnOnce(lcSettings, "lines not read",
                 u"settings file has %1 line(s) the store can't read, kept as they are (the "
                 "first is line %2): %3"_qs.arg(text.unreadLines())
                     .arg(text.firstUnreadLine())
                     .arg(path));
    return r;
}

// One read-modify-write of the key's file under its lock.
Registry::Result FileRegistry::save(const Key &key, QByteArrayView valueName, std::uint32_t type,
                                    std::optional<QByteArrayView> data)
{
    DiskFile file(fileOf(key));
    if (!file.isWritable())
        return AccessDenied; // a file made read-only keeps its values
    const Result locked = file.lock();
    ExportText text(key.path, valueName);
    bool found = false;
    bool parsed = false;
    if (const Result r = load(file, text, found, parsed); r != Success)
        return r;
    // Storing what the file holds already changes nothing, whoever holds the lock.
    if (parsed && !(data && text.setValue(type, *data)))
        return Success;
    if (locked != Success)
        return locked;
    if (!parsed) {
        if (const Result r = found ? file.setAside() : Success; r != Success)
            return r;
        text = ExportText(key.path, valueName);
        if (data)
            text.setValue(type, *data);
    }
    const QByteArray bytes = text.bytes();
    if (bytes.size() > DiskFile::largestFile) {
        warnOnce(lcSettings, "too large",
                 u"settings not saved, the file would pass 16 MiB: "_qs
                     + QFile::decodeName(file.path()));
        return CantWrite; // the old file stays, whole and readable
    }
    return file.replace(bytes);
}

Registry::Result FileRegistry::RegOpenKeyExA(Handle key, const char *subKey, std::uint32_t,
                                             std::uint32_t access, Handle *result)
{
    return openKey(key, subKey, false, access, result, nullptr);
}

Registry::Result FileRegistry::RegQueryValueExA(Handle key, const char *valueName, std::uint32_t *,
                                                std::uint32_t *type, std::uint8_t *data,
                                                std::uint32_t *size)
{
    if (data && !size)
        return InvalidParameter;
    if (type)
        *type = TypeNone;
    const Key *k = keyOf(key);
    if (!k)
        return InvalidHandle;
    if (!(k->access & AccessQueryValue))
        return AccessDenied;
    if (k->names.isEmpty())
        return FileNotFound;
    ExportText text(k->path, valueName ? valueName : "");
    bool found = false;
    bool parsed = false;
    if (const Result r = load(DiskFile(fileOf(*k)), text, found, parsed); r != Success)
        return r;
    const RegistryValue *v = parsed ? text.value() : nullptr;
    if (!v)
        return FileNotFound;
    if (type)
        *type = v->type;
    const auto n = std::uint32_t(v->data.size());
    const bool fits = !data || *size >= n;
    if (data && fits) {
        std::memcpy(data, v->data.constData(), n);
        if (isStringType(v->type) && n > 0 && n < *size && data[n - 1] != 0)
            data[n] = 0;
    }
    if (size)
        *size = n;
    return fits ? Success : MoreData;
}

Registry::Result FileRegistry::RegCloseKey(Handle key)
{
    return m_keys.erase(key) == 1 || keyOf(key) ? Success : InvalidHandle; // or the root
}

Registry::Result FileRegistry::RegCreateKeyExA(Handle key, const char *subKey, std::uint32_t,
                                               const char *, std::uint32_t, std::uint32_t access,
                                               const void *, Handle *result,
                                               std::uint32_t *disposition)
{
    bool created = false;
    const Result r = openKey(key, subKey, true, access, result, &created);
    if (r == Success && disposition)
        *disposition = created ? CreatedNewKey : OpenedExistingKey;
    return r;
}

Registry::Result FileRegistry::RegSetValueExA(Handle key, const char *valueName, std::uint32_t,
                                              std::uint32_t type, const std::uint8_t *data,
                                              std::uint32_t size)
{
    const Key *k = keyOf(key);
    if (!k)
        return InvalidHandle;
    if (!data && size)
        return NoAccess;
    if (!(k->access & AccessSetValue) || k->names.isEmpty())
        return AccessDenied;
    const QByteArrayView name(valueName ? valueName : "");
    if (std::size_t(name.size()) > maxValueNameLength
        || std::any_of(name.begin(), name.end(),
                       [](char c) { return uchar(c) < 0x20 || c == 0x7F; }))
        return InvalidParameter;
    // As the registry does: a string whose size leaves out its terminating NUL gets it back.
    if (isStringType(type) && size > 0 && data[size - 1] != 0 && data[size] == 0)
        ++size;
    return save(*k, name, type, QByteArrayView(reinterpret_cast<const char *>(data), size));
}
