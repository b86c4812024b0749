// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT

// The icon as the build renders it: every size present and drawn, on a transparent ground, the
// gold sphere crossed from lower left to upper right by a light beam.

#include <QColor>
#include <QImage>
#include <QTest>

class tst_IconRenderer : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void rendering_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<QString>("path");

        const QStringList paths = QStringLiteral(VARNOKE_ICON_PNGS).split(u',');
        const QStringList sizes = QStringLiteral(VARNOKE_ICON_SIZES).split(u',');
        QCOMPARE(paths.size(), sizes.size());
        for (qsizetype i = 0; i < paths.size(); ++i)
            QTest::newRow(qPrintable(sizes[i] + QStringLiteral(" px")))
                << sizes[i].toInt() << paths[i];
    }
    void rendering()
    {
        QFETCH(int, size);
        QFETCH(QString, path);

        const QImage image(path);
        QVERIFY2(!image.isNull(), qPrintable(path));
        QCOMPARE(image.size(), QSize(size, size));
        QVERIFY(image.hasAlphaChannel());

        const auto at = [&](double x, double y) {
            return image.pixelColor(int(x * size), int(y * size));
        };
        // Corners, and the corner the beam does not reach, are see-through.
        for (const QColor &corner : {at(0, 0), at(0.99, 0.99), at(0.2, 0.2), at(0.8, 0.8)})
            QCOMPARE(corner.alpha(), 0);
        // Gold on both sides of the beam: opaque, warm, red and green well above blue.
        for (const QColor &gold : {at(0.3, 0.5), at(0.66, 0.66)}) {
            QCOMPARE(gold.alpha(), 255);
            QVERIFY2(gold.red() > gold.blue() + 80 && gold.green() > gold.blue() + 40,
                     qPrintable(gold.name()));
        }
        // The beam runs through the middle and out past the sphere at lower left and upper right:
        // grey to white, so no colour cast.
        for (const QColor &beam : {at(0.5, 0.5), at(0.22, 0.78), at(0.78, 0.22)}) {
            QCOMPARE(beam.alpha(), 255);
            QVERIFY2(std::max({beam.red(), beam.green(), beam.blue()})
                             - std::min({beam.red(), beam.green(), beam.blue()})
                         < 24,
                     qPrintable(beam.name()));
            QVERIFY2(beam.lightness() > 100, qPrintable(beam.name()));
        }
    }
};

QTEST_GUILESS_MAIN(tst_IconRenderer)
#include "tst_iconrenderer.moc"
