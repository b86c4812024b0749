// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#pragma once

#include "Registry.h"

#include <QByteArray>

// Serialises the writers of one key file for as long as it lives: a kernel lock (flock) on the
// file "<file>.lock" beside it, made for the user alone. A writer holds it for a millisecond or
// two, so it is waited for at most a tenth of a second: a holder that keeps it longer makes the
// save fail as busy rather than stall the window. When no lock file can be opened there (a folder,
// a link or a file nobody may read sits at that path) writers lock the folder itself instead, so
// nothing left at the lock's path can stop saves for good.
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

    // Success once locked; LockViolation while another writer holds it; CantWrite when nothing
    // could be locked at all.
    Registry::Result result() const { return m_result; }

private:
    int m_fd = -1;
    Registry::Result m_result = Registry::CantWrite;
};
