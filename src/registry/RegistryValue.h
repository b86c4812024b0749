// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>

#include <cstdint>

// One named value of a registry key: its name and data as the ANSI calls see them, and its type.
struct RegistryValue
{
    QByteArray name; // "" is the key's default value, written @
    std::uint32_t type = 0;
    QByteArray data;
};
