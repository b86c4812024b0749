// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#include "KeyFileLock.h"

#include "KeyFolders.h"
#include "StoreWarning.h"

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

namespace {

// A writer holds the lock for a few milliseconds (well under a second at the largest file); one
// that holds it longer is stuck, and a save fails rather than hang the panel.
constexpr std::chrono::milliseconds lockTimeout {2000};

// Waits for the lock on `fd` for at most lockTimeout. flock has no timeout and a retry loop would
// spin, so a thread of its own waits in the kernel on a second descriptor of the same open file
// (the lock belongs to the open file, so it is ours once taken). A wait given up on lets go of
// the lock as soon as it gets it.
bool waitForLock(int fd)
{
    struct Wait
    {
        std::mutex mutex;
        std::condition_variable done;
        bool finished = false;
        bool locked = false;
        bool abandoned = false;
    };
    const int waiterFd = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (waiterFd < 0)
        return false;
    auto wait = std::make_shared<Wait>();
    std::thread([wait, waiterFd] {
        int r = 0;
        while ((r = ::flock(waiterFd, LOCK_EX)) != 0 && errno == EINTR) { }
        std::lock_guard guard(wait->mutex);
        if (r == 0 && wait->abandoned)
            ::flock(waiterFd, LOCK_UN);
        wait->locked = r == 0 && !wait->abandoned;
        wait->finished = true;
        ::close(waiterFd);
        wait->done.notify_one();
    }).detach();
    std::unique_lock guard(wait->mutex);
    if (!wait->done.wait_for(guard, lockTimeout, [&] { return wait->finished; }))
        wait->abandoned = true;
    return wait->locked;
}

bool lock(int fd)
{
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
        return true;
    return (errno == EWOULDBLOCK || errno == EINTR) && waitForLock(fd);
}

} // namespace

KeyFileLock::KeyFileLock(const QByteArray &filePath)
{
    const QByteArray lockPath = filePath + ".lock";
    // Never through a link, never stalled by a FIFO; a lock file its owner alone may write (one
    // left by a run as root) still locks for reading.
    constexpr int flags = O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
    m_fd = ::open(lockPath.constData(), O_RDWR | flags, 0666);
    if (m_fd < 0 && errno == EACCES)
        m_fd = ::open(lockPath.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (m_fd < 0) {
        StoreWarning::once(StoreWarning::Kind::LockFallback,
                           "settings lock unusable, writers take turns on the folder instead",
                           lockPath, errno);
        m_fd = ::open(KeyFolders::parentOf(filePath).constData(),
                      O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    }
    if (m_fd < 0) {
        StoreWarning::once(StoreWarning::Kind::SaveFailed, "settings not saved, nothing to lock",
                           lockPath, errno);
        return;
    }
    m_locked = lock(m_fd);
    if (!m_locked)
        StoreWarning::once(StoreWarning::Kind::LockTimedOut,
                           "settings not saved, another writer holds the lock", lockPath);
}

KeyFileLock::~KeyFileLock()
{
    if (m_fd >= 0)
        ::close(m_fd); // lets go of the lock
}
