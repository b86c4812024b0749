// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#pragma once

// The panel's one window and the map of the program.
//
// A click becomes a datagram: each mode button's Click and each value box's Change run a handler
// here (OptRun_Click, txtFreq_Change, ...), which hands the command to CommandLink (src/link); the
// link builds the text ("OR", "FR 150.000000") and UdpEndpoint (src/platform) sends it as one UDP
// datagram to the unit. Datagrams from the unit raise Enet_DataArrival, which reads and drops them.
//
// Start-up and shut-down meet here too. Form_Load asks before a second panel runs, makes sure the
// sound files exist, restores the unit's address and the window's place through MiscFunctions
// (src/settings, over the per-user registry file of src/registry), aims the link and starts the
// heartbeat. txtIP_Change and Form_Unload save through SettingsSaver, which keeps a value that a
// passing fault (another program's lock, a full disk) holds up for a later try; Form_Unload then
// ends the process. Everything runs on this one thread, one handler at a time; the world outside
// (clock, files, prompts, the process) comes in through PlatformServices so tests can stand in for
// it.

#include "link/CommandLink.h"
#include "settings/MiscFunctions.h"
#include "settings/SettingsSaver.h"

#include <QWidget>

#include <memory>

class QCloseEvent;
class QLineEdit;
class QRadioButton;
class QTimer;
class LineEditIndicator;
class UdpEndpoint;
class Watchdog;
struct PlatformServices;

class formMain : public QWidget
{
    Q_OBJECT

public:
    explicit formMain(PlatformServices &platform, QWidget *parent = nullptr);
    ~formMain() override;

    // The handlers, named after their control and event.
    void Form_Load();
    void Form_Unload(qint16 &Cancel);
    void Form_Terminate();
    void Enet_DataArrival(qint64 bytesTotal);
    void OptRun_Click();
    void optManual_Click();
    void optStop_Click();
    void optPulse_Click();
    void txtManual_Change();
    void txtStop_Change();
    void txtFreq_Change();
    void txtVcoCtrl_Change();
    void txtIP_Change();
    void tmrHB_Timer();

    // A termination signal (a logout, a kill, Ctrl+C). Once start-up has finished and the window
    // shows, it closes as the window manager would close it and keeps its place. Before that
    // there is no place to keep: it ends as a Cancel at the second-panel prompt does, saving and
    // creating nothing.
    void terminationRequested();

    // Placement as the settings hold it: Left and Top in twips, WindowState 0 normal,
    // 1 minimised, 2 maximised (applyWindowState refuses any other number).
    float Left() const;
    float Top() const;
    qint16 WindowState() const;
    void setLeft(double twips);
    void setTop(double twips);
    bool applyWindowState(qint16 state);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void wireEvents();
    QPoint normalFramePosition() const;
    void keepOnScreen();

    PlatformServices &m_platform;
    bool m_startedUp = false; // Form_Load has run to its end
    bool m_unloaded = false;

    // The controls, under their design names.
    QRadioButton *OptRun = nullptr;
    QRadioButton *optManual = nullptr;
    QRadioButton *optStop = nullptr;
    QRadioButton *optPulse = nullptr;
    QLineEdit *txtIP = nullptr;
    QLineEdit *txtPort = nullptr;
    QLineEdit *txtManual = nullptr;
    QLineEdit *txtStop = nullptr;
    QLineEdit *txtFreq = nullptr;
    QLineEdit *txtVcoCtrl = nullptr;
    QTimer *tmrHB = nullptr;
    UdpEndpoint *Enet = nullptr;

    CommandLink m_link;
    MiscFunctions m_settings;
    SettingsSaver m_saver;
    std::unique_ptr<LineEditIndicator> m_linkIndicator;
    std::unique_ptr<Watchdog> m_watchdog;
};
