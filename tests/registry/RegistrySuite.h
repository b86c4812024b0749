// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#pragma once

// One suite over the five registry operations, run natively against the per-user file store and,
// cross-compiled, against the registry itself (under Wine), so the file store answers as the
// registry does. Plain C++ on purpose: the Windows build has no Qt.

#include "registry/Registry.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

using Handle = Registry::Handle;
using Bytes = std::vector<std::uint8_t>;

inline int g_failures = 0;
inline int g_checks = 0;
inline const char *g_case = "";

#define CHECK_EQ(actual, expected)                                                                 \
    do {                                                                                           \
        ++g_checks;                                                                                \
        const auto a_ = (actual);                                                                  \
        const auto e_ = (expected);                                                                \
        if (!(a_ == e_)) {                                                                         \
            ++g_failures;                                                                          \
            std::printf("FAIL %s (line %d): %s is %lld, expected %lld\n", g_case, __LINE__,        \
                        #actual, static_cast<long long>(a_), static_cast<long long>(e_));          \
        }                                                                                          \
    } while (false)

#define CHECK(condition)                                                                           \
    do {                                                                                           \
        ++g_checks;                                                                                \
        if (!(condition)) {                                                                        \
            ++g_failures;                                                                          \
            std::printf("FAIL %s (line %d): %s\n", g_case, __LINE__, #condition);                  \
        }                                                                                          \
    } while (false)

inline const Handle currentUser = Registry::predefinedRoot(Registry::CurrentUserRoot);

inline Bytes bytesOf(const char *text, std::size_t size)
{
    return Bytes(text, text + size);
}

// The cases, each a function of its own, in the order run() gives.
class RegistrySuite
{
public:
    RegistrySuite(Registry &registry, std::string base)
        : m_reg(registry)
        , m_base(std::move(base))
    { }

    void run()
    {
        missingKey();
        createLevels();
        pathSpelling();
        strings();
        stringTerminatorTakenIn();
        otherTypes();
        emptyData();
        bufferLimits();
        replaceType();
        valueNames();
        accessRights();
        handles();
    }

private:
    void missingKey();
    void createLevels();
    void pathSpelling();
    void strings();
    void stringTerminatorTakenIn();
    void otherTypes();
    void emptyData();
    void bufferLimits();
    void replaceType();
    void valueNames();
    void accessRights();
    void handles();

    std::string path(const std::string &sub) const { return m_base + "\\" + sub; }

    Handle create(const std::string &sub, std::uint32_t *disposition = nullptr)
    {
        Handle key = 0;
        CHECK_EQ(m_reg.RegCreateKeyExA(currentUser, path(sub).c_str(), 0, nullptr, 0,
                                       Registry::AccessAll, nullptr, &key, disposition),
                 Registry::Success);
        return key;
    }

    Registry::Result open(const std::string &fullPath, std::uint32_t access = Registry::AccessRead)
    {
        Handle key = 0;
        const Registry::Result r =
            m_reg.RegOpenKeyExA(currentUser, fullPath.c_str(), 0, access, &key);
        if (r == Registry::Success)
            m_reg.RegCloseKey(key);
        return r;
    }

    Registry::Result set(Handle key, const char *name, std::uint32_t type, const Bytes &data,
                         std::uint32_t size)
    {
        return m_reg.RegSetValueExA(key, name, 0, type, data.data(), size);
    }

    // Queries into a buffer of `capacity` bytes filled with 0xCC; gives back the buffer and a few
    // bytes past it, to show what was written beyond.
    Registry::Result query(Handle key, const char *name, std::uint32_t capacity,
                           std::uint32_t &type, std::uint32_t &size, Bytes &buffer)
    {
        buffer.assign(capacity + 4, 0xCC);
        size = capacity;
        type = 99;
        return m_reg.RegQueryValueExA(key, name, nullptr, &type, buffer.data(), &size);
    }

    // Stores `stored` bytes of `data` and checks what a query into a large buffer gives back.
    void roundTrip(Handle key, const char *name, std::uint32_t type, const Bytes &data,
                   std::uint32_t stored, const Bytes &expected)
    {
        CHECK_EQ(set(key, name, type, data, stored), Registry::Success);
        std::uint32_t gotType = 0;
        std::uint32_t size = 0;
        Bytes buffer;
        CHECK_EQ(query(key, name, 1024, gotType, size, buffer), Registry::Success);
        CHECK_EQ(gotType, type);
        CHECK_EQ(size, expected.size());
        CHECK(std::equal(expected.begin(), expected.end(), buffer.begin()));
    }

    Registry &m_reg;
    std::string m_base;
};
