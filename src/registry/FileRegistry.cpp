// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#include "FileRegistry.h"

#include "ConfigFolder.h"
#include "KeyFile.h"
#include "KeyFileLock.h"
#include "KeyFolders.h"
#include "RegistryFile.h"
#include "StoreWarning.h"
#include "platform/AnsiCodec.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace {

// Limits the registry puts on the ANSI calls (Wine's numbers).
constexpr std::size_t maxSubKeyLength = 260;
constexpr std::size_t maxValueNameLength = 16383;

const QByteArray fileSuffix = QByteArrayLiteral(".reg");
constexpr std::uint32_t writeRights =
    Registry::AccessSetValue | Registry::AccessCreateSubKey | Registry::AccessCreateLink;

bool isCurrentUserRoot(Registry::Handle key)
{
    return key == Registry::predefinedRoot(Registry::CurrentUserRoot)
        || key == Registry::CurrentUserRoot;
}

// Folder and file names this store could not tell from its own files, or not create at all.
bool isStorableName(const QString &name)
{
    return name != u"." && name != u".." && !name.contains(u'/')
        && !name.contains(u".reg", Qt::CaseInsensitive);
}

bool hasControlBytes(QByteArrayView name)
{
    for (const char c : name) {
        if (uchar(c) < 0x20 || c == 0x7F)
            return true;
    }
    return false;
}

} // namespace

FileRegistry::FileRegistry()
    : m_home(ConfigFolder::path())
{ }

FileRegistry::FileRegistry(const QString &configHome)
    : m_home(QFile::encodeName(configHome))
{ }

FileRegistry::~FileRegistry() = default;

Registry::Result FileRegistry::keyOf(Handle handle, Key &key) const
{
    if (isCurrentUserRoot(handle)) {
        key = Key {};
        key.access = AccessAll;
        return Success;
    }
    const auto it = m_keys.find(handle);
    if (it == m_keys.end())
        return InvalidHandle;
    key = it->second;
    return Success;
}

QByteArray FileRegistry::folderOf(const Key &key) const
{
    QByteArray folder = m_home;
    for (const QByteArray &name : key.names)
        folder += '/' + name;
    return folder;
}

QByteArray FileRegistry::fileOf(const Key &key) const
{
    return folderOf(key) + fileSuffix;
}

// The key's path below HKEY_CURRENT_USER, as its file's section names it.
QByteArray FileRegistry::keyPathOf(const Key &key)
{
    QByteArray path = "SOFTWARE";
    for (const QByteArray &name : key.names)
        path += '\\' + AnsiCodec::encode(QFile::decodeName(name));
    return path;
}

// The one check of write rights: what an open asking for them and every save rely on.
bool FileRegistry::isWritable(const Key &key) const
{
    if (key.names.isEmpty())
        return ::access(m_home.constData(), W_OK) == 0 || !KeyFolders::isFolder(m_home);
    return KeyFile(fileOf(key)).isWritable();
}

Registry::Handle FileRegistry::add(Key key)
{
    const Handle handle = m_nextHandle;
    m_nextHandle += 4;
    m_keys.emplace(handle, std::move(key));
    return handle;
}

// Walks subKey down from base, making the missing levels when `create` is set.
Registry::Result FileRegistry::resolve(Handle base, const char *subKey, bool create, Key &key,
                                       bool &created)
{
    created = false;
    if (const Result r = keyOf(base, key); r != Success)
        return r;
    if (m_home.isEmpty())
        return create ? AccessDenied : FileNotFound; // no home folder to keep settings in
    const QByteArray path = subKey ? QByteArray(subKey) : QByteArray();
    if (path.startsWith('\\'))
        return BadPathname;
    if (std::size_t(path.size()) > maxSubKeyLength)
        return MoreData;
    QList<QByteArray> levels = path.split('\\');
    levels.removeAll(QByteArray()); // doubled and trailing backslashes count for nothing
    for (qsizetype i = 0; i < levels.size(); ++i) {
        const QString name = AnsiCodec::decode(levels[i]);
        if (!key.software) {
            // Only the SOFTWARE branch of the hive is kept in files.
            if (name.compare(u"SOFTWARE", Qt::CaseInsensitive) != 0)
                return create ? AccessDenied : FileNotFound;
            key.software = true;
            continue;
        }
        if (!isStorableName(name))
            return BadPathname;
        const QByteArray folder = folderOf(key);
        QByteArray onDisk = KeyFolders::existingName(folder, name, fileSuffix);
        const bool last = i == levels.size() - 1;
        if (onDisk.isEmpty()) {
            if (!create)
                return FileNotFound;
            onDisk = QFile::encodeName(name);
            if (last)
                created = true;
            else if (!KeyFolders::make(folder) || !KeyFolders::make(folder + '/' + onDisk))
                return KeyFile::resultOf(errno);
        } else if (create && !last && !KeyFolders::make(folder + '/' + onDisk)) {
            return KeyFile::resultOf(errno);
        }
        key.names.append(onDisk);
    }
    if (created) {
        // The new key is its file, with no values yet.
        if (!KeyFolders::make(KeyFolders::parentOf(folderOf(key))))
            return KeyFile::resultOf(errno);
        if (const Result r = update(key, [](RegistryFile &) { return false; }); r != Success)
            return r;
    }
    return Success;
}

Registry::Result FileRegistry::openKey(Handle base, const char *subKey, bool create,
                                       std::uint32_t access, Handle *result, bool &created)
{
    if (!result)
        return InvalidParameter;
    Key opened;
    if (const Result r = resolve(base, subKey, create, opened, created); r != Success)
        return r;
    if ((access & writeRights) && !isWritable(opened))
        return AccessDenied;
    opened.access = access;
    *result = add(std::move(opened));
    return Success;
}

// The key's file as it is now, read and parsed afresh: `found` when there is one, and `contents`
// when that is a registry file.
Registry::Result FileRegistry::load(const Key &key, const KeyFile &file, bool &found,
                                    std::optional<RegistryFile> &contents) const
{
    Result r = Success;
    const std::optional<QByteArray> text = file.read(r);
    found = text.has_value();
    contents = text ? RegistryFile::parse(*text, keyPathOf(key)) : std::nullopt;
    return r;
}

// One read-modify-write of the key's file under its lock.
Registry::Result FileRegistry::update(const Key &key, const Change &change)
{
    const KeyFile file(fileOf(key));
    if (!file.isWritable())
        return AccessDenied; // a file made read-only keeps its values
    const KeyFileLock lock(file.path());
    bool found = false;
    std::optional<RegistryFile> contents;
    if (const Result r = load(key, file, found, contents); r != Success)
        return r;
    // Storing what the file holds already changes nothing, whoever holds the lock.
    if (contents && !change(*contents))
        return Success;
    if (lock.result() != Success)
        return lock.result();
    if (!contents) {
        if (found) {
            if (const Result r = file.setAside(); r != Success)
                return r;
        }
        contents.emplace(keyPathOf(key));
        change(*contents);
    }
    const QByteArray text = contents->toText();
    if (text.size() > KeyFile::largestFile) {
        StoreWarning::once(StoreWarning::Kind::SaveFailed,
                           "settings not saved, the file would pass 16 MiB", file.path());
        return CantWrite; // the old file stays, whole and readable
    }
    return file.replace(text);
}

Registry::Result FileRegistry::RegOpenKeyExA(Handle key, const char *subKey, std::uint32_t,
                                             std::uint32_t access, Handle *result)
{
    bool created = false;
    return openKey(key, subKey, false, access, result, created);
}

Registry::Result FileRegistry::RegQueryValueExA(Handle key, const char *valueName, std::uint32_t *,
                                                std::uint32_t *type, std::uint8_t *data,
                                                std::uint32_t *size)
{
    if (data && !size)
        return InvalidParameter;
    if (type)
        *type = TypeNone;
    Key k;
    if (const Result r = keyOf(key, k); r != Success)
        return r;
    if (!(k.access & AccessQueryValue))
        return AccessDenied;
    if (k.names.isEmpty())
        return FileNotFound;
    const KeyFile file(fileOf(k));
    bool found = false;
    std::optional<RegistryFile> contents;
    if (const Result r = load(k, file, found, contents); r != Success)
        return r;
    if (found && !contents)
        StoreWarning::once(StoreWarning::Kind::NotParsed,
                           "settings file is not a registry file, read as empty", file.path());
    const RegistryValue *v = contents ? contents->value(valueName ? valueName : "") : nullptr;
    if (!v)
        return FileNotFound;
    if (type)
        *type = v->type;
    const auto n = std::uint32_t(v->data.size());
    if (data) {
        if (*size < n) {
            *size = n;
            return MoreData;
        }
        std::memcpy(data, v->data.constData(), n);
        if (isStringType(v->type) && n > 0 && n < *size && data[n - 1] != 0)
            data[n] = 0;
    }
    if (size)
        *size = n;
    return Success;
}

Registry::Result FileRegistry::RegCloseKey(Handle key)
{
    if (isCurrentUserRoot(key))
        return Success;
    return m_keys.erase(key) == 1 ? Success : InvalidHandle;
}

Registry::Result FileRegistry::RegCreateKeyExA(Handle key, const char *subKey, std::uint32_t,
                                               const char *, std::uint32_t, std::uint32_t access,
                                               const void *, Handle *result,
                                               std::uint32_t *disposition)
{
    bool created = false;
    const Result r = openKey(key, subKey, true, access, result, created);
    if (r == Success && disposition)
        *disposition = created ? CreatedNewKey : OpenedExistingKey;
    return r;
}

Registry::Result FileRegistry::RegSetValueExA(Handle key, const char *valueName, std::uint32_t,
                                              std::uint32_t type, const std::uint8_t *data,
                                              std::uint32_t size)
{
    Key k;
    if (const Result r = keyOf(key, k); r != Success)
        return r;
    if (!data && size)
        return NoAccess;
    if (!(k.access & AccessSetValue) || k.names.isEmpty())
        return AccessDenied;
    const QByteArrayView name(valueName ? valueName : "");
    if (std::size_t(name.size()) > maxValueNameLength || hasControlBytes(name))
        return InvalidParameter;
    // As the registry does: a string whose size leaves out its terminating NUL gets it back.
    if (isStringType(type) && size > 0 && data[size - 1] != 0 && data[size] == 0)
        ++size;
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), size);
    return update(k, [&](RegistryFile &file) { return file.setValue(name, type, bytes); });
}
