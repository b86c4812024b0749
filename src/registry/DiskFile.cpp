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
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr int maxLinkHops = 40; // as the kernel follows them
// A writer holds the lock for a millisecond or two; one that keeps it longer makes the save fail
// as busy rather than stall the window.
constexpr std::chrono::milliseconds lockWait {100};
constexpr std::chrono::milliseconds lockRetryEvery {2};

// One line in varnoke.settings, once for each cause: `what` and the error.
void warn(const char *what, const QByteArray &path, int error = 0)
{
    QString line = QString::fromLatin1(what) + u": "_qs + QFile::decodeName(path);
    if (error != 0)
        line += u" ("_qs + QString::fromLocal8Bit(std::strerror(error)) + u')';
    warnOnce(lcSettings, QByteArray(what) + ' ' + QByteArray::number(error), line);
}

// Why a save failed, said once for each cause, and what that means to a registry caller.
Registry::Result saveFailed(const char *why, const QByteArray &path, int error)
{
    warn(why, path, error);
    return DiskFile::resultOf(error);
}

bool hasType(const QByteArray &path, mode_t type)
{
    struct stat st;
    return ::stat(path.constData(), &st) == 0 && (st.st_mode & S_IFMT) == type;
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

// Temporary files beside `target` that killed writers left: only a writer holding the lock makes
// one, and renames or removes it before letting go, so any there under the lock is a leftover.
void removeLeftovers(const QByteArray &target)
{
    const QByteArray prefix = target.sliced(target.lastIndexOf('/') + 1) + ".tmp-";
    DIR *dir = ::opendir(DiskFile::parentOf(target).constData());
    if (!dir)
        return;
    while (const dirent *entry = ::readdir(dir)) {
        const QByteArrayView name(entry->d_name);
        if (name.size() == prefix.size() + 6 && name.startsWith(prefix) // as mkostemp names them
            && entry->d_type == DT_REG)
            ::unlinkat(::dirfd(dir), entry->d_name, 0);
    }
    ::closedir(dir);
}

} // namespace

DiskFile::DiskFile(QByteArray path)
    : m_path(std::move(path))
{ }

DiskFile::~DiskFile()
{
    if (m_lock >= 0)
        ::close(m_lock); // lets go of the lock
}

// Only a regular file of at most largestFile bytes is read: a FIFO, a device or a huge file put
// in its place must neither stall the window's thread nor exhaust memory.
std::optional<QByteArray> DiskFile::read(Registry::Result &result) const
{
    result = Registry::Success;
    const int fd = ::open(m_path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0 && (errno == ENOENT || errno == ENOTDIR || errno == ELOOP))
        return std::nullopt;
    if (fd < 0) {
        result = (errno == EACCES || errno == EPERM) ? Registry::AccessDenied : Registry::CantRead;
        warn("settings file can't be read", m_path, errno);
        return std::nullopt;
    }
    const auto closeFile = qScopeGuard([fd] { ::close(fd); });
    struct stat st;
    QFile file;
    QByteArray bytes;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= largestFile
        && file.open(fd, QIODevice::ReadOnly, QFileDevice::DontCloseHandle))
        bytes = file.readAll(); // to its end, which may have moved since
    if (!file.isOpen() || file.error() != QFileDevice::NoError || bytes.size() > largestFile) {
        result = Registry::CantRead;
        warn("settings file not read, not a readable regular file of at most 16 MiB", m_path);
        return std::nullopt;
    }
    return bytes;
}

// The file a save replaces: the file itself, or the one its link leads to (through any further
// links), there already or not. A link that leads round in a loop holds nothing: it is replaced.
QByteArray DiskFile::target() const
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
        path = link.startsWith('/') ? link : parentOf(path) + '/' + link;
    }
    return m_path;
}

bool DiskFile::mayWrite(const QByteArray &path)
{
    // What is not there yet is made by the save, which finds out then; a looping link is replaced.
    return ::access(path.constData(), W_OK) == 0 || errno == ENOENT || errno == ELOOP;
}

bool DiskFile::isWritable() const
{
    const QByteArray file = target();
    return mayWrite(parentOf(file)) && mayWrite(file);
}

// A kernel lock (flock) on "<file>.lock", dropped with its holder, so a killed writer leaves none;
// not QLockFile, which waits for the disk on every lock, on each keystroke of the address box.
// Where no lock file can be opened (a folder or a link sits there) writers lock the folder.
Registry::Result DiskFile::lock()
{
    const QByteArray lockPath = m_path + ".lock";
    // Never through a link, never stalled by a FIFO; a lock file its owner alone may write (one
    // left by a run as root) still locks for reading.
    constexpr int flags = O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
    m_lock = ::open(lockPath.constData(), O_RDWR | O_CREAT | flags, 0600);
    struct stat st;
    // One made before locks were private: whoever may open it may hold it.
    if (m_lock >= 0 && ::fstat(m_lock, &st) == 0 && st.st_uid == ::geteuid() && (st.st_mode & 077))
        ::fchmod(m_lock, 0600);
    if (m_lock < 0 && errno == EACCES)
        m_lock = ::open(lockPath.constData(), O_RDONLY | flags);
    if (m_lock < 0) {
        warn("settings lock unusable, writers take turns on the folder instead", lockPath, errno);
        m_lock = ::open(parentOf(m_path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    }
    if (m_lock < 0) {
        warn("settings not saved, nothing to lock", lockPath, errno);
        return Registry::CantWrite;
    }
    // flock has no timeout of its own: ask without blocking, a moment apart, until the wait is up.
    const auto deadline = std::chrono::steady_clock::now() + lockWait;
    while (::flock(m_lock, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK && errno != EINTR)
            return Registry::CantWrite;
        if (std::chrono::steady_clock::now() > deadline)
            return Registry::LockViolation;
        std::this_thread::sleep_for(lockRetryEvery);
    }
    return Registry::Success;
}

// The new text is handed to the disk before the rename but not waited for, which would stall the
// typing that saves on every keystroke; the file systems the panel runs on commit a rename-over
// only after the renamed file's data, so even a power cut leaves the old text or the new.
Registry::Result DiskFile::replace(const QByteArray &bytes) const
{
    const QByteArray file = target();
    struct stat old;
    const bool existed = ::stat(file.constData(), &old) == 0;
    if (!existed && !makeFolders(parentOf(file)))
        return saveFailed("settings not saved, its folder can't be made", file, errno);
    removeLeftovers(file);
    // Made afresh under a name of its own (for the user alone, until it takes the old one's mode),
    // never through a link nor over anything already there.
    QByteArray temporary = file + ".tmp-XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        return saveFailed("settings not saved, no temporary file beside", file, errno);
    // The replaced file's permission bits, and its owner when root saves a user's file.
    bool ok = !existed
        || (::fchmod(fd, old.st_mode & 07777) == 0
            && (::geteuid() != 0 || ::fchown(fd, old.st_uid, old.st_gid) == 0));
    ok = ok && writeAll(fd, bytes);
    if (ok)
        ::sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE); // start the write-back, don't wait
    int error = errno;
    ok = ::close(fd) == 0 && ok;
    if (ok && ::rename(temporary.constData(), file.constData()) != 0) {
        ok = false;
        error = errno;
    }
    if (ok)
        return Registry::Success;
    ::unlink(temporary.constData());
    return saveFailed("settings not saved", file, error);
}

// Never overwrite what we cannot read: keep it beside for its owner; a link leads to the new file.
Registry::Result DiskFile::setAside() const
{
    const QByteArray file = target();
    const QByteArray stamp = QDateTime::currentDateTime().toString(u"yyyyMMdd'T'HHmmss").toLatin1();
    QByteArray aside = file + ".bad-" + stamp;
    struct stat st;
    for (int n = 1; ::lstat(aside.constData(), &st) == 0; ++n)
        aside = file + ".bad-" + stamp + '-' + QByteArray::number(n);
    if (::rename(file.constData(), aside.constData()) != 0)
        return saveFailed("settings not saved, an unreadable file can't be set aside", file, errno);
    // Said every time: each is a file somebody may want back.
    qCWarning(lcSettings, "settings file is not a registry file, set aside as: %s",
              aside.constData());
    return Registry::Success;
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

bool DiskFile::makeFolders(const QByteArray &path)
{
    for (qsizetype slash = path.indexOf('/', 1);; slash = path.indexOf('/', slash + 1)) {
        const QByteArray level = slash < 0 ? path : path.first(slash);
        if (::mkdir(level.constData(), 0700) != 0 && errno != EEXIST)
            return false;
        if (slash < 0)
            return true;
    }
}

QByteArray DiskFile::parentOf(const QByteArray &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return slash > 0 ? path.first(slash) : QByteArray(slash == 0 ? "/" : ".");
}

Registry::Result DiskFile::resultOf(int error)
{
    if (error == EACCES || error == EPERM || error == EROFS)
        return Registry::AccessDenied;
    return error == ENOENT || error == ENOTDIR ? Registry::KeyDeleted : Registry::CantWrite;
}
