// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#pragma once

#include "Registry.h"

#include <QByteArray>

#include <optional>

// One key's file on disk, named by its path's bytes exactly as the system spells them. It is read
// only when it is a regular file of bounded size, and replaced whole, never written in place.
class KeyFile
{
public:
    // Far beyond anything the panel writes, a megabyte pasted into the address box included. A
    // larger file is not read, and no save makes one, so every file saved can be read back.
    static constexpr qsizetype largestFile = 16 << 20;

    explicit KeyFile(QByteArray path);

    const QByteArray &path() const { return m_path; }

    // The file's bytes; nothing when there is no file, with CantRead or AccessDenied in `result`
    // when there is one that can't be read.
    std::optional<QByteArray> read(Registry::Result &result) const;

    // Whether a save could replace the file (or make it, when there is none).
    bool isWritable() const;

    // Replaces the file with `bytes` so that, whatever stops the process, it holds the old text or
    // the new one. A file that is a link stays a link: the file it leads to is replaced, or made
    // (with its folder) when it is not there yet. Call it with the file's lock held: it also clears
    // what killed writers left.
    Registry::Result replace(const QByteArray &bytes) const;

    // Renames the file (a link's target, not the link) to "<file>.bad-<time>" under a name of its
    // own.
    Registry::Result setAside() const;

    // What a failed file system call with this errno means to a registry caller.
    static Registry::Result resultOf(int error);

private:
    QByteArray target() const;

    QByteArray m_path;
};
