// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#include "formMain.h"

#include "FormBuilder.h"
#include "FormDesign.h"
#include "LineEditIndicator.h"
#include "link/Watchdog.h"
#include "platform/Convert.h"
#include "platform/InstanceLock.h"
#include "platform/MessageBox.h"
#include "platform/PlatformServices.h"
#include "platform/Runtime.h"
#include "platform/Screens.h"
#include "platform/UdpEndpoint.h"
#include "settings/SettingsKey.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLineEdit>
#include <QRadioButton>
#include <QTimer>

#include <algorithm>

namespace {

constexpr int heartbeatMs = 1000;
// The strip of the window's top that must show for the place to count as on a screen: the height
// of a title bar and enough of its width to take hold of, in pixels.
constexpr int titleBarHeight = 32;
constexpr int titleBarGrip = 64;

// A place is on a screen exactly when a strip of the window's top, the whole title bar's height
// and enough of its width to take hold of, lies inside one screen's available area. Elsewhere (a
// monitor gone, a resolution changed, a sliver left at a screen's edge) the operator could not
// reach the panel. A screen with an empty area (every output off) holds no place at all.
bool onScreen(const QRect &frame, const QList<QRect> &areas)
{
    const QRect titleBar(frame.topLeft(), QSize(frame.width(), titleBarHeight));
    return std::any_of(areas.begin(), areas.end(), [&titleBar](const QRect &area) {
        const QRect shown = area.intersected(titleBar);
        return shown.height() == titleBarHeight && shown.width() >= titleBarGrip;
    });
}

// A Wayland client is never told where its window is (the compositor places it), so what the
// toolkit reports there is not the window's place and must not overwrite the one saved under X11.
bool placementKnown()
{
    return !QGuiApplication::platformName().startsWith(u"wayland");
}

template<typename T> T *control(const QWidget &window, const char *name)
{
    T *widget = window.findChild<T *>(QString::fromLatin1(name));
    Q_ASSERT(widget);
    return widget;
}

} // namespace

formMain::formMain(PlatformServices &platform, QWidget *parent)
    : QWidget(parent)
    , m_platform(platform)
    , tmrHB(new QTimer(this))
    , Enet(new UdpEndpoint(this))
    , m_link(*Enet)
    , m_settings(platform.registry)
    , m_saver(m_settings)
{
    setObjectName(QStringLiteral("formMain"));
    FormBuilder::build(*this, FormDesign::formMain());
    OptRun = control<QRadioButton>(*this, "OptRun");
    optManual = control<QRadioButton>(*this, "optManual");
    optStop = control<QRadioButton>(*this, "optStop");
    optPulse = control<QRadioButton>(*this, "optPulse");
    txtIP = control<QLineEdit>(*this, "txtIP");
    txtPort = control<QLineEdit>(*this, "txtPort");
    txtManual = control<QLineEdit>(*this, "txtManual");
    txtStop = control<QLineEdit>(*this, "txtStop");
    txtFreq = control<QLineEdit>(*this, "txtFreq");
    txtVcoCtrl = control<QLineEdit>(*this, "txtVcoCtrl");

    tmrHB->setObjectName(QStringLiteral("tmrHB"));
    tmrHB->setInterval(heartbeatMs); // disabled until start-up has run
    Enet->setObjectName(QStringLiteral("Enet"));

    m_linkIndicator = std::make_unique<LineEditIndicator>(*txtIP, platform.clock);
    m_watchdog = std::make_unique<Watchdog>(platform.clock, platform.sound, *m_linkIndicator,
                                            platform.runtime.appPath());

    wireEvents();
    OptRun->setFocus(); // the first control in tab order; focusing it chooses nothing
}

formMain::~formMain() = default;

void formMain::wireEvents()
{
    // Only these events have handlers; everything else is the toolkit's own behaviour.
    connect(Enet, &UdpEndpoint::DataArrival, this, &formMain::Enet_DataArrival);
    connect(OptRun, &QRadioButton::clicked, this, &formMain::OptRun_Click);
    connect(optManual, &QRadioButton::clicked, this, &formMain::optManual_Click);
    connect(optStop, &QRadioButton::clicked, this, &formMain::optStop_Click);
    connect(optPulse, &QRadioButton::clicked, this, &formMain::optPulse_Click);
    connect(txtManual, &QLineEdit::textChanged, this, &formMain::txtManual_Change);
    connect(txtStop, &QLineEdit::textChanged, this, &formMain::txtStop_Change);
    connect(txtFreq, &QLineEdit::textChanged, this, &formMain::txtFreq_Change);
    connect(txtVcoCtrl, &QLineEdit::textChanged, this, &formMain::txtVcoCtrl_Change);
    connect(txtIP, &QLineEdit::textChanged, this, &formMain::txtIP_Change);
    connect(tmrHB, &QTimer::timeout, this, &formMain::tmrHB_Timer);
    if (auto *app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this, &formMain::Form_Terminate);
}

void formMain::Form_Load()
{
    // A second panel only runs when the operator says so; Cancel ends it before anything is
    // read, written or created.
    if (m_platform.instance.PrevInstance()) {
        const auto answer = m_platform.messageBox.askOkCancel(
            QStringLiteral("Already a GUI running!\r\nRun this instance too?"),
            QStringLiteral("Glimra"));
        if (answer == MessageBox::vbCancel) {
            m_platform.runtime.End();
            return;
        }
    }
    m_platform.instance.claim();

    // From here on a step that fails is skipped and start-up goes on with the next one.
    const QString folder = m_platform.runtime.appPath();
    m_platform.runtime.createIfMissing(folder + QStringLiteral("/ConnectedNow.wav"));
    m_platform.runtime.createIfMissing(folder + QStringLiteral("/ConnectionLost.wav"));

    // One text serves all four reads: a value of a type the store doesn't convert leaves it as
    // the read before left it.
    const quint32 root = SettingsKey::HKEY_CURRENT_USER_ROOT;
    QString text;
    qint16 ok =
        m_settings.ReadRegString(root, SettingsKey::path, QStringLiteral("IP Address"), text);
    const QStringView address = Convert::Trim(text);
    if (ok && address.size() >= 8 && address.size() <= 15)
        txtIP->setText(address.toString()); // saves it back through txtIP_Change

    const int port = int(std::clamp(Convert::Val(txtPort->text()), -2147483648.0, 2147483647.0));
    m_link.aim(txtIP->text(), port, port);

    ok = m_settings.ReadRegString(root, SettingsKey::path, QStringLiteral("Left"), text);
    if (ok)
        setLeft(Convert::Val(text));
    ok = m_settings.ReadRegString(root, SettingsKey::path, QStringLiteral("Top"), text);
    if (ok)
        setTop(Convert::Val(text));
    ok = m_settings.ReadRegString(root, SettingsKey::path, QStringLiteral("Window state"), text);
    if (ok) {
        if (const auto state = Convert::CInt(text))
            applyWindowState(*state);
    }
    keepOnScreen();

    m_watchdog->start();
    m_linkIndicator->heard(); // a lost link is told from here until the unit is heard
    tmrHB->start();
    m_startedUp = true;
}

void formMain::Form_Unload(qint16 &Cancel)
{
    Q_UNUSED(Cancel); // closing always goes ahead
    m_unloaded = true;
    // The panel's one open file is its running mark; the process ends without destructors.
    m_platform.instance.release();
    QList<std::pair<QString, QString>> place;
    // A place off every screen would only be moved at the next start; the one saved before stays.
    const QRect frame(normalFramePosition(), frameGeometry().size().expandedTo(size()));
    if (placementKnown() && onScreen(frame, m_platform.screens.availableAreas()))
        place = {{QStringLiteral("Left"), Convert::Str(Left())},
                 {QStringLiteral("Top"), Convert::Str(Top())}};
    place.append({QStringLiteral("Window state"), QString::number(WindowState())});
    m_saver.saveBeforeClosing(place);
    m_platform.runtime.End();
}

void formMain::Form_Terminate()
{
    // Only a window released without being closed gets here; it saves and ends as a close would.
    if (m_unloaded)
        return;
    qint16 cancel = 0;
    Form_Unload(cancel);
}

void formMain::terminationRequested()
{
    if (m_startedUp && isVisible())
        close();
    else
        m_platform.runtime.End();
}

void formMain::closeEvent(QCloseEvent *event)
{
    qint16 cancel = 0; // Form_Unload leaves it as it is: closing always goes ahead
    Form_Unload(cancel);
    event->accept();
}

void formMain::Enet_DataArrival(qint64 bytesTotal)
{
    Q_UNUSED(bytesTotal);
    if (m_link.readAndDrop()) {
        m_linkIndicator->heard();
        m_watchdog->signOfLife();
    }
}

void formMain::OptRun_Click()
{
    m_link.sendMode(Command::Mode::Run);
}

void formMain::optManual_Click()
{
    m_link.sendMode(Command::Mode::Manual);
}

void formMain::optStop_Click()
{
    m_link.sendMode(Command::Mode::Stop);
}

void formMain::optPulse_Click()
{
    m_link.sendMode(Command::Mode::Pulse);
}

void formMain::txtManual_Change()
{
    m_link.sendValue(Command::Value::Manual, txtManual->text());
}

void formMain::txtStop_Change()
{
    m_link.sendValue(Command::Value::Stop, txtStop->text());
}

void formMain::txtFreq_Change()
{
    m_link.sendValue(Command::Value::VcoSet, txtFreq->text());
}

void formMain::txtVcoCtrl_Change()
{
    m_link.sendValue(Command::Value::VcoCtrl, txtVcoCtrl->text());
}

void formMain::txtIP_Change()
{
    // Saved as typed, on every change; the link keeps the address it was aimed at until the
    // next start.
    m_saver.save(QStringLiteral("IP Address"), txtIP->text());
}

void formMain::tmrHB_Timer()
{
    m_watchdog->tick();
}

float formMain::Left() const
{
    return float(normalFramePosition().x() * twipsPerPixel);
}

float formMain::Top() const
{
    return float(normalFramePosition().y() * twipsPerPixel);
}

qint16 formMain::WindowState() const
{
    if (windowState() & Qt::WindowMinimized)
        return 1;
    if (windowState() & Qt::WindowMaximized)
        return 2;
    return 0;
}

void formMain::setLeft(double twips)
{
    move(twipsToPixels(twips), pos().y());
}

void formMain::setTop(double twips)
{
    move(pos().x(), twipsToPixels(twips));
}

bool formMain::applyWindowState(qint16 state)
{
    switch (state) {
    case 0:
        QWidget::setWindowState(Qt::WindowNoState);
        return true;
    case 1:
        QWidget::setWindowState(Qt::WindowMinimized);
        return true;
    case 2:
        QWidget::setWindowState(Qt::WindowMaximized);
        return true;
    }
    return false; // not a state: refused, the window stays as it is
}

QPoint formMain::normalFramePosition() const
{
    // Minimised or maximised, the place worth keeping is the one the window returns to.
    if (windowState() & (Qt::WindowMinimized | Qt::WindowMaximized)) {
        const QPoint frameOffset = geometry().topLeft() - pos();
        return normalGeometry().topLeft() - frameOffset;
    }
    return pos();
}

void formMain::keepOnScreen()
{
    const QRect wanted(pos(), frameGeometry().size().expandedTo(size()));
    QList<QRect> areas = m_platform.screens.availableAreas();
    if (onScreen(wanted, areas))
        return;
    areas.removeIf([](const QRect &area) { return area.isEmpty(); });
    if (areas.isEmpty()) {
        // No screen to measure a place against: the window is left to the system, as at a first
        // start, rather than placed by the middle of nothing.
        move(QPoint());
        setAttribute(Qt::WA_Moved, false);
        return;
    }
    QRect placed(QPoint(), wanted.size());
    placed.moveCenter(areas.first().center()); // the primary screen, unless it shows nothing
    move(placed.topLeft());
}
