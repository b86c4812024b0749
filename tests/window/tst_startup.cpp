// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#include "mock/FormFixture.h"
#include "platform/UdpEndpoint.h"

#include <QLineEdit>
#include <QTest>
#include <QTimer>

// Start-up, shut-down and the saved settings, with the world outside replaced.
class tst_StartUp : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { m_panel = std::make_unique<FormFixture>(); }
    void cleanup() { m_panel.reset(); }
    void startUpRunsInOrder();
    void savedAddress_data();
    void savedAddress();
    void valueOfAnotherTypeReusesThePreviousText();
    void placement_data();
    void placement();
    void noScreenHoldsAPlace();
    void secondPanelCancelTouchesNothing();
    void secondPanelOkGoesOn();
    void unloadWritesPlacementInOrderThenEnds();
    void placementReadsBackToTheSameNumbers();
    void minimisedOrMaximisedSavesTheNormalPlace();
    void editingTheAddressSavesEveryKeystrokeButKeepsTheAim();
    void terminateSavesOnlyWhenNotUnloaded();
    void terminationSignal_data();
    void terminationSignal();

private:
    QLineEdit *ipBox() const { return m_panel->find<QLineEdit>("txtIP"); }
    UdpEndpoint *enet() const { return m_panel->find<UdpEndpoint>("Enet"); }
    QTimer *tmrHB() const { return m_panel->find<QTimer>("tmrHB"); }
    QStringList journalFrom(qsizetype start) const { return m_panel->platform.journal.mid(start); }

    std::unique_ptr<FormFixture> m_panel;
};

void tst_StartUp::startUpRunsInOrder()
{
    FakePlatform &platform = m_panel->platform;
    platform.registry.setString("IP Address", "127.0.0.1");
    // Before each read: where the link is aimed, and whether the heartbeat runs.
    platform.registry.beforeRead = [this, &platform] {
        platform.journal << QStringLiteral("link %1:%2 from %3, heartbeat %4")
                                .arg(enet()->remoteHost())
                                .arg(enet()->remotePort())
                                .arg(enet()->localPort())
                                .arg(tmrHB()->isActive() ? "on" : "off");
    };
    m_panel->form.Form_Load();
    const QString aimed = QStringLiteral("link 127.0.0.1:37829 from 37829, heartbeat off");
    QCOMPARE(platform.journal,
             QStringList({"PrevInstance", "claim", "create /opt/panel/ConnectedNow.wav",
                          "create /opt/panel/ConnectionLost.wav", "link :0 from 0, heartbeat off",
                          "read IP Address", "write IP Address=127.0.0.1", aimed, "read Left",
                          aimed, "read Top", aimed, "read Window state"}));
    QVERIFY(tmrHB()->isActive());
    QCOMPARE(tmrHB()->interval(), 1000);
    QVERIFY(!platform.runtime.ended);
}

void tst_StartUp::savedAddress_data()
{
    QTest::addColumn<QByteArray>("saved");
    QTest::addColumn<QString>("shown");
    const QString design = QStringLiteral("192.168.1.158"); // the design address, never sent to
    QTest::newRow("7 characters ignored") << QByteArray("1.2.3.4") << design;
    QTest::newRow("8 characters taken") << QByteArray("10.0.0.1") << "10.0.0.1";
    QTest::newRow("spaces trimmed") << QByteArray("  127.0.0.1  ") << "127.0.0.1";
    QTest::newRow("15 characters taken") << QByteArray("127.100.100.100") << "127.100.100.100";
    QTest::newRow("16 characters ignored") << QByteArray("127.100.100.1000") << design;
    QTest::newRow("any text of 8 to 15 taken") << QByteArray("not an ip") << "not an ip";
    QTest::newRow("only spaces ignored") << QByteArray("          ") << design;
}

void tst_StartUp::savedAddress()
{
    QFETCH(QByteArray, saved);
    QFETCH(QString, shown);
    m_panel->platform.registry.setString("IP Address", saved);
    m_panel->form.Form_Load();
    QCOMPARE(ipBox()->text(), shown);
    QCOMPARE(enet()->remoteHost(), shown);
    // A taken address is saved back as shown; an ignored one is left as it was.
    const QByteArray expected = shown == QLatin1String(saved.trimmed()) ? shown.toLatin1() : saved;
    QCOMPARE(m_panel->platform.registry.string("IP Address"), expected);
}

void tst_StartUp::valueOfAnotherTypeReusesThePreviousText()
{
    m_panel->platform.registry.setString("IP Address", "127.0.0.1");
    // "Left" holds binary data: its read succeeds and leaves the address text in place, whose
    // leading number is 127 twips.
    m_panel->platform.registry.setValue("Left", Registry::TypeBinary, QByteArray("\x01\x02", 2));
    m_panel->platform.registry.setString("Top", "300");
    m_panel->form.Form_Load();
    QCOMPARE(m_panel->form.pos(), QPoint(8, 20));
}

void tst_StartUp::placement_data()
{
    QTest::addColumn<QByteArray>("left");
    QTest::addColumn<QByteArray>("top");
    QTest::addColumn<QByteArray>("state");
    QTest::addColumn<QPoint>("position");
    QTest::addColumn<int>("windowState");
    QTest::newRow("two inches, one inch")
        << QByteArray("2880") << QByteArray("1440") << QByteArray("0") << QPoint(192, 96)
        << int(Qt::WindowNoState);
    QTest::newRow("letters are 0") << QByteArray("abc") << QByteArray("12x") << QByteArray("0")
                                   << QPoint(0, 1) << int(Qt::WindowNoState);
    QTest::newRow("minimised") << QByteArray("150") << QByteArray("150") << QByteArray("1")
                               << QPoint(10, 10) << int(Qt::WindowMinimized);
    QTest::newRow("maximised") << QByteArray("150") << QByteArray("150") << QByteArray("2")
                               << QPoint(10, 10) << int(Qt::WindowMaximized);
    QTest::newRow("state in letters ignored")
        << QByteArray("150") << QByteArray("150") << QByteArray("big") << QPoint(10, 10)
        << int(Qt::WindowNoState);
    QTest::newRow("state out of range ignored")
        << QByteArray("150") << QByteArray("150") << QByteArray("7") << QPoint(10, 10)
        << int(Qt::WindowNoState);

    // A place counts as on a screen when a 32-pixel strip of the window's top, at least 64 pixels
    // of it wide, lies inside the screen's available area; otherwise it is centred on the primary.
    const QRect screen = FakePlatform::FakeScreens().areas.first();
    const QSize size(335, 181);
    QRect centred(QPoint(), size);
    centred.moveCenter(screen.center());
    auto twips = [](int pixels) {
        return QByteArray::number(pixels * 15);
    };
    auto row = [&](const char *name, int x, int y, bool kept) {
        QTest::newRow(name) << twips(x) << twips(y) << QByteArray("0")
                            << (kept ? QPoint(x, y) : centred.topLeft()) << int(Qt::WindowNoState);
    };
    row("title bar just inside the bottom", 10, screen.bottom() + 1 - 32, true);
    row("title bar cut by the bottom", 10, screen.bottom() + 1 - 31, false);
    row("title bar above the top", 10, screen.top() - 1, false);
    row("64 pixels showing on the left", screen.left() - (size.width() - 64), 10, true);
    row("63 pixels showing on the left", screen.left() - (size.width() - 63), 10, false);
    row("64 pixels showing on the right", screen.right() + 1 - 64, 10, true);
    row("63 pixels showing on the right", screen.right() + 1 - 63, 10, false);
    for (const char *far : {"3E+38", "-1E+38", "9999999"}) {
        QTest::addRow("%s twips", far) << QByteArray(far) << QByteArray("150") << QByteArray("0")
                                       << centred.topLeft() << int(Qt::WindowNoState);
    }
}

void tst_StartUp::placement()
{
    QFETCH(QByteArray, left);
    QFETCH(QByteArray, top);
    QFETCH(QByteArray, state);
    QFETCH(QPoint, position);
    QFETCH(int, windowState);
    m_panel->platform.registry.setString("IP Address", "127.0.0.1");
    m_panel->platform.registry.setString("Left", left);
    m_panel->platform.registry.setString("Top", top);
    m_panel->platform.registry.setString("Window state", state);
    m_panel->form.Form_Load();
    QCOMPARE(m_panel->form.pos(), position);
    QCOMPARE(int(m_panel->form.windowState()), windowState);
}

void tst_StartUp::noScreenHoldsAPlace()
{
    // Every output off (a KVM switched away): the toolkit reports a screen of 0x0.
    m_panel->platform.screens.areas = {QRect(0, 0, 0, 0)};
    m_panel->platform.registry.setString("Left", "1500");
    m_panel->platform.registry.setString("Top", "1500");
    m_panel->form.Form_Load();
    QCOMPARE(m_panel->form.pos(), QPoint(0, 0)); // where the system puts it, as at a first start
    QVERIFY(!m_panel->form.testAttribute(Qt::WA_Moved));
    const qsizetype start = m_panel->platform.journal.size();
    QVERIFY(m_panel->form.close());
    QCOMPARE(journalFrom(start), QStringList({"release", "write Window state=0", "End"}));
    // A second screen that shows something takes the place, in its middle.
    const QRect second(1024, 0, 1280, 1024);
    m_panel->platform.screens.areas.append(second);
    m_panel->form.Form_Load();
    QCOMPARE(m_panel->form.geometry().center(), second.center());
}

void tst_StartUp::secondPanelCancelTouchesNothing()
{
    m_panel->platform.instance.running = true;
    m_panel->platform.messageBox.answer = MessageBox::vbCancel;
    m_panel->form.Form_Load();
    QCOMPARE(
        m_panel->platform.journal,
        QStringList({"PrevInstance",
                     "MsgBox Already a GUI running!\r\nRun this instance too?|Glimra", "End"}));
    QVERIFY(!m_panel->platform.registry.keyExists());
    QVERIFY(!tmrHB()->isActive());
}

void tst_StartUp::secondPanelOkGoesOn()
{
    m_panel->platform.instance.running = true;
    m_panel->platform.registry.setString("IP Address", "127.0.0.1");
    m_panel->form.Form_Load();
    QCOMPARE(
        m_panel->platform.journal.mid(0, 3),
        QStringList({"PrevInstance",
                     "MsgBox Already a GUI running!\r\nRun this instance too?|Glimra", "claim"}));
    QVERIFY(tmrHB()->isActive());
}

void tst_StartUp::unloadWritesPlacementInOrderThenEnds()
{
    m_panel->form.move(192, 96);
    const qsizetype start = m_panel->platform.journal.size();
    QVERIFY(m_panel->form.close());
    QCOMPARE(journalFrom(start),
             QStringList(
                 {"release", "write Left=2880", "write Top=1440", "write Window state=0", "End"}));
}

void tst_StartUp::placementReadsBackToTheSameNumbers()
{
    for (const QPoint place : {QPoint(0, 0), QPoint(-270, 17), QPoint(555, 444)}) {
        m_panel->form.move(place);
        qint16 cancel = 0;
        m_panel->form.Form_Unload(cancel);
        const QByteArray left = m_panel->platform.registry.string("Left");
        const QByteArray top = m_panel->platform.registry.string("Top");
        m_panel->form.move(5, 5);
        m_panel->form.Form_Load();
        QCOMPARE(m_panel->form.pos(), place);
        m_panel->form.Form_Unload(cancel);
        QCOMPARE(m_panel->platform.registry.string("Left"), left);
        QCOMPARE(m_panel->platform.registry.string("Top"), top);
    }
}

void tst_StartUp::minimisedOrMaximisedSavesTheNormalPlace()
{
    m_panel->form.move(150, 90);
    m_panel->form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&m_panel->form));
    for (const Qt::WindowState state : {Qt::WindowMinimized, Qt::WindowMaximized}) {
        m_panel->form.setWindowState(state);
        QCoreApplication::processEvents();
        qint16 cancel = 0;
        m_panel->form.Form_Unload(cancel);
        QCOMPARE(m_panel->platform.registry.string("Left"), QByteArray("2250"));
        QCOMPARE(m_panel->platform.registry.string("Top"), QByteArray("1350"));
        m_panel->form.setWindowState(Qt::WindowNoState);
        QCoreApplication::processEvents();
    }
    QCOMPARE(m_panel->platform.registry.string("Window state"), QByteArray("2"));
}

void tst_StartUp::editingTheAddressSavesEveryKeystrokeButKeepsTheAim()
{
    m_panel->platform.registry.setString("IP Address", "127.0.0.1");
    m_panel->form.Form_Load();
    ipBox()->clear();
    QTest::keyClicks(ipBox(), QStringLiteral(" 127.0.0.2"));
    QStringList writes = m_panel->platform.journal.filter(QStringLiteral("write IP Address="));
    QCOMPARE(writes.size(), 1 + 1 + 10); // start-up, clearing, then one per keystroke
    QCOMPARE(writes.last(), QStringLiteral("write IP Address= 127.0.0.2")); // untrimmed
    QCOMPARE(enet()->remoteHost(), QStringLiteral("127.0.0.1"));
}

void tst_StartUp::terminateSavesOnlyWhenNotUnloaded()
{
    m_panel->form.Form_Terminate();
    QCOMPARE(m_panel->platform.journal.filter(QStringLiteral("write")).size(), 3);
    QCOMPARE(m_panel->platform.journal.filter(QStringLiteral("release")).size(), 1);
    m_panel->form.Form_Terminate();
    QCOMPARE(m_panel->platform.journal.filter(QStringLiteral("write")).size(), 3);
}

void tst_StartUp::terminationSignal_data()
{
    QTest::addColumn<bool>("loaded");
    QTest::addColumn<bool>("shown");
    QTest::addColumn<QStringList>("then");
    const QStringList asCancel {"End"};
    QTest::newRow("before start-up") << false << false << asCancel;
    QTest::newRow("started, window not yet shown") << true << false << asCancel;
    QTest::newRow("running") << true << true
                             << QStringList({"release", "write Left=150", "write Top=150",
                                             "write Window state=0", "End"});
}

void tst_StartUp::terminationSignal()
{
    QFETCH(bool, loaded);
    QFETCH(bool, shown);
    QFETCH(QStringList, then);
    m_panel->platform.registry.setString("IP Address", "127.0.0.1");
    m_panel->platform.registry.setString("Left", "150");
    m_panel->platform.registry.setString("Top", "150");
    if (loaded)
        m_panel->form.Form_Load();
    if (shown) {
        m_panel->form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&m_panel->form));
    }
    const qsizetype start = m_panel->platform.journal.size();
    m_panel->form.terminationRequested();
    QCOMPARE(journalFrom(start), then);
}

QTEST_MAIN(tst_StartUp)
#include "tst_startup.moc"
