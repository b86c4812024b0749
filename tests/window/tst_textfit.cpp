// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#include "mock/FormFixture.h"
#include "window/FormDesign.h"

#include <QFontInfo>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOption>
#include <QTest>

#include <cmath>

// Every caption and text of the panel shown whole in its control, at the design's geometry, with
// the face that stands in for the design's. ctest runs this once per display scale
// (QT_SCALE_FACTOR); the rows are the controls and the texts they must show.
class tst_TextFit : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void textShownWhole_data();
    void textShownWhole();

private:
    std::unique_ptr<FormFixture> m_panel;
};

namespace {

// Room left over in a rectangle by a text; negative when the text is cut.
struct Fit
{
    double width;
    double height;
};

// A line edit shows its text unscrolled while the text, rounded, plus a pixel for the cursor fits
// the contents rectangle less the text margins and QLineEdit's own two pixels on either side.
Fit lineEditFit(const QLineEdit &box, const QString &text)
{
    QStyleOptionFrame option;
    option.initFrom(&box);
    option.rect = box.rect();
    option.lineWidth = box.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, &box);
    option.midLineWidth = 0;
    option.state |= QStyle::State_Sunken;
    option.features = QStyleOptionFrame::None;
    constexpr int horizontalMargin = 2;
    const QRect contents = box.style()
                               ->subElementRect(QStyle::SE_LineEditContents, &option, &box)
                               .marginsRemoved(box.textMargins());
    const QFontMetricsF fm(box.font());
    const double used = std::round(fm.horizontalAdvance(text)) + 1;
    const double height = std::ceil(qMax(fm.boundingRect(text).height(), fm.height()));
    return {contents.width() - 2 * horizontalMargin - used, contents.height() - height};
}

// How far the box has scrolled its text to show the cursor at the end: QLineEdit's own verdict.
int scrolledToEnd(QLineEdit &box, const QString &text)
{
    auto cursorLeft = [&box] {
        return box.inputMethodQuery(Qt::ImCursorRectangle).toRect().left();
    };
    box.clear();
    box.grab();
    const int home = cursorLeft();
    box.setText(text);
    box.setCursorPosition(int(text.size()));
    box.grab(); // painting decides the scroll
    box.setCursorPosition(0);
    return home - cursorLeft();
}

Fit labelFit(const QLabel &label)
{
    const QFontMetricsF fm(label.font());
    const QRectF needed = fm.boundingRect(label.text());
    const QRect room = label.contentsRect();
    return {room.width() - std::ceil(fm.horizontalAdvance(label.text())),
            room.height() - std::ceil(qMax(needed.height(), fm.height()))};
}

Fit radioButtonFit(const QRadioButton &button)
{
    QStyleOptionButton option;
    option.initFrom(&button);
    option.text = button.text();
    const QRect room =
        button.style()->subElementRect(QStyle::SE_RadioButtonContents, &option, &button);
    const QFontMetricsF fm(button.font());
    return {room.width() - std::ceil(fm.horizontalAdvance(button.text())),
            room.height() - std::ceil(fm.height())};
}

// A frame's title is laid out at its text's width; it is whole when that lies within the frame.
Fit groupBoxFit(const QGroupBox &frame)
{
    QStyleOptionGroupBox option;
    option.initFrom(&frame);
    option.text = frame.title();
    option.lineWidth = 1;
    option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
    option.textAlignment = frame.alignment();
    const QRect label = frame.style()->subControlRect(QStyle::CC_GroupBox, &option,
                                                      QStyle::SC_GroupBoxLabel, &frame);
    const QFontMetricsF fm(frame.font());
    const double width = std::ceil(fm.horizontalAdvance(frame.title()));
    return {frame.width() - 1 - (label.left() + width), label.height() - std::ceil(fm.height())};
}

} // namespace

void tst_TextFit::initTestCase()
{
    m_panel = std::make_unique<FormFixture>();
    m_panel->form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&m_panel->form));
    // The scale the run was asked for is the scale measured.
    const QByteArray asked = qgetenv("QT_SCALE_FACTOR");
    const double scale = asked.isEmpty() ? 1.0 : asked.toDouble();
    QCOMPARE(m_panel->form.devicePixelRatioF(), scale);
    qInfo("scale %.2f, style %s", scale, qPrintable(m_panel->form.style()->name()));
}

void tst_TextFit::cleanupTestCase()
{
    m_panel.reset();
}

void tst_TextFit::textShownWhole_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text"); // for a text box; a caption is the control's own

    for (const ControlDesign &c : FormDesign::formMain().controls) {
        const QString name = QString::fromLatin1(c.name);
        if (c.kind != ControlDesign::Kind::TextBox) {
            QTest::newRow(c.name) << name << QString();
            continue;
        }
        QTest::addRow("%s: \"%s\"", c.name, c.caption) << name << QString::fromLatin1(c.caption);
    }
    // A full-length value in each value box, in the form of its design value, and the longest
    // dotted address in the IP box.
    QTest::newRow("txtFreq: 10 characters") << "txtFreq"
                                            << "999.999999";
    QTest::newRow("txtManual: 6 characters") << "txtManual"
                                             << "-9.999";
    QTest::newRow("txtManual: 6 digits") << "txtManual"
                                         << "999999";
    QTest::newRow("txtStop: 6 characters") << "txtStop"
                                           << "99.999";
    QTest::newRow("txtVcoCtrl: 5 characters") << "txtVcoCtrl"
                                              << "65535";
    QTest::newRow("txtIP: 15 characters") << "txtIP"
                                          << "255.255.255.255";
}

void tst_TextFit::textShownWhole()
{
    QFETCH(QString, name);
    QFETCH(QString, text);

    QWidget *widget = m_panel->form.findChild<QWidget *>(name);
    QVERIFY(widget);
    const QString face = QFontInfo(widget->font()).family();
    QVERIFY2(FontDesign::families().contains(face.section(QStringLiteral(" ["), 0, 0)),
             qPrintable(face));

    Fit fit {};
    if (auto *box = qobject_cast<QLineEdit *>(widget)) {
        QVERIFY(text.size() <= box->maxLength());
        fit = lineEditFit(*box, text);
        QCOMPARE(scrolledToEnd(*box, text), 0);
    } else if (auto *label = qobject_cast<QLabel *>(widget)) {
        fit = labelFit(*label);
    } else if (auto *button = qobject_cast<QRadioButton *>(widget)) {
        fit = radioButtonFit(*button);
    } else if (auto *frame = qobject_cast<QGroupBox *>(widget)) {
        fit = groupBoxFit(*frame);
    } else {
        QFAIL("a control of a kind this test does not know");
    }
    qInfo("%s: %.2f px to spare across, %.2f down (%s)", qPrintable(name), fit.width, fit.height,
          qPrintable(face));
    QVERIFY2(fit.width >= 0, "cut off at the side");
    QVERIFY2(fit.height >= 0, "cut off at the top or bottom");
}

QTEST_MAIN(tst_TextFit)
#include "tst_textfit.moc"
