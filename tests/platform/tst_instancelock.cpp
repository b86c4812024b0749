// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#include "platform/LockFileInstance.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

class tst_InstanceLock : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void firstPanelSeesNone();
    void runningPanelIsSeen();
    void crashedPanelDoesNotCount();
    void askingCreatesNothing();
};

void tst_InstanceLock::firstPanelSeesNone()
{
    QTemporaryDir runtime;
    LockFileInstance first(runtime.path());
    QVERIFY(!first.PrevInstance());
}

void tst_InstanceLock::runningPanelIsSeen()
{
    QTemporaryDir runtime;
    auto first = std::make_unique<LockFileInstance>(runtime.path());
    first->claim();
    LockFileInstance second(runtime.path());
    QVERIFY(second.PrevInstance());
    first->release(); // the panel closes: its claim goes with it
    QVERIFY(!second.PrevInstance());
    QVERIFY(QDir(runtime.path()).isEmpty());
}

void tst_InstanceLock::crashedPanelDoesNotCount()
{
    QTemporaryDir runtime;
    // A lock left by a process that has gone: start one, note its pid, let it end.
    QProcess gone;
    gone.start(QStringLiteral("true"));
    QVERIFY(gone.waitForStarted());
    const qint64 pid = gone.processId();
    QVERIFY(gone.waitForFinished());
    QFile stale(QDir(runtime.path()).filePath(QStringLiteral("varnoke-%1.lock").arg(pid)));
    QVERIFY(stale.open(QIODevice::WriteOnly));
    stale.write(QByteArray::number(pid) + "\nvarnoke\n" + QSysInfo::machineHostName().toUtf8()
                + "\n");
    stale.close();

    LockFileInstance next(runtime.path());
    QVERIFY(!next.PrevInstance());
    QVERIFY(!stale.exists()); // cleared on the way
}

void tst_InstanceLock::askingCreatesNothing()
{
    QTemporaryDir runtime;
    LockFileInstance panel(runtime.path());
    panel.PrevInstance();
    QVERIFY(QDir(runtime.path()).isEmpty());
}

QTEST_GUILESS_MAIN(tst_InstanceLock)
#include "tst_instancelock.moc"
