// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#include "QtMessageBox.h"

#include <QMessageBox>

MessageBox::Answer QtMessageBox::askOkCancel(const QString &prompt, const QString &title)
{
    // The prompt's lines end in CR LF; the toolkit breaks lines at LF alone.
    QString shown = prompt;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QMessageBox box(QMessageBox::NoIcon, title, shown, QMessageBox::Ok | QMessageBox::Cancel);
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(QMessageBox::Cancel);
    // Closing the box any other way is not a yes.
    return box.exec() == QMessageBox::Ok ? vbOK : vbCancel;
}
