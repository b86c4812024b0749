// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#pragma once

#include "Registry.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <map>
#include <optional>

class DiskFile;
class ExportText;

// The current user's registry hive as files below the user's config folder: a key path's levels
// below "SOFTWARE" are folders, and the last one a file "<name>.reg" holding the key's values as a
// registry export (ExportText); HKEY_CURRENT_USER\SOFTWARE\Yorv\Varnoke is
// "<config>/Yorv/Varnoke.reg". Names match without regard to case, as in the registry.
//
// Every call reads the file afresh, so what another writer saved is never undone. A save locks,
// reads, changes and replaces the file (DiskFile), so writers lose none of each other's values
// where the file system has locks; it writes nothing when the file holds the value already. A read
// takes no lock. A file that is not a registry export (or a folder or FIFO in its place) reads as
// holding no values, and the next save sets it aside first.
class FileRegistry final : public Registry
{
public:
    FileRegistry(); // below the config folder of the XDG rules
    explicit FileRegistry(const QString &configHome);

    VARNOKE_REGISTRY_CALLS(, override)

private:
    struct Key
    {
        QString path; // below HKEY_CURRENT_USER, as asked for; "" for HKEY_CURRENT_USER itself
        QList<QByteArray> names; // the levels below SOFTWARE, as spelled on disk
        std::uint32_t access = AccessAll;
    };

    const Key *keyOf(Handle handle) const;
    Result openKey(Handle base, const char *subKey, bool create, std::uint32_t access,
                   Handle *result, bool *created);
    QByteArray fileOf(const Key &key) const;
    Result load(const DiskFile &file, ExportText &text, bool &aside, const char *failure) const;
    // Sets the value, or with no data only makes sure the key's file is there.
    Result save(const Key &key, QByteArrayView valueName, std::uint32_t type,
                std::optional<QByteArrayView> data);

    QByteArray m_home;
    std::map<Handle, Key> m_keys;
    Handle m_nextHandle = 0x1000;
};
