// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT

// The registry conformance suite (RegistrySuite) against the file store here, and against the
// registry itself when cross-compiled for Windows.

#include "RegistrySuite.h"

#ifdef _WIN32
#include "registry/Win32Registry.h"
#else
#include "registry/FileRegistry.h"
#include <QString>
#include <filesystem>
#include <unistd.h>
#endif

#include <cstdio>
#include <random>
#include <string>

namespace {

std::string randomKey()
{
    std::random_device device;
    std::mt19937_64 engine((std::uint64_t(device()) << 32) ^ device());
    char name[32];
    std::snprintf(name, sizeof name, "%016llx", static_cast<unsigned long long>(engine()));
    return std::string("SOFTWARE\\VarnokeTest\\") + name;
}

int report()
{
    std::printf("%d checks, %d failed\n", g_checks, g_failures);
    return g_failures == 0 ? 0 : 1;
}

} // namespace

int main()
{
#ifdef _WIN32
    Win32Registry registry;
    RegistrySuite(registry, randomKey()).run();
    std::printf("backend: registry\n");
    return report();
#else
    std::string folder = std::filesystem::temp_directory_path() / "varnoke-registry-XXXXXX";
    if (!::mkdtemp(folder.data())) {
        std::perror("mkdtemp");
        return 2;
    }
    {
        FileRegistry registry(QString::fromStdString(folder));
        RegistrySuite(registry, randomKey()).run();
    }
    std::filesystem::remove_all(folder);
    std::printf("backend: file\n");
    return report();
#endif
}
