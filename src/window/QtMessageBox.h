// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#pragma once

#include "platform/MessageBox.h"

// The OK/Cancel question as a modal message box of the toolkit's.
class QtMessageBox final : public MessageBox
{
public:
    Answer askOkCancel(const QString &prompt, const QString &title) override;
};
