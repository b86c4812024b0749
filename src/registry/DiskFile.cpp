// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#include "DiskFile.h"

#include "platform/Logging.h"

#include <QDateTime>
#include <QFile>
#include <QScopeGuard>
#include <QStandardPaths>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/fsuid.h>
#include <sys/stat.h>
#include <thread>
#include <tuple>
#include <unistd.h>

namespace {

constexpr int maxLinkHops = 40; // as the kernel follows them
// Far beyond anything the panel writes, a megabyte pasted into the address box included. A larger
// file is not read, and no save makes one, so every file saved can be read back.
constexpr qsizetype largestFile = 16 << 20;
// Writers hold the lock a millisecond or two; a longer hold makes a save busy, not the window.
constexpr std::chrono::milliseconds lockWait {100};
constexpr std::chrono::milliseconds lockRetryEvery {2};

// One line in varnoke.settings, once for each cause: `what` and the error.
void warn(QByteArrayView what, const QByteArray &path, int error = 0)
{
    QString line = QString::fromLatin1(what) + u": "_qs + QFile::decodeName(path);
    if (error != 0)
        line += u" ("_qs + QString::fromLocal8Bit(std::strerror(error)) + u')';
    warnOnce(lcSettings, what.toByteArray() + ' ' + QByteArray::number(error), line);
}

// What a failed file system call means to a registry caller.
Registry::Result resultOf(int error, Registry::Result otherwise = Registry::CantWrite)
{
    if (error == EACCES || error == EPERM || error == EROFS)
        return Registry::AccessDenied;
    if (error == ENOSPC || error == EDQUOT)
        return Registry::DiskFull;
    if (error == EMFILE || error == ENFILE)
        return Registry::TooManyOpenFiles;
    return error == ENOENT || error == ENOTDIR ? Registry::KeyDeleted : otherwise;
}

// Why a save failed, said once for each cause, and what that means to a registry caller.
Registry::Result saveFailed(const char *why, const QByteArray &path, int error)
{
    warn(why, path, error);
    return resultOf(error);
}

// "/a", "/a/b", ... up to the path itself.
QList<QByteArray> levelsOf(const QByteArray &path)
{
    QList<QByteArray> levels;
    for (qsizetype slash = path.indexOf('/', 1); slash > 0; slash = path.indexOf('/', slash + 1))
        levels.append(path.first(slash));
    return levels << path;
}

QByteArray parentOf(const QByteArray &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return slash > 0 ? path.first(slash) : QByteArray(slash == 0 ? "/" : ".");
}

// Makes the folder and the missing ones above it, for the user alone (0700).
Registry::Result makeFolders(const QByteArray &path)
{
    for (const QByteArray &level : levelsOf(path)) {
        if (::mkdir(level.constData(), 0700) != 0 && errno != EEXIST)
            return saveFailed("settings not saved, a folder can't be made", level, errno);
    }
    return Registry::Success;
}

// Until the guard ends, root run with another user's HOME works on files with the rights of the
// owner of the first folder (or link) on the way to `folder` that is not root's, who decides what
// the path names from there on: it writes nothing that user could not, and what it makes is theirs.
auto asFolderOwner(const QByteArray &folder)
{
    struct stat st;
    for (const QByteArray &level : ::geteuid() == 0 ? levelsOf(folder) : QList<QByteArray>()) {
        if (::lstat(level.constData(), &st) == 0 && st.st_uid != 0) {
            ::setfsgid(st.st_gid); // this thread's; one a user namespace can't map stays root's
            ::setfsuid(st.st_uid);
            break;
        }
    }
    return qScopeGuard([] {
        ::setfsuid(::geteuid());
        ::setfsgid(::getegid());
    });
}

// The one check of write rights: `path` may be written, or made where it is not there; what is
// not there yet is made by the save, which finds out then, and a looping link is replaced.
bool mayWrite(const QByteArray &path)
{
    return ::access(path.constData(), W_OK) == 0 || errno == ENOENT || errno == ELOOP;
}

bool hasType(const QByteArray &path, mode_t type)
{
    struct stat st;
    return ::stat(path.constData(), &st) == 0 && (st.st_mode & S_IFMT) == type;
}

// 0 once all is written, or the error that stopped it.
int writeAll(int fd, const QByteArray &bytes)
{
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.constData() + done, bytes.size() - done);
        if (n > 0)
            done += n;
        else if (n == 0 || errno != EINTR)
            return n == 0 ? EIO : errno;
    }
    return 0;
}

} // namespace

DiskFile::~DiskFile()
{
    if (m_lock >= 0)
        ::close(m_lock); // lets go of the lock
}

// Only a regular file of at most largestFile bytes is read: a FIFO, a device or a huge file put
// in its place must neither stall the window's thread nor exhaust memory.
std::optional<QByteArray> DiskFile::read(Registry::Result &result, const char *failure) const
{
    result = Registry::Success;
    const int fd = ::open(m_path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0 && (errno == ENOENT || errno == ENOTDIR || errno == ELOOP))
        return std::nullopt;
    if (fd < 0) {
        result = resultOf(errno, Registry::CantRead);
        warn(failure, m_path, errno);
        return std::nullopt;
    }
    const auto closeFile = qScopeGuard([fd] { ::close(fd); });
    struct stat st = {};
    // Set aside only at the file's own path, never a folder a link leads to.
    const bool link = ::lstat(m_path.constData(), &st) == 0 && S_ISLNK(st.st_mode);
    if (::fstat(fd, &st) == 0 && (S_ISDIR(st.st_mode) || S_ISFIFO(st.st_mode)) && !link)
        return QByteArray();
    QFile file;
    QByteArray bytes;
    if (S_ISREG(st.st_mode) && st.st_size <= largestFile
        && file.open(fd, QIODevice::ReadOnly, QFileDevice::DontCloseHandle))
        bytes = file.readAll(); // to its end, which may have moved since
    if (!file.isOpen() || file.error() != QFileDevice::NoError || bytes.size() > largestFile) {
        result = Registry::CantRead;
        warn(QByteArray(failure) + ", not a readable regular file of at most 16 MiB", m_path);
        return std::nullopt;
    }
    return bytes;
}

// The file a save replaces: the file itself, or the one its link leads to (through any further
// links), there already or not; none through another user's link. A link that leads round in a
// loop holds nothing: it is replaced.
QByteArray DiskFile::target() const
{
    QByteArray path = m_path;
    for (int hop = 0; hop < maxLinkHops; ++hop) {
        struct stat st;
        if (::lstat(path.constData(), &st) != 0 || !S_ISLNK(st.st_mode))
            return path;
        if (st.st_uid != ::geteuid()) {
            warn("settings not saved, the link belongs to another user", m_path);
            return {};
        }
        char next[PATH_MAX];
        const ssize_t n = ::readlink(path.constData(), next, sizeof next);
        if (n <= 0 || n == sizeof next)
            return m_path;
        const QByteArray link(next, n);
        path = link.startsWith('/') ? link : parentOf(path) + '/' + link;
    }
    return m_path;
}

bool DiskFile::isWritable() const
{
    const QByteArray file = target(); // none through another user's link, said there
    const bool writable = !file.isEmpty() && mayWrite(parentOf(file)) && mayWrite(file);
    if (!writable && !file.isEmpty())
        warn("settings not saved, not writable", file, errno);
    return writable;
}

// A kernel lock (flock) on "<file>.lock", dropped with its holder, so a killed writer leaves none;
// not QLockFile, which waits for the disk on every lock, on each keystroke of the address box.
// Where none can be opened for writing (a folder, a link, another's file) writers lock the folder.
Registry::Result DiskFile::lock()
{
    const auto owner = asFolderOwner(parentOf(m_path));
    const QByteArray lockPath = m_path + ".lock";
    if (const Registry::Result r = makeFolders(parentOf(m_path)); r != Registry::Success)
        return r; // a new key's first save makes its folder
    constexpr int flags = O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC; // never through a link, nor a FIFO
    m_lock = ::open(lockPath.constData(), O_RDWR | O_CREAT | flags, 0600);
    struct stat st;
    // One made before locks were private: whoever may open it may hold it.
    if (m_lock >= 0 && ::fstat(m_lock, &st) == 0 && st.st_uid == ::geteuid() && (st.st_mode & 077))
        ::fchmod(m_lock, 0600);
    if (m_lock < 0 && errno != EMFILE && errno != ENFILE) {
        warn("settings lock unusable, writers take turns on the folder instead", lockPath, errno);
        m_lock = ::open(parentOf(m_path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    }
    if (m_lock < 0)
        return saveFailed("settings not saved, nothing to lock", lockPath, errno);
    // flock has no timeout of its own: ask without blocking, a moment apart, until the wait is up.
    const auto deadline = std::chrono::steady_clock::now() + lockWait;
    while (::flock(m_lock, LOCK_EX | LOCK_NB) != 0) {
        // No locks on this file system (NFS mounted nolock, some FUSE): two panels may lose each
        // other's changes, one loses nothing.
        if (errno == ENOLCK || errno == EOPNOTSUPP || errno == ENOSYS) {
            warn("settings saved without a lock, the file system has none", lockPath, errno);
            return Registry::Success;
        }
        if (errno != EWOULDBLOCK && errno != EINTR)
            return saveFailed("settings not saved, the lock failed", lockPath, errno);
        if (std::chrono::steady_clock::now() > deadline)
            return Registry::LockViolation;
        std::this_thread::sleep_for(lockRetryEvery);
    }
    m_locked = true;
    return Registry::Success;
}

// The new text is handed to the disk before the rename but not waited for, which would stall the
// typing that saves on every keystroke; the file systems the panel runs on commit a rename-over
// only after the renamed file's data, so even a power cut leaves the old text or the new.
Registry::Result DiskFile::replace(const QByteArray &bytes, bool setAside) const
{
    const auto owner = asFolderOwner(parentOf(m_path));
    const QByteArray file = target();
    if (file.isEmpty())
        return Registry::AccessDenied; // said
    if (bytes.size() > largestFile) // the old file stays, whole and readable
        return saveFailed("settings not saved, the file would pass 16 MiB", file, EFBIG);
    if (setAside) {
        const QByteArray stamp =
            QDateTime::currentDateTime().toString(u"yyyyMMdd'T'HHmmss").toLatin1();
        QByteArray aside = file + ".bad-" + stamp;
        struct stat st;
        for (int n = 1; ::lstat(aside.constData(), &st) == 0; ++n)
            aside = file + ".bad-" + stamp + '-' + QByteArray::number(n);
        if (::rename(file.constData(), aside.constData()) != 0)
            return saveFailed("settings not saved, what is there can't be set aside", file, errno);
        // Said every time: each is a file somebody may want back.
        qCWarning(lcSettings, "settings file is not a registry file, set aside as: %s",
                  aside.constData());
    }
    struct stat old;
    const bool existed = ::stat(file.constData(), &old) == 0;
    if (const Registry::Result r = existed ? Registry::Success : makeFolders(parentOf(file));
        r != Registry::Success)
        return r;
    // Made afresh (for the user alone, until it takes the old one's mode), never through a link
    // nor over anything; under the lock its one name is free or a killed writer's leftover.
    QByteArray temporary = file + (m_locked ? ".tmp" : ".tmp-XXXXXX");
    if (m_locked)
        ::unlink(temporary.constData());
    const int fd = m_locked
        ? ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600)
        : ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        return saveFailed("settings not saved, no temporary file beside", file, errno);
    // The replaced file's owner when root saves another's (acting for a folder's owner, root gives
    // it to that owner), and its permission bits.
    if (existed && ::geteuid() == 0)
        std::ignore = ::fchown(fd, old.st_uid, old.st_gid);
    // The first failure says why: of the mode, the write, the close or the rename.
    int error = existed && ::fchmod(fd, old.st_mode & 07777) != 0 ? errno : writeAll(fd, bytes);
    if (error == 0)
        ::sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE); // start the write-back, don't wait
    if (::close(fd) != 0 && error == 0)
        error = errno; // a network file system may say only now that the disk is full
    if (error == 0 && ::rename(temporary.constData(), file.constData()) != 0)
        error = errno;
    if (error == 0)
        return Registry::Success;
    ::unlink(temporary.constData());
    return saveFailed("settings not saved", file, error);
}

QByteArray DiskFile::configHome()
{
    // Tests that ask for the toolkit's test locations get them here as well.
    if (QStandardPaths::isTestModeEnabled())
        return QFile::encodeName(
            QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
    const QByteArray xdg = qgetenv("XDG_CONFIG_HOME");
    if (xdg.startsWith('/'))
        return xdg;
    QByteArray home = qgetenv("HOME");
    if (!home.startsWith('/')) {
        const passwd *user = ::getpwuid(::getuid());
        home = user && user->pw_dir && user->pw_dir[0] == '/' ? QByteArray(user->pw_dir) : "";
    }
    if (home.isEmpty())
        return {};
    while (home.endsWith('/'))
        home.chop(1);
    return home + "/.config";
}

QByteArray DiskFile::existingName(const QByteArray &folder, const QString &name)
{
    const QByteArray exact = QFile::encodeName(name);
    if (hasType(folder + '/' + exact, S_IFDIR) || hasType(folder + '/' + exact + ".reg", S_IFREG))
        return exact;
    DIR *dir = ::opendir(folder.constData());
    if (!dir)
        return {};
    const auto closeDir = qScopeGuard([dir] { ::closedir(dir); });
    while (const dirent *entry = ::readdir(dir)) {
        const QByteArray found(entry->d_name);
        const QString spelled = QFile::decodeName(found);
        if (spelled.compare(name, Qt::CaseInsensitive) == 0
            && hasType(folder + '/' + found, S_IFDIR))
            return found;
        if (spelled.compare(name + u".reg"_qs, Qt::CaseInsensitive) == 0
            && hasType(folder + '/' + found, S_IFREG))
            return found.chopped(4);
    }
    return {};
}
