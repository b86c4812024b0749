// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#include "registry/DiskFile.h"
#include "registry/FileRegistry.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <filesystem>
#include <pwd.h>
#include <unistd.h>

// Where the settings go by the XDG rules, whatever the environment holds.
class tst_ConfigFolder : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void configFolder_data();
    void configFolder();

private:
    QTemporaryDir m_home;
};

// The config folder by the XDG rules. "@" stands for a temporary folder.
void tst_ConfigFolder::configFolder_data()
{
    QTest::addColumn<QByteArray>("xdgConfigHome"); // null: unset
    QTest::addColumn<QByteArray>("home");
    QTest::addColumn<QByteArray>("folder");

    const passwd *user = ::getpwuid(::getuid());
    QVERIFY(user);
    const QByteArray fromDatabase = QByteArray(user->pw_dir) + "/.config";
    QTest::newRow("absolute") << QByteArray("@/xdg") << QByteArray("@/home") << QByteArray("@/xdg");
    QTest::newRow("relative, ignored")
        << QByteArray("xdg") << QByteArray("@/home") << QByteArray("@/home/.config");
    QTest::newRow("unset") << QByteArray() << QByteArray("@/home/") << QByteArray("@/home/.config");
    QTest::newRow("HOME unset") << QByteArray() << QByteArray() << fromDatabase;
    QTest::newRow("HOME relative") << QByteArray() << QByteArray("home") << fromDatabase;
    QTest::newRow("not UTF-8") << QByteArray("@/caf\xe9\xff") << QByteArray("@/home")
                               << QByteArray("@/caf\xe9\xff");
}

void tst_ConfigFolder::configFolder()
{
    QFETCH(QByteArray, xdgConfigHome);
    QFETCH(QByteArray, home);
    QFETCH(QByteArray, folder);

    const QByteArray scratch = QFile::encodeName(m_home.filePath(u"config"_qs));
    for (QByteArray *bytes : {&xdgConfigHome, &home, &folder})
        bytes->replace('@', scratch);
    const QByteArray savedXdg = qgetenv("XDG_CONFIG_HOME");
    const QByteArray savedHome = qgetenv("HOME");
    const auto restore = qScopeGuard([&] {
        qputenv("XDG_CONFIG_HOME", savedXdg);
        qputenv("HOME", savedHome);
    });
    for (const auto &[name, value] :
         {std::pair {"XDG_CONFIG_HOME", xdgConfigHome}, std::pair {"HOME", home}}) {
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    }
    QCOMPARE(DiskFile::configHome(), folder);

    // Saved where it says, to the byte (only below the temporary folder).
    if (!folder.startsWith(scratch))
        return;
    FileRegistry registry;
    Registry::Handle key = 0;
    QCOMPARE(registry.RegCreateKeyExA(Registry::predefinedRoot(Registry::CurrentUserRoot),
                                      "SOFTWARE\\Yorv\\Varnoke", 0, nullptr, 0, Registry::AccessAll,
                                      nullptr, &key, nullptr),
             Registry::Success);
    registry.RegCloseKey(key);
    QVERIFY(::access((folder + "/Yorv/Varnoke.reg").constData(), R_OK) == 0);
    std::filesystem::remove_all(folder.toStdString()); // a name the toolkit's folders can't spell
}

QTEST_GUILESS_MAIN(tst_ConfigFolder)
#include "tst_configfolder.moc"
