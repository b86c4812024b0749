// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#include "link/LinkIndicator.h"
#include "link/Watchdog.h"
#include "mock/FakeClock.h"
#include "platform/Sound.h"

#include <QTest>

#include <chrono>
#include <optional>

using namespace std::chrono_literals;
using Nanoseconds = std::chrono::nanoseconds;
Q_DECLARE_METATYPE(Nanoseconds)

namespace {

struct Played
{
    QString file;
    Sound::Event event;
};

class RecordingSound final : public Sound
{
public:
    void play(const QString &file, Event event) override { played.append({file, event}); }
    QList<Played> played;
};

class FakeIndicator final : public LinkIndicator
{
public:
    quint32 colour() const override { return m_colour; }
    void setColour(quint32 bgr) override { m_colour = bgr; }

private:
    quint32 m_colour = Watchdog::linkColour;
};

const QString folder = QStringLiteral("/opt/varnoke");

} // namespace

class tst_Watchdog : public QObject
{
    Q_OBJECT

private:
    FakeClock m_clock;
    RecordingSound m_sound;
    FakeIndicator m_indicator;
    std::optional<Watchdog> m_watchdog;

    // Ticks once a second while `silence` passes, and once more at its very end.
    void tickThrough(Nanoseconds silence)
    {
        const Nanoseconds step = 1s;
        Nanoseconds done {0};
        while (done + step < silence) {
            m_clock.advance(step);
            done += step;
            m_watchdog->tick();
        }
        m_clock.advance(silence - done);
        m_watchdog->tick();
    }
    bool marked() const { return m_indicator.colour() == Watchdog::lostColour; }
    void verifyLostSound(int index)
    {
        QVERIFY(index < m_sound.played.size());
        QCOMPARE(m_sound.played.at(index).file, folder + QStringLiteral("/ConnectionLost.wav"));
        QCOMPARE(m_sound.played.at(index).event, Sound::Event::ConnectionLost);
    }

private Q_SLOTS:
    void init()
    {
        m_clock = FakeClock();
        m_sound.played.clear();
        m_indicator.setColour(Watchdog::linkColour);
        m_watchdog.emplace(m_clock, m_sound, m_indicator, folder);
    }

    void graceIsStrict_data()
    {
        QTest::addColumn<bool>("heardFirst");
        QTest::addColumn<Nanoseconds>("silence");
        QTest::addColumn<bool>("marks");

        for (const bool heard : {false, true}) {
            const char *since = heard ? "since last heard" : "since start";
            QTest::addRow("1 s %s", since) << heard << Nanoseconds(1s) << false;
            QTest::addRow("5.5 s exactly %s", since) << heard << Nanoseconds(5500ms) << false;
            QTest::addRow("5.5 s + 1 ns %s", since) << heard << Nanoseconds(5500ms) + 1ns << true;
            QTest::addRow("6 s %s", since) << heard << Nanoseconds(6s) << true;
            QTest::addRow("a day of quiet ticks %s", since) << heard << Nanoseconds(24h) << true;
        }
    }
    void graceIsStrict()
    {
        QFETCH(bool, heardFirst);
        QFETCH(Nanoseconds, silence);
        QFETCH(bool, marks);

        m_watchdog->start();
        if (heardFirst) {
            m_clock.advance(3s);
            m_watchdog->signOfLife();
        }
        tickThrough(silence);

        QCOMPARE(marked(), marks);
        QCOMPARE(m_sound.played.size(), marks ? 1 : 0);
        if (marks)
            verifyLostSound(0);
    }

    void tickBeforeStartDoesNothing()
    {
        m_watchdog->signOfLife();
        m_clock.advance(1h);
        m_watchdog->tick();
        QVERIFY(!marked());
        QVERIFY(m_sound.played.isEmpty());

        // The grace then counts from start, not from whenever the watchdog was made.
        m_watchdog->start();
        tickThrough(5500ms);
        QVERIFY(!marked());
        tickThrough(1ms);
        QVERIFY(marked());
    }

    void colourChangedWhileOverdue_data()
    {
        QTest::addColumn<quint32>("otherColour");
        QTest::addColumn<int>("sounds");

        QTest::newRow("design colour") << Watchdog::linkColour << 2;
        QTest::newRow("white") << quint32(0x00FFFFFF) << 2;
        QTest::newRow("black") << quint32(0) << 2;
        QTest::newRow("lost colour again") << Watchdog::lostColour << 1;
    }
    void colourChangedWhileOverdue()
    {
        QFETCH(quint32, otherColour);
        QFETCH(int, sounds);

        m_watchdog->start();
        tickThrough(6s);
        m_indicator.setColour(otherColour);
        m_clock.advance(1s);
        m_watchdog->tick();
        m_clock.advance(1s);
        m_watchdog->tick();

        QVERIFY(marked());
        QCOMPARE(m_sound.played.size(), sounds);
        verifyLostSound(sounds - 1);
    }

    void talkingUnitIsNeverMarked_data()
    {
        QTest::addColumn<Nanoseconds>("interval");

        QTest::newRow("every 0.5 s") << Nanoseconds(500ms);
        QTest::newRow("every 5 s") << Nanoseconds(5s);
        QTest::newRow("every 5.5 s") << Nanoseconds(5500ms);
    }
    void talkingUnitIsNeverMarked()
    {
        QFETCH(Nanoseconds, interval);

        m_watchdog->start();
        for (int i = 0; i < 100; ++i) {
            tickThrough(interval);
            m_watchdog->signOfLife();
        }
        QVERIFY(!marked());
        QVERIFY(m_sound.played.isEmpty());
    }

    void signOfLifeClearsMark()
    {
        m_watchdog->start();
        tickThrough(6s);
        QVERIFY(marked());

        m_clock.advance(300ms);
        m_watchdog->signOfLife();
        QCOMPARE(m_indicator.colour(), Watchdog::linkColour);
        QCOMPARE(m_sound.played.size(), 2);
        QCOMPARE(m_sound.played.at(1).file, folder + QStringLiteral("/ConnectedNow.wav"));
        QCOMPARE(m_sound.played.at(1).event, Sound::Event::ConnectionRestored);

        // Further datagrams are quiet, and the grace starts again from the last of them.
        m_watchdog->signOfLife();
        tickThrough(5500ms);
        QVERIFY(!marked());
        QCOMPARE(m_sound.played.size(), 2);
        tickThrough(1ms);
        QVERIFY(marked());
        QCOMPARE(m_sound.played.size(), 3);
        verifyLostSound(2);
    }
};

QTEST_GUILESS_MAIN(tst_Watchdog)
#include "tst_watchdog.moc"
