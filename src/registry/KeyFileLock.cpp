// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#include "KeyFileLock.h"

#include "KeyFolders.h"
#include "StoreWarning.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr std::chrono::milliseconds lockWait {100};
constexpr std::chrono::milliseconds retryEvery {2};

// flock has no timeout of its own: ask without blocking, a moment apart, until the wait is up.
Registry::Result lock(int fd)
{
    const auto deadline = std::chrono::steady_clock::now() + lockWait;
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK && errno != EINTR)
            return Registry::CantWrite;
        if (std::chrono::steady_clock::now() > deadline)
            return Registry::LockViolation;
        std::this_thread::sleep_for(retryEvery);
    }
    return Registry::Success;
}

} // namespace

KeyFileLock::KeyFileLock(const QByteArray &filePath)
{
    const QByteArray lockPath = filePath + ".lock";
    // Never through a link, never stalled by a FIFO; a lock file its owner alone may write (one
    // left by a run as root) still locks for reading.
    constexpr int flags = O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
    m_fd = ::open(lockPath.constData(), O_RDWR | flags, 0600);
    struct stat st;
    // One made before locks were private: whoever may open it may hold it.
    if (m_fd >= 0 && ::fstat(m_fd, &st) == 0 && st.st_uid == ::geteuid() && (st.st_mode & 077))
        ::fchmod(m_fd, 0600);
    if (m_fd < 0 && errno == EACCES)
        m_fd = ::open(lockPath.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (m_fd < 0) {
        StoreWarning::once(StoreWarning::Kind::LockFallback,
                           "settings lock unusable, writers take turns on the folder instead",
                           lockPath, errno);
        m_fd =
            ::open(KeyFolders::parentOf(filePath).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    }
    if (m_fd < 0) {
        StoreWarning::once(StoreWarning::Kind::SaveFailed, "settings not saved, nothing to lock",
                           lockPath, errno);
        return;
    }
    m_result = lock(m_fd);
}

KeyFileLock::~KeyFileLock()
{
    if (m_fd >= 0)
        ::close(m_fd); // lets go of the lock
}
