// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#include "KeyFolders.h"

#include <QFile>
#include <QScopeGuard>

#include <cerrno>
#include <dirent.h>
#include <sys/stat.h>

namespace {

bool hasType(const QByteArray &path, mode_t type)
{
    struct stat st;
    return ::stat(path.constData(), &st) == 0 && (st.st_mode & S_IFMT) == type;
}

bool makeFolder(const QByteArray &path)
{
    return ::mkdir(path.constData(), 0700) == 0 || errno == EEXIST;
}

} // namespace

bool KeyFolders::isFolder(const QByteArray &path)
{
    return hasType(path, S_IFDIR);
}

QByteArray KeyFolders::existingName(const QByteArray &folder, const QString &name,
                                    const QByteArray &fileSuffix)
{
    const QByteArray exact = QFile::encodeName(name);
    if (hasType(folder + '/' + exact, S_IFDIR)
        || hasType(folder + '/' + exact + fileSuffix, S_IFREG))
        return exact;
    DIR *dir = ::opendir(folder.constData());
    if (!dir)
        return {};
    const auto closeDir = qScopeGuard([dir] { ::closedir(dir); });
    while (const dirent *entry = ::readdir(dir)) {
        QByteArray stem(entry->d_name);
        const QByteArray path = folder + '/' + stem;
        if (hasType(path, S_IFREG)) {
            if (!stem.toLower().endsWith(fileSuffix))
                continue;
            stem.chop(fileSuffix.size());
        } else if (!hasType(path, S_IFDIR) || stem == "." || stem == "..") {
            continue;
        }
        if (QFile::decodeName(stem).compare(name, Qt::CaseInsensitive) == 0)
            return stem;
    }
    return {};
}

bool KeyFolders::make(const QByteArray &path)
{
    for (qsizetype slash = path.indexOf('/', 1); slash > 0; slash = path.indexOf('/', slash + 1)) {
        if (!makeFolder(path.first(slash)))
            return false;
    }
    return makeFolder(path);
}

QByteArray KeyFolders::parentOf(const QByteArray &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return slash > 0 ? path.first(slash) : QByteArray(slash == 0 ? "/" : ".");
}
