// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
//
// The floor for start-up and memory: the least a Qt 6 program does to put a window of the
// panel's size and colour on screen. With --text it also shows one line of text, which is what
// brings in the font machinery every window with words pays for.

#include <QApplication>
#include <QLabel>
#include <QWidget>

#include <cstring>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Minimal"));
    window.setFixedSize(335, 181);
    QPalette palette = window.palette();
    palette.setColor(QPalette::Window, QColor(255, 255, 192));
    window.setPalette(palette);
    window.setAutoFillBackground(true);
    if (argc > 1 && std::strcmp(argv[1], "--text") == 0)
        (new QLabel(QStringLiteral("Manual"), &window))->move(127, 67);
    window.show();
    return app.exec();
}
