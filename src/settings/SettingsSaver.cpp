// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#include "SettingsSaver.h"

#include "MiscFunctions.h"
#include "SettingsKey.h"
#include "platform/Logging.h"

#include <QDeadlineTimer>
#include <QStringList>

namespace {

constexpr int retryMs = 1000;
constexpr int closingMs = 1000;

} // namespace

SettingsSaver::SettingsSaver(MiscFunctions &settings, QObject *parent)
    : QObject(parent)
    , m_settings(settings)
{
    m_retry.setInterval(retryMs);
    connect(&m_retry, &QTimer::timeout, this, &SettingsSaver::saveOrWait);
}

void SettingsSaver::save(const QString &valueName, const QString &text)
{
    keep(valueName, text);
    saveOrWait();
}

void SettingsSaver::saveBeforeClosing(const QList<std::pair<QString, QString>> &values)
{
    for (const auto &[name, text] : values)
        keep(name, text);
    // Each try waits for the lock a tenth of a second.
    const QDeadlineTimer deadline(closingMs);
    while (!saveWaiting() && !deadline.hasExpired()) { }
    if (m_waiting.isEmpty())
        return;
    QStringList names;
    for (const auto &[name, text] : std::as_const(m_waiting))
        names << name;
    qCWarning(lcSettings, "settings not saved on closing, another program held their lock: %s",
              qPrintable(names.join(u", ")));
}

// A newer text of a name replaces the one waiting, in its place.
void SettingsSaver::keep(const QString &valueName, const QString &text)
{
    for (auto &[name, waiting] : m_waiting) {
        if (name == valueName) {
            waiting = text;
            return;
        }
    }
    m_waiting.append({valueName, text});
}

// Saves what waits, in order, until the store is busy; true when nothing waits any more.
bool SettingsSaver::saveWaiting()
{
    while (!m_waiting.isEmpty()) {
        const auto &[name, text] = m_waiting.front();
        Registry::Result r = Registry::Success;
        m_settings.WriteRegString(SettingsKey::HKEY_CURRENT_USER_ROOT, SettingsKey::path, name,
                                  text, &r);
        if (r == Registry::LockViolation)
            break;
        m_waiting.removeFirst(); // saved, or failed in a way that waiting would not mend
    }
    return m_waiting.isEmpty();
}

void SettingsSaver::saveOrWait()
{
    if (saveWaiting()) {
        m_retry.stop();
    } else if (!m_retry.isActive()) {
        qCWarning(lcSettings, "settings save waiting: another program holds their lock");
        m_retry.start();
    }
}
