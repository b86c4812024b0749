// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#pragma once

#include "platform/Screens.h"

// The screens as the toolkit reports them.
class QtScreens final : public Screens
{
public:
    QList<QRect> availableAreas() const override;
};
