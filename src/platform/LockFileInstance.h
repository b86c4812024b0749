// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#pragma once

#include "InstanceLock.h"

#include <QString>

#include <memory>

class QLockFile;

// Each running panel holds a lock file "varnoke-<pid>.lock" in the user's runtime folder. A lock
// whose process has died is stale and does not count; it is cleared when found.
class LockFileInstance final : public InstanceLock
{
public:
    // folder: where the locks live; empty means the user's runtime folder ($XDG_RUNTIME_DIR).
    explicit LockFileInstance(const QString &folder = {});
    ~LockFileInstance() override;

    bool PrevInstance() override;
    void claim() override;
    void release() override;

private:
    QString m_folder;
    std::unique_ptr<QLockFile> m_own;
};
