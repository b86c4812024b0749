// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#include "Win32Registry.h"

#include <windows.h>

namespace {

HKEY toKey(Registry::Handle key)
{
    return reinterpret_cast<HKEY>(key);
}

// DWORD is unsigned long here; the interface's 32-bit types cross by pointer.
static_assert(sizeof(DWORD) == sizeof(std::uint32_t));

DWORD *toDword(std::uint32_t *p)
{
    return reinterpret_cast<DWORD *>(p);
}

} // namespace

Registry::Result Win32Registry::RegOpenKeyExA(Handle key, const char *subKey, std::uint32_t options,
                                              std::uint32_t access, Handle *result)
{
    HKEY opened = nullptr;
    const LONG r = ::RegOpenKeyExA(toKey(key), subKey, options, access, result ? &opened : nullptr);
    if (result)
        *result = reinterpret_cast<Handle>(opened);
    return r;
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
    HKEY created = nullptr;
    const LONG r =
        ::RegCreateKeyExA(toKey(key), subKey, reserved, const_cast<char *>(keyClass), options,
                          access, static_cast<SECURITY_ATTRIBUTES *>(const_cast<void *>(security)),
                          result ? &created : nullptr, toDword(disposition));
    if (result)
        *result = reinterpret_cast<Handle>(created);
    return r;
}

Registry::Result Win32Registry::RegSetValueExA(Handle key, const char *valueName,
                                               std::uint32_t reserved, std::uint32_t type,
                                               const std::uint8_t *data, std::uint32_t size)
{
    return ::RegSetValueExA(toKey(key), valueName, reserved, type, data, size);
}
