// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>

// Serialises the writers of one key file for as long as it lives: a kernel lock (flock) on the
// file "<file>.lock" beside it, waited for at most a couple of seconds. When no lock file can be
// opened there (a folder, a link or a file nobody may read sits at that path) writers lock the
// folder itself instead, so nothing left at the lock's path can stop saves for good.
//
// Not the toolkit's QLockFile: that flushes its lock file to the disk on every lock, a wait on
// each keystroke of the address box that the saves are built to avoid. A kernel lock is dropped
// with its holder, so a killed writer never leaves a stale lock behind.
class KeyFileLock
{
public:
    explicit KeyFileLock(const QByteArray &filePath);
    ~KeyFileLock();
    KeyFileLock(const KeyFileLock &) = delete;
    KeyFileLock &operator=(const KeyFileLock &) = delete;

    bool isLocked() const { return m_locked; }

private:
    int m_fd = -1;
    bool m_locked = false;
};
