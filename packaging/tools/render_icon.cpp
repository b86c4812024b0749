// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT

// Renders the program's SVG icon to square PNGs at build time, so the bitmaps in the build tree,
// the window and the package always match the drawing. An output named *.argb gets the raw
// 32-bit ARGB pixels instead, row by row: the window takes those as they are, without decoding.
// Usage: varnoke_render_icon <icon.svg> <size> <output> [<size> <output> ...]

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>

int main(int argc, char *argv[])
{
    if (argc < 4 || argc % 2 != 0) {
        std::fprintf(stderr, "usage: %s <icon.svg> <size> <output.png> [<size> <output.png> ...]\n",
                     argv[0]);
        return 2;
    }
    // A build step must not need a display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    QSvgRenderer renderer(QString::fromLocal8Bit(argv[1]));
    if (!renderer.isValid()) {
        std::fprintf(stderr, "%s: cannot read the SVG drawing %s\n", argv[0], argv[1]);
        return 1;
    }
    for (int i = 2; i + 1 < argc; i += 2) {
        bool ok = false;
        const int size = QByteArray(argv[i]).toInt(&ok);
        const QString output = QString::fromLocal8Bit(argv[i + 1]);
        if (!ok || size < 1 || size > 4096) {
            std::fprintf(stderr, "%s: bad icon size %s\n", argv[0], argv[i]);
            return 2;
        }
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter, QRectF(0, 0, size, size));
        painter.end();
        const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
        bool written = QDir().mkpath(QFileInfo(output).absolutePath());
        if (written && output.endsWith(QLatin1String(".argb"))) {
            QFile raw(output);
            written = raw.open(QIODevice::WriteOnly)
                && raw.write(reinterpret_cast<const char *>(argb.constBits()), argb.sizeInBytes())
                    == argb.sizeInBytes();
        } else if (written) {
            written = argb.save(output, "PNG");
        }
        if (!written) {
            std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[i + 1]);
            return 1;
        }
    }
    return 0;
}
