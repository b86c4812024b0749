// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>

#include <memory>

class QLockFile;

// Serialises the writers of one key file for as long as it lives: the toolkit's lock file
// "<file>.lock" beside it, waited for with a timeout. When that path is unusable (a folder, a
// link or anything else that is not a lock file sits there, or the lock can't be made there)
// writers serialise on the folder itself instead, so nothing left at the lock's path can stop
// saves for good.
class KeyFileLock
{
public:
    explicit KeyFileLock(const QByteArray &filePath);
    ~KeyFileLock();
    KeyFileLock(const KeyFileLock &) = delete;
    KeyFileLock &operator=(const KeyFileLock &) = delete;

    bool isLocked() const { return m_locked; }

private:
    bool lockFolder(const QByteArray &filePath);

    std::unique_ptr<QLockFile> m_lockFile;
    int m_folder = -1;
    bool m_locked = false;
};
