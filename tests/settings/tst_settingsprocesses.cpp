// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT

// The settings file against other processes: writers killed mid-write, two panels writing at
// once (or one where the file system has no locks), a user who may read the settings but not
// write them, and root run with another user's HOME.

#include "registry/FileRegistry.h"
#include "settings/MiscFunctions.h"
#include "settings/SettingsKey.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

namespace {

const quint32 root = SettingsKey::HKEY_CURRENT_USER_ROOT;
constexpr int killRounds = 300;
constexpr int processTimeoutMs = 30000;

} // namespace

class tst_SettingsProcesses : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void killedWriterLeavesLastOrPreviousValue();
    void twoWritersLoseNothing_data();
    void twoWritersLoseNothing();
    void readOnlySettingsStillRead();
    void rootInAnotherUsersFolder();

private:
    QProcess *helper(const QStringList &args, bool noLocks = false)
    {
        auto *process = new QProcess(this);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home->path());
        if (noLocks)
            env.insert(QStringLiteral("SETTINGS_HELPER_NO_LOCKS"), QStringLiteral("1"));
        process->setProcessEnvironment(env);
        process->start(QStringLiteral(SETTINGS_HELPER), args);
        return process;
    }

    QString settingsFile() const { return m_home->filePath(QStringLiteral("Yorv/Varnoke.reg")); }

    std::unique_ptr<QTemporaryDir> m_home;
};

void tst_SettingsProcesses::init()
{
    m_home = std::make_unique<QTemporaryDir>();
    QVERIFY(m_home->isValid());
}

// Whenever a writer dies, the file parses, holds the value it last stored or the one it was
// storing, and keeps another program's bulky value, which makes each save long enough for the
// kills to land inside saves.
void tst_SettingsProcesses::killedWriterLeavesLastOrPreviousValue()
{
    FileRegistry registry(m_home->path());
    MiscFunctions misc(registry);
    const QByteArray kept = "\"Kept\"=\"" + QByteArray(1 << 18, 'k') + '"';
    QCOMPARE(misc.WriteRegString(root, SettingsKey::path, u"Kept"_qs, QString(1 << 18, u'k')), -1);
    QCOMPARE(misc.WriteRegString(root, SettingsKey::path, u"Counter"_qs, u"0"_qs), -1);
    qlonglong current = 0;

    for (int round = 0; round < killRounds; ++round) {
        const qlonglong first = qlonglong(round + 1) * 1000000;
        QProcess *writer = helper({u"loop"_qs, u"Counter"_qs, QString::number(first)});
        QVERIFY2(writer->waitForStarted(processTimeoutMs), qPrintable(writer->errorString()));
        // Let it store a random number of values first, so the kill lands at random points.
        const int wanted = QRandomGenerator::global()->bounded(12);
        QByteArray out;
        while (out.count('\n') < wanted && writer->waitForReadyRead(processTimeoutMs))
            out += writer->readAllStandardOutput();
        writer->kill();
        QVERIFY(writer->waitForFinished(processTimeoutMs));
        out += writer->readAllStandardOutput();
        delete writer;

        const QList<QByteArray> stored = out.trimmed().split('\n');
        const qlonglong last = out.trimmed().isEmpty() ? current : stored.back().toLongLong();
        const qlonglong next = out.trimmed().isEmpty() ? first : last + 1;

        QFile file(settingsFile());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QVERIFY2(bytes.startsWith("REGEDIT4\n") && bytes.endsWith('\n'), "the file is not whole");
        QVERIFY2(bytes.contains(kept), "another program's value was lost");
        QString text;
        QCOMPARE(misc.ReadRegString(root, SettingsKey::path, u"Counter"_qs, text), -1);
        current = text.toLongLong();
        QVERIFY2(
            current == last || current == next,
            qPrintable(
                u"round %1: %2, expected %3 or %4"_qs.arg(round).arg(text).arg(last).arg(next)));
    }
}

// Two panels saving different names at the same time keep every value (a save the other's lock
// holds up waits in the saver, as in the panel), also when something that is not a lock sits at
// the lock's path and they serialise another way. Where the file system has no locks a panel
// saving alone loses nothing, and says so once.
void tst_SettingsProcesses::twoWritersLoseNothing_data()
{
    QTest::addColumn<bool>("lockFolder");
    QTest::addColumn<bool>("noLocks"); // flock finds none, as on NFS mounted nolock
    QTest::newRow("lock file") << false << false;
    QTest::newRow("a folder at the lock") << true << false;
    QTest::newRow("no locks, one at a time") << false << true;
}

void tst_SettingsProcesses::twoWritersLoseNothing()
{
    QFETCH(bool, lockFolder);
    QFETCH(bool, noLocks);
    if (lockFolder)
        QVERIFY(QDir().mkpath(settingsFile() + u".lock"_qs));
    constexpr int count = 150;
    QProcess *a = helper({u"names"_qs, u"a"_qs, QString::number(count)}, noLocks);
    if (noLocks) // one at a time: two at once may lose each other's values there
        QVERIFY(a->waitForFinished(processTimeoutMs));
    QProcess *b = helper({u"names"_qs, u"b"_qs, QString::number(count)}, noLocks);
    for (QProcess *p : {a, b}) {
        QVERIFY(p->state() == QProcess::NotRunning || p->waitForFinished(processTimeoutMs * 2));
        QCOMPARE(p->exitStatus(), QProcess::NormalExit);
        QCOMPARE(p->exitCode(), 0);
    }
    FileRegistry registry(m_home->path());
    MiscFunctions misc(registry);
    for (const QString &prefix : {u"a"_qs, u"b"_qs}) {
        for (int i = 0; i < count; ++i) {
            QString text;
            QCOMPARE(misc.ReadRegString(root, SettingsKey::path, prefix + QString::number(i), text),
                     -1);
            QCOMPARE(text, QString::number(i));
        }
    }
    QCOMPARE(a->readAllStandardError().count("saved without a lock"), noLocks ? 1 : 0);
}

// Reading asks for read rights only: settings the user may read but not write still read, and a
// write to them fails without harm. Root is not held back by permissions, so as root the reader
// runs as nobody.
void tst_SettingsProcesses::readOnlySettingsStillRead()
{
    FileRegistry registry(m_home->path());
    QCOMPARE(MiscFunctions(registry).WriteRegString(root, SettingsKey::path, u"IP Address"_qs,
                                                    u"10.0.0.42"_qs),
             -1);
    const QFile::Permissions readOnly = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;
    const QFile::Permissions readOnlyFolder =
        readOnly | QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther;
    QVERIFY(QFile::setPermissions(settingsFile(), readOnly));
    QVERIFY(QFile::setPermissions(m_home->filePath(u"Yorv"_qs), readOnlyFolder));
    QVERIFY(QFile::setPermissions(m_home->path(), readOnlyFolder | QFile::WriteOwner));
    const auto restore = qScopeGuard([this] {
        QFile::setPermissions(m_home->filePath(u"Yorv"_qs),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    });

    QProcess *reader = helper({u"--as-nobody"_qs, u"read"_qs, u"IP Address"_qs});
    QVERIFY(reader->waitForFinished(processTimeoutMs));
    QCOMPARE(reader->exitCode(), 0);
    // Read true with the text; an open asking for write rights refused; the write false.
    QCOMPARE(reader->readAllStandardOutput().trimmed(), QByteArray("-1|10.0.0.42|5|0"));
    QFile file(settingsFile());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().contains("\"IP Address\"=\"10.0.0.42\""));
}

// Root run with another user's HOME (sudo keeping it): all it makes there is that user's, so the
// user's own panel goes on reading and saving; and a link of that user's, to a file in a folder of
// root's alone, is read but never written through.
void tst_SettingsProcesses::rootInAnotherUsersFolder()
{
    if (::geteuid() != 0)
        QSKIP("only root can act for another user");
    constexpr uid_t user = 4242; // no one's
    QVERIFY(::chown(QFile::encodeName(m_home->path()).constData(), user, user) == 0);
    FileRegistry registry(m_home->path());
    MiscFunctions misc(registry);
    QCOMPARE(misc.WriteRegString(root, SettingsKey::path, u"Left"_qs, u"15"_qs), -1);
    for (const QString &made : {u"Yorv"_qs, u"Yorv/Varnoke.reg"_qs, u"Yorv/Varnoke.reg.lock"_qs})
        QCOMPARE(QFileInfo(m_home->filePath(made)).ownerId(), user);

    QTemporaryDir rootsOwn; // 0700
    const QString target = rootsOwn.filePath(u"target"_qs);
    QVERIFY(QFile::rename(settingsFile(), target) && QFile::link(target, settingsFile()));
    QVERIFY(::lchown(QFile::encodeName(settingsFile()).constData(), user, user) == 0);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"to another user: .*Varnoke.reg$"_qs));
    QCOMPARE(misc.WriteRegString(root, SettingsKey::path, u"Left"_qs, u"30"_qs), 0);
    QString text;
    QCOMPARE(misc.ReadRegString(root, SettingsKey::path, u"Left"_qs, text), -1);
    QCOMPARE(text, u"15"_qs);
    QCOMPARE(QDir(rootsOwn.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList {u"target"_qs});
}

QTEST_GUILESS_MAIN(tst_SettingsProcesses)
#include "tst_settingsprocesses.moc"
