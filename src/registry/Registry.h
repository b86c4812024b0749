// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

// The five calls, written once for the interface (below) and for each store that implements it:
// VARNOKE_REGISTRY_CALLS(, override) in the class body.
#define VARNOKE_REGISTRY_CALLS(before, after)                                                      \
    before Result RegOpenKeyExA(Handle key, const char *subKey, std::uint32_t options,             \
                                std::uint32_t access, Handle *result) after;                       \
    before Result RegQueryValueExA(Handle key, const char *valueName, std::uint32_t *reserved,     \
                                   std::uint32_t *type, std::uint8_t *data, std::uint32_t *size)   \
        after;                                                                                     \
    before Result RegCloseKey(Handle key) after;                                                   \
    before Result RegCreateKeyExA(Handle key, const char *subKey, std::uint32_t reserved,          \
                                  const char *keyClass, std::uint32_t options,                     \
                                  std::uint32_t access, const void *security, Handle *result,      \
                                  std::uint32_t *disposition) after;                               \
    before Result RegSetValueExA(Handle key, const char *valueName, std::uint32_t reserved,        \
                                 std::uint32_t type, const std::uint8_t *data, std::uint32_t size) \
        after;

// The per-user settings store as the five ANSI registry calls the settings routines make, with
// their Win32 arguments and results, so the same code and the same conformance suite run over the
// real registry on Windows and over a per-user file elsewhere. Standard types only, for the Windows
// build without Qt; names that avoid the windows.h macros (HKEY_CURRENT_USER, REG_SZ, ...).
class Registry
{
public:
    using Handle = std::uintptr_t; // an HKEY
    using Result = std::int32_t; // a LONG: 0 on success, otherwise a Win32 error code

    // Results (Win32 error numbers); LockViolation, DiskFull and TooManyOpenFiles may pass in time.
    static constexpr Result Success = 0;
    static constexpr Result FileNotFound = 2;
    static constexpr Result TooManyOpenFiles = 4;
    static constexpr Result AccessDenied = 5;
    static constexpr Result InvalidHandle = 6;
    static constexpr Result LockViolation = 33;
    static constexpr Result InvalidParameter = 87;
    static constexpr Result DiskFull = 112;
    static constexpr Result BadPathname = 161;
    static constexpr Result MoreData = 234;
    static constexpr Result NoAccess = 998;
    static constexpr Result CantRead = 1012;
    static constexpr Result CantWrite = 1013;
    static constexpr Result KeyDeleted = 1018;

    // Value types.
    static constexpr std::uint32_t TypeNone = 0;
    static constexpr std::uint32_t TypeString = 1; // REG_SZ
    static constexpr std::uint32_t TypeExpandString = 2; // REG_EXPAND_SZ
    static constexpr std::uint32_t TypeBinary = 3; // REG_BINARY
    static constexpr std::uint32_t TypeDword = 4; // REG_DWORD, little-endian
    static constexpr std::uint32_t TypeMultiString = 7; // REG_MULTI_SZ

    // Access rights.
    static constexpr std::uint32_t AccessQueryValue = 0x0001;
    static constexpr std::uint32_t AccessSetValue = 0x0002;
    static constexpr std::uint32_t AccessCreateSubKey = 0x0004;
    static constexpr std::uint32_t AccessCreateLink = 0x0020;
    static constexpr std::uint32_t AccessRead = 0x20019; // KEY_READ
    static constexpr std::uint32_t AccessAll = 0xF003F; // KEY_ALL_ACCESS

    // RegCreateKeyExA's disposition.
    static constexpr std::uint32_t CreatedNewKey = 1;
    static constexpr std::uint32_t OpenedExistingKey = 2;

    // The 32-bit predefined root value (0x80000001 for the current user's hive) as the handle
    // windows.h makes of it: sign-extended, as on 64-bit Windows.
    static constexpr Handle predefinedRoot(std::uint32_t value)
    {
        return static_cast<Handle>(static_cast<std::intptr_t>(static_cast<std::int32_t>(value)));
    }
    static constexpr std::uint32_t CurrentUserRoot = 0x80000001;

    // The types whose data are text, and which the registry stores with a terminating NUL.
    static constexpr bool isStringType(std::uint32_t type)
    {
        return type == TypeString || type == TypeExpandString || type == TypeMultiString;
    }

    virtual ~Registry() = default;

    // The five calls, as their Win32 namesakes. RegOpenKeyExA never creates a key; subKey is
    // relative to key (null or "" is key itself). RegQueryValueExA: with data, *size is the
    // buffer's size on entry; data that do not fit give MoreData, the size needed and the buffer
    // untouched; a string stored without its NUL gets one after it where the buffer has room, not
    // counted in the size. Null or "" valueName is the key's default value. RegCreateKeyExA makes
    // every missing level. RegSetValueExA replaces any value of that name whatever its type and,
    // as Windows does, for the string types stores the byte past size too when the data do not end
    // in NUL and that byte is one: pass string data followed by a readable byte.
    VARNOKE_REGISTRY_CALLS(virtual, = 0)
};
