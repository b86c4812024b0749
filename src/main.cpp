// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#include "platform/LockFileInstance.h"
#include "platform/PlatformServices.h"
#include "platform/ProcessRuntime.h"
#include "platform/SystemClock.h"
#include "platform/TerminationSignals.h"
#include "window/QtMessageBox.h"
#include "window/formMain.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);

    SystemClock clock;
    LockFileInstance instance;
    QtMessageBox messageBox;
    ProcessRuntime runtime;
    PlatformServices platform{clock, instance, messageBox, runtime};

    formMain form(platform);
    TerminationSignals termination;
    QObject::connect(&termination, &TerminationSignals::requested, &form, &QWidget::close);

    form.Form_Load();
    form.show();
    return app.exec();
}
