// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#pragma once

#include "Runtime.h"

class ProcessRuntime final : public Runtime
{
public:
    QString appPath() const override;
    bool createIfMissing(const QString &path) override;
    [[noreturn]] void End() override;
};
