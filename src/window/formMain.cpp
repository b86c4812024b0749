// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#include "formMain.h"

#include "FormBuilder.h"
#include "FormDesign.h"
#include "platform/PlatformServices.h"
#include "platform/UdpEndpoint.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLineEdit>
#include <QRadioButton>
#include <QTimer>

namespace {

constexpr int heartbeatMs = 1000;

template<typename T>
T *control(const QWidget &window, const char *name)
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
}

void formMain::Form_Unload(qint16 &Cancel)
{
    Q_UNUSED(Cancel); // closing always goes ahead
    m_unloaded = true;
}

void formMain::Form_Terminate()
{
    // Only a window released without being closed gets here; it saves and ends as a close would.
    if (m_unloaded)
        return;
    qint16 cancel = 0;
    Form_Unload(cancel);
}

void formMain::closeEvent(QCloseEvent *event)
{
    qint16 cancel = 0;
    Form_Unload(cancel);
    if (cancel != 0)
        event->ignore();
    else
        event->accept();
}

void formMain::Enet_DataArrival(qint64 bytesTotal)
{
    Q_UNUSED(bytesTotal);
    m_link.readAndDrop();
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
}

void formMain::tmrHB_Timer()
{
}
