// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#include "platform/CommandLine.h"

#include <QTest>

class tst_CommandLine : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void check_data();
    void check();
};

void tst_CommandLine::check_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("hasDisplay");
    QTest::addColumn<bool>("runs");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("outHas");

    QTest::newRow("nothing") << QStringList() << true << true << 0 << QString();
    QTest::newRow("version") << QStringList {"--version"} << false << false << 0 << "varnoke 1.03";
    QTest::newRow("help names the settings file")
        << QStringList {"--help"} << false << false << 0 << "/Yorv/Varnoke.reg";
    QTest::newRow("toolkit option and value")
        << QStringList {"-platform", "xcb"} << true << true << 0 << QString();
    QTest::newRow("toolkit option with =")
        << QStringList {"--platform=xcb", "-nograb"} << true << true << 0 << QString();
    QTest::newRow("display option, two dashes")
        << QStringList {"--display", ":1"} << false << true << 0 << QString();
    // Options that would change the designed window are refused in every spelling.
    for (const char *option :
         {"-qwindowtitle", "--qwindowtitle", "-title", "-geometry", "--geometry",
          "-qwindowgeometry", "-style", "--style", "-stylesheet", "--stylesheet", "-qwindowicon"}) {
        QTest::addRow("refused: %s value", option)
            << QStringList {option, "x"} << true << false << 2 << QString();
        QTest::addRow("refused: %s=value", option)
            << QStringList {QString::fromLatin1(option) + "=x"} << true << false << 2 << QString();
    }
    QTest::newRow("refused: -reverse")
        << QStringList {"-reverse"} << true << false << 2 << QString();
    QTest::newRow("a platform stands in for a display")
        << QStringList {"-platform", "offscreen"} << false << true << 0 << QString();
    QTest::newRow("option missing its value")
        << QStringList {"-display"} << true << false << 2 << QString();
    QTest::newRow("unknown option")
        << QStringList {"--ip", "10.0.0.1"} << true << false << 2 << QString();
    QTest::newRow("bare word") << QStringList {"10.0.0.1"} << true << false << 2 << QString();
    QTest::newRow("flag given a value")
        << QStringList {"-sync=yes"} << true << false << 2 << QString();
    QTest::newRow("bad argument before no display")
        << QStringList {"-x"} << false << false << 2 << QString();
    QTest::newRow("no display") << QStringList() << false << false << 1 << QString();
}

void tst_CommandLine::check()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, hasDisplay);
    QFETCH(bool, runs);
    QFETCH(int, exitCode);
    QFETCH(QString, outHas);
    const auto outcome = CommandLine::check(arguments, hasDisplay);
    QCOMPARE(outcome.action == CommandLine::Action::Run, runs);
    QCOMPARE(outcome.exitCode, exitCode);
    QVERIFY(outcome.out.contains(outHas));
    if (exitCode != 0)
        QCOMPARE(outcome.err.count(u'\n'), 1); // one line, on stderr
}

QTEST_GUILESS_MAIN(tst_CommandLine)
#include "tst_commandline.moc"
