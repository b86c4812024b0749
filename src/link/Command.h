// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringView>

// The unit's whole vocabulary. A mode command is two upper-case letters; a value command is two
// letters, one space and the value text exactly as the operator left it, spaces around it removed.
class Command
{
public:
    enum class Mode { Pulse, Stop, Manual, Run };
    enum class Value { VcoSet, VcoCtrl, Stop, Manual };

    static QString mode(Mode mode);
    static QString value(Value value, QStringView boxText);
};
