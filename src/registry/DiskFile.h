// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#pragma once

#include "Registry.h"

#include <QByteArray>

#include <optional>

class QString;

// One key's file on disk, named by its path's bytes exactly as the system spells them, with what
// keeps it whole: its folders, its lock and its replacement. It is read only when it is a regular
// file of bounded size, and replaced whole, never written in place. What a failed file system
// call means to a registry caller is decided in one place (resultOf).
class DiskFile
{
public:
    // Far beyond anything the panel writes, a megabyte pasted into the address box included. A
    // larger file is not read, and no save makes one, so every file saved can be read back.
    static constexpr qsizetype largestFile = 16 << 20;

    explicit DiskFile(QByteArray path);
    ~DiskFile(); // lets go of the lock
    Q_DISABLE_COPY(DiskFile)
    const QByteArray &path() const { return m_path; }

    // The bytes; none without a file, and CantRead or AccessDenied for one that can't be read.
    std::optional<QByteArray> read(Registry::Result &result) const;
    // Whether a save could replace the file, or make it (and a link's folder) where it is not.
    bool isWritable() const;
    // Takes the writers' lock for as long as this object lives: Success, LockViolation while
    // another writer holds it, or CantWrite when nothing could be locked.
    Registry::Result lock();
    // Replaces the file, under the lock, so that it holds the old text or the new one whatever
    // stops the process. A link stays: the file it leads to is replaced (or made, with its folder).
    Registry::Result replace(const QByteArray &bytes) const;
    // Renames the file (a link's target, not the link) to "<file>.bad-<time>", a name of its own.
    Registry::Result setAside() const;

    // The user's config folder by the XDG rules: $XDG_CONFIG_HOME when absolute, else
    // $HOME/.config, the home folder from the password database when HOME is unset or relative;
    // bytes that are not UTF-8 kept as they are. Empty when there is no home folder at all.
    static QByteArray configHome();
    // The one check of write rights: `path` may be written, or made where it is not there.
    static bool mayWrite(const QByteArray &path);
    // The spelling on disk of key `name` in `folder`: a folder "<name>" or a file "<name>.reg",
    // matched without regard to case, the exact spelling first. Empty when there is neither.
    static QByteArray existingName(const QByteArray &folder, const QString &name);
    // Makes the folder and the missing ones above it, for the user alone (0700).
    static bool makeFolders(const QByteArray &path);
    static QByteArray parentOf(const QByteArray &path);
    static Registry::Result resultOf(int error);

private:
    QByteArray target() const;
    QByteArray m_path;
    int m_lock = -1;
};
