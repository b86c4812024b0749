// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
//
// The floor for start-up and memory: the panel's window as designed, built from the same design
// through the same builder, and nothing else: no link, no settings, no sound, no instance lock.
// What the panel takes beyond this is what its handlers and services cost.

#include "window/FormBuilder.h"
#include "window/FormDesign.h"

#include <QApplication>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.setObjectName(QStringLiteral("formMain"));
    FormBuilder::build(window, FormDesign::formMain());
    window.show();
    return app.exec();
}
