// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#include "Regedit4.h"
#include "registry/Registry.h"
#include "registry/RegistryFile.h"

#include <QTest>

static const QByteArray keyPath = "SOFTWARE\\Yorv\\Varnoke";

// The settings file's text: each value's line, what people write, and what is not ours to read.
class tst_RegistryFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void valueLine_data();
    void valueLine();
    void personWritten_data();
    void personWritten();
    void notRegistryText_data();
    void notRegistryText();
};

// Each value's line in the file, and the same type and bytes back from it.
void tst_RegistryFile::valueLine_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<uint>("type");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QByteArray>("line");

    const uint sz = Registry::TypeString;
    QTest::newRow("string") << QByteArray("IP Address") << sz << QByteArray("10.0.0.7\0", 9)
                            << QByteArray(R"("IP Address"="10.0.0.7")");
    QTest::newRow("escapes") << QByteArray(R"(a"b\c)") << sz << QByteArray("x\\\"y\0", 5)
                             << QByteArray(R"("a\"b\\c"="x\\\"y")");
    QTest::newRow("default value")
        << QByteArray() << sz << QByteArray("d\0", 2) << QByteArray(R"(@="d")");
    QTest::newRow("empty text") << QByteArray("e") << sz << QByteArray("\0", 1)
                                << QByteArray(R"("e"="")");
    QTest::newRow("no terminator")
        << QByteArray("n") << sz << QByteArray("ab") << QByteArray(R"("n"=hex(1):61,62)");
    QTest::newRow("no data") << QByteArray("z") << sz << QByteArray()
                             << QByteArray(R"("z"=hex(1):)");
    QTest::newRow("inner nul") << QByteArray("i") << sz << QByteArray("a\0b\0", 4)
                               << QByteArray(R"("i"=hex(1):61,00,62,00)");
    QTest::newRow("two terminators")
        << QByteArray("t") << sz << QByteArray("a\0\0", 3) << QByteArray(R"("t"=hex(1):61,00,00)");
    QTest::newRow("not 7-bit") << QByteArray("h") << sz << QByteArray("\xe9t\xe9\0", 4)
                               << QByteArray(R"("h"=hex(1):e9,74,e9,00)");
    QTest::newRow("control") << QByteArray("c") << sz << QByteArray("a\tb\0", 4)
                             << QByteArray(R"("c"=hex(1):61,09,62,00)");
    QTest::newRow("dword") << QByteArray("Left") << uint(Registry::TypeDword)
                           << QByteArray("\x00\x01\x00\x80", 4)
                           << QByteArray(R"("Left"=dword:80000100)");
    QTest::newRow("short dword") << QByteArray("d") << uint(Registry::TypeDword)
                                 << QByteArray("\x01\x02", 2) << QByteArray(R"("d"=hex(4):01,02)");
    QTest::newRow("binary") << QByteArray("b") << uint(Registry::TypeBinary)
                            << QByteArray("\x00\x80\xff", 3) << QByteArray(R"("b"=hex:00,80,ff)");
    QTest::newRow("expand") << QByteArray("x") << uint(Registry::TypeExpandString)
                            << QByteArray("%A%\0", 4) << QByteArray(R"("x"=hex(2):25,41,25,00)");
    QTest::newRow("odd type") << QByteArray("o") << 0x12345u << QByteArray("\x07", 1)
                              << QByteArray(R"("o"=hex(12345):07)");
    QTest::newRow("long binary") << QByteArray("l") << uint(Registry::TypeBinary)
                                 << QByteArray(26, '\x11')
                                 << QByteArray("\"l\"=hex:" + QByteArray("11,").repeated(24)
                                               + "11,\\\n  11");
}

void tst_RegistryFile::valueLine()
{
    QFETCH(QByteArray, name);
    QFETCH(uint, type);
    QFETCH(QByteArray, data);
    QFETCH(QByteArray, line);

    RegistryFile file(keyPath);
    file.setValue(name, type, data);
    const QByteArray text = file.toText();
    QCOMPARE(text, regedit4(line + '\n'));

    // The same value back, and nothing else: the text written again is the same.
    const auto back = RegistryFile::parse(text, keyPath);
    QVERIFY(back);
    const RegistryValue *v = back->value(name);
    QVERIFY(v);
    QCOMPARE(v->name, name);
    QCOMPARE(v->type, type);
    QCOMPARE(v->data, data);
    QCOMPARE(back->toText(), text);
}

// What a person or an export from Windows may write reads as meant.
void tst_RegistryFile::personWritten_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<uint>("type");
    QTest::addColumn<QByteArray>("data");

    const QByteArray head = regedit4({}, "\r\n");
    const uint sz = Registry::TypeString;
    QTest::newRow("crlf") << head + "\"Top\"=\"1200\"\r\n"
                          << QByteArray("Top") << sz << QByteArray("1200\0", 5);
    QTest::newRow("lf, comments, blanks")
        << QByteArray("; saved by hand\nREGEDIT4\n\n\n[HKEY_CURRENT_USER\\SOFTWARE\\Yorv\\"
                      "Varnoke]\n; the unit\n\n\"IP Address\"=\"10.1.2.3\"\n")
        << QByteArray("IP Address") << sz << QByteArray("10.1.2.3\0", 9);
    QTest::newRow("continued hex")
        << head + "\"b\"=hex:01,02,\\\r\n  03,\\\r\n    04\r\n"
        << QByteArray("b") << uint(Registry::TypeBinary) << QByteArray("\x01\x02\x03\x04", 4);
    QTest::newRow("spaces") << head + "  \"s\" = \"a b\"  \r\n\"h\"=hex: 0a , 0B\r\n"
                            << QByteArray("h") << uint(Registry::TypeBinary)
                            << QByteArray("\x0a\x0b", 2);
    QTest::newRow("upper-case dword")
        << head + "\"d\"=DWORD:0000FFFF\r\n"
        << QByteArray("d") << uint(Registry::TypeDword) << QByteArray("\xff\xff\x00\x00", 4);
    QTest::newRow("short dword digits")
        << head + "\"d\"=dword:1\r\n"
        << QByteArray("d") << uint(Registry::TypeDword) << QByteArray("\x01\x00\x00\x00", 4);
    QTest::newRow("later line wins") << head + "\"v\"=\"1\"\r\n\"V\"=\"2\"\r\n"
                                     << QByteArray("v") << sz << QByteArray("2\0", 2);
    QTest::newRow("same key twice") << head + "\"a\"=\"1\"\r\n" + keySection + "\r\n\"b\"=\"2\"\r\n"
                                    << QByteArray("a") << sz << QByteArray("1\0", 2);
    QTest::newRow("mixed-case header")
        << QByteArray("REGEDIT4\n[hkey_current_user\\software\\yorv\\varnoke]\n\"x\"=\"y\"\n")
        << QByteArray("x") << sz << QByteArray("y\0", 2);
}

void tst_RegistryFile::personWritten()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, name);
    QFETCH(uint, type);
    QFETCH(QByteArray, data);

    const auto file = RegistryFile::parse(text, keyPath);
    QVERIFY(file);
    const RegistryValue *v = file->value(name);
    QVERIFY(v);
    QCOMPARE(v->type, type);
    QCOMPARE(v->data, data);
}

void tst_RegistryFile::notRegistryText_data()
{
    QTest::addColumn<QByteArray>("text");
    const QByteArray head = regedit4();
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("no header line") << keySection + "\n\"a\"=\"b\"\n";
    QTest::newRow("other header") << "Windows Registry Editor Version 5.00\n\n" + keySection + '\n';
    QTest::newRow("no key") << QByteArray("REGEDIT4\n\"a\"=\"b\"\n");
    QTest::newRow("unterminated quote") << head + "\"a\"=\"b\n";
    QTest::newRow("bad escape") << head + "\"a\"=\"b\\n\"\n";
    QTest::newRow("bad hex") << head + "\"a\"=hex:0g\n";
    QTest::newRow("wide hex") << head + "\"a\"=hex:100\n";
    QTest::newRow("long dword") << head + "\"a\"=dword:123456789\n";
    QTest::newRow("no equals") << head + "\"a\" \"b\"\n";
    QTest::newRow("garbage") << head + "IP=10.0.0.1\n";
    QTest::newRow("truncated") << head + "\"a\"=hex:01,\\\n";
    QTest::newRow("binary junk") << QByteArray("\x00\xff\xfeR\x00", 5);
}

void tst_RegistryFile::notRegistryText()
{
    QFETCH(QByteArray, text);
    QVERIFY(!RegistryFile::parse(text, keyPath));
}

QTEST_GUILESS_MAIN(tst_RegistryFile)
#include "tst_registryfile.moc"
