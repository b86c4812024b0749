// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#include "mock/FormFixture.h"
#include "platform/UdpEndpoint.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QUdpSocket>

using namespace std::chrono_literals;

// The heartbeat as the window runs it: the unit's datagrams are its signs of life, nobody
// else's are, and the IP box shows the verdict.
class tst_LinkWatch : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void silentUnitIsMarkedAfterTheGrace();
    void unitsDatagramClearsTheMark();
    void anotherHostCannotHideADeadUnit();

private:
    QLineEdit *ipBox() const { return m_panel->find<QLineEdit>("txtIP"); }
    QColor ipColour() const { return ipBox()->palette().color(QPalette::Base); }
    // One heartbeat, as the timer itself raises it: what runs is what its timeout is wired to.
    void tick(std::chrono::milliseconds later)
    {
        m_panel->platform.clock.advance(later);
        QVERIFY(QMetaObject::invokeMethod(m_panel->find<QTimer>("tmrHB"), "timeout"));
    }
    void sendFrom(const QHostAddress &from);

    std::unique_ptr<FormFixture> m_panel;
    UdpEndpoint *m_enet = nullptr;
};

void tst_LinkWatch::init()
{
    m_panel = std::make_unique<FormFixture>();
    m_panel->platform.registry.setString("IP Address", "127.0.0.1");
    m_panel->form.Form_Load();
    // Listen on a free port rather than the panel's own, but stay aimed at the unit's address.
    m_enet = m_panel->find<UdpEndpoint>("Enet");
    m_enet->setLocalPort(0);
    QVERIFY(m_enet->isBound());
}

void tst_LinkWatch::cleanup()
{
    m_panel.reset();
}

void tst_LinkWatch::sendFrom(const QHostAddress &from)
{
    QUdpSocket sender;
    QVERIFY2(sender.bind(from, 0), qPrintable(sender.errorString()));
    QSignalSpy arrivals(m_enet, &UdpEndpoint::DataArrival);
    sender.writeDatagram("alive", QHostAddress::LocalHost, m_enet->boundPort());
    QVERIFY(arrivals.wait(2000));
}

void tst_LinkWatch::silentUnitIsMarkedAfterTheGrace()
{
    tick(1s);
    tick(4500ms); // 5.5 s since the heartbeat started: not yet
    QCOMPARE(ipColour(), QColor(255, 192, 192));
    tick(1ms);
    QCOMPARE(ipColour(), QColor(255, 208, 208));
    QCOMPARE(m_panel->platform.journal.filter(QStringLiteral("play")),
             QStringList {"play /opt/panel/ConnectionLost.wav"});
    // Told in words too, from the time the watch began (the fake clock's noon).
    QCOMPARE(ipBox()->accessibleDescription(),
             QStringLiteral("Link lost: nothing heard from the unit since 12:00:00"));
    QCOMPARE(ipBox()->toolTip(), QStringLiteral("The unit's IP address"));
}

void tst_LinkWatch::unitsDatagramClearsTheMark()
{
    tick(6s);
    QCOMPARE(ipColour(), QColor(255, 208, 208));
    sendFrom(QHostAddress(QStringLiteral("127.0.0.1")));
    QCOMPARE(ipColour(), QColor(255, 192, 192));
    QCOMPARE(ipBox()->accessibleDescription(), QString());
    // Heard at 12:00:07, then silent again: the words give the last time heard.
    m_panel->platform.clock.seconds += 7;
    sendFrom(QHostAddress(QStringLiteral("127.0.0.1")));
    tick(6s);
    QCOMPARE(ipBox()->accessibleDescription(),
             QStringLiteral("Link lost: nothing heard from the unit since 12:00:07"));
    sendFrom(QHostAddress(QStringLiteral("127.0.0.1")));
    QCOMPARE(m_panel->platform.journal.filter(QStringLiteral("play")).last(),
             QStringLiteral("play /opt/panel/ConnectedNow.wav"));
    tick(5s);
    QCOMPARE(ipColour(), QColor(255, 192, 192));
}

void tst_LinkWatch::anotherHostCannotHideADeadUnit()
{
    tick(3s);
    sendFrom(QHostAddress(QStringLiteral("127.0.0.2")));
    tick(2600ms);
    QCOMPARE(ipColour(), QColor(255, 208, 208));
    sendFrom(QHostAddress(QStringLiteral("127.0.0.2")));
    QCOMPARE(ipColour(), QColor(255, 208, 208));
}

QTEST_MAIN(tst_LinkWatch)
#include "tst_linkwatch.moc"
