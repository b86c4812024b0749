// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT
#include "RegistrySuite.h"

#include <cctype>

void RegistrySuite::missingKey()
{
    g_case = "missingKey";
    Handle key = 0;
    CHECK_EQ(m_reg.RegOpenKeyExA(currentUser, path("Missing").c_str(), 0, 0x2003F, &key),
             Registry::FileNotFound);
    CHECK_EQ(open(path("Missing\\Deeper")), Registry::FileNotFound);
    // The failed open created nothing, not even the level above.
    CHECK_EQ(open(m_base), Registry::FileNotFound);
}

void RegistrySuite::createLevels()
{
    g_case = "createLevels";
    std::uint32_t disposition = 0;
    const Handle key = create("A\\B\\C", &disposition);
    CHECK_EQ(disposition, Registry::CreatedNewKey);
    m_reg.RegCloseKey(key);
    CHECK_EQ(open(m_base), Registry::Success);
    CHECK_EQ(open(path("A")), Registry::Success);
    CHECK_EQ(open(path("A\\B")), Registry::Success);
    CHECK_EQ(open(path("A\\B\\C")), Registry::Success);
    m_reg.RegCloseKey(create("A\\B\\C", &disposition));
    CHECK_EQ(disposition, Registry::OpenedExistingKey);
    m_reg.RegCloseKey(create("A\\B", &disposition));
    CHECK_EQ(disposition, Registry::OpenedExistingKey);
    // A key that has values and then gets a subkey.
    const Handle a = create("A");
    CHECK_EQ(set(a, "v", Registry::TypeBinary, {1}, 1), Registry::Success);
    m_reg.RegCloseKey(create("A\\D", &disposition));
    CHECK_EQ(disposition, Registry::CreatedNewKey);
    CHECK_EQ(open(path("A\\D")), Registry::Success);
    m_reg.RegCloseKey(a);
}

void RegistrySuite::pathSpelling()
{
    g_case = "pathSpelling";
    m_reg.RegCloseKey(create("Mixed\\Case"));
    std::string lower = path("mixed\\CASE");
    CHECK_EQ(open(lower), Registry::Success);
    for (char &c : lower)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    CHECK_EQ(open(lower), Registry::Success);
    CHECK_EQ(open(path("Mixed\\Case\\")), Registry::Success);
    CHECK_EQ(open(path("Mixed\\\\Case")), Registry::Success);
    CHECK_EQ(open("\\" + path("Mixed")), Registry::BadPathname);
    Handle key = 0;
    CHECK_EQ(m_reg.RegCreateKeyExA(currentUser, ("\\" + path("Lead")).c_str(), 0, nullptr, 0,
                                   Registry::AccessAll, nullptr, &key, nullptr),
             Registry::BadPathname);
    CHECK_EQ(open(path("Lead")), Registry::FileNotFound);
    // A key opened relative to an open key, and the same one through the root.
    Handle mixed = 0;
    CHECK_EQ(
        m_reg.RegOpenKeyExA(currentUser, path("Mixed").c_str(), 0, Registry::AccessRead, &mixed),
        Registry::Success);
    Handle child = 0;
    CHECK_EQ(m_reg.RegOpenKeyExA(mixed, "case", 0, Registry::AccessRead, &child),
             Registry::Success);
    m_reg.RegCloseKey(child);
    m_reg.RegCloseKey(mixed);
    // Key paths of the ANSI calls hold at most 260 characters.
    std::string longPath = path("L");
    longPath += "\\" + std::string(260 - longPath.size() - 1, 'x');
    CHECK_EQ(longPath.size(), 260u);
    Handle longKey = 0;
    CHECK_EQ(m_reg.RegCreateKeyExA(currentUser, longPath.c_str(), 0, nullptr, 0,
                                   Registry::AccessAll, nullptr, &longKey, nullptr),
             Registry::Success);
    m_reg.RegCloseKey(longKey);
    CHECK_EQ(open(longPath + "y"), Registry::MoreData);
}

void RegistrySuite::strings()
{
    g_case = "strings";
    const Handle key = create("Strings");
    const Bytes abc0 = bytesOf("abc\0", 4);
    roundTrip(key, "with nul", Registry::TypeString, abc0, 4, abc0);
    // Bytes beyond the 7-bit range survive the code page on the way in and out.
    Bytes high;
    for (int b = 1; b < 256; ++b)
        high.push_back(std::uint8_t(b));
    high.push_back(0);
    roundTrip(key, "high", Registry::TypeString, high, 256, high);
    roundTrip(key, "expand", Registry::TypeExpandString, bytesOf("%PATH%\0", 7), 7,
              bytesOf("%PATH%\0", 7));
    roundTrip(key, "multi", Registry::TypeMultiString, bytesOf("a\0b\0\0", 5), 5,
              bytesOf("a\0b\0\0", 5));

    // Stored without its NUL, and nothing after it: a query puts one after the data when
    // there is room, and does not count it.
    const Bytes abcX = bytesOf("abcX", 4);
    roundTrip(key, "no nul", Registry::TypeString, abcX, 3, bytesOf("abc", 3));
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    Bytes buffer;
    CHECK_EQ(query(key, "no nul", 8, type, size, buffer), Registry::Success);
    CHECK_EQ(size, 3u);
    CHECK_EQ(buffer[3], 0);
    CHECK_EQ(buffer[4], 0xCC);
    CHECK_EQ(query(key, "no nul", 3, type, size, buffer), Registry::Success);
    CHECK_EQ(size, 3u);
    CHECK_EQ(buffer[3], 0xCC);
    // A NUL inside stays where it is.
    roundTrip(key, "inner nul", Registry::TypeString, bytesOf("a\0bX", 4), 3, bytesOf("a\0b", 3));
    m_reg.RegCloseKey(key);
}

void RegistrySuite::stringTerminatorTakenIn()
{
    g_case = "stringTerminatorTakenIn";
    const Handle key = create("Terminator");
    // A string whose size leaves out the NUL that follows it is stored with it.
    const Bytes abc0 = bytesOf("abc\0", 4);
    roundTrip(key, "sz", Registry::TypeString, abc0, 3, abc0);
    roundTrip(key, "expand", Registry::TypeExpandString, abc0, 3, abc0);
    roundTrip(key, "inner", Registry::TypeString, bytesOf("a\0b\0", 4), 3, bytesOf("a\0b\0", 4));
    // Not for the other types.
    roundTrip(key, "binary", Registry::TypeBinary, abc0, 3, bytesOf("abc", 3));
    m_reg.RegCloseKey(key);
}

void RegistrySuite::otherTypes()
{
    g_case = "otherTypes";
    const Handle key = create("Types");
    roundTrip(key, "dword", Registry::TypeDword, {0, 1, 0, 0}, 4, {0, 1, 0, 0});
    roundTrip(key, "short dword", Registry::TypeDword, {1, 2, 3}, 3, {1, 2, 3});
    roundTrip(key, "long dword", Registry::TypeDword, {1, 2, 3, 4, 5}, 5, {1, 2, 3, 4, 5});
    roundTrip(key, "binary", Registry::TypeBinary, {0, 0x80, 0xFF, 0}, 4, {0, 0x80, 0xFF, 0});
    roundTrip(key, "odd type", 0x12345, {9, 8, 7}, 3, {9, 8, 7});
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    Bytes buffer;
    CHECK_EQ(query(key, "binary", 8, type, size, buffer), Registry::Success);
    CHECK_EQ(buffer[4], 0xCC); // no NUL put after binary data
    m_reg.RegCloseKey(key);
}

void RegistrySuite::emptyData()
{
    g_case = "emptyData";
    const Handle key = create("Empty");
    roundTrip(key, "sz", Registry::TypeString, bytesOf("\0", 1), 0, {});
    roundTrip(key, "nul only", Registry::TypeString, bytesOf("\0", 1), 1, {0});
    CHECK_EQ(m_reg.RegSetValueExA(key, "null sz", 0, Registry::TypeString, nullptr, 0),
             Registry::Success);
    CHECK_EQ(m_reg.RegSetValueExA(key, "null binary", 0, Registry::TypeBinary, nullptr, 0),
             Registry::Success);
    for (const char *name : {"null sz", "null binary"}) {
        std::uint32_t type = 0;
        std::uint32_t size = 0;
        Bytes buffer;
        CHECK_EQ(query(key, name, 16, type, size, buffer), Registry::Success);
        CHECK_EQ(size, 0u);
    }
    m_reg.RegCloseKey(key);
}

void RegistrySuite::bufferLimits()
{
    g_case = "bufferLimits";
    const Handle key = create("Limits");
    const Bytes big(1100, 'a');
    for (const std::uint32_t type : {Registry::TypeString, Registry::TypeBinary}) {
        CHECK_EQ(set(key, "fits", type, big, 1024), Registry::Success);
        CHECK_EQ(set(key, "too big", type, big, 1025), Registry::Success);
        std::uint32_t gotType = 0;
        std::uint32_t size = 0;
        Bytes buffer;
        CHECK_EQ(query(key, "fits", 1024, gotType, size, buffer), Registry::Success);
        CHECK_EQ(size, 1024u);
        CHECK_EQ(query(key, "too big", 1024, gotType, size, buffer), Registry::MoreData);
        CHECK_EQ(gotType, type);
        CHECK_EQ(size, 1025u);
        CHECK_EQ(buffer[0], 0xCC); // untouched
        // The size alone, and the type alone.
        size = 0;
        CHECK_EQ(m_reg.RegQueryValueExA(key, "too big", nullptr, &gotType, nullptr, &size),
                 Registry::Success);
        CHECK_EQ(size, 1025u);
        gotType = 0;
        CHECK_EQ(m_reg.RegQueryValueExA(key, "too big", nullptr, &gotType, nullptr, nullptr),
                 Registry::Success);
        CHECK_EQ(gotType, type);
        // A buffer without a size is refused.
        std::uint8_t one = 0;
        CHECK_EQ(m_reg.RegQueryValueExA(key, "fits", nullptr, &gotType, &one, nullptr),
                 Registry::InvalidParameter);
    }
    m_reg.RegCloseKey(key);
}

void RegistrySuite::replaceType()
{
    g_case = "replaceType";
    const Handle key = create("Replace");
    roundTrip(key, "v", Registry::TypeDword, {0, 1, 0, 0}, 4, {0, 1, 0, 0});
    roundTrip(key, "v", Registry::TypeString, bytesOf("xy\0", 3), 3, bytesOf("xy\0", 3));
    roundTrip(key, "v", Registry::TypeBinary, {7}, 1, {7});
    m_reg.RegCloseKey(key);
}

void RegistrySuite::valueNames()
{
    g_case = "valueNames";
    const Handle key = create("Names");
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    Bytes buffer;
    CHECK_EQ(query(key, "missing", 16, type, size, buffer), Registry::FileNotFound);
    CHECK_EQ(type, 0u);
    CHECK_EQ(query(key, "", 16, type, size, buffer), Registry::FileNotFound);
    // Names match without regard to case; a later write replaces the earlier value.
    CHECK_EQ(set(key, "Window State", Registry::TypeString, bytesOf("1\0", 2), 2),
             Registry::Success);
    CHECK_EQ(set(key, "WINDOW state", Registry::TypeString, bytesOf("22\0", 3), 3),
             Registry::Success);
    CHECK_EQ(query(key, "window STATE", 16, type, size, buffer), Registry::Success);
    CHECK_EQ(size, 3u);
    CHECK_EQ(buffer[0], '2');
    // The default value: an empty name and no name are the same.
    CHECK_EQ(set(key, "", Registry::TypeString, bytesOf("def\0", 4), 4), Registry::Success);
    CHECK_EQ(m_reg.RegQueryValueExA(key, nullptr, nullptr, &type, nullptr, &size),
             Registry::Success);
    CHECK_EQ(size, 4u);
    // Quotes, backslashes, '=' and '@' in names.
    for (const char *name : {"a\"b", "c\\d", "=", "@", "[x]", ";"}) {
        roundTrip(key, name, Registry::TypeString, bytesOf("v\0", 2), 2, bytesOf("v\0", 2));
    }
    const std::string longName(16384, 'n');
    CHECK_EQ(set(key, longName.c_str(), Registry::TypeString, bytesOf("v\0", 2), 2),
             Registry::InvalidParameter);
    m_reg.RegCloseKey(key);
}

void RegistrySuite::accessRights()
{
    g_case = "accessRights";
    m_reg.RegCloseKey(create("Access"));
    Handle key = 0;
    CHECK_EQ(
        m_reg.RegOpenKeyExA(currentUser, path("Access").c_str(), 0, Registry::AccessRead, &key),
        Registry::Success);
    CHECK_EQ(set(key, "v", Registry::TypeString, bytesOf("v\0", 2), 2), Registry::AccessDenied);
    m_reg.RegCloseKey(key);
    CHECK_EQ(m_reg.RegOpenKeyExA(currentUser, path("Access").c_str(), 0, 0, &key),
             Registry::Success);
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    Bytes buffer;
    CHECK_EQ(query(key, "v", 16, type, size, buffer), Registry::AccessDenied);
    m_reg.RegCloseKey(key);
    CHECK_EQ(m_reg.RegOpenKeyExA(currentUser, path("Access").c_str(), 0, 0x2003F, &key),
             Registry::Success);
    CHECK_EQ(set(key, "v", Registry::TypeString, bytesOf("v\0", 2), 2), Registry::Success);
    m_reg.RegCloseKey(key);
}

void RegistrySuite::handles()
{
    g_case = "handles";
    const Handle key = create("Handles");
    CHECK_EQ(m_reg.RegCloseKey(key), Registry::Success);
    CHECK_EQ(m_reg.RegCloseKey(key), Registry::InvalidHandle);
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    Bytes buffer;
    CHECK_EQ(query(key, "v", 16, type, size, buffer), Registry::InvalidHandle);
    CHECK_EQ(set(key, "v", Registry::TypeString, bytesOf("v\0", 2), 2), Registry::InvalidHandle);
    // Closing the root itself does no harm.
    CHECK_EQ(m_reg.RegCloseKey(currentUser), Registry::Success);
    CHECK_EQ(open(path("Handles")), Registry::Success);
    // The root as a zero-extended 32-bit value works as well as the sign-extended handle.
    Handle zeroExtended = 0;
    CHECK_EQ(m_reg.RegOpenKeyExA(Handle(Registry::CurrentUserRoot), path("Handles").c_str(), 0,
                                 Registry::AccessRead, &zeroExtended),
             Registry::Success);
    m_reg.RegCloseKey(zeroExtended);
}
