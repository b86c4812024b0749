// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#include "ProcessRuntime.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

QString ProcessRuntime::appPath() const
{
    // /proc/self/exe: the resolved executable, so a symlink in PATH still finds its own folder.
    const QString exe = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    if (!exe.isEmpty())
        return QFileInfo(exe).absolutePath();
    return QCoreApplication::applicationDirPath();
}

bool ProcessRuntime::createIfMissing(const QString &path)
{
    // O_EXCL: never truncate, never follow into an existing file; EEXIST means there is one
    // already.
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0)
        return errno == EEXIST;
    ::close(fd);
    return true;
}

void ProcessRuntime::End()
{
    ::_exit(0);
}
