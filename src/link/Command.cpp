// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#include "Command.h"

#include "platform/Convert.h"

QString Command::mode(Mode mode)
{
    switch (mode) {
    case Mode::Pulse:
        return QStringLiteral("OP");
    case Mode::Stop:
        return QStringLiteral("OS");
    case Mode::Manual:
        return QStringLiteral("OM");
    case Mode::Run:
        return QStringLiteral("OR");
    }
    return {};
}

QString Command::value(Value value, QStringView boxText)
{
    QString prefix;
    switch (value) {
    case Value::VcoSet:
        prefix = QStringLiteral("FR ");
        break;
    case Value::VcoCtrl:
        prefix = QStringLiteral("FC ");
        break;
    case Value::Stop:
        prefix = QStringLiteral("ST ");
        break;
    case Value::Manual:
        prefix = QStringLiteral("MA ");
        break;
    }
    // Only spaces are removed, at both ends; whatever else the box holds goes out as it is.
    return prefix.append(Convert::Trim(boxText));
}
