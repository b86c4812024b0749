// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// A modal question with the buttons OK and Cancel.
class MessageBox
{
public:
    enum Answer : int { vbOK = 1, vbCancel = 2 };

    virtual ~MessageBox() = default;
    virtual Answer askOkCancel(const QString &prompt, const QString &title) = 0;
};
