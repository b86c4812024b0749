// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#include "FileRegistry.h"

#include "DiskFile.h"
#include "ExportText.h"
#include "platform/AnsiCodec.h"
#include "platform/Logging.h"

#include <QFile>

#include <algorithm>
#include <cstring>

// Limits the registry puts on the ANSI calls (Wine's numbers).
constexpr std::size_t maxSubKeyLength = 260;
constexpr std::size_t maxValueNameLength = 16383;

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
    return (QList<QByteArray> {m_home} + key.names).join('/') + ".reg";
}

// Walks subKey down from base; with `create` a missing key is made (its file, by a save).
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
    for (const QString &name : levels) {
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
        // Below a missing level every level is missing: the last says whether the key is new.
        const QByteArray onDisk = DiskFile::existingName(fileOf(key).chopped(4), name);
        made = onDisk.isEmpty();
        if (made && !create)
            return FileNotFound;
        key.names.append(made ? QFile::encodeName(name) : onDisk);
        key.path += u'\\' + name;
    }
    // A new key is its file, with no values yet.
    if (const Result r = made ? save(key, {}, TypeNone, std::nullopt) : Success; r != Success)
        return r;
    if ((access & (AccessSetValue | AccessCreateSubKey | AccessCreateLink)) && !key.names.isEmpty()
        && !DiskFile(fileOf(key)).isWritable()) // the hive itself is writable, as on Windows
        return AccessDenied;
    if (created)
        *created = made;
    key.access = access;
    *result = m_nextHandle;
    m_nextHandle += 4;
    m_keys.emplace(*result, std::move(key));
    return Success;
}

// The key's file as it is now, read afresh into `text`; `aside` when what is there is not a
// registry export, to be set aside by a save (`text` is then a new file's).
Registry::Result FileRegistry::load(const DiskFile &file, ExportText &text, bool &aside,
                                    const char *failure) const
{
    Result r = Success;
    const std::optional<QByteArray> bytes = file.read(r, failure);
    aside = bytes && !text.read(*bytes);
    const QString path = QFile::decodeName(file.path());
    if (aside)
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

// One read-modify-write of the key's file under its lock; each failure has said why.
Registry::Result FileRegistry::save(const Key &key, QByteArrayView valueName, std::uint32_t type,
                                    std::optional<QByteArrayView> data)
{
    DiskFile file(fileOf(key));
    if (!file.isWritable())
        return AccessDenied; // a file made read-only keeps its values
    const Result locked = file.lock();
    ExportText text(key.path, valueName);
    bool aside = false;
    if (const Result r = load(file, text, aside, "settings not saved"); r != Success)
        return r;
    // What the file holds already is not stored again, whoever holds the lock; a new key's file is.
    if (data && !text.setValue(type, *data) && !aside)
        return Success;
    if (locked != Success)
        return locked;
    return file.replace(text.bytes(), aside);
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
    bool aside = false;
    if (const Result r = load(DiskFile(fileOf(*k)), text, aside, "settings file can't be read");
        r != Success)
        return r;
    const RegistryValue *v = text.value();
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
