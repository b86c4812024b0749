// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#include "FileRegistry.h"

#include "platform/AnsiCodec.h"
#include "RegistryFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QThread>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Limits the registry puts on the ANSI calls (Wine's numbers).
constexpr std::size_t maxSubKeyLength = 260;
constexpr std::size_t maxValueNameLength = 16383;

// A writer holds the lock for a few milliseconds; one that holds it longer is stuck, and a write
// fails rather than hang the panel.
constexpr int lockAttempts = 2000;
constexpr unsigned long lockRetryMicroseconds = 1000;

// Far beyond anything the panel writes, a megabyte pasted into the address box included. A larger
// file is not read, and no write makes one, so every file written can be read back.
constexpr qsizetype largestFile = 16 << 20;

const QString fileSuffix = QStringLiteral(".reg");

bool isStringType(std::uint32_t type)
{
    return type == Registry::TypeString || type == Registry::TypeExpandString
        || type == Registry::TypeMultiString;
}

bool isCurrentUserRoot(Registry::Handle key)
{
    return key == Registry::predefinedRoot(Registry::CurrentUserRoot)
        || key == Registry::CurrentUserRoot;
}

// Folder and file names this store could not tell from its own files, or not create at all.
bool isStorableName(const QString &name)
{
    return name != u"." && name != u".." && !name.contains(u'/')
        && !name.contains(fileSuffix, Qt::CaseInsensitive);
}

bool hasControlBytes(QByteArrayView name)
{
    for (const char c : name) {
        if (uchar(c) < 0x20 || c == 0x7F)
            return true;
    }
    return false;
}

Registry::Result fromErrno(int error, Registry::Result otherwise)
{
    switch (error) {
    case EACCES:
    case EPERM:
    case EROFS:
        return Registry::AccessDenied;
    case ENOENT:
    case ENOTDIR:
        return Registry::KeyDeleted;
    default:
        return otherwise;
    }
}

bool isDir(const QString &path)
{
    struct stat st;
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool isFile(const QString &path)
{
    struct stat st;
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISREG(st.st_mode);
}

// The spelling on disk of key `name` in `folder`: a folder "<name>" or a file "<name>.reg",
// matched without regard to case, the exact spelling first. Empty when the key does not exist.
QString existingName(const QString &folder, const QString &name)
{
    if (isDir(folder + u'/' + name) || isFile(folder + u'/' + name + fileSuffix))
        return name;
    const QDir dir(folder);
    const auto entries =
        dir.entryInfoList(QDir::Dirs | QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QFileInfo &entry : entries) {
        QString stem = entry.fileName();
        if (entry.isFile()) {
            if (!stem.endsWith(fileSuffix, Qt::CaseInsensitive))
                continue;
            stem.chop(fileSuffix.size());
        }
        if (stem.compare(name, Qt::CaseInsensitive) == 0)
            return stem;
    }
    return {};
}

bool makeFolder(const QString &path)
{
    return ::mkdir(QFile::encodeName(path).constData(), 0777) == 0 || errno == EEXIST;
}

bool writeAll(int fd, const QByteArray &bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

// Replaces `path` with `bytes` so that, whatever stops the process, the file holds either the old
// text or the new one. The new text is handed to the disk before the rename, but not waited for:
// the panel saves on every keystroke of the address box, on the window's thread, and a wait for
// the disk (milliseconds here, far more on a busy or network disk) would stall typing. The file
// systems the panel runs on commit a rename-over only after the renamed file's data, so even a
// power cut leaves the old text or the new, never a torn file.
Registry::Result replaceFile(const QString &path, const QByteArray &bytes, mode_t mode)
{
    const QByteArray target = QFile::encodeName(path);
    const QByteArray temporary = target + ".tmp";
    // Non-blocking: a FIFO in the temporary's place fails the write instead of stalling it.
    const int fd =
        ::open(temporary.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0)
        return fromErrno(errno, Registry::CantWrite);
    bool ok = (mode == 0 || ::fchmod(fd, mode) == 0) && writeAll(fd, bytes);
    if (ok)
        ::sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE); // start the write-back, don't wait
    const int error = errno;
    ok = ::close(fd) == 0 && ok;
    if (!ok || ::rename(temporary.constData(), target.constData()) != 0) {
        const Registry::Result r = fromErrno(ok ? errno : error, Registry::CantWrite);
        ::unlink(temporary.constData());
        return r;
    }
    return Registry::Success;
}

// The file's bytes; empty optional when there is no file, CantRead or AccessDenied in `result`
// when there is one that can't be read. Only a regular file of at most largestFile bytes is read:
// a FIFO, a device or a huge file put in its place must neither stall the window's thread nor
// exhaust memory.
std::optional<QByteArray> readFile(const QString &path, Registry::Result &result)
{
    result = Registry::Success;
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR || errno == ELOOP)
            return std::nullopt;
        result = (errno == EACCES || errno == EPERM) ? Registry::AccessDenied : Registry::CantRead;
        return std::nullopt;
    }
    const auto closeFile = qScopeGuard([fd] { ::close(fd); });
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > largestFile) {
        result = Registry::CantRead;
        return std::nullopt;
    }
    QByteArray bytes(qsizetype(st.st_size) + 1, Qt::Uninitialized); // one more shows growth
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            result = Registry::CantRead;
            return std::nullopt;
        }
        if (n == 0)
            break;
        done += n;
        if (done == bytes.size() && bytes.size() <= largestFile)
            bytes.resize(std::min<qsizetype>(bytes.size() * 2, largestFile + 1));
    }
    if (done > largestFile) {
        result = Registry::CantRead;
        return std::nullopt;
    }
    bytes.truncate(done);
    return bytes;
}

} // namespace

FileRegistry::FileRegistry()
    : FileRegistry(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
{ }

FileRegistry::FileRegistry(const QString &configHome)
    : m_home(configHome)
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

QString FileRegistry::folderOf(const Key &key) const
{
    return key.names.isEmpty() ? m_home : m_home + u'/' + key.names.join(u'/');
}

QString FileRegistry::fileOf(const Key &key) const
{
    return folderOf(key) + fileSuffix;
}

bool FileRegistry::isWritable(const Key &key) const
{
    if (key.names.isEmpty())
        return ::access(QFile::encodeName(m_home).constData(), W_OK) == 0 || !isDir(m_home);
    const QString file = fileOf(key);
    const QByteArray folder = QFile::encodeName(QFileInfo(file).path());
    return ::access(folder.constData(), W_OK) == 0
        && (!isFile(file) || ::access(QFile::encodeName(file).constData(), W_OK) == 0);
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
        const QString folder = folderOf(key);
        QString onDisk = existingName(folder, name);
        const bool last = i == levels.size() - 1;
        if (onDisk.isEmpty()) {
            if (!create)
                return FileNotFound;
            onDisk = name;
            if (last)
                created = true;
            else if (!QDir().mkpath(folder) || !makeFolder(folder + u'/' + name))
                return fromErrno(errno, CantWrite);
        } else if (create && !last && !makeFolder(folder + u'/' + onDisk)) {
            return fromErrno(errno, CantWrite);
        }
        key.names.append(onDisk);
    }
    if (created) {
        // The new key is its file, with no values yet.
        if (!QDir().mkpath(folderOf(key).section(u'/', 0, -2)))
            return fromErrno(errno, CantWrite);
        if (const Result r = update(key, [](RegistryFile &) {}); r != Success)
            return r;
    }
    return Success;
}

template<typename Change> Registry::Result FileRegistry::update(const Key &key, Change change)
{
    const QString path = fileOf(key);
    const QByteArray lockPath = QFile::encodeName(path) + ".lock";
    const int lockFd = ::open(lockPath.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (lockFd < 0)
        return fromErrno(errno, CantWrite);
    const auto unlock = qScopeGuard([lockFd] { ::close(lockFd); });
    int attempt = 0;
    while (::flock(lockFd, LOCK_EX | LOCK_NB) != 0) {
        if ((errno != EWOULDBLOCK && errno != EINTR) || ++attempt == lockAttempts)
            return LockViolation;
        QThread::usleep(lockRetryMicroseconds);
    }

    Result r = Success;
    const std::optional<QByteArray> text = readFile(path, r);
    if (r != Success)
        return r;
    mode_t mode = 0;
    std::optional<RegistryFile> contents;
    if (text) {
        if (!isWritable(key))
            return AccessDenied; // a file made read-only keeps its values
        struct stat st;
        if (::stat(QFile::encodeName(path).constData(), &st) == 0)
            mode = st.st_mode & 07777;
        contents = RegistryFile::parse(*text);
        if (!contents) {
            // Never overwrite what we cannot read: keep it beside for its owner.
            const QString stamp = QDateTime::currentDateTime().toString(u"yyyyMMdd'T'HHmmss");
            QString aside = path + QStringLiteral(".bad-") + stamp;
            for (int n = 1; QFileInfo::exists(aside); ++n)
                aside = path + QStringLiteral(".bad-") + stamp + u'-' + QString::number(n);
            if (::rename(QFile::encodeName(path).constData(), QFile::encodeName(aside).constData())
                != 0)
                return fromErrno(errno, CantWrite);
            contents.emplace();
        }
    } else {
        contents.emplace();
    }
    change(*contents);
    QByteArray keyPath = "SOFTWARE";
    for (const QString &name : key.names)
        keyPath += '\\' + AnsiCodec::encode(name);
    const QByteArray newText = contents->toText(keyPath);
    if (newText.size() > largestFile)
        return CantWrite; // the old file stays, whole and readable
    return replaceFile(path, newText, mode);
}

Registry::Result FileRegistry::RegOpenKeyExA(Handle key, const char *subKey, std::uint32_t,
                                             std::uint32_t access, Handle *result)
{
    if (!result)
        return InvalidParameter;
    Key opened;
    bool created = false;
    if (const Result r = resolve(key, subKey, false, opened, created); r != Success)
        return r;
    constexpr std::uint32_t writeRights = AccessSetValue | AccessCreateSubKey | AccessCreateLink;
    if ((access & writeRights) && !isWritable(opened))
        return AccessDenied;
    opened.access = access;
    *result = add(std::move(opened));
    return Success;
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
    Result r = Success;
    const std::optional<QByteArray> text = readFile(fileOf(k), r);
    if (r != Success)
        return r;
    const std::optional<RegistryFile> contents = text ? RegistryFile::parse(*text) : std::nullopt;
    const RegistryFile::Value *v = contents ? contents->value(valueName ? valueName : "") : nullptr;
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
    if (!result)
        return InvalidParameter;
    Key opened;
    bool created = false;
    if (const Result r = resolve(key, subKey, true, opened, created); r != Success)
        return r;
    constexpr std::uint32_t writeRights = AccessSetValue | AccessCreateSubKey | AccessCreateLink;
    if ((access & writeRights) && !isWritable(opened))
        return AccessDenied;
    opened.access = access;
    *result = add(std::move(opened));
    if (disposition)
        *disposition = created ? CreatedNewKey : OpenedExistingKey;
    return Success;
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
    return update(k, [&](RegistryFile &file) { file.setValue(name, type, bytes); });
}
