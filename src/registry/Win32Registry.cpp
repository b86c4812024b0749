// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#include "Win32Registry.h"

#include <windows.h>

namespace {

// DWORD is unsigned long here, and HKEY a pointer: the interface's types cross by pointer.
static_assert(sizeof(DWORD) == sizeof(std::uint32_t) && sizeof(HKEY) == sizeof(Registry::Handle));

HKEY toKey(Registry::Handle key)
{
    return reinterpret_cast<HKEY>(key);
}

DWORD *toDword(std::uint32_t *p)
{
    return reinterpret_cast<DWORD *>(p);
}

} // namespace

Registry::Result Win32Registry::RegOpenKeyExA(Handle key, const char *subKey, std::uint32_t options,
                                              std::uint32_t access, Handle *result)
{
    return ::RegOpenKeyExA(toKey(key), subKey, options, access, reinterpret_cast<HKEY *>(result));
}

Registry::Result Win32Registry::RegQueryValueExA(Handle key, const char *valueName,
                                                 std::uint32_t *reserved, std::uint32_t *type,
                                                 std::uint8_t *data, std::uint32_t *size)
{
    return ::RegQueryValueExA(toKey(key), valueName, toDword(reserved), toDword(type), data,
                              toDword(size));
}

Registry::Result Win32Registry::RegCloseKey(Handle key)
{
    return ::RegCloseKey(toKey(key));
}

Registry::Result Win32Registry::RegCreateKeyExA(Handle key, const char *subKey,
                                                std::uint32_t reserved, const char *keyClass,
                                                std::uint32_t options, std::uint32_t access,
                                                const void *security, Handle *result,
                                                std::uint32_t *disposition)
{
    return ::RegCreateKeyExA(toKey(key), subKey, reserved, const_cast<char *>(keyClass), options,
                             access,
                             static_cast<SECURITY_ATTRIBUTES *>(const_cast<void *>(security)),
                             reinterpret_cast<HKEY *>(result), toDword(disposition));
}

Registry::Result Win32Registry::RegSetValueExA(Handle key, const char *valueName,
                                               std::uint32_t reserved, std::uint32_t type,
                                               const std::uint8_t *data, std::uint32_t size)
{
    return ::RegSetValueExA(toKey(key), valueName, reserved, type, data, size);
}
