// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#pragma once

#include "Registry.h"

// The registry itself: each operation is the advapi32 call of the same name, nothing added.
class Win32Registry final : public Registry
{
public:
    VARNOKE_REGISTRY_CALLS(, override)
};
