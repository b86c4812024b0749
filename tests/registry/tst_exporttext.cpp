// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#include "SettingsFiles.h"

#include <QRegularExpression>
#include <QTemporaryDir>

// The settings file's text through the registry calls: each value's line, and what people,
// editors and exports write, kept byte for byte but for the line a save changes.
class tst_ExportText : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void valueLine_data();
    void valueLine();
    void personWritten_data();
    void personWritten();
    void fileForms_data();
    void fileForms();
    void notRegistryText_data();
    void notRegistryText();

private:
    QString home() const { return m_home.filePath(QString::fromLatin1(QTest::currentDataTag())); }
    QString file() const { return home() + u"/Yorv/Varnoke.reg"_qs; }

    QTemporaryDir m_home;
};

// Each value's line in the file, and the same type and bytes back from it.
void tst_ExportText::valueLine_data()
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

void tst_ExportText::valueLine()
{
    QFETCH(QByteArray, name);
    QFETCH(uint, type);
    QFETCH(QByteArray, data);
    QFETCH(QByteArray, line);

    FileRegistry registry(home());
    // The byte past the data is not a NUL, so none is taken in as a string's terminator.
    QCOMPARE(setValue(registry, name, type, data + 'X', data.size()), Registry::Success);
    QCOMPARE(readAll(file()), regedit4(line + '\n'));
    std::uint32_t back = 0;
    QCOMPARE(queryValue(registry, name, &back), data);
    QCOMPARE(back, type);
}

// What a person or an export from Windows may write reads as meant.
void tst_ExportText::personWritten_data()
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
    QTest::newRow("escapes of exports") << head + R"("e"="a\nb\r\0c\\\"")" << QByteArray("e") << sz
                                        << QByteArray("a\nb\r\0c\\\"\0", 9);
    QTest::newRow("REGEDIT4 in UTF-8 reads as Windows-1252")
        << regedit4("\"o\"=\"Zo\xc3\xab\"\n") << QByteArray("o") << sz
        << QByteArray("Zo\xc3\xab\0", 5);
    QTest::newRow("version 5 header, 8-bit")
        << QByteArray("Windows Registry Editor Version 5.00\n\n" + keySection + "\n\"x\"=\"y\"\n")
        << QByteArray("x") << sz << QByteArray("y\0", 2);
}

void tst_ExportText::personWritten()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, name);
    QFETCH(uint, type);
    QFETCH(QByteArray, data);

    writeAll(file(), text);
    FileRegistry registry(home());
    std::uint32_t back = 0;
    QCOMPARE(queryValue(registry, name, &back), data);
    QCOMPARE(back, type);
}

// Settings files as Windows, Wine, editors and people leave them, each kept under forms/: the
// address is read, and a save of another address changes its line and nothing else. A line the
// store can't read is kept as it is and said once.
void tst_ExportText::fileForms_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("wide"); // UTF-16LE
    QTest::addColumn<QByteArray>("address");
    QTest::addColumn<QByteArray>("name"); // another value, and what a query of it gives
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<bool>("unreadLines");

    const auto form = [](const char *name) {
        return readAll(QFINDTESTDATA(QString::fromLatin1("forms/") + QLatin1String(name)));
    };
    QTest::newRow("Wine's export of the parent key")
        << form("wine-parent-export.reg") << true << QByteArray("10.77.0.2") << QByteArray("Note")
        << QByteArray("line1\nline2\0", 12) << false;
    QTest::newRow("version 5 in ANSI")
        << form("version5-ansi.reg") << false << QByteArray("10.77.0.3") << QByteArray("Operator")
        << QByteArray("Zo\xeb\0", 4) << false;
    QTest::newRow("version 5 in UTF-8 with its mark")
        << form("version5-utf8-bom.reg") << false << QByteArray("10.77.0.4")
        << QByteArray("Operator") << QByteArray("Zo\xeb ?ta\0", 8) << false;
    QTest::newRow("CR line ends") << form("regedit4-cr.reg") << false << QByteArray("10.77.0.5")
                                  << QByteArray("Operator") << QByteArray("Zo\xeb\0", 4) << false;
    QTest::newRow("two exports joined")
        << form("joined-exports.reg") << true << QByteArray("10.77.0.6") << QByteArray("Operator")
        << QByteArray("Ann\0", 4) << true;
    QTest::newRow("two REGEDIT4 exports joined")
        << form("joined-regedit4.reg") << false << QByteArray("10.77.0.7") << QByteArray("Operator")
        << QByteArray("Ann\0", 4) << true;
    QTest::newRow("odd lines") << form("odd-lines.reg") << false << QByteArray("10.77.0.8")
                               << QByteArray("Mode") << QByteArray("error 2") << true;
    const QByteArray ip = "\"IP Address\"=\"10.0.0.1\"\n";
    for (const char *odd : {"\"a\"=\"b", R"("a"="b\q")", "\"a\"=hex:0g", "\"a\"=hex:100",
                            "\"a\"=dword:123456789", "\"a\" \"b\"", "IP=10.0.0.1"})
        QTest::newRow(odd) << regedit4(ip + odd + '\n') << false << QByteArray("10.0.0.1")
                           << QByteArray("a") << QByteArray("error 2") << true;
    QTest::newRow("outside any section")
        << "REGEDIT4\n\"a\"=\"b\"\n" + keySection + '\n' + ip << false << QByteArray("10.0.0.1")
        << QByteArray("a") << QByteArray("error 2") << true;
    QTest::newRow("continued at the end")
        << regedit4(ip + "\"a\"=hex:01,\\\n") << false << QByteArray("10.0.0.1") << QByteArray("a")
        << QByteArray("error 2") << true;
}

void tst_ExportText::fileForms()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, wide);
    QFETCH(QByteArray, address);
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, data);
    QFETCH(bool, unreadLines);

    static bool said = false;
    if (unreadLines && !std::exchange(said, true))
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression(u"line\\(s\\) the store can't read, "
                                                "kept as they are .*Varnoke.reg"_qs));
    writeAll(file(), bytes);
    FileRegistry registry(home());
    QCOMPARE(queryValue(registry, "IP Address"), address + '\0');
    QCOMPARE(queryValue(registry, name), data);
    QCOMPARE(setValue(registry, "IP Address", Registry::TypeString, "10.77.0.42"),
             Registry::Success);
    const auto encoded = [wide](const QByteArray &ascii) {
        QByteArray out;
        for (const char c : ascii)
            out += wide ? QByteArray(1, c) + '\0' : QByteArray(1, c);
        return out;
    };
    QByteArray expected = bytes;
    expected.replace(encoded("\"IP Address\"=\"" + address + '"'),
                     encoded("\"IP Address\"=\"10.77.0.42\""));
    QVERIFY(expected != bytes);
    QCOMPARE(readAll(file()), expected);
    QCOMPARE(QDir(home() + u"/Yorv"_qs).entryList({u"*.bad-*"_qs}), QStringList());
}

// Without a header first, a file is not a registry export: it reads as holding no values (and
// the next save keeps it aside, as tst_fileregistry shows).
void tst_ExportText::notRegistryText_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("no header line") << keySection + "\n\"IP Address\"=\"10.0.0.1\"\n";
    QTest::newRow("a value first") << "\"IP Address\"=\"10.0.0.1\"\n" + regedit4();
    QTest::newRow("binary junk") << QByteArray("\x00\xff\xfeR\x00", 5);
}

void tst_ExportText::notRegistryText()
{
    QFETCH(QByteArray, text);
    static bool said = false;
    if (!std::exchange(said, true))
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"not a registry file"_qs));
    writeAll(file(), text);
    FileRegistry registry(home());
    QCOMPARE(queryValue(registry, "IP Address"), QByteArray("error 2"));
}

QTEST_GUILESS_MAIN(tst_ExportText)
#include "tst_exporttext.moc"
