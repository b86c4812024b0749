// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#pragma once

#include "Registry.h"

// The registry itself: each operation is the advapi32 call of the same name, nothing added.
class Win32Registry final : public Registry
{
public:
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
};
