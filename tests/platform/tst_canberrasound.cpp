// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#include "platform/BackgroundSound.h"
#include "platform/CanberraSound.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QTest>

#include <canberra.h>

#include <memory>

Q_DECLARE_METATYPE(Sound::Event)

namespace {

// A tenth of a second of silence (8 kHz, 16-bit mono): a real sound, harmless wherever it plays.
QByteArray silentWav()
{
    return QByteArray::fromHex("524946466406000057415645666d74201000000001000100401f0000803e0000"
                               "020010006461746140060000")
        + QByteArray(1600, '\0');
}

bool writeFile(const QString &path, const QByteArray &contents)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size();
}

} // namespace

class tst_CanberraSound : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    // The file for a row: missing, empty, a folder in the file's place, or a real sound.
    QString prepare(const QString &kind)
    {
        const QString path = m_dir.filePath(kind + QStringLiteral(".wav"));
        if (kind == u"empty")
            return writeFile(path, {}) ? path : QString();
        if (kind == u"folder")
            return QDir(m_dir.path()).mkpath(path) ? path : QString();
        if (kind == u"sound" || kind == u"unreadable")
            return writeFile(path, silentWav()) ? path : QString();
        if (kind == u"no name")
            return QString();
        return path; // missing
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    // The real library with a backend that can't open: nothing to play on, said once however
    // often it is tried. First, as the warning is the process's, once for each cause.
    void realLibraryWithoutABackendSaysSoOnce()
    {
        const QString path = m_dir.filePath(QStringLiteral("silence.wav"));
        QVERIFY(writeFile(path, silentWav()));
        CanberraSound sound(QByteArrayLiteral("varnoke-no-such-backend"));
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression(QStringLiteral("no audio device or driver")));
        sound.play(path, Sound::Event::ConnectionLost);
        QTest::failOnWarning(QRegularExpression(QStringLiteral(".")));
        sound.play(path, Sound::Event::ConnectionRestored);
        sound.play(path, Sound::Event::ConnectionLost);
    }

    // A sound server that accepts and never answers holds the library's caller. The caller of a
    // background sound goes on at once, a newer sound takes the place of one still waiting, and
    // closing leaves a held play behind.
    void backgroundSoundHoldsNobody()
    {
        struct Server
        {
            QSemaphore asked, answer;
            QByteArrayList played; // read only once its last request has been asked
        };
        auto server = std::make_shared<Server>();
        auto sound = std::make_unique<BackgroundSound>(
            std::make_unique<CanberraSound>([server](const CanberraSound::Properties &properties) {
                server->played.append(properties.front().second);
                server->asked.release();
                server->answer.acquire();
                return int(CA_SUCCESS);
            }));
        const QString missing = prepare(QStringLiteral("missing")), file = prepare("sound");
        sound->play(missing, Sound::Event::ConnectionLost);
        QVERIFY(server->asked.tryAcquire(1, 5000));
        sound->play(missing, Sound::Event::ConnectionRestored);
        sound->play(file, Sound::Event::ConnectionLost); // in place of the one before
        server->answer.release();
        QVERIFY(server->asked.tryAcquire(1, 5000));
        sound.reset(); // while the play hangs
        QCOMPARE(server->played, QByteArrayList({"network-connectivity-lost", file.toUtf8()}));
        server->answer.release();
    }

    void requests_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<Sound::Event>("event");
        QTest::addColumn<int>("refused"); // how many requests in a row the library turns down
        QTest::addColumn<int>("error"); // and with which error
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<bool>("warns"); // that there is nothing to play on, once

        const QString file = QStringLiteral("media.filename=<file>");
        const QString lost = QStringLiteral("event.id=network-connectivity-lost");
        const QString back = QStringLiteral("event.id=network-connectivity-established");
        const QString warning = QStringLiteral("event.id=dialog-warning");
        const auto Lost = Sound::Event::ConnectionLost;
        const auto Restored = Sound::Event::ConnectionRestored;
        const int corrupt = CA_ERROR_CORRUPT, notFound = CA_ERROR_NOTFOUND;

        QTest::newRow("sound plays") << "sound" << Lost << 0 << 0 << QStringList {file} << false;
        QTest::newRow("missing file") << "missing" << Lost << 0 << 0 << QStringList {lost} << false;
        QTest::newRow("missing file, back")
            << "missing" << Restored << 0 << 0 << QStringList {back} << false;
        QTest::newRow("empty file") << "empty" << Lost << 0 << 0 << QStringList {lost} << false;
        QTest::newRow("empty file, back")
            << "empty" << Restored << 0 << 0 << QStringList {back} << false;
        QTest::newRow("folder in its place")
            << "folder" << Lost << 0 << 0 << QStringList {lost} << false;
        QTest::newRow("no file name")
            << "no name" << Restored << 0 << 0 << QStringList {back} << false;
        QTest::newRow("unreadable file")
            << "unreadable" << Lost << 0 << 0 << QStringList {lost} << false;
        QTest::newRow("not a sound")
            << "sound" << Lost << 1 << corrupt << QStringList {file, lost} << false;
        QTest::newRow("theme lacks the event")
            << "sound" << Restored << 2 << corrupt << QStringList {file, back, warning} << false;
        QTest::newRow("missing file, theme lacks the event")
            << "missing" << Lost << 1 << notFound << QStringList {lost, warning} << false;
        QTest::newRow("empty file, nothing in the theme")
            << "empty" << Lost << 2 << notFound << QStringList {lost, warning} << false;
        QTest::newRow("nothing plays")
            << "sound" << Lost << 3 << corrupt << QStringList {file, lost, warning} << false;
        // No device or driver to play on: the first refusal ends the play.
        QTest::newRow("no sound card: the file is not found")
            << "sound" << Lost << 3 << notFound << QStringList {file} << true;
        QTest::newRow("no driver")
            << "sound" << Restored << 3 << int(CA_ERROR_NODRIVER) << QStringList {file} << true;
        QTest::newRow("sound server that never answered")
            << "sound" << Lost << 3 << int(CA_ERROR_IO) << QStringList {file} << true;
        QTest::newRow("sound server gone")
            << "sound" << Lost << 3 << int(CA_ERROR_DISCONNECTED) << QStringList {file} << true;
        QTest::newRow("missing file, no backend")
            << "missing" << Lost << 3 << int(CA_ERROR_NOTAVAILABLE) << QStringList {lost} << true;
        QTest::newRow("empty file, sounds disabled")
            << "empty" << Restored << 3 << int(CA_ERROR_DISABLED) << QStringList {back} << true;
    }
    void requests()
    {
        QFETCH(QString, kind);
        QFETCH(Sound::Event, event);
        QFETCH(int, refused);
        QFETCH(int, error);
        QFETCH(QStringList, expected);
        QFETCH(bool, warns);

        const QString path = prepare(kind);
        if (kind == u"unreadable") {
            QVERIFY(QFile::setPermissions(path, {}));
            if (QFileInfo(path).isReadable())
                QSKIP("this user can read any file");
        }
        QStringList asked;
        int calls = 0;
        CanberraSound sound([&](const CanberraSound::Properties &properties) {
            for (const auto &[key, value] : properties)
                asked.append(QString::fromUtf8(key + '=' + value));
            return ++calls <= refused ? error : CA_SUCCESS;
        });
        // A play with nothing to play on says so (unless that cause was said before in this
        // process), and never again however often it is tried.
        sound.play(path, event);
        expected.replaceInStrings(QStringLiteral("<file>"), path);
        QCOMPARE(asked, expected);

        if (warns) {
            QTest::failOnWarning(QRegularExpression(QStringLiteral(".")));
            asked.clear();
            calls = 0;
            sound.play(path, event);
            QCOMPARE(asked, expected);
        }
    }
};

QTEST_GUILESS_MAIN(tst_CanberraSound)
#include "tst_canberrasound.moc"
