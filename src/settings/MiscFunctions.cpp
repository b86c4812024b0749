// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#include "MiscFunctions.h"

#include "platform/AnsiCodec.h"
#include "registry/Registry.h"

#include <QtEndian>

#include <array>

namespace {

constexpr qint16 True = -1;
constexpr qint16 False = 0;
constexpr std::uint32_t bufferSize = 1024;

// Names and paths cross as NUL-terminated bytes: one holding a NUL would name something else.
bool encodeName(const QString &text, QByteArray &bytes)
{
    bytes = AnsiCodec::encode(text);
    return !bytes.contains('\0');
}

} // namespace

MiscFunctions::MiscFunctions(Registry &registry)
    : m_registry(registry)
{ }

qint16 MiscFunctions::ReadRegString(quint32 root, const QString &keyPath, const QString &valueName,
                                    QString &text)
{
    QByteArray path;
    QByteArray name;
    Registry::Handle key = 0;
    // Read rights only: a key its user may read but not write must still read.
    if (!encodeName(keyPath, path) || !encodeName(valueName, name)
        || m_registry.RegOpenKeyExA(Registry::predefinedRoot(root), path.constData(), 0,
                                    Registry::AccessRead, &key)
            != Registry::Success) {
        text.clear();
        return False;
    }
    std::array<std::uint8_t, bufferSize> buffer {};
    std::uint32_t size = bufferSize;
    std::uint32_t type = Registry::TypeNone;
    const Registry::Result r =
        m_registry.RegQueryValueExA(key, name.constData(), nullptr, &type, buffer.data(), &size);
    m_registry.RegCloseKey(key);
    if (r != Registry::Success || size == 0 || size > bufferSize) {
        text.clear();
        return False;
    }
    // Only the last byte is looked at: a stored terminator goes, NULs inside stay.
    const std::uint32_t n = buffer[size - 1] == 0 ? size - 1 : size;
    if (type == Registry::TypeString) {
        text = AnsiCodec::decode(QByteArrayView(reinterpret_cast<const char *>(buffer.data()), n));
    } else if (type == Registry::TypeDword) {
        // The buffer is zeroed past the data, so a short or NUL-trimmed DWORD reads its zero bytes.
        text = QString::number(qFromLittleEndian<quint32>(buffer.data()));
    }
    return True;
}

qint16 MiscFunctions::WriteRegString(quint32 root, const QString &keyPath, const QString &valueName,
                                     const QString &text, Registry::Result *result)
{
    QByteArray path;
    QByteArray name;
    Registry::Handle key = 0;
    Registry::Result r = Registry::InvalidParameter;
    if (encodeName(keyPath, path) && encodeName(valueName, name))
        r = m_registry.RegCreateKeyExA(Registry::predefinedRoot(root), path.constData(), 0, nullptr,
                                       0, Registry::AccessAll, nullptr, &key, nullptr);
    if (r == Registry::Success) {
        // The bytes without a terminator; QByteArray keeps a NUL after them, which the store may
        // take in as the string's terminator.
        const QByteArray bytes = AnsiCodec::encode(text);
        r = m_registry.RegSetValueExA(key, name.constData(), 0, Registry::TypeString,
                                      reinterpret_cast<const std::uint8_t *>(bytes.constData()),
                                      std::uint32_t(bytes.size()));
        m_registry.RegCloseKey(key);
    }
    if (result)
        *result = r;
    return r == Registry::Success ? True : False;
}
