// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#pragma once

#include "FakePlatform.h"

#include "window/formMain.h"

// The panel's window on stand-ins for the world outside: what every widget test starts from.
struct FormFixture
{
    template<typename T = QWidget> T *find(const char *name) const
    {
        return form.findChild<T *>(QString::fromLatin1(name));
    }

    FakePlatform platform;
    formMain form {platform.services};
};
