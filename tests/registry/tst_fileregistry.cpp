// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#include "SettingsFiles.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

namespace {

const Registry::Handle currentUser = Registry::predefinedRoot(Registry::CurrentUserRoot);

QByteArray utf16le(const QString &text)
{
    QByteArray bytes("\xFF\xFE");
    for (const QChar c : text)
        bytes += char(c.unicode() & 0xFF) + QByteArray(1, char(c.unicode() >> 8));
    return bytes;
}

mode_t modeOf(const QString &path)
{
    struct stat st;
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777 : 0;
}

} // namespace

// The per-user file store on disk: where its file is, and what it does with files and folders
// it did not make.
class tst_FileRegistry : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fileLocation();
    void corruptFileKeptAside();
    void awkwardFiles_data();
    void awkwardFiles();
    void largeFiles_data();
    void largeFiles();

private:
    QTemporaryDir m_home;
};

// The settings key lands at <config>/Yorv/Varnoke.reg, in the format above, and nowhere else.
void tst_FileRegistry::fileLocation()
{
    QVERIFY(m_home.isValid());
    const QString home = m_home.path() + QStringLiteral("/location");
    FileRegistry registry(home);
    QCOMPARE(setValue(registry, "IP Address", Registry::TypeString, "10.0.0.9"), Registry::Success);

    QCOMPARE(readAll(home + QStringLiteral("/Yorv/Varnoke.reg")),
             regedit4("\"IP Address\"=\"10.0.0.9\"\n"));
    QStringList entries =
        QDir(home + QStringLiteral("/Yorv")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    QCOMPARE(entries, QStringList({u"Varnoke.reg"_qs, u"Varnoke.reg.lock"_qs}));
    // No other user may open the lock, and so hold up the saves.
    QCOMPARE(modeOf(home + u"/Yorv"_qs), mode_t(0700));
    QCOMPARE(modeOf(home + u"/Yorv/Varnoke.reg.lock"_qs), mode_t(0600));
    QCOMPARE(modeOf(home + u"/Yorv/Varnoke.reg"_qs), mode_t(0600));
    QCOMPARE(QDir(home).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList({u"Yorv"_qs}));

    // Names that could not be told from the store's own files are refused, not mangled.
    for (const char *path : {"SOFTWARE\\Yorv\\..", "SOFTWARE\\a/b", "SOFTWARE\\Yorv\\Varnoke.reg",
                             "SOFTWARE\\Yorv\\x.REG.bad-1"}) {
        Registry::Handle other = 0;
        QCOMPARE(registry.RegCreateKeyExA(currentUser, path, 0, nullptr, 0, Registry::AccessAll,
                                          nullptr, &other, nullptr),
                 Registry::BadPathname);
    }
    // Only the SOFTWARE branch lives in files.
    Registry::Handle other = 0;
    QCOMPARE(registry.RegCreateKeyExA(currentUser, "Environment", 0, nullptr, 0,
                                      Registry::AccessAll, nullptr, &other, nullptr),
             Registry::AccessDenied);
    QCOMPARE(QDir(home).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList({u"Yorv"_qs}));
}

// A file that does not parse reads as empty and is kept aside, never overwritten.
void tst_FileRegistry::corruptFileKeptAside()
{
    const QString home = m_home.path() + QStringLiteral("/corrupt");
    QVERIFY(QDir().mkpath(home + QStringLiteral("/Yorv")));
    const QString path = home + QStringLiteral("/Yorv/Varnoke.reg");
    const QByteArray garbage = "IP Address = 10.0.0.1\n\x01\x02";
    writeAll(path, garbage);

    // Each file set aside leaves a line; reading one as empty leaves one line, once.
    const QRegularExpression setAside(u"set aside as: .*/Varnoke.reg.bad-"_qs);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"read as empty: .*/Varnoke.reg$"_qs));
    QTest::ignoreMessage(QtWarningMsg, setAside);
    QTest::ignoreMessage(QtWarningMsg, setAside);
    FileRegistry registry(home);
    QCOMPARE(queryValue(registry, "IP Address"), "error 2");
    QCOMPARE(readAll(path), garbage); // reading leaves it be

    QCOMPARE(setValue(registry, "Top", Registry::TypeString, "150"), Registry::Success);
    QCOMPARE(queryValue(registry, "IP Address"), "error 2");

    const QStringList aside =
        QDir(home + QStringLiteral("/Yorv")).entryList({u"Varnoke.reg.bad-*"_qs});
    QCOMPARE(aside.size(), 1);
    QCOMPARE(readAll(home + QStringLiteral("/Yorv/") + aside.front()), garbage);
    QCOMPARE(readAll(path), regedit4("\"Top\"=\"150\"\n"));

    // A second bad file on the same second gets a name of its own.
    writeAll(path, garbage);
    QCOMPARE(setValue(registry, "Top", Registry::TypeString, "150"), Registry::Success);
    QCOMPARE(QDir(home + QStringLiteral("/Yorv")).entryList({u"Varnoke.reg.bad-*"_qs}).size(), 2);
}

// Files and folders as people's home folders really have them. Each row reads "IP Address" from
// what is there, saves a new address and checks what the settings file holds then.
enum class Plant { Nothing, LinkedFile, LeftoverTemporary, LockLink, LockFolder, ForeignLock };

void tst_FileRegistry::awkwardFiles_data()
{
    QTest::addColumn<Plant>("plant");
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("after");
    QTest::addColumn<QByteArray>("owner"); // what a query of "Owner" gives

    const QByteArray plain = regedit4("\"IP Address\"=\"10.0.0.7\"\n");
    const QByteArray saved = regedit4("\"IP Address\"=\"10.0.0.8\"\n");
    const QByteArray noOwner = "error 2";
    QTest::newRow("byte-order mark")
        << Plant::Nothing << "\xEF\xBB\xBF" + plain << "\xEF\xBB\xBF" + saved << noOwner;
    const QString v5 = u"Windows Registry Editor Version 5.00\r\n\r\n"
                       "[HKEY_CURRENT_USER\\SOFTWARE\\Yorv\\Varnoke]\r\n"
                       "\"Owner\"=\"Zoë 日本\"\r\n"
                       "\"Path\"=hex(2):25,00,41,00,25,00,00,00\r\n"_qs;
    QTest::newRow("version 5, UTF-16LE")
        << Plant::Nothing << utf16le(v5 + u"\"IP Address\"=\"10.0.0.7\"\r\n"_qs)
        << utf16le(v5 + u"\"IP Address\"=\"10.0.0.8\"\r\n"_qs) << QByteArray("Zo\xeb ??\0", 7);
    QTest::newRow("comments and blank lines")
        << Plant::Nothing
        << "; mine\r\n"
            + regedit4(
                "; the unit\r\n  \"ip address\" = \"10.0.0.7\"\r\n\r\n\"Left\"=dword:10\r\n; end",
                "\r\n")
        << "; mine\r\n"
            + regedit4(
                "; the unit\r\n\"ip address\"=\"10.0.0.8\"\r\n\r\n\"Left\"=dword:10\r\n; end",
                "\r\n")
        << noOwner;
    QTest::newRow("a link into a dotfiles folder")
        << Plant::LinkedFile << plain << saved << noOwner;
    QTest::newRow("a killed writer's temporary file")
        << Plant::LeftoverTemporary << plain << saved << noOwner;
    QTest::newRow("a link at the lock") << Plant::LockLink << plain << saved << noOwner;
    QTest::newRow("a folder at the lock") << Plant::LockFolder << plain << saved << noOwner;
    QTest::newRow("a lock left by another user") << Plant::ForeignLock << plain << saved << noOwner;
}

void tst_FileRegistry::awkwardFiles()
{
    QFETCH(Plant, plant);
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, after);
    QFETCH(QByteArray, owner);

    const QString home = m_home.filePath(QString::fromLatin1(QTest::currentDataTag()));
    const QString folder = home + u"/Yorv"_qs;
    const QString path = folder + u"/Varnoke.reg"_qs;
    QVERIFY(QDir().mkpath(folder));
    // The file a save must land in, and another one that no save may touch.
    QString file = path;
    const QString victim = m_home.filePath(u"victim"_qs);
    writeAll(victim, "mine");
    const mode_t victimMode = modeOf(victim);
    if (plant == Plant::LinkedFile) {
        QVERIFY(QDir().mkpath(home + u"/dotfiles"_qs));
        file = home + u"/dotfiles/Varnoke.reg"_qs;
        QVERIFY(QFile::link(u"../dotfiles/Varnoke.reg"_qs, path));
    } else if (plant == Plant::LeftoverTemporary) {
        writeAll(path + u".tmp"_qs, "half a file");
    } else if (plant == Plant::LockLink) {
        // The one name the store opens as it is, planted to lead elsewhere.
        QVERIFY(QFile::link(victim, path + u".lock"_qs));
    } else if (plant == Plant::LockFolder) {
        QVERIFY(QDir().mkpath(path + u".lock/inside"_qs));
    } else if (plant == Plant::ForeignLock) {
        // Left empty by a run as another user (as root, made that user's).
        const QByteArray lock = QFile::encodeName(path + u".lock"_qs);
        writeAll(path + u".lock"_qs, {});
        QVERIFY(::chmod(lock.constData(), 0600) == 0);
        if (::geteuid() == 0)
            QVERIFY(::chown(lock.constData(), 65534, 65534) == 0);
    }
    writeAll(file, before);
    QVERIFY(QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
    // Root saving a user's file leaves it the user's, or the user could never save again.
    const uid_t user = ::geteuid() == 0 ? 65534 : ::geteuid();
    QVERIFY(::chown(QFile::encodeName(file).constData(), user, gid_t(-1)) == 0);

    FileRegistry registry(home);
    QCOMPARE(queryValue(registry, "IP Address"), QByteArray("10.0.0.7\0", 9));
    QCOMPARE(queryValue(registry, "Owner"), owner);
    QCOMPARE(setValue(registry, "IP Address", Registry::TypeString, "10.0.0.8"), Registry::Success);
    QCOMPARE(queryValue(registry, "IP Address"), QByteArray("10.0.0.8\0", 9));

    QCOMPARE(readAll(file), after);
    QCOMPARE(modeOf(file), mode_t(0640));
    QCOMPARE(QFileInfo(file).ownerId(), user);
    QCOMPARE(QFileInfo(path).isSymLink(), plant == Plant::LinkedFile);
    QCOMPARE(readAll(victim), "mine");
    QCOMPARE(modeOf(victim), victimMode);
    QCOMPARE(
        QDir(QFileInfo(file).path()).entryList({u"*.tmp*"_qs}, QDir::AllEntries | QDir::System),
        QStringList());
}

// Large files read and save as any other; one past the size limit is neither read nor replaced.
void tst_FileRegistry::largeFiles_data()
{
    QTest::addColumn<int>("values");
    QTest::addColumn<int>("size"); // the file padded to this size; 0 leaves it
    QTest::addColumn<QByteArray>("padding"); // a line repeated, before a comment that fills up
    QTest::addColumn<bool>("readable");

    QTest::newRow("10,000 values") << 10000 << 0 << QByteArray() << true;
    QTest::newRow("16 MiB") << 3 << (16 << 20) << QByteArray() << true;
    QTest::newRow("16 MiB of blank lines") << 3 << (16 << 20) << QByteArray("\n") << true;
    QTest::newRow("a 16 MiB wrapped hex value")
        << 3 << (16 << 20) << QByteArray("  00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,\\\n")
        << true;
    QTest::newRow("16 MiB and a byte") << 3 << (16 << 20) + 1 << QByteArray() << false;
}

void tst_FileRegistry::largeFiles()
{
    QFETCH(int, values);
    QFETCH(int, size);
    QFETCH(QByteArray, padding);
    QFETCH(bool, readable);

    QByteArray text = regedit4();
    for (int i = 0; i < values; ++i)
        text += "\"Value " + QByteArray::number(i) + "\"=\"" + QByteArray::number(i * 7) + "\"\n";
    text += "\"IP Address\"=\"10.0.0.7\"\n";
    if (padding.endsWith("\\\n"))
        text += "\"Blob\"=hex:ff,\\\n"; // the padding goes on this value
    if (size > 0) {
        text += padding.repeated((size - text.size() - 64) / qMax(padding.size(), 1));
        text += padding.isEmpty() ? "" : "  ff\n";
        text += "; " + QByteArray(size - text.size() - 3, 'x') + '\n';
    }
    const QString home = m_home.filePath(QString::fromLatin1(QTest::currentDataTag()));
    QVERIFY(QDir().mkpath(home + u"/Yorv"_qs));
    const QString path = home + u"/Yorv/Varnoke.reg"_qs;
    writeAll(path, text);

    FileRegistry registry(home);
    QCOMPARE(queryValue(registry, "IP Address"),
             readable ? QByteArray("10.0.0.7\0", 9) : QByteArray("error 1012"));
    QCOMPARE(queryValue(registry, "value 1"), readable ? QByteArray("7\0", 2) : "error 1012");
    QCOMPARE(setValue(registry, "IP Address", Registry::TypeString, "10.0.0.8"),
             readable ? Registry::Success : Registry::CantRead);
    if (readable)
        text.replace("\"IP Address\"=\"10.0.0.7\"", "\"IP Address\"=\"10.0.0.8\"");
    QVERIFY(readAll(path) == text);
    QCOMPARE(QDir(home + u"/Yorv"_qs).entryList({u"Varnoke.reg*"_qs}, QDir::AllEntries),
             QStringList({u"Varnoke.reg"_qs, u"Varnoke.reg.lock"_qs}));
}

QTEST_GUILESS_MAIN(tst_FileRegistry)
#include "tst_fileregistry.moc"
