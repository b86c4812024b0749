// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#include "registry/FileRegistry.h"
#include "settings/MiscFunctions.h"
#include "settings/SettingsKey.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <sys/resource.h>

namespace {

constexpr qint16 True = -1;
constexpr qint16 False = 0;
const quint32 root = SettingsKey::HKEY_CURRENT_USER_ROOT;

} // namespace

class tst_MiscFunctions : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void readMissing();
    void readStored_data();
    void readStored();
    void writeThenRead_data();
    void writeThenRead();
    void writeReplacesOtherType();
    void writeFailsQuietly();
    void namesHoldingNul();

private:
    // Stores a value of any type through the file store, bypassing WriteRegString. The bytes are
    // stored exactly: what follows them in memory is not a NUL.
    void store(const QByteArray &name, std::uint32_t type, const QByteArray &bytes)
    {
        Registry::Handle key = 0;
        QCOMPARE(m_registry->RegCreateKeyExA(Registry::predefinedRoot(root),
                                             SettingsKey::path.toLatin1().constData(), 0, nullptr,
                                             0, Registry::AccessAll, nullptr, &key, nullptr),
                 Registry::Success);
        const QByteArray padded = bytes + 'X';
        QCOMPARE(m_registry->RegSetValueExA(
                     key, name.constData(), 0, type,
                     reinterpret_cast<const std::uint8_t *>(padded.constData()), bytes.size()),
                 Registry::Success);
        m_registry->RegCloseKey(key);
    }

    std::unique_ptr<QTemporaryDir> m_home;
    std::unique_ptr<FileRegistry> m_registry;
    std::unique_ptr<MiscFunctions> m_misc;
};

void tst_MiscFunctions::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
}

void tst_MiscFunctions::init()
{
    m_home = std::make_unique<QTemporaryDir>();
    QVERIFY(m_home->isValid());
    m_registry = std::make_unique<FileRegistry>(m_home->path());
    m_misc = std::make_unique<MiscFunctions>(*m_registry);
}

// A read of a key that isn't there fails, empties the text and creates nothing.
void tst_MiscFunctions::readMissing()
{
    QString text = QStringLiteral("before");
    QCOMPARE(m_misc->ReadRegString(root, SettingsKey::path, QStringLiteral("IP Address"), text),
             False);
    QCOMPARE(text, QString());
    QCOMPARE(QDir(m_home->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList());

    // The key exists, the value doesn't.
    store("Left", Registry::TypeString, "10");
    text = QStringLiteral("before");
    QCOMPARE(m_misc->ReadRegString(root, SettingsKey::path, QStringLiteral("Top"), text), False);
    QCOMPARE(text, QString());
}

void tst_MiscFunctions::readStored_data()
{
    QTest::addColumn<uint>("type");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<qint16>("result");
    QTest::addColumn<QString>("text"); // what the text holds afterwards; it was "before"

    const uint sz = Registry::TypeString;
    const uint dword = Registry::TypeDword;
    const QString before = QStringLiteral("before");
    QTest::newRow("string with NUL") << sz << QByteArray("abc\0", 4) << True << u"abc"_qs;
    QTest::newRow("string without NUL") << sz << QByteArray("abc") << True << u"abc"_qs;
    QTest::newRow("NUL inside stays")
        << sz << QByteArray("a\0b\0", 4) << True << QString::fromLatin1("a\0b", 3);
    QTest::newRow("only the last NUL goes")
        << sz << QByteArray("ab\0\0", 4) << True << QString::fromLatin1("ab\0", 3);
    QTest::newRow("just a NUL") << sz << QByteArray("\0", 1) << True << QString();
    QTest::newRow("no data") << sz << QByteArray() << False << QString();
    QTest::newRow("1024 bytes") << sz << QByteArray(1024, 'a') << True << QString(1024, u'a');
    QTest::newRow("1025 bytes") << sz << QByteArray(1025, 'a') << False << QString();
    QTest::newRow("Windows-1252") << sz << QByteArray("\xe9\x80\0", 3) << True << u"é€"_qs;
    QTest::newRow("dword 256") << dword << QByteArray("\x00\x01\x00\x00", 4) << True << u"256"_qs;
    QTest::newRow("dword 0") << dword << QByteArray("\x00\x00\x00\x00", 4) << True << u"0"_qs;
    QTest::newRow("dword high bit")
        << dword << QByteArray("\x00\x00\x00\x80", 4) << True << u"2147483648"_qs;
    QTest::newRow("short dword") << dword << QByteArray("\x01\x01", 2) << True << u"257"_qs;
    QTest::newRow("binary") << uint(Registry::TypeBinary) << QByteArray("\x01\x02", 2) << True
                            << before;
    QTest::newRow("expand string")
        << uint(Registry::TypeExpandString) << QByteArray("%A%\0", 4) << True << before;
    QTest::newRow("multi string") << uint(Registry::TypeMultiString) << QByteArray("a\0\0", 3)
                                  << True << before;
    QTest::newRow("binary, empty")
        << uint(Registry::TypeBinary) << QByteArray() << False << QString();
}

void tst_MiscFunctions::readStored()
{
    QFETCH(uint, type);
    QFETCH(QByteArray, bytes);
    QFETCH(qint16, result);
    QFETCH(QString, text);

    store("Window state", type, bytes);
    QString read = QStringLiteral("before");
    QCOMPARE(m_misc->ReadRegString(root, SettingsKey::path, u"Window state"_qs, read), result);
    QCOMPARE(read, text);
}

void tst_MiscFunctions::writeThenRead_data()
{
    QTest::addColumn<QString>("written");
    QTest::addColumn<qint16>("readResult");
    QTest::addColumn<QString>("read");

    QTest::newRow("address") << u"10.0.0.1"_qs << True << u"10.0.0.1"_qs;
    QTest::newRow("spaces kept") << u"  10.0.0.1 "_qs << True << u"  10.0.0.1 "_qs;
    QTest::newRow("number") << u"-1234.5"_qs << True << u"-1234.5"_qs;
    QTest::newRow("quotes and backslashes") << u"a\"b\\c\\"_qs << True << u"a\"b\\c\\"_qs;
    QTest::newRow("1023 characters") << QString(1023, u'x') << True << QString(1023, u'x');
    // Stored with its terminator, 1024 characters are 1025 bytes: more than a read takes.
    QTest::newRow("1024 characters") << QString(1024, u'x') << False << QString();
    QTest::newRow("Windows-1252") << u"Zoë €5"_qs << True << u"Zoë €5"_qs;
    QTest::newRow("beyond the code page") << u"日本"_qs << True << u"??"_qs;
    QTest::newRow("line breaks") << u"a\r\nb"_qs << True << u"a\r\nb"_qs;
    QTest::newRow("empty") << QString() << False << QString();
}

// What is written reads back, through a fresh store as the next run would.
void tst_MiscFunctions::writeThenRead()
{
    QFETCH(QString, written);
    QFETCH(qint16, readResult);
    QFETCH(QString, read);

    QCOMPARE(m_misc->WriteRegString(root, SettingsKey::path, u"IP Address"_qs, written), True);
    FileRegistry nextRun(m_home->path());
    QString text = QStringLiteral("before");
    QCOMPARE(MiscFunctions(nextRun).ReadRegString(root, SettingsKey::path, u"IP Address"_qs, text),
             readResult);
    QCOMPARE(text, read);
}

void tst_MiscFunctions::writeReplacesOtherType()
{
    store("Left", Registry::TypeDword, QByteArray("\x05\x00\x00\x00", 4));
    QCOMPARE(m_misc->WriteRegString(root, SettingsKey::path, u"Left"_qs, u"2880"_qs), True);
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    Registry::Handle key = 0;
    QCOMPARE(m_registry->RegOpenKeyExA(Registry::predefinedRoot(root), "SOFTWARE\\Yorv\\Varnoke", 0,
                                       Registry::AccessRead, &key),
             Registry::Success);
    QCOMPARE(m_registry->RegQueryValueExA(key, "Left", nullptr, &type, nullptr, &size),
             Registry::Success);
    m_registry->RegCloseKey(key);
    QCOMPARE(type, Registry::TypeString);
    QString text;
    QCOMPARE(m_misc->ReadRegString(root, SettingsKey::path, u"Left"_qs, text), True);
    QCOMPARE(text, u"2880"_qs);
}

// A store that can't be written makes the write false; the earlier value stays. Too many open
// files is a result of its own, a fault that may pass, for the saver to try again.
void tst_MiscFunctions::writeFailsQuietly()
{
    QCOMPARE(m_misc->WriteRegString(root, SettingsKey::path, u"Top"_qs, u"15"_qs), True);
    // The folder a new key needs is taken by a file (permissions would not stop root).
    QFile blocker(m_home->filePath(u"Blocked"_qs));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QCOMPARE(m_misc->WriteRegString(root, u"SOFTWARE\\Blocked\\Varnoke"_qs, u"Top"_qs, u"30"_qs),
             False);
    // No descriptor free but standard input, output and error; only after a line has been said,
    // as the sanitizers check a logging call the first time with a descriptor of their own.
    rlimit files {};
    QVERIFY(::getrlimit(RLIMIT_NOFILE, &files) == 0);
    const rlimit none {3, files.rlim_max};
    Registry::Result r = Registry::Success;
    QVERIFY(::setrlimit(RLIMIT_NOFILE, &none) == 0);
    const qint16 written = m_misc->WriteRegString(root, SettingsKey::path, u"Top"_qs, u"45"_qs, &r);
    QVERIFY(::setrlimit(RLIMIT_NOFILE, &files) == 0);
    QCOMPARE(std::pair(written, r), std::pair(False, Registry::TooManyOpenFiles));
    // Another root than the current user's is not there to write.
    QCOMPARE(m_misc->WriteRegString(0x80000002, SettingsKey::path, u"Top"_qs, u"30"_qs), False);
    QString text;
    QCOMPARE(m_misc->ReadRegString(0x80000002, SettingsKey::path, u"Top"_qs, text), False);
    QCOMPARE(m_misc->ReadRegString(root, SettingsKey::path, u"Top"_qs, text), True);
    QCOMPARE(text, u"15"_qs);
}

// A name that holds a NUL would name something else once it crosses as NUL-terminated bytes.
void tst_MiscFunctions::namesHoldingNul()
{
    QCOMPARE(m_misc->WriteRegString(root, SettingsKey::path, u"Top"_qs, u"15"_qs), True);
    const QString nulName = QString::fromLatin1("Top\0Left", 8);
    QCOMPARE(m_misc->WriteRegString(root, SettingsKey::path, nulName, u"99"_qs), False);
    QString text = u"x"_qs;
    QCOMPARE(m_misc->ReadRegString(root, SettingsKey::path, nulName, text), False);
    QCOMPARE(text, QString());
    QCOMPARE(m_misc->ReadRegString(root, SettingsKey::path, u"Top"_qs, text), True);
    QCOMPARE(text, u"15"_qs);
}

QTEST_GUILESS_MAIN(tst_MiscFunctions)
#include "tst_miscfunctions.moc"
