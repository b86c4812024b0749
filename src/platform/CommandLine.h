// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringList>

// Nothing is configured from the command line: it only answers --version and --help, lets the
// toolkit's own options through, and refuses the rest before any window opens.
class CommandLine
{
public:
    enum class Action { Run, Exit };

    struct Outcome
    {
        Action action = Action::Run;
        int exitCode = 0;
        QString out; // for stdout
        QString err; // for stderr
    };

    // arguments: argv without the program name. hasDisplay: whether any display is named in the
    // environment (DISPLAY, WAYLAND_DISPLAY or QT_QPA_PLATFORM).
    static Outcome check(const QStringList &arguments, bool hasDisplay);

    // Reads the environment for check().
    static bool displayInEnvironment();

    // Around opening the display, which the toolkit does while the application object is made:
    // its messages are held back meanwhile, and should it give up (a DISPLAY whose server has
    // gone, a compositor that stopped) the panel says so in one line and exits with status 1,
    // as with no display at all, instead of the toolkit's page of advice and an abort. Once the
    // display is open, what was held back is said after all.
    static void holdMessagesWhileOpeningDisplay();
    static void displayOpened();
};
