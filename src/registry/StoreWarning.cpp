// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#include "StoreWarning.h"

#include "platform/Logging.h"

#include <QFile>

#include <array>
#include <atomic>
#include <cstring>

namespace {

std::array<std::atomic_bool, 4> g_said {};

} // namespace

void StoreWarning::once(Kind kind, const char *what, const QByteArray &path, int error)
{
    if (!g_said[std::size_t(kind)].exchange(true))
        always(what, path, error);
}

void StoreWarning::always(const char *what, const QByteArray &path, int error)
{
    if (error != 0)
        qCWarning(lcSettings, "%s: %s (%s)", what, path.constData(), std::strerror(error));
    else
        qCWarning(lcSettings, "%s: %s", what, path.constData());
}
