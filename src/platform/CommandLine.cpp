// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#include "CommandLine.h"

#include <QList>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>

namespace {

// The toolkit's own options that the panel lets through: they choose where the window opens, not
// what it looks like.
const QStringList qtOptionsWithValue = {
    QStringLiteral("platform"),      QStringLiteral("platformpluginpath"),
    QStringLiteral("platformtheme"), QStringLiteral("plugin"),
    QStringLiteral("display"),       QStringLiteral("name"),
    QStringLiteral("session"),       QStringLiteral("qmljsdebugger")};
const QStringList qtFlags = {QStringLiteral("widgetcount"), QStringLiteral("nograb"),
                             QStringLiteral("dograb"), QStringLiteral("sync")};
// The window is the design's: the options that would retitle, move, resize, restyle, re-icon or
// mirror it (-qwindowtitle, -title, -geometry, -qwindowgeometry, -style, -stylesheet,
// -qwindowicon, -reverse) are refused like any unknown argument, so the toolkit never sees them.

QString usage()
{
    return QStringLiteral(
        "Usage: varnoke [--help] [--version]\n"
        "Operator's panel for the unit: every click and edit is sent to it as one UDP\n"
        "datagram to port 37829.\n"
        "\n"
        "Nothing is configured from the command line. The unit's address and the window's\n"
        "place are kept in ${XDG_CONFIG_HOME:-~/.config}/Yorv/Varnoke.reg; delete that file\n"
        "to start afresh. The toolkit's options that pick the display (-platform, -display,\n"
        "...) work as usual; those that would change the window's title, place, size,\n"
        "style or direction are refused.\n");
}

struct HeldMessage
{
    QtMsgType type;
    QByteArray category;
    QString text;
};
QList<HeldMessage> heldMessages;
QtMessageHandler toolkitHandler = nullptr;

void holdBack(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (type != QtFatalMsg) {
        heldMessages.append({type, QByteArray(context.category), text});
        return;
    }
    // The toolkit has given up on the display; its platform plug-in's first word says why.
    QByteArray line = "varnoke: cannot open the display";
    for (const HeldMessage &held : std::as_const(heldMessages)) {
        if (held.category.startsWith("qt.qpa")) {
            line += ": " + held.text.toLocal8Bit();
            break;
        }
    }
    std::fputs((line + '\n').constData(), stderr);
    std::fflush(stderr);
    std::_Exit(1); // nothing has been opened, created or saved yet
}

} // namespace

CommandLine::Outcome CommandLine::check(const QStringList &arguments, bool hasDisplay)
{
    bool platformGiven = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        if (argument == u"--help" || argument == u"-h")
            return {Action::Exit, 0, usage(), {}};
        if (argument == u"--version")
            return {Action::Exit,
                    0,
                    QStringLiteral("varnoke %1\n").arg(QStringLiteral(VARNOKE_VERSION)),
                    {}};
        // The toolkit takes its options with one dash or two, the value after a space or '='.
        QString option = argument;
        if (option.startsWith(u"--"))
            option.remove(0, 1);
        if (option.startsWith(u'-')) {
            const QString name = option.mid(1).section(u'=', 0, 0);
            const bool inlineValue = option.contains(u'=');
            if (qtFlags.contains(name) && !inlineValue)
                continue;
            if (qtOptionsWithValue.contains(name)) {
                if (!inlineValue && ++i >= arguments.size())
                    return {Action::Exit,
                            2,
                            {},
                            QStringLiteral("varnoke: %1 needs a value\n").arg(argument)};
                platformGiven = platformGiven || name == u"platform" || name == u"display";
                continue;
            }
        }
        return {Action::Exit,
                2,
                {},
                QStringLiteral("varnoke: unknown argument '%1' (try --help)\n").arg(argument)};
    }
    if (!hasDisplay && !platformGiven)
        return {Action::Exit,
                1,
                {},
                QStringLiteral("varnoke: no display to open the panel on (DISPLAY and "
                               "WAYLAND_DISPLAY are not set)\n")};
    return {};
}

bool CommandLine::displayInEnvironment()
{
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        if (!qEnvironmentVariableIsEmpty(name))
            return true;
    }
    return false;
}

void CommandLine::holdMessagesWhileOpeningDisplay()
{
    toolkitHandler = qInstallMessageHandler(holdBack);
}

void CommandLine::displayOpened()
{
    qInstallMessageHandler(toolkitHandler);
    for (const HeldMessage &held : std::as_const(heldMessages)) {
        const QMessageLogContext context(
            nullptr, 0, nullptr, held.category.isEmpty() ? nullptr : held.category.constData());
        toolkitHandler(held.type, context, held.text);
    }
    heldMessages.clear();
}
