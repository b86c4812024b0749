// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#include "mock/ReceiveDatagrams.h"
#include "platform/UdpEndpoint.h"

#include <QSemaphore>
#include <QSignalSpy>
#include <QTest>
#include <QUdpSocket>

#include <atomic>
#include <memory>

class tst_UdpEndpoint : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void sendsOneDatagramExactly_data();
    void sendsOneDatagramExactly();
    void holdsOneCommandPerSourceWhileLookingUp();
    void failedSendsAreSwallowed_data();
    void failedSendsAreSwallowed();
    void failedNameLosesItsCommandsAndIsAskedAgain();
    void takenLocalPortStillSends();
    void readsAnySizeAndKnowsTheSender();
    void unreadDatagramsAreDropped();
    void burstIsDrained();

private:
    QByteArray receiveOne(int timeoutMs = 2000);

    QUdpSocket m_receiver;
};

void tst_UdpEndpoint::init()
{
    m_receiver.close();
    QVERIFY2(m_receiver.bind(QHostAddress::LocalHost, 0), qPrintable(m_receiver.errorString()));
}

QByteArray tst_UdpEndpoint::receiveOne(int timeoutMs)
{
    // Two or more that came at once show joined, so that none goes unseen.
    const QList<QByteArray> payloads = receiveDatagrams(m_receiver, 1, timeoutMs);
    return payloads.isEmpty() ? QByteArray("<nothing>") : payloads.join(" + ");
}

void tst_UdpEndpoint::sendsOneDatagramExactly_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("unit"); // where the datagram must arrive
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("payload");
    const QString local = QStringLiteral("127.0.0.1");
    QTest::newRow("mode") << local << local << "OR" << QByteArray("OR");
    QTest::newRow("value") << local << local << "FR 150.000000" << QByteArray("FR 150.000000");
    QTest::newRow("empty value") << local << local << "ST " << QByteArray("ST ");
    QTest::newRow("beyond ascii") << local << local << QStringLiteral("MA 5\u00B5")
                                  << QByteArray("MA 5\xB5");
    // Read as octal, 010 would be 8.
    QTest::newRow("leading zeros are decimal") << "127.000.000.010"
                                               << "127.0.0.10"
                                               << "OR" << QByteArray("OR");
    QTest::newRow("spaces around") << " 127.0.0.1 " << local << "OS" << QByteArray("OS");
}

void tst_UdpEndpoint::sendsOneDatagramExactly()
{
    QFETCH(QString, host);
    QFETCH(QString, unit);
    QFETCH(QString, text);
    QFETCH(QByteArray, payload);
    m_receiver.close();
    QVERIFY2(m_receiver.bind(QHostAddress(unit), 0), qPrintable(m_receiver.errorString()));
    UdpEndpoint enet;
    enet.setRemoteHost(host);
    enet.setRemotePort(m_receiver.localPort());
    enet.setLocalPort(0);
    QVERIFY(enet.SendData(text, 0));
    QCOMPARE(receiveOne(), payload);
}

void tst_UdpEndpoint::holdsOneCommandPerSourceWhileLookingUp()
{
    // A name server that answers when the test says so; meanwhile each source's latest is held.
    auto answer = std::make_shared<QSemaphore>();
    UdpEndpoint enet;
    enet.setResolver([answer](const QByteArray &, QString &) {
        answer->acquire();
        return std::optional<UdpEndpoint::Address>(0x7F000001);
    });
    enet.setRemoteHost(QStringLiteral("unit-7.lab"));
    enet.setRemotePort(m_receiver.localPort());
    enet.setLocalPort(0);
    enum { Stop, Run, VcoSet };
    QVERIFY(enet.SendData(QStringLiteral("OS"), Stop));
    for (int i = 0; i < 100; ++i)
        QVERIFY(enet.SendData(QStringLiteral("FR %1").arg(i), VcoSet));
    QVERIFY(enet.SendData(QStringLiteral("OR"), Run));
    QVERIFY(enet.SendData(QStringLiteral("FR 42"), VcoSet));
    QCOMPARE(receiveOne(100), QByteArray("<nothing>"));
    answer->release();
    QCOMPARE(receiveDatagrams(m_receiver, 3), QList<QByteArray>({"OS", "OR", "FR 42"}));
    QCOMPARE(receiveOne(100), QByteArray("<nothing>"));
}

void tst_UdpEndpoint::failedSendsAreSwallowed_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("port");
    QTest::newRow("no host") << QString() << 9;
    QTest::newRow("port 0") << "127.0.0.1" << 0;
    QTest::newRow("port too big") << "127.0.0.1" << 70000;
    // The box could show "127.0.0.1" with a NUL after it; the name must not be cut short there.
    QTest::newRow("NUL in the host")
        << QStringLiteral("127.0.0.1").append(QChar(0)).append(u"9") << 9;
    // Numbers the resolver would turn into some other address: never sent, never looked up.
    QTest::newRow("three parts") << "127.0.1" << 9;
    QTest::newRow("two parts") << "127.1" << 9;
    QTest::newRow("one large number") << "2130706433" << 9;
    QTest::newRow("hexadecimal part") << "0x7f.0.0.1" << 9;
    QTest::newRow("all hexadecimal") << "0x7f000001" << 9;
    QTest::newRow("part over 255") << "127.0.0.256" << 9;
    QTest::newRow("five parts") << "127.0.0.0.1" << 9;
    QTest::newRow("trailing words") << "127.0.0.1 x" << 9;
    // Nothing but what the box shows: no mapping may turn look-alikes into another address.
    QTest::newRow("superscript digit") << QStringLiteral("10.077.\u00B2") << 9;
    QTest::newRow("soft hyphen") << QStringLiteral("127.0.0.1\u00AD") << 9;
}

void tst_UdpEndpoint::failedSendsAreSwallowed()
{
    QFETCH(QString, host);
    QFETCH(int, port);
    UdpEndpoint enet;
    enet.setRemoteHost(host);
    enet.setRemotePort(port);
    enet.setLocalPort(0);
    QVERIFY(!enet.SendData(QStringLiteral("OR"), 0));
    // The next command, aimed right, goes out.
    enet.setRemoteHost(QStringLiteral("127.0.0.1"));
    enet.setRemotePort(m_receiver.localPort());
    QVERIFY(enet.SendData(QStringLiteral("OS"), 0));
    QCOMPARE(receiveOne(), QByteArray("OS"));
}

void tst_UdpEndpoint::failedNameLosesItsCommandsAndIsAskedAgain()
{
    // A name server that knows no such name until it does, played here so that no real one is
    // asked; each answer waits for the test's word.
    struct NameServer
    {
        QSemaphore answer;
        std::atomic<int> asked = 0;
        std::atomic<bool> knows = false;
    };
    auto server = std::make_shared<NameServer>();
    UdpEndpoint enet;
    enet.setResolver([server](const QByteArray &name, QString &error) {
        ++server->asked;
        server->answer.acquire();
        error = QStringLiteral("no such name as %1").arg(QLatin1String(name));
        return server->knows ? std::optional<UdpEndpoint::Address>(0x7F000001) : std::nullopt;
    });
    enet.setRemoteHost(QStringLiteral("no-such-unit.invalid"));
    enet.setRemotePort(m_receiver.localPort());
    enet.setLocalPort(0);
    // One line for the failed look-up, with how many commands it lost.
    QTest::ignoreMessage(QtWarningMsg,
                         "unit name \"no-such-unit.invalid\" not resolved (no such name as "
                         "no-such-unit.invalid): 2 held commands lost");
    QTest::failOnWarning(QRegularExpression(QStringLiteral("not resolved")));
    QVERIFY(enet.SendData(QStringLiteral("OR"), 0));
    QVERIFY(enet.SendData(QStringLiteral("OP"), 1));
    server->answer.release();
    // Once the failure is known, the next Stop asks again; until then it takes Run's place.
    QTRY_VERIFY(enet.SendData(QStringLiteral("OS"), 0) && server->asked == 2);
    server->knows = true; // the name added to the hosts file, say
    server->answer.release();
    QCOMPARE(receiveOne(), QByteArray("OS"));
    QCOMPARE(receiveOne(100), QByteArray("<nothing>"));
}

void tst_UdpEndpoint::takenLocalPortStillSends()
{
    UdpEndpoint enet;
    enet.setRemoteHost(QStringLiteral("127.0.0.1"));
    enet.setRemotePort(m_receiver.localPort());
    QUdpSocket squatter;
    QVERIFY(squatter.bind(QHostAddress::AnyIPv4, 0));
    enet.setLocalPort(squatter.localPort());
    QVERIFY(!enet.isBound());
    QVERIFY(enet.SendData(QStringLiteral("OP"), 0));
    QCOMPARE(receiveOne(), QByteArray("OP"));
}

void tst_UdpEndpoint::readsAnySizeAndKnowsTheSender()
{
    UdpEndpoint enet;
    enet.setLocalPort(0);
    QVERIFY(enet.isBound());
    QString text;
    connect(&enet, &UdpEndpoint::DataArrival, this, [&] { enet.GetData(&text); });
    QSignalSpy arrivals(&enet, &UdpEndpoint::DataArrival);

    for (const qsizetype size : {qsizetype(0), qsizetype(1), qsizetype(65507)}) {
        const QByteArray payload(size, 'x');
        QCOMPARE(m_receiver.writeDatagram(payload, QHostAddress::LocalHost, enet.boundPort()),
                 size);
        QVERIFY(arrivals.wait(2000));
        QCOMPARE(arrivals.takeLast().at(0).toLongLong(), qint64(size));
        QCOMPARE(text.size(), size);
        QVERIFY(enet.lastSenderAddress() == UdpEndpoint::Address(0x7F000001));
    }
}

void tst_UdpEndpoint::unreadDatagramsAreDropped()
{
    UdpEndpoint enet;
    enet.setLocalPort(0);
    QSignalSpy arrivals(&enet, &UdpEndpoint::DataArrival);
    for (int i = 0; i < 3; ++i)
        m_receiver.writeDatagram("hello", QHostAddress::LocalHost, enet.boundPort());
    QTRY_COMPARE(arrivals.size(), 3);
    // What arrives next is read, and it is the next one, not one left over from before.
    QString text;
    connect(&enet, &UdpEndpoint::DataArrival, this, [&] { enet.GetData(&text); });
    m_receiver.writeDatagram("next", QHostAddress::LocalHost, enet.boundPort());
    QVERIFY(arrivals.wait(2000));
    QCOMPARE(text, QStringLiteral("next"));
    QCOMPARE(arrivals.size(), 4);
}

void tst_UdpEndpoint::burstIsDrained()
{
    // What the flood leaves in memory is the flood benchmark's figure; here, only that it is read.
    UdpEndpoint enet;
    enet.setLocalPort(0);
    qint64 arrived = 0;
    connect(&enet, &UdpEndpoint::DataArrival, this, [&] {
        ++arrived;
        enet.GetData();
    });
    const QByteArray payload(1200, 'z');
    for (int batch = 0; batch < 100; ++batch) {
        for (int i = 0; i < 100; ++i)
            m_receiver.writeDatagram(payload, QHostAddress::LocalHost, enet.boundPort());
        QCoreApplication::processEvents();
    }
    QTRY_VERIFY(!enet.GetData()); // everything delivered has been read
    QVERIFY(arrived > 0);
}

QTEST_GUILESS_MAIN(tst_UdpEndpoint)
#include "tst_udpendpoint.moc"
