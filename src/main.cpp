// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#include "platform/BackgroundSound.h"
#include "platform/CanberraSound.h"
#include "platform/CommandLine.h"
#include "platform/LockFileInstance.h"
#include "platform/PlatformServices.h"
#include "platform/ProcessRuntime.h"
#include "platform/SystemClock.h"
#include "platform/TerminationSignals.h"
#include "window/QtMessageBox.h"
#include "window/QtScreens.h"
#include "window/formMain.h"

#include <QApplication>

// The settings store: the registry itself on Windows, the per-user file elsewhere.
#ifdef Q_OS_WIN
#include "registry/Win32Registry.h"
using SettingsStore = Win32Registry;
#else
#include "registry/FileRegistry.h"
using SettingsStore = FileRegistry;
#endif

#include <cstdio>
#include <memory>

int main(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const auto outcome = CommandLine::check(arguments, CommandLine::displayInEnvironment());
    if (outcome.action == CommandLine::Action::Exit) {
        std::fputs(outcome.out.toLocal8Bit().constData(), stdout);
        std::fputs(outcome.err.toLocal8Bit().constData(), stderr);
        return outcome.exitCode;
    }

    // Under X11 the toolkit paints into shared memory that the X server hands over as a file
    // descriptor. With none to spare (a low descriptor limit) the kernel drops it, the X library
    // gives up the connection, and the window thread, waiting for that reply, waits for good:
    // nothing paints, and neither a close nor a signal is ever handled. The panel's window is
    // small: its pixels go through the connection itself, and no descriptor has to come back.
    if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM"))
        qputenv("QT_XCB_NO_MITSHM", "1");
    CommandLine::holdMessagesWhileOpeningDisplay();
    QApplication app(argc, argv);
    CommandLine::displayOpened();
    QApplication::setApplicationName(QStringLiteral("varnoke"));
    QApplication::setApplicationVersion(QStringLiteral(VARNOKE_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral(VARNOKE_APP_ID));
    // From here on a termination signal is ours to handle, however early it comes.
    TerminationSignals termination;

    SystemClock clock;
    LockFileInstance instance;
    QtMessageBox messageBox;
    ProcessRuntime runtime;
    SettingsStore registry;
    BackgroundSound sound {std::make_unique<CanberraSound>()};
    QtScreens screens;
    PlatformServices platform {clock, instance, messageBox, runtime, registry, sound, screens};

    formMain form(platform);
    QObject::connect(&termination, &TerminationSignals::requested, &form,
                     &formMain::terminationRequested);

    form.Form_Load();
    // One that came while start-up ran (outside the prompt's own event loop) ends it here,
    // before the window shows.
    termination.deliverPending();
    form.show();
    return app.exec();
}
