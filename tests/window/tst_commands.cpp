// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#include "mock/FormFixture.h"
#include "mock/ReceiveDatagrams.h"
#include "platform/UdpEndpoint.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QUdpSocket>

// What reaches a unit on loopback when the operator clicks and types.
class tst_Commands : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void modeClickSendsItsTwoLetters_data();
    void modeClickSendsItsTwoLetters();
    void arrowKeysChooseAndSendEachModeTheyPass();
    void everyKeystrokeSendsTheWholeBox();
    void valueText_data();
    void valueText();
    void textNotTypedSendsAsItIs();
    void noCommandIsLongerThan13Bytes();
    void startUpSendsNothing();
    void arrivingDatagramChangesNoControl();
    void failedSendsLeaveTheWindowWorking_data();
    void failedSendsLeaveTheWindowWorking();

private:
    QList<QByteArray> received(int atLeast = 1) { return receiveDatagrams(m_unit, atLeast); }
    QList<QByteArray> nothingMore() { return receiveDatagrams(m_unit, 1, 100); }

    QUdpSocket m_unit;
    std::unique_ptr<FormFixture> m_panel;
    UdpEndpoint *m_enet = nullptr;
};

void tst_Commands::init()
{
    QVERIFY2(m_unit.bind(QHostAddress::LocalHost, 0), qPrintable(m_unit.errorString()));
    m_panel = std::make_unique<FormFixture>();
    m_enet = m_panel->find<UdpEndpoint>("Enet");
    // No name server is ever asked: every name is unknown here.
    m_enet->setResolver([](const QByteArray &, QString &error) {
        error = QStringLiteral("unknown");
        return std::optional<UdpEndpoint::Address>();
    });
    m_enet->setRemoteHost(QStringLiteral("127.0.0.1"));
    m_enet->setRemotePort(m_unit.localPort());
    m_enet->setLocalPort(0);
    m_panel->form.show();
    QVERIFY(QTest::qWaitForWindowActive(&m_panel->form));
}

void tst_Commands::cleanup()
{
    m_panel.reset();
    m_unit.close();
}

void tst_Commands::modeClickSendsItsTwoLetters_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QByteArray>("command");
    QTest::newRow("Run") << "OptRun" << QByteArray("OR");
    QTest::newRow("Manual") << "optManual" << QByteArray("OM");
    QTest::newRow("Stop") << "optStop" << QByteArray("OS");
    QTest::newRow("Pulse") << "optPulse" << QByteArray("OP");
}

void tst_Commands::modeClickSendsItsTwoLetters()
{
    QFETCH(QString, button);
    QFETCH(QByteArray, command);
    QTest::mouseClick(m_panel->form.findChild<QRadioButton *>(button), Qt::LeftButton);
    QCOMPARE(received(), QList<QByteArray> {command});
    QVERIFY(nothingMore().isEmpty());
}

void tst_Commands::arrowKeysChooseAndSendEachModeTheyPass()
{
    // With no mode chosen an arrow key only moves the focus; once one is, it moves and chooses,
    // and the buttons being one exclusive group, only the last stays chosen.
    QTest::keyClick(m_panel->find<QRadioButton>("OptRun"), Qt::Key_Down);
    QCOMPARE(nothingMore().join('|'), QByteArray());
    QTest::mouseClick(m_panel->find<QRadioButton>("OptRun"), Qt::LeftButton);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    QCOMPARE(received(3).join(' '), QByteArray("OR OM OS"));
    QStringList chosen;
    for (const QRadioButton *mode : m_panel->form.findChildren<QRadioButton *>())
        if (mode->isChecked())
            chosen << mode->objectName();
    QCOMPARE(chosen, QStringList {"optStop"});
}

void tst_Commands::everyKeystrokeSendsTheWholeBox()
{
    auto *box = m_panel->find<QLineEdit>("txtFreq");
    box->setFocus();
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Backspace);
    QTest::keyClicks(box, QStringLiteral("12"));
    QCOMPARE(received(3), QList<QByteArray>({"FR ", "FR 1", "FR 12"}));
    QVERIFY(nothingMore().isEmpty());
}

void tst_Commands::valueText_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QByteArray>("last");
    QTest::newRow("spaces around are dropped") << "txtManual"
                                               << " 1.5 " << QByteArray("MA 1.5");
    QTest::newRow("spaces inside stay") << "txtStop"
                                        << "1 5" << QByteArray("ST 1 5");
    QTest::newRow("letters go as typed") << "txtFreq"
                                         << "abc" << QByteArray("FR abc");
    QTest::newRow("only spaces: the prefix") << "txtVcoCtrl"
                                             << "   " << QByteArray("FC ");
}

void tst_Commands::valueText()
{
    QFETCH(QString, box);
    QFETCH(QString, typed);
    QFETCH(QByteArray, last);
    auto *edit = m_panel->form.findChild<QLineEdit *>(box);
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, typed);
    const QList<QByteArray> payloads = received(typed.size() + 1);
    QCOMPARE(payloads.size(), typed.size() + 1); // one datagram per keystroke
    QCOMPARE(payloads.last(), last);
}

void tst_Commands::textNotTypedSendsAsItIs()
{
    m_panel->find<QLineEdit>("txtVcoCtrl")->setText(QStringLiteral("100"));
    QCOMPARE(received(), QList<QByteArray> {"FC 100"});
    // Pasted from a document: only the spaces at either end go, the tabs stay.
    auto *box = m_panel->find<QLineEdit>("txtFreq");
    QGuiApplication::clipboard()->setText(QStringLiteral(" \t1.5\t "));
    box->selectAll();
    box->paste();
    QCOMPARE(received(), QList<QByteArray> {"FR \t1.5\t"});
}

void tst_Commands::noCommandIsLongerThan13Bytes()
{
    int longest = 0;
    for (const char *name : {"txtManual", "txtStop", "txtFreq", "txtVcoCtrl"}) {
        auto *box = m_panel->find<QLineEdit>(name);
        box->setFocus();
        box->selectAll();
        // The first keystroke replaces the selection; each one up to the limit sends once, and
        // none after it changes the text.
        QTest::keyClicks(box, QStringLiteral("WWWWWWWWWWWWWWWWWWWW"));
        const QList<QByteArray> payloads = received(box->maxLength());
        QCOMPARE(payloads.size(), box->maxLength());
        for (const QByteArray &payload : payloads)
            longest = qMax(longest, int(payload.size()));
    }
    QVERIFY(nothingMore().isEmpty());
    QCOMPARE(longest, 13);
}

void tst_Commands::startUpSendsNothing()
{
    // Start-up aimed at this test's unit: the saved loopback address and the unit's port.
    m_panel->platform.registry.setString("IP Address", "127.0.0.1");
    m_panel->find<QLineEdit>("txtPort")->setText(QString::number(m_unit.localPort()));
    m_panel->form.Form_Load();
    QCOMPARE(m_enet->remotePort(), int(m_unit.localPort()));
    QCOMPARE(nothingMore().join('|'), QByteArray());
}

void tst_Commands::arrivingDatagramChangesNoControl()
{
    auto snapshot = [this] {
        QStringList state;
        for (const QLineEdit *box : m_panel->form.findChildren<QLineEdit *>())
            state << box->text() << box->palette().color(QPalette::Base).name();
        for (const QRadioButton *mode : m_panel->form.findChildren<QRadioButton *>())
            state << QString::number(mode->isChecked());
        return state;
    };
    const QStringList before = snapshot();
    QSignalSpy arrivals(m_enet, &UdpEndpoint::DataArrival);
    m_unit.writeDatagram("OR 1.5 some reply", QHostAddress::LocalHost, m_enet->boundPort());
    QVERIFY(arrivals.wait(2000));
    QCOMPARE(snapshot(), before);
    QVERIFY(nothingMore().isEmpty()); // nothing is answered
}

void tst_Commands::failedSendsLeaveTheWindowWorking_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("port");
    QTest::newRow("port 0") << "127.0.0.1" << 0;
    QTest::newRow("no address") << "" << 37829;
    QTest::newRow("unresolvable name") << "unit.invalid" << 37829;
    QTest::newRow("unreachable") << "127.0.0.1" << 9; // nobody listens: ICMP comes back
}

void tst_Commands::failedSendsLeaveTheWindowWorking()
{
    QFETCH(QString, host);
    QFETCH(int, port);
    m_enet->setRemoteHost(host);
    m_enet->setRemotePort(port);
    auto *box = m_panel->find<QLineEdit>("txtStop");
    box->clear();
    for (int i = 0; i < 3; ++i) {
        box->setFocus();
        box->end(false);
        QTest::keyClicks(box, QStringLiteral("7"));
        QTest::mouseClick(m_panel->find<QRadioButton>("optPulse"), Qt::LeftButton);
    }
    QCOMPARE(box->text(), QStringLiteral("777"));
    QVERIFY(m_panel->form.isVisible());
    QVERIFY(nothingMore().isEmpty());
}

QTEST_MAIN(tst_Commands)
#include "tst_commands.moc"
