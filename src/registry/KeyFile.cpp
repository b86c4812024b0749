// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#include "KeyFile.h"

#include "KeyFolders.h"
#include "StoreWarning.h"

#include <QDateTime>
#include <QRandomGenerator>
#include <QScopeGuard>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int temporaryNameAttempts = 16;
constexpr int temporarySuffixLength = 8;
constexpr int maxLinkHops = 40; // as the kernel follows them

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

// A new file beside `target` that nothing else can be: made here and now, under a random name,
// never a link followed nor anything that already exists truncated.
int createTemporary(const QByteArray &target, QByteArray &name)
{
    static constexpr char letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    for (int attempt = 0; attempt < temporaryNameAttempts; ++attempt) {
        name = target + ".tmp-";
        for (int i = 0; i < temporarySuffixLength; ++i)
            name += letters[QRandomGenerator::global()->bounded(int(sizeof letters) - 1)];
        const int fd =
            ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

// Temporary files a writer killed before its rename left beside `target`. Only a writer holding
// the lock makes one, and it holds the lock until the file is renamed or removed, so under the
// lock any that is there is a leftover.
void removeLeftovers(const QByteArray &target)
{
    const QByteArray prefix = target.sliced(target.lastIndexOf('/') + 1) + ".tmp-";
    DIR *dir = ::opendir(KeyFolders::parentOf(target).constData());
    if (!dir)
        return;
    while (const dirent *entry = ::readdir(dir)) {
        const QByteArrayView name(entry->d_name);
        if (name.size() == prefix.size() + temporarySuffixLength && name.startsWith(prefix)
            && entry->d_type == DT_REG)
            ::unlinkat(::dirfd(dir), entry->d_name, 0);
    }
    ::closedir(dir);
}

} // namespace

KeyFile::KeyFile(QByteArray path)
    : m_path(std::move(path))
{ }

// Only a regular file of at most largestFile bytes is read: a FIFO, a device or a huge file put
// in its place must neither stall the window's thread nor exhaust memory.
std::optional<QByteArray> KeyFile::read(Registry::Result &result) const
{
    result = Registry::Success;
    const int fd = ::open(m_path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR || errno == ELOOP)
            return std::nullopt;
        result = (errno == EACCES || errno == EPERM) ? Registry::AccessDenied : Registry::CantRead;
        StoreWarning::once(StoreWarning::Kind::ReadFailed, "settings file can't be read", m_path,
                           errno);
        return std::nullopt;
    }
    const auto closeFile = qScopeGuard([fd] { ::close(fd); });
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > largestFile) {
        result = Registry::CantRead;
        StoreWarning::once(StoreWarning::Kind::ReadFailed,
                           "settings file not read, not a regular file of at most 16 MiB", m_path);
        return std::nullopt;
    }
    QByteArray bytes(qsizetype(st.st_size) + 1, Qt::Uninitialized); // one more shows growth
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                break;
            result = Registry::CantRead;
            StoreWarning::once(StoreWarning::Kind::ReadFailed, "settings file can't be read",
                               m_path, errno);
            return std::nullopt;
        }
        done += n;
        if (done == bytes.size() && bytes.size() <= largestFile)
            bytes.resize(std::min<qsizetype>(bytes.size() * 2, largestFile + 1));
    }
    if (done > largestFile) {
        result = Registry::CantRead;
        StoreWarning::once(StoreWarning::Kind::ReadFailed,
                           "settings file not read, larger than 16 MiB", m_path);
        return std::nullopt;
    }
    bytes.truncate(done);
    return bytes;
}

// The file a save replaces: the file itself, or the one its link leads to (through any further
// links), there already or not. A link that leads round in a loop holds nothing: it is replaced.
QByteArray KeyFile::target() const
{
    QByteArray path = m_path;
    for (int hop = 0; hop < maxLinkHops; ++hop) {
        struct stat st;
        if (::lstat(path.constData(), &st) != 0 || !S_ISLNK(st.st_mode))
            return path;
        char next[PATH_MAX];
        const ssize_t n = ::readlink(path.constData(), next, sizeof next);
        if (n <= 0 || n == sizeof next)
            return m_path;
        const QByteArray link(next, n);
        path = link.startsWith('/') ? link : KeyFolders::parentOf(path) + '/' + link;
    }
    return m_path;
}

bool KeyFile::isWritable() const
{
    const QByteArray file = target();
    // A link's folder that is not there yet is made by the save, which finds out then.
    return (::access(KeyFolders::parentOf(file).constData(), W_OK) == 0 || errno == ENOENT)
        && (::access(file.constData(), F_OK) != 0 || ::access(file.constData(), W_OK) == 0);
}

// The new text is handed to the disk before the rename, but not waited for: the panel saves on
// every keystroke of the address box, on the window's thread, and a wait for the disk
// (milliseconds here, far more on a busy or network disk) would stall typing. The file systems the
// panel runs on commit a rename-over only after the renamed file's data, so even a power cut
// leaves the old text or the new, never a torn file.
Registry::Result KeyFile::replace(const QByteArray &bytes) const
{
    const QByteArray file = target();
    struct stat old;
    const bool existed = ::stat(file.constData(), &old) == 0;
    if (!existed && !KeyFolders::make(KeyFolders::parentOf(file))) {
        const int error = errno;
        StoreWarning::once(StoreWarning::Kind::SaveFailed,
                           "settings not saved, its folder can't be made", file, error);
        return resultOf(error);
    }
    removeLeftovers(file);
    QByteArray temporary;
    const int fd = createTemporary(file, temporary);
    if (fd < 0) {
        const int error = errno;
        StoreWarning::once(StoreWarning::Kind::SaveFailed,
                           "settings not saved, no temporary file beside", file, error);
        return resultOf(error);
    }
    bool ok = true;
    if (existed) {
        // The replaced file's permission bits, and its owner when root saves a user's file.
        ok = ::fchmod(fd, old.st_mode & 07777) == 0;
        if (ok && ::geteuid() == 0)
            ok = ::fchown(fd, old.st_uid, old.st_gid) == 0;
    }
    ok = ok && writeAll(fd, bytes);
    if (ok)
        ::sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE); // start the write-back, don't wait
    int error = errno;
    ok = ::close(fd) == 0 && ok;
    if (ok && ::rename(temporary.constData(), file.constData()) != 0) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        ::unlink(temporary.constData());
        StoreWarning::once(StoreWarning::Kind::SaveFailed, "settings not saved", file, error);
        return resultOf(error);
    }
    return Registry::Success;
}

// Never overwrite what we cannot read: keep it beside for its owner. A link is left to lead to
// where the next save makes the file anew.
Registry::Result KeyFile::setAside() const
{
    const QByteArray file = target();
    const QByteArray stamp = QDateTime::currentDateTime().toString(u"yyyyMMdd'T'HHmmss").toLatin1();
    QByteArray aside = file + ".bad-" + stamp;
    struct stat st;
    for (int n = 1; ::lstat(aside.constData(), &st) == 0; ++n)
        aside = file + ".bad-" + stamp + '-' + QByteArray::number(n);
    if (::rename(file.constData(), aside.constData()) != 0) {
        const int error = errno;
        StoreWarning::once(StoreWarning::Kind::SaveFailed,
                           "settings not saved, an unreadable file can't be set aside", file,
                           error);
        return resultOf(error);
    }
    StoreWarning::always("settings file is not a registry file, set aside as", aside);
    return Registry::Success;
}

Registry::Result KeyFile::resultOf(int error)
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
        return Registry::CantWrite;
    }
}
