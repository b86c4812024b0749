// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#include "mock/FormFixture.h"
#include "window/FormDesign.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>

#include <limits>

// The window as built, against the design's own values written out here: a wrong value in the
// design table fails a row.
class tst_FormDesign : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { m_panel = std::make_unique<FormFixture>(); }
    void cleanup() { m_panel.reset(); }
    void window();
    void controlAsDesigned_data();
    void controlAsDesigned();
    void tabOrder();
    void screenReadersHearTheLabels();
    void disabledTextDarkenedToStayLegible();

private:
    std::unique_ptr<FormFixture> m_panel;
};

void tst_FormDesign::window()
{
    const formMain &form = m_panel->form;
    QCOMPARE(form.windowTitle(), QStringLiteral("Varnoke Automation Test"));
    QCOMPARE(form.size(), QSize(335, 181)); // 5025 by 2715 twips
    QCOMPARE(form.minimumSize(), form.maximumSize()); // can't be resized
    QCOMPARE(form.palette().color(QPalette::Window), QColor(255, 255, 192));
    const QList<QSize> iconSizes = form.windowIcon().availableSizes();
    QVERIFY(iconSizes.contains(QSize(32, 32)) && iconSizes.contains(QSize(64, 64)));
}

namespace {

enum Flag { Bold = 1, Disabled = 2 };

} // namespace

void tst_FormDesign::controlAsDesigned_data()
{
    QTest::addColumn<QString>("parent");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QRect>("twips");
    QTest::addColumn<int>("flags");
    QTest::addColumn<int>("maxLength"); // 0: no limit
    QTest::addColumn<QString>("toolTip");
    QTest::addColumn<QColor>("background"); // invalid: the toolkit's own

    auto row = [](const char *name, const char *parent, const char *caption, QRect twips,
                  int flags = 0, int maxLength = 0, const char *toolTip = "",
                  QColor background = {}) {
        QTest::newRow(name) << parent << caption << twips << flags << maxLength << toolTip
                            << background;
    };
    // In tab order; a control inside a frame is placed relative to the frame.
    row("OptRun", "Frame1", "Run", {100, 300, 900, 200});
    row("optManual", "Frame1", "Manual", {100, 600, 900, 200});
    row("optStop", "Frame1", "Stop", {100, 900, 900, 200});
    row("optPulse", "Frame1", "Pulse", {100, 1200, 900, 200});
    row("framIP", "formMain", "IP/UDP Address", {60, 150, 1700, 750}, Bold);
    row("txtIP", "framIP", "192.168.1.158", {100, 300, 1455, 300}, 0, 0, "The unit's IP address",
        QColor(255, 192, 192));
    row("framPort", "formMain", "Port", {1740, 150, 800, 750}, Bold | Disabled);
    row("txtPort", "framPort", "37829", {100, 300, 600, 300}, Disabled, 0,
        "Always uses this port.");
    row("Frame1", "formMain", "Operating Mode", {210, 1000, 1500, 1500});
    row("Label1", "formMain", "Manual", {1900, 1000, 750, 200}, Bold);
    row("txtManual", "formMain", "0.000", {2800, 1000, 1000, 300}, 0, 6);
    row("Label2", "formMain", "Stop", {1900, 1300, 750, 200}, Bold);
    row("txtStop", "formMain", "0.000", {2800, 1300, 1000, 300}, 0, 6);
    row("Label3", "formMain", "VCO Set", {1900, 1600, 750, 200}, Bold);
    row("txtFreq", "formMain", "150.000000", {2800, 1600, 1000, 300}, 0, 10);
    row("Label4", "formMain", "VCO ctrl", {1900, 1900, 750, 200}, Bold);
    row("txtVcoCtrl", "formMain", "32768", {2800, 1900, 1000, 300}, 0, 5);
}

void tst_FormDesign::controlAsDesigned()
{
    QFETCH(QString, parent);
    QFETCH(QString, caption);
    QFETCH(QRect, twips);
    QFETCH(int, flags);
    QFETCH(int, maxLength);
    QFETCH(QString, toolTip);
    QFETCH(QColor, background);

    // The name's prefix says the kind of control.
    const char *name = QTest::currentDataTag();
    const QWidget *widget = m_panel->find(name);
    QVERIFY(widget);
    QString shown;
    if (auto *button = qobject_cast<const QRadioButton *>(widget)) {
        QVERIFY(QByteArray(name).toLower().startsWith("opt"));
        QVERIFY(!button->isChecked()); // the design chooses no mode
        shown = button->text();
    } else if (auto *frame = qobject_cast<const QGroupBox *>(widget)) {
        QVERIFY(QByteArray(name).toLower().startsWith("fram"));
        shown = frame->title();
    } else if (auto *label = qobject_cast<const QLabel *>(widget)) {
        QVERIFY(QByteArray(name).startsWith("Label"));
        shown = label->text();
    } else if (auto *box = qobject_cast<const QLineEdit *>(widget)) {
        QVERIFY(QByteArray(name).startsWith("txt"));
        QCOMPARE(box->maxLength(), maxLength ? maxLength : std::numeric_limits<int>::max());
        shown = box->text();
    }
    QCOMPARE(shown, caption);
    QCOMPARE(widget->parentWidget()->objectName(), parent);
    QCOMPARE(widget->geometry(),
             QRect(twipsToPixels(twips.x()), twipsToPixels(twips.y()), twipsToPixels(twips.width()),
                   twipsToPixels(twips.height())));
    QVERIFY(!widget->isHidden());
    QCOMPARE(widget->isEnabledTo(widget->parentWidget()), !(flags & Disabled));
    QCOMPARE(widget->toolTip(), toolTip);
    const QColor base = background.isValid()
        ? background
        : QApplication::palette(widget).color(QPalette::Active, QPalette::Base);
    QCOMPARE(widget->palette().color(QPalette::Active, QPalette::Base), base);

    // The bold font is the design's face at 8.25 points, weight 700; every other control keeps
    // the regular weight, the boxes inside the bold frames too.
    const QFont font = widget->font();
    QCOMPARE(font.weight(), flags & Bold ? 700 : int(QFont::Normal));
    QCOMPARE(font.families().value(0), QStringLiteral("MS Sans Serif"));
    QCOMPARE(font.pointSizeF(), 8.25);
    QVERIFY(!font.italic() && !font.underline() && !font.strikeOut());
}

void tst_FormDesign::tabOrder()
{
    // The controls that take the focus, in the design's tab order, starting with the focus on
    // OptRun (which focus alone does not choose).
    QCOMPARE(m_panel->form.focusWidget(), m_panel->find("OptRun"));
    QStringList chain;
    QWidget *widget = m_panel->find("OptRun");
    do {
        if (widget->focusPolicy() & Qt::TabFocus)
            chain << widget->objectName();
        widget = widget->nextInFocusChain();
    } while (widget != m_panel->find("OptRun"));
    QCOMPARE(chain,
             QStringList({"OptRun", "optManual", "optStop", "optPulse", "txtIP", "txtPort",
                          "txtManual", "txtStop", "txtFreq", "txtVcoCtrl"}));
}

void tst_FormDesign::screenReadersHearTheLabels()
{
    QCOMPARE(m_panel->find("txtFreq")->accessibleName(), QStringLiteral("VCO Set"));
    QCOMPARE(m_panel->find("txtVcoCtrl")->accessibleName(), QStringLiteral("VCO ctrl"));
    QCOMPARE(m_panel->find("txtIP")->accessibleName(), QStringLiteral("IP/UDP Address"));
    QCOMPARE(m_panel->find("txtPort")->accessibleName(), QStringLiteral("Port"));
    QCOMPARE(m_panel->find<QLabel>("Label1")->buddy(), m_panel->find("txtManual"));
    QCOMPARE(m_panel->find("optPulse")->accessibleName(), QStringLiteral("Pulse"));
}

void tst_FormDesign::disabledTextDarkenedToStayLegible()
{
    // The style greys a disabled text almost away; the port group's is darker than that, and
    // still lighter than an enabled text, so it reads as disabled.
    for (const auto &[name, ink] :
         {std::pair {"txtPort", QPalette::Text}, std::pair {"framPort", QPalette::WindowText}}) {
        const QWidget *widget = m_panel->find(name);
        const QPalette standard = QApplication::palette(widget);
        const double lightness = widget->palette().color(QPalette::Disabled, ink).lightnessF();
        QVERIFY2(lightness < standard.color(QPalette::Disabled, ink).lightnessF(), name);
        QVERIFY2(lightness > standard.color(QPalette::Active, ink).lightnessF(), name);
    }
}

QTEST_MAIN(tst_FormDesign)
#include "tst_formdesign.moc"
