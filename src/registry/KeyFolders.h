// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>

// The folders that hold the file store's keys, named by the bytes of their paths.
class KeyFolders
{
public:
    static bool isFolder(const QByteArray &path);

    // The spelling on disk of key `name` in `folder`: a folder "<name>" or a file
    // "<name><suffix>", matched without regard to case, the exact spelling first. Empty when the
    // key does not exist.
    static QByteArray existingName(const QByteArray &folder, const QString &name,
                                   const QByteArray &suffix);

    // Makes the folder and every missing level above it, each one for the user alone: the
    // settings and their lock are no other user's business. A folder there already keeps its mode.
    static bool make(const QByteArray &path);

    // The folder that holds `path`: "/" for a path at the root, "." for a bare name.
    static QByteArray parentOf(const QByteArray &path);
};
