// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#include "mock/FakePlatform.h"
#include "window/FormDesign.h"
#include "window/formMain.h"

#include <QApplication>
#include <QClipboard>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>

#include <cmath>

class tst_FormDesign : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void window();
    void controlsAsDesigned();
    void fonts();
    void tabOrderSkipsThePortBox();
    void typingStopsAtMaxLength_data();
    void typingStopsAtMaxLength();
    void pastingStopsAtMaxLength();
    void ipBoxHasNoLimit();
    void portBoxCannotBeEdited();
    void modesAreExclusiveAndNoneChosen();
    void screenReadersHearTheLabels();
    void portBoxLegibleWhileDisabled();

private:
    template<typename T> T *find(const char *name) const
    {
        return m_form->findChild<T *>(QString::fromLatin1(name));
    }

    std::unique_ptr<FakePlatform> m_platform;
    std::unique_ptr<formMain> m_form;
};

void tst_FormDesign::init()
{
    m_platform = std::make_unique<FakePlatform>();
    m_form = std::make_unique<formMain>(m_platform->services);
}

void tst_FormDesign::cleanup()
{
    m_form.reset();
    m_platform.reset();
}

void tst_FormDesign::window()
{
    QCOMPARE(m_form->windowTitle(), QStringLiteral("Varnoke Automation Test"));
    QCOMPARE(m_form->size(), QSize(335, 181));
    QCOMPARE(m_form->minimumSize(), m_form->maximumSize()); // can't be resized
    QCOMPARE(m_form->palette().color(QPalette::Window), QColor(255, 255, 192));
    const QList<QSize> iconSizes = m_form->windowIcon().availableSizes();
    QVERIFY(iconSizes.contains(QSize(32, 32)) && iconSizes.contains(QSize(64, 64)));
}

void tst_FormDesign::controlsAsDesigned()
{
    // Every control of the design, under its name and parent, whole inside that parent, showing
    // its caption; each label on its box's top edge, to the left of it.
    for (const ControlDesign &c : FormDesign::formMain().controls) {
        const QWidget *widget = find<QWidget>(c.name);
        QVERIFY2(widget, c.name);
        const QWidget *parent = widget->parentWidget();
        QCOMPARE(parent->objectName(), QString::fromLatin1(c.parent ? c.parent : "formMain"));
        QVERIFY2(parent->rect().contains(widget->geometry()), c.name);
        QVERIFY2(!widget->isHidden(), c.name);
        QCOMPARE(widget->isEnabled(), c.enabled);
        QCOMPARE(widget->toolTip(), QString::fromLatin1(c.toolTip ? c.toolTip : ""));
        QString shown;
        if (auto *button = qobject_cast<const QRadioButton *>(widget))
            shown = button->text();
        else if (auto *frame = qobject_cast<const QGroupBox *>(widget))
            shown = frame->title();
        else if (auto *label = qobject_cast<const QLabel *>(widget))
            shown = label->text();
        else if (auto *box = qobject_cast<const QLineEdit *>(widget))
            shown = box->text();
        QCOMPARE(shown, QString::fromLatin1(c.caption));
        if (c.kind == ControlDesign::Kind::Label) {
            const QWidget *box = find<QWidget>(c.buddy);
            QCOMPARE(widget->y(), box->y());
            QVERIFY2(widget->geometry().right() < box->x(), c.name);
        }
    }
}

void tst_FormDesign::fonts()
{
    for (const char *name : {"framIP", "framPort", "Label1", "Label2", "Label3", "Label4"}) {
        const QFont font = find<QWidget>(name)->font();
        QVERIFY2(font.bold() && font.family() == QStringLiteral("MS Sans Serif"), name);
        QCOMPARE(font.pointSizeF(), 8.25);
        QVERIFY(!font.italic() && !font.underline() && !font.strikeOut());
    }
    // The boxes inside the bold frames, the mode group and its buttons keep the regular face.
    for (const char *name : {"txtIP", "txtPort", "Frame1", "OptRun", "txtFreq"})
        QVERIFY2(!find<QWidget>(name)->font().bold(), name);
    QCOMPARE(find<QLineEdit>("txtIP")->palette().color(QPalette::Base), QColor(255, 192, 192));
}

void tst_FormDesign::tabOrderSkipsThePortBox()
{
    m_form->show();
    QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("OptRun"));
    QStringList visited;
    for (int i = 0; i < 6; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited << QApplication::focusWidget()->objectName();
    }
    // The mode group is one stop for Tab (arrows move inside it); the disabled port box none.
    QCOMPARE(visited,
             QStringList({"txtIP", "txtManual", "txtStop", "txtFreq", "txtVcoCtrl", "OptRun"}));
    QVERIFY(!find<QRadioButton>("OptRun")->isChecked()); // focus alone chooses nothing
}

void tst_FormDesign::typingStopsAtMaxLength_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("maxLength");
    QTest::newRow("txtVcoCtrl") << "txtVcoCtrl" << 5;
    QTest::newRow("txtManual") << "txtManual" << 6;
    QTest::newRow("txtStop") << "txtStop" << 6;
    QTest::newRow("txtFreq") << "txtFreq" << 10;
}

void tst_FormDesign::typingStopsAtMaxLength()
{
    QFETCH(QString, name);
    QFETCH(int, maxLength);
    auto *box = m_form->findChild<QLineEdit *>(name);
    box->clear();
    QTest::keyClicks(box, QStringLiteral("123456789012345"));
    QCOMPARE(box->text(), QStringLiteral("123456789012345").left(maxLength));
}

void tst_FormDesign::pastingStopsAtMaxLength()
{
    auto *box = find<QLineEdit>("txtFreq");
    box->clear();
    QGuiApplication::clipboard()->setText(QStringLiteral("1234567890ABCDEF"));
    box->paste();
    QCOMPARE(box->text(), QStringLiteral("1234567890"));
}

void tst_FormDesign::ipBoxHasNoLimit()
{
    auto *box = find<QLineEdit>("txtIP");
    const QString longText(70000, u'9');
    QGuiApplication::clipboard()->setText(longText);
    box->clear();
    box->paste();
    QCOMPARE(box->text().size(), longText.size());
}

void tst_FormDesign::portBoxCannotBeEdited()
{
    m_form->show();
    QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
    auto *port = find<QLineEdit>("txtPort");
    QTest::mouseClick(port, Qt::LeftButton);
    QVERIFY(!port->hasFocus());
    QTest::keyClicks(port, QStringLiteral("1"));
    QCOMPARE(port->text(), QStringLiteral("37829"));
}

void tst_FormDesign::modesAreExclusiveAndNoneChosen()
{
    const QList<QRadioButton *> modes = find<QGroupBox>("Frame1")->findChildren<QRadioButton *>();
    QCOMPARE(modes.size(), 4);
    for (const QRadioButton *mode : modes)
        QVERIFY(!mode->isChecked());
    QTest::mouseClick(find<QRadioButton>("OptRun"), Qt::LeftButton);
    QTest::mouseClick(find<QRadioButton>("optStop"), Qt::LeftButton);
    for (const QRadioButton *mode : modes)
        QCOMPARE(mode->isChecked(), mode->objectName() == QStringLiteral("optStop"));
}

void tst_FormDesign::screenReadersHearTheLabels()
{
    QCOMPARE(find<QLineEdit>("txtFreq")->accessibleName(), QStringLiteral("VCO Set"));
    QCOMPARE(find<QLineEdit>("txtVcoCtrl")->accessibleName(), QStringLiteral("VCO ctrl"));
    QCOMPARE(find<QLineEdit>("txtIP")->accessibleName(), QStringLiteral("IP/UDP Address"));
    QCOMPARE(find<QLineEdit>("txtPort")->accessibleName(), QStringLiteral("Port"));
    QCOMPARE(find<QLabel>("Label1")->buddy(), find<QLineEdit>("txtManual"));
    QCOMPARE(find<QRadioButton>("optPulse")->accessibleName(), QStringLiteral("Pulse"));
}

namespace {

// WCAG's contrast ratio of two colours.
double contrast(QColor a, QColor b)
{
    auto luminance = [](QColor c) {
        auto channel = [](double v) {
            return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF())
            + 0.0722 * channel(c.blueF());
    };
    const double la = luminance(a), lb = luminance(b);
    return (qMax(la, lb) + 0.05) / (qMin(la, lb) + 0.05);
}

// The darkest and the lightest pixel of a control as drawn: its text and its background.
std::pair<QColor, QColor> inkAndPaper(QWidget *widget, QRect area)
{
    const QImage image = widget->grab(area).toImage();
    QColor ink = Qt::white, paper = Qt::black;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.lightnessF() < ink.lightnessF())
                ink = c;
            if (c.lightnessF() > paper.lightnessF())
                paper = c;
        }
    }
    return {ink, paper};
}

} // namespace

void tst_FormDesign::portBoxLegibleWhileDisabled()
{
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    auto *port = find<QLineEdit>("txtPort");
    auto *address = find<QLineEdit>("txtIP");
    QVERIFY(!port->isEnabled());
    // Inside the frame line, where only the text and the box's background are drawn.
    const QRect inside = port->rect().adjusted(3, 3, -3, -3);
    const auto [ink, paper] = inkAndPaper(port, inside);
    qInfo("port box: text %s on %s, %.2f:1", qPrintable(ink.name()), qPrintable(paper.name()),
          contrast(ink, paper));
    QVERIFY(contrast(ink, paper) >= 4.5);
    // Still drawn as disabled: greyer text than an enabled box's.
    const auto [enabledInk, enabledPaper] = inkAndPaper(address, inside);
    QVERIFY(ink.lightnessF() > enabledInk.lightnessF() + 0.1);
    const QColor caption =
        find<QGroupBox>("framPort")->palette().color(QPalette::Disabled, QPalette::WindowText);
    QVERIFY(contrast(caption, m_form->palette().color(QPalette::Window)) >= 4.5);
}

QTEST_MAIN(tst_FormDesign)
#include "tst_formdesign.moc"
