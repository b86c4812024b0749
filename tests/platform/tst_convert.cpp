// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#include "platform/AnsiCodec.h"
#include "platform/Convert.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <clocale>

class tst_Convert : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void leadingNumber_data();
    void leadingNumber();
    void numberTextReadsBack_data();
    void numberTextReadsBack();
    void ignoresUserLocale();
    void int16_data();
    void int16();
    void trimOnlySpaces();
    void ansiAsciiUnchanged();
    void ansiWindows1252();
    void ansiEveryByteRoundTrips();
};

void tst_Convert::leadingNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::newRow("integer") << "2880" << 2880.0;
    QTest::newRow("negative") << "-150" << -150.0;
    QTest::newRow("fraction") << "1234.5" << 1234.5;
    QTest::newRow("leading blanks") << "  \t42" << 42.0;
    QTest::newRow("trailing junk") << "12abc" << 12.0;
    QTest::newRow("exponent") << "1.5E+03" << 1500.0;
    QTest::newRow("bare e is not an exponent") << "7e" << 7.0;
    QTest::newRow("letters") << "abc" << 0.0;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("sign alone") << "-" << 0.0;
    QTest::newRow("dot alone") << "." << 0.0;
    QTest::newRow("out of range") << "1e999" << 0.0;
}

void tst_Convert::leadingNumber()
{
    QFETCH(QString, text);
    QFETCH(double, value);
    QCOMPARE(Convert::Val(text), value);
}

void tst_Convert::numberTextReadsBack_data()
{
    QTest::addColumn<float>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("two inches") << 2880.0f << "2880";
    QTest::newRow("negative") << -150.0f << "-150";
    QTest::newRow("fraction") << 1234.5f << "1234.5";
    QTest::newRow("zero") << 0.0f << "0";
    QTest::newRow("large") << 16777216.0f << QString();
    QTest::newRow("awkward") << 0.1f << "0.1";
}

void tst_Convert::numberTextReadsBack()
{
    QFETCH(float, value);
    QFETCH(QString, text);
    const QString written = Convert::Str(value);
    if (!text.isEmpty())
        QCOMPARE(written, text);
    QVERIFY(!written.startsWith(u' '));
    QCOMPARE(float(Convert::Val(written)), value);
}

void tst_Convert::ignoresUserLocale()
{
    // A user whose locale writes decimal commas still reads back what the panel wrote. Few
    // machines have such a locale built, so it is built here from the locales package's sources.
    QTemporaryDir built;
    QVERIFY(built.isValid());
    QProcess localedef;
    localedef.start(QStringLiteral("localedef"),
                    {QStringLiteral("-i"), QStringLiteral("de_DE"), QStringLiteral("-f"),
                     QStringLiteral("ISO-8859-1"), built.filePath(QStringLiteral("de_DE"))});
    QVERIFY2(localedef.waitForFinished(60000) && localedef.exitCode() == 0,
             qPrintable(QStringLiteral("localedef (package locales) could not build de_DE: ")
                        + localedef.errorString() + u' ' + localedef.readAllStandardError()));
    const QByteArray oldPath = qgetenv("LOCPATH");
    qputenv("LOCPATH", QFile::encodeName(built.path()));
    const QByteArray saved(std::setlocale(LC_NUMERIC, nullptr));
    const bool german = std::setlocale(LC_NUMERIC, "de_DE") != nullptr;
    const QByteArray point(german ? std::localeconv()->decimal_point : "");
    const double read = Convert::Val(u"2.5");
    const QString written = Convert::Str(2.5f);
    std::setlocale(LC_NUMERIC, saved.constData());
    qputenv("LOCPATH", oldPath);
    QCOMPARE(point, QByteArray(",")); // the locale is in force
    QCOMPARE(read, 2.5);
    QCOMPARE(written, QStringLiteral("2.5"));
}

void tst_Convert::int16_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("converts");
    QTest::addColumn<int>("value");
    QTest::newRow("normal") << "0" << true << 0;
    QTest::newRow("maximised") << "2" << true << 2;
    QTest::newRow("blanks around") << " 1 " << true << 1;
    QTest::newRow("half to even") << "2.5" << true << 2;
    QTest::newRow("negative") << "-32768" << true << -32768;
    QTest::newRow("too big") << "32768" << false << 0;
    QTest::newRow("letters") << "max" << false << 0;
    QTest::newRow("number then letters") << "2x" << false << 0;
    QTest::newRow("empty") << "" << false << 0;
}

void tst_Convert::int16()
{
    QFETCH(QString, text);
    QFETCH(bool, converts);
    QFETCH(int, value);
    const auto result = Convert::CInt(text);
    QCOMPARE(result.has_value(), converts);
    if (converts)
        QCOMPARE(int(*result), value);
}

void tst_Convert::trimOnlySpaces()
{
    QCOMPARE(Convert::Trim(u"  1.5  "), u"1.5");
    QCOMPARE(Convert::Trim(u" a b "), u"a b");
    QCOMPARE(Convert::Trim(u"\t1\t"), u"\t1\t");
    QCOMPARE(Convert::Trim(u"   "), u"");
}

void tst_Convert::ansiAsciiUnchanged()
{
    const QString ascii = QStringLiteral("FR 150.000000 ~!\"\\");
    QCOMPARE(AnsiCodec::encode(ascii), ascii.toLatin1());
    QCOMPARE(AnsiCodec::decode(ascii.toLatin1()), ascii);
}

void tst_Convert::ansiWindows1252()
{
    QCOMPARE(AnsiCodec::encode(u"\u00B5s \u20AC"), QByteArray("\xB5s \x80"));
    // One character, one byte: what the code page can't hold is one '?', surrogate pairs too.
    QCOMPARE(AnsiCodec::encode(u"\u4E2D\U0001F600x"), QByteArray("??x"));
    QCOMPARE(AnsiCodec::decode(QByteArray("\x80\x9F")), QStringLiteral("\u20AC\u0178"));
}

void tst_Convert::ansiEveryByteRoundTrips()
{
    QByteArray all(256, Qt::Uninitialized);
    for (int i = 0; i < 256; ++i)
        all[i] = char(i);
    QCOMPARE(AnsiCodec::encode(AnsiCodec::decode(all)), all);
}

QTEST_GUILESS_MAIN(tst_Convert)
#include "tst_convert.moc"
