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

// Why a save waits, for the log; none where waiting would not mend it.
const char *reasonToWait(Registry::Result r)
{
    switch (r) {
    case Registry::LockViolation:
        return "another program holds their lock";
    case Registry::DiskFull:
        return "the disk (or the quota) is full";
    case Registry::TooManyOpenFiles:
        return "too many files are open";
    default:
        return nullptr;
    }
}

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
    // Only a lock is worth a second of tries, each waiting for it a tenth of a second; a full disk
    // is not freed while the window closes.
    const QDeadlineTimer deadline(closingMs);
    Registry::Result r = saveWaiting();
    while (r == Registry::LockViolation && !deadline.hasExpired())
        r = saveWaiting();
    if (r == Registry::Success)
        return;
    QStringList names;
    for (const auto &[name, text] : std::as_const(m_waiting))
        names << name;
    qCWarning(lcSettings, "settings not saved on closing, %s: %s", reasonToWait(r),
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

// Saves what waits, in order, until a save fails in a way time may mend, whose result it gives;
// Success when nothing waits any more.
Registry::Result SettingsSaver::saveWaiting()
{
    while (!m_waiting.isEmpty()) {
        const auto &[name, text] = m_waiting.front();
        Registry::Result r = Registry::Success;
        m_settings.WriteRegString(SettingsKey::HKEY_CURRENT_USER_ROOT, SettingsKey::path, name,
                                  text, &r);
        if (reasonToWait(r))
            return r;
        m_waiting.removeFirst(); // saved, or failed in a way that waiting would not mend
    }
    return Registry::Success;
}

void SettingsSaver::saveOrWait()
{
    const Registry::Result r = saveWaiting();
    if (r == Registry::Success) {
        m_retry.stop();
    } else if (!m_retry.isActive()) {
        qCWarning(lcSettings, "settings save waiting: %s", reasonToWait(r));
        m_retry.start();
    }
}
