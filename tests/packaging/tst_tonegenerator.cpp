// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT

// The build-time tone generator: both sounds must be WAV files that the sound library reads, short,
// clearly audible, free of clicks, and falling or rising as their names promise.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <canberra.h>

#include <cstdlib>
#include <memory>

namespace {

int runGenerator(const QStringList &arguments)
{
    QProcess generator;
    generator.start(QStringLiteral(VARNOKE_TONE_GENERATOR), arguments);
    if (!generator.waitForFinished(30000) || generator.exitStatus() != QProcess::NormalExit)
        return -1;
    return generator.exitCode();
}

quint16 u16(const QByteArray &bytes, qsizetype at)
{
    return qFromLittleEndian<quint16>(bytes.constData() + at);
}

quint32 u32(const QByteArray &bytes, qsizetype at)
{
    return qFromLittleEndian<quint32>(bytes.constData() + at);
}

// Dominant frequency of a stretch of samples, from its zero crossings.
double crossingFrequency(const QList<qint16> &samples, int rate, double from, double to)
{
    const auto first = qsizetype(from * rate);
    const auto last = qsizetype(to * rate);
    int crossings = 0;
    for (qsizetype i = first + 1; i < last; ++i)
        crossings += (samples[i - 1] < 0) != (samples[i] < 0);
    return crossings / 2.0 / (to - from);
}

} // namespace

class tst_ToneGenerator : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QCOMPARE(runGenerator({m_dir.path()}), 0);
    }

    void sound_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("rising");

        QTest::newRow("lost link falls") << "ConnectionLost.wav" << false;
        QTest::newRow("link back rises") << "ConnectedNow.wav" << true;
    }
    void sound()
    {
        QFETCH(QString, name);
        QFETCH(bool, rising);

        QFile file(m_dir.filePath(name));
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.errorString()));
        const QByteArray bytes = file.readAll();

        QVERIFY(bytes.size() > 44);
        QCOMPARE(bytes.first(4), "RIFF");
        QCOMPARE(qsizetype(u32(bytes, 4)), bytes.size() - 8);
        QCOMPARE(bytes.sliced(8, 4), "WAVE");

        // Walk the chunks: a PCM "fmt " first, then "data" running to the end of the file.
        QCOMPARE(bytes.sliced(12, 4), "fmt ");
        const quint32 fmtSize = u32(bytes, 16);
        QVERIFY(fmtSize >= 16);
        QCOMPARE(u16(bytes, 20), quint16(1)); // PCM
        QCOMPARE(u16(bytes, 22), quint16(1)); // mono
        const quint32 rate = u32(bytes, 24);
        QVERIFY(rate >= 8000 && rate <= 48000);
        QCOMPARE(u32(bytes, 28), rate * 2); // bytes per second
        QCOMPARE(u16(bytes, 32), quint16(2)); // bytes per frame
        QCOMPARE(u16(bytes, 34), quint16(16)); // bits per sample
        const qsizetype dataChunk = 20 + qsizetype(fmtSize);
        QVERIFY(dataChunk + 8 <= bytes.size());
        QCOMPARE(bytes.sliced(dataChunk, 4), "data");
        const quint32 dataSize = u32(bytes, dataChunk + 4);
        QCOMPARE(qsizetype(dataSize), bytes.size() - dataChunk - 8);
        QCOMPARE(dataSize % 2, 0u);

        QList<qint16> samples(dataSize / 2);
        for (qsizetype i = 0; i < samples.size(); ++i)
            samples[i] = qint16(u16(bytes, dataChunk + 8 + 2 * i));
        const double seconds = double(samples.size()) / rate;
        QVERIFY2(seconds > 0.3 && seconds < 1.0, qPrintable(QString::number(seconds)));

        int peak = 0;
        for (const qint16 s : samples)
            peak = std::max(peak, std::abs(int(s)));
        QVERIFY2(peak > 32767 / 5 && peak < 32767 * 95 / 100, qPrintable(QString::number(peak)));
        // No click at either end.
        QVERIFY(std::abs(int(samples.first())) < 328);
        QVERIFY(std::abs(int(samples.last())) < 328);

        const double early = crossingFrequency(samples, int(rate), 0.02, 0.12);
        const double late = crossingFrequency(samples, int(rate), 0.35, 0.55);
        const QByteArray pitch =
            QByteArray::number(early) + " Hz, then " + QByteArray::number(late);
        QVERIFY2(rising ? late > early * 1.2 : late < early / 1.2, pitch.constData());
    }

    // The library parses a file before it needs an audio device, so even a machine without one
    // tells a sound it can read from one it can't.
    void soundLibraryReadsIt_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("refusal"); // 0: read

        QTest::newRow("ConnectionLost.wav") << "ConnectionLost.wav" << 0;
        QTest::newRow("ConnectedNow.wav") << "ConnectedNow.wav" << 0;
        QTest::newRow("control: not a WAV") << "not-a-wav.wav" << int(CA_ERROR_CORRUPT);
        QTest::newRow("control: 24-bit") << "24-bit.wav" << int(CA_ERROR_NOTSUPPORTED);
    }
    void soundLibraryReadsIt()
    {
        QFETCH(QString, name);
        QFETCH(int, refusal);

        const QString path = m_dir.filePath(name);
        if (name == u"not-a-wav.wav" || name == u"24-bit.wav") {
            QFile source(m_dir.filePath(QStringLiteral("ConnectedNow.wav")));
            QVERIFY(source.open(QIODevice::ReadOnly));
            QByteArray bytes = source.readAll();
            if (name == u"not-a-wav.wav")
                bytes.replace(8, 4, "JUNK");
            else
                qToLittleEndian<quint16>(24, bytes.data() + 34);
            QFile control(path);
            QVERIFY(control.open(QIODevice::WriteOnly));
            QCOMPARE(control.write(bytes), bytes.size());
        }
        QVERIFY(QFile::exists(path));

        ca_context *raw = nullptr;
        QCOMPARE(ca_context_create(&raw), int(CA_SUCCESS));
        const std::unique_ptr<ca_context, decltype(&ca_context_destroy)> context(
            raw, &ca_context_destroy);
        if (ca_context_open(raw) != CA_SUCCESS)
            QSKIP("no sound backend opens on this machine");
        const int result = ca_context_play(raw, 0, CA_PROP_MEDIA_FILENAME, qPrintable(path),
                                           CA_PROP_CANBERRA_VOLUME, "-30", nullptr);
        if (refusal != 0)
            QCOMPARE(result, refusal);
        else
            QVERIFY2(result != CA_ERROR_CORRUPT && result != CA_ERROR_NOTSUPPORTED,
                     ca_strerror(result));
    }

    // A failed write must fail the build rather than leave it without its sounds.
    void reportsFailure_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");

        QTest::newRow("no folder given") << QStringList() << 2;
        QTest::newRow("folder under a file") << QStringList {QStringLiteral("<file>/sounds")} << 1;
    }
    void reportsFailure()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);

        const QString blocker = m_dir.filePath(QStringLiteral("a-file"));
        QFile file(blocker);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        arguments.replaceInStrings(QStringLiteral("<file>"), blocker);
        QCOMPARE(runGenerator(arguments), exitCode);
    }
};

QTEST_GUILESS_MAIN(tst_ToneGenerator)
#include "tst_tonegenerator.moc"
