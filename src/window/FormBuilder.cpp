// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#include "FormBuilder.h"

#include "BgrColor.h"
#include "FormDesign.h"
#include "PanelStyle.h"

#include <QGroupBox>
#include <QHash>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QRadioButton>
#include <QResource>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <limits>
#include <span>

namespace {

QRect pixelRect(const ControlDesign &c)
{
    return QRect(twipsToPixels(c.left), twipsToPixels(c.top), twipsToPixels(c.width),
                 twipsToPixels(c.height));
}

QFont fontFor(ControlDesign::Font kind)
{
    QFont font;
    font.setFamilies(FontDesign::families());
    font.setPointSizeF(FontDesign::pointSize);
    // The weight is always set, so that a box never inherits the bold of its frame.
    font.setWeight(kind == ControlDesign::Font::Bold ? QFont::Weight(FontDesign::boldWeight)
                                                     : QFont::Normal);
    return font;
}

void setBackground(QWidget &widget, QPalette::ColorRole role, quint32 bgr)
{
    QPalette palette = widget.palette();
    palette.setColor(role, BgrColor::toColor(bgr));
    widget.setPalette(palette);
    widget.setAutoFillBackground(role == QPalette::Window);
}

double luminance(const QColor &c)
{
    auto channel = [](double v) {
        return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

// WCAG's contrast ratio, 1 to 21.
double contrast(const QColor &a, const QColor &b)
{
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The style greys a disabled control's text down to about 1.6:1 against its background, which
// is barely legible. Its text is darkened just enough for 4.5:1 (WCAG AA), so it still reads as
// disabled: grey on the greyed background, not black.
void legibleWhileDisabled(QWidget &widget)
{
    constexpr double wanted = 4.5;
    QPalette palette = widget.palette();
    for (const auto &[ink, paper] : {std::pair {QPalette::Text, QPalette::Base},
                                     std::pair {QPalette::WindowText, QPalette::Window}}) {
        const QColor background = palette.color(QPalette::Disabled, paper);
        QColor text = palette.color(QPalette::Disabled, ink);
        for (int step = 0; step < 64 && contrast(text, background) < wanted; ++step)
            text = text.darker(105);
        palette.setColor(QPalette::Disabled, ink, text);
    }
    widget.setPalette(palette);
}

QWidget *create(const ControlDesign &c, QWidget &parent, QStyle *frameStyle)
{
    const QString caption = QString::fromLatin1(c.caption);
    switch (c.kind) {
    case ControlDesign::Kind::OptionButton:
        return new QRadioButton(caption, &parent);
    case ControlDesign::Kind::Frame: {
        auto *frame = new QGroupBox(caption, &parent);
        frame->setStyle(frameStyle);
        frame->setFocusPolicy(Qt::NoFocus);
        return frame;
    }
    case ControlDesign::Kind::Label:
        return new QLabel(caption, &parent);
    case ControlDesign::Kind::TextBox: {
        auto *box = new QLineEdit(caption, &parent);
        box->setMaxLength(c.maxLength > 0 ? c.maxLength : std::numeric_limits<int>::max());
        box->setCursorPosition(0);
        if (c.background)
            setBackground(*box, QPalette::Base, *c.background);
        return box;
    }
    }
    return nullptr;
}

// Raw pixels need no image decoder, so no image plug-in is looked for at start-up.
QIcon iconFrom(std::span<const char *const> files)
{
    QIcon icon;
    for (const char *file : files) {
        const QByteArray pixels = QResource(QString::fromLatin1(file)).uncompressedData();
        const int side = int(std::sqrt(double(pixels.size() / 4)));
        if (side == 0 || pixels.size() != qsizetype(side) * side * 4)
            continue;
        const QImage image(reinterpret_cast<const uchar *>(pixels.constData()), side, side,
                           QImage::Format_ARGB32);
        icon.addPixmap(QPixmap::fromImage(image.copy()));
    }
    return icon;
}

} // namespace

void FormBuilder::build(QWidget &window, const FormDesign &design)
{
    window.setWindowTitle(QString::fromLatin1(design.caption));
    window.setFixedSize(twipsToPixels(design.clientWidth), twipsToPixels(design.clientHeight));
    setBackground(window, QPalette::Window, design.background);
    window.setFont(fontFor(ControlDesign::Font::Default));
    window.setWindowIcon(iconFrom(design.iconFiles));

    auto *frameStyle = new PanelStyle;
    frameStyle->setParent(&window);
    QHash<QString, QWidget *> byName;
    // Frames come after their children in tab order, so make every parent first.
    for (const auto kind : {ControlDesign::Kind::Frame, ControlDesign::Kind::OptionButton,
                            ControlDesign::Kind::Label, ControlDesign::Kind::TextBox}) {
        for (const ControlDesign &c : design.controls) {
            if (c.kind != kind)
                continue;
            QWidget *parent = c.parent ? byName.value(QString::fromLatin1(c.parent)) : &window;
            Q_ASSERT(parent);
            QWidget *widget = create(c, *parent, frameStyle);
            widget->setObjectName(QString::fromLatin1(c.name));
            widget->setGeometry(pixelRect(c));
            // Every control sets its own font, so a bold frame's boxes don't inherit bold.
            widget->setFont(fontFor(c.font));
            widget->setEnabled(c.enabled);
            if (!c.enabled)
                legibleWhileDisabled(*widget);
            if (c.toolTip)
                widget->setToolTip(QString::fromLatin1(c.toolTip));
            // A box's caption is its text, not its name: it is named by its frame here and by
            // its label below.
            if (c.kind != ControlDesign::Kind::TextBox)
                widget->setAccessibleName(QString::fromLatin1(c.caption));
            else if (auto *frame = qobject_cast<QGroupBox *>(parent))
                widget->setAccessibleName(frame->title());
            byName.insert(widget->objectName(), widget);
        }
    }

    QWidget *previous = nullptr;
    for (const ControlDesign &c : design.controls) {
        QWidget *widget = byName.value(QString::fromLatin1(c.name));
        if (c.kind == ControlDesign::Kind::Label) {
            // The label names its box for the keyboard and for screen readers.
            QWidget *box = byName.value(QString::fromLatin1(c.buddy));
            static_cast<QLabel *>(widget)->setBuddy(box);
            box->setAccessibleName(QString::fromLatin1(c.caption));
        }
        if (widget->focusPolicy() == Qt::NoFocus)
            continue;
        if (previous)
            QWidget::setTabOrder(previous, widget);
        previous = widget;
    }
}
