// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#include "KeyFileLock.h"

#include "StoreWarning.h"

#include <QFile>
#include <QLockFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A writer holds the lock for a few milliseconds (well under a second at the largest file); one
// that holds it longer is stuck, and a save fails rather than hang the panel.
constexpr int lockTimeoutMs = 2000;
// A lock whose owner is gone is taken over at once. One whose owner can't be told counts as
// abandoned at this age: a lock file still empty (its writer was killed as it made it, or an
// older version left it) after a quarter of a second, as a live writer fills it in at once; any
// other after half a minute.
constexpr int staleEmptyLockMs = 250;
constexpr int staleLockMs = 30000;

// Whether the toolkit's lock file can live at `path`: nothing there or a plain file, and a path
// that survives the toolkit's file names unchanged (bytes that are not UTF-8 would not).
bool isUsableLockPath(const QByteArray &path, bool &empty)
{
    if (QFile::encodeName(QFile::decodeName(path)) != path)
        return false;
    struct stat st;
    if (::lstat(path.constData(), &st) != 0)
        return errno == ENOENT;
    empty = st.st_size == 0;
    return S_ISREG(st.st_mode);
}

} // namespace

KeyFileLock::KeyFileLock(const QByteArray &filePath)
{
    const QByteArray lockPath = filePath + ".lock";
    bool empty = false;
    if (isUsableLockPath(lockPath, empty)) {
        m_lockFile = std::make_unique<QLockFile>(QFile::decodeName(lockPath));
        m_lockFile->setStaleLockTime(empty ? staleEmptyLockMs : staleLockMs);
        if (m_lockFile->tryLock(lockTimeoutMs)) {
            m_locked = true;
            return;
        }
        if (m_lockFile->error() == QLockFile::LockFailedError) {
            StoreWarning::once(StoreWarning::Kind::LockTimedOut,
                               "settings not saved, another writer holds the lock", lockPath);
            return;
        }
    }
    StoreWarning::once(StoreWarning::Kind::LockFallback,
                       "settings lock unusable, writers serialise on the folder instead", lockPath);
    m_locked = lockFolder(filePath);
}

KeyFileLock::~KeyFileLock()
{
    if (m_folder >= 0)
        ::close(m_folder); // releases the folder's lock
}

// The folder's own lock: every writer can take it and the kernel drops it with its holder, so it
// never outlives a writer. flock waits without spinning; a holder keeps it for milliseconds.
bool KeyFileLock::lockFolder(const QByteArray &filePath)
{
    const qsizetype slash = filePath.lastIndexOf('/');
    const QByteArray folder =
        slash > 0 ? filePath.first(slash) : QByteArray(slash == 0 ? "/" : ".");
    m_folder = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_folder < 0) {
        StoreWarning::once(StoreWarning::Kind::SaveFailed, "settings not saved, no folder to lock",
                           folder, errno);
        return false;
    }
    int r = 0;
    while ((r = ::flock(m_folder, LOCK_EX)) != 0 && errno == EINTR) { }
    return r == 0;
}
