// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#pragma once

#include "Registry.h"

#include <QByteArray>

#include <optional>

class QString;

// One key's file on disk, named by its path's bytes exactly as the system spells them, with what
// keeps it whole: its folders, its lock and its replacement. Read only as a regular file of bounded
// size, replaced whole, never written in place; root saves in another user's folder as that user.
class DiskFile
{
public:
    explicit DiskFile(QByteArray path)
        : m_path(std::move(path))
    { }
    ~DiskFile(); // lets go of the lock
    Q_DISABLE_COPY(DiskFile)
    const QByteArray &path() const { return m_path; }

    // The bytes; none without a file, and an error for one that can't be read, said as `failure`.
    // A folder or FIFO in the file's place reads as no registry export, to be set aside.
    std::optional<QByteArray> read(Registry::Result &result, const char *failure) const;
    // Whether a save could replace the file, or make it (and a link's folder) where it is not;
    // never through another user's link.
    bool isWritable() const;
    // Takes the writers' lock for as long as this object lives: Success (also where the file
    // system has no locks), LockViolation while another writer holds it, or the failure.
    Registry::Result lock();
    // Replaces the file, under the lock, so that it holds the old text or the new one whatever
    // stops the process. A link stays: the file it leads to is replaced (or made, with its folder).
    // With `setAside`, what is there is first renamed to "<file>.bad-<time>", a name of its own.
    Registry::Result replace(const QByteArray &bytes, bool setAside = false) const;

    // The user's config folder by the XDG rules: $XDG_CONFIG_HOME when absolute, else
    // $HOME/.config, the home folder from the password database when HOME is unset or relative;
    // bytes that are not UTF-8 kept as they are. Empty when there is no home folder at all.
    static QByteArray configHome();
    // The spelling on disk of key `name` in `folder`: a folder "<name>" or a file "<name>.reg",
    // matched without regard to case, the exact spelling first. Empty when there is neither.
    static QByteArray existingName(const QByteArray &folder, const QString &name);

private:
    QByteArray target() const;
    QByteArray m_path;
    int m_lock = -1;
    bool m_locked = false; // and so no other writer is between the lock and the replace
};
