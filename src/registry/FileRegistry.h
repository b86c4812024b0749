// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#pragma once

#include "Registry.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <map>
#include <optional>

class KeyFile;
class RegistryFile;

// The current user's registry hive as files below the user's config folder. A key path's levels
// are folders with the leading "SOFTWARE" level dropped; the last level is a registry file
// "<name>.reg" holding the key's values: HKEY_CURRENT_USER\SOFTWARE\Yorv\Varnoke is
// "<config>/Yorv/Varnoke.reg". Names match without regard to case, as in the registry.
//
// Every call reads and parses the file afresh, so what another writer saved is never undone. A
// save locks the file (KeyFileLock), reads it, changes it and replaces it (KeyFile), so a killed
// writer leaves the old file or the new one and two processes never lose each other's values;
// storing what the file holds already writes nothing. A read takes no lock and needs only read
// permission. A file that does not parse reads as holding no values; the next save keeps it aside
// as "<name>.reg.bad-<time>" before starting a fresh one.
class FileRegistry final : public Registry
{
public:
    // The config folder of the XDG rules (ConfigFolder).
    FileRegistry();
    explicit FileRegistry(const QString &configHome);
    ~FileRegistry() override;

    Result RegOpenKeyExA(Handle key, const char *subKey, std::uint32_t options,
                         std::uint32_t access, Handle *result) override;
    Result RegQueryValueExA(Handle key, const char *valueName, std::uint32_t *reserved,
                            std::uint32_t *type, std::uint8_t *data, std::uint32_t *size) override;
    Result RegCloseKey(Handle key) override;
    Result RegCreateKeyExA(Handle key, const char *subKey, std::uint32_t reserved,
                           const char *keyClass, std::uint32_t options, std::uint32_t access,
                           const void *security, Handle *result,
                           std::uint32_t *disposition) override;
    Result RegSetValueExA(Handle key, const char *valueName, std::uint32_t reserved,
                          std::uint32_t type, const std::uint8_t *data,
                          std::uint32_t size) override;

private:
    struct Key
    {
        bool software = false; // at or below HKEY_CURRENT_USER\SOFTWARE
        QList<QByteArray> names; // the levels below SOFTWARE, as spelled on disk
        std::uint32_t access = 0;
    };
    // Changes the file's contents; false when there was nothing to change.
    using Change = std::function<bool(RegistryFile &)>;

    Result keyOf(Handle handle, Key &key) const;
    Result resolve(Handle base, const char *subKey, bool create, Key &key, bool &created);
    Result openKey(Handle base, const char *subKey, bool create, std::uint32_t access,
                   Handle *result, bool &created);
    Handle add(Key key);
    QByteArray folderOf(const Key &key) const;
    QByteArray fileOf(const Key &key) const;
    static QByteArray keyPathOf(const Key &key);
    bool isWritable(const Key &key) const;
    Result load(const Key &key, const KeyFile &file, bool &found,
                std::optional<RegistryFile> &contents) const;
    Result update(const Key &key, const Change &change);

    QByteArray m_home;
    std::map<Handle, Key> m_keys;
    Handle m_nextHandle = 0x1000;
};
