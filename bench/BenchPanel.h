// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#pragma once

#include "platform/BackgroundSound.h"
#include "platform/CanberraSound.h"
#include "platform/LockFileInstance.h"
#include "platform/PlatformServices.h"
#include "platform/ProcessRuntime.h"
#include "platform/SystemClock.h"
#include "platform/UdpEndpoint.h"
#include "registry/FileRegistry.h"
#include "window/QtMessageBox.h"
#include "window/QtScreens.h"
#include "window/formMain.h"

#include <QApplication>
#include <QLineEdit>
#include <QTemporaryDir>

#include <cstdint>
#include <memory>

// The real window on the real platform services, shown offscreen and aimed at a loopback port.
// Start-up never runs, so nothing is read; what the address box saves goes to a temporary folder.
struct BenchPanel
{
    explicit BenchPanel(std::uint16_t unitPort)
    {
        form.show();
        QApplication::setActiveWindow(&form);
        enet->setRemoteHost(QStringLiteral("127.0.0.1"));
        enet->setRemotePort(unitPort);
        enet->setLocalPort(0);
    }

    QLineEdit *box(const char *name) const
    {
        return form.findChild<QLineEdit *>(QString::fromLatin1(name));
    }

    SystemClock clock;
    LockFileInstance instance;
    QtMessageBox messageBox;
    ProcessRuntime runtime;
    QTemporaryDir config;
    FileRegistry registry {config.path()};
    BackgroundSound sound {std::make_unique<CanberraSound>()};
    QtScreens screens;
    PlatformServices platform {clock, instance, messageBox, runtime, registry, sound, screens};
    formMain form {platform};
    UdpEndpoint *enet = form.findChild<UdpEndpoint *>(QStringLiteral("Enet"));
};
