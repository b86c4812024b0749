// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#include "LockFileInstance.h"

#include <QCoreApplication>
#include <QDir>
#include <QLockFile>
#include <QStandardPaths>

namespace {

const QString lockPattern = QStringLiteral("varnoke-*.lock");

} // namespace

LockFileInstance::LockFileInstance(const QString &folder)
    : m_folder(folder.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation)
                                : folder)
{ }

LockFileInstance::~LockFileInstance() = default;

bool LockFileInstance::PrevInstance()
{
    const QDir dir(m_folder);
    const QStringList locks = dir.entryList({lockPattern}, QDir::Files);
    bool found = false;
    for (const QString &name : locks) {
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
