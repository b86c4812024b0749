// SPDX-FileCopyrightText: 2026 The Varnoke developers
// SPDX-License-Identifier: MIT

// A second panel's worth of settings traffic for the process tests: writes in a loop until it is
// killed, writes a run of names, or reads one value back. The store is the default one, found
// through XDG_CONFIG_HOME, which the tests point at a temporary folder.
//
//   settings_helper loop <name> <first>     writes first, first+1, ...; prints each once stored
//   settings_helper names <prefix> <count>  saves <prefix>0 .. <prefix>count-1, each its number,
//                                           as a panel saves: one held up by the lock waits
//   settings_helper read <name>             prints read result|text|open with write rights|write
//   --as-nobody before the command drops root's rights first, so permissions apply.
// With SETTINGS_HELPER_NO_LOCKS set, flock fails as on a file system without locks.

#include "registry/FileRegistry.h"
#include "settings/MiscFunctions.h"
#include "settings/SettingsKey.h"
#include "settings/SettingsSaver.h"

#include <QCoreApplication>
#include <QStringList>

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

constexpr int maxLoopWrites = 100000;
constexpr uid_t nobody = 65534;

int usage()
{
    std::fputs("usage: settings_helper [--as-nobody] loop|names|read ...\n", stderr);
    return 2;
}

// The kernel answers flock with ENOLCK from here on, in this process and its threads alone.
bool withoutLocks()
{
    sock_filter filter[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_flock, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | ENOLCK),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    const sock_fprog program {sizeof filter / sizeof filter[0], filter};
    return ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0
        && ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) == 0;
}

} // namespace

int main(int argc, char **argv)
{
    // Before the application starts any thread.
    if (qEnvironmentVariableIsSet("SETTINGS_HELPER_NO_LOCKS") && !withoutLocks())
        return 3;
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (!args.isEmpty() && args.front() == u"--as-nobody") {
        args.removeFirst();
        if (::geteuid() == 0 && (::setgid(nobody) != 0 || ::setuid(nobody) != 0))
            return 3;
    }
    if (args.size() < 2)
        return usage();

    FileRegistry registry;
    MiscFunctions misc(registry);
    const quint32 root = SettingsKey::HKEY_CURRENT_USER_ROOT;
    const QString &key = SettingsKey::path;
    const QString &command = args[0];

    if (command == u"loop" && args.size() == 3) {
        const qlonglong first = args[2].toLongLong();
        for (qlonglong n = first; n < first + maxLoopWrites; ++n) {
            if (misc.WriteRegString(root, key, args[1], QString::number(n)) != -1)
                return 1;
            std::printf("%lld\n", n);
            std::fflush(stdout);
        }
        return 0;
    }
    if (command == u"names" && args.size() == 3) {
        SettingsSaver saver(misc);
        const int count = args[2].toInt();
        for (int i = 0; i < count; ++i)
            saver.save(args[1] + QString::number(i), QString::number(i));
        saver.saveBeforeClosing({});
        return 0;
    }
    if (command == u"read") {
        QString text;
        const qint16 read = misc.ReadRegString(root, key, args[1], text);
        Registry::Handle handle = 0;
        const Registry::Result openForWrite = registry.RegOpenKeyExA(
            Registry::predefinedRoot(root), key.toLatin1().constData(), 0, 0x2003F, &handle);
        if (openForWrite == Registry::Success)
            registry.RegCloseKey(handle);
        const qint16 write = misc.WriteRegString(root, key, args[1], QStringLiteral("changed"));
        std::printf("%d|%s|%d|%d\n", read, qPrintable(text), int(openForWrite), write);
        return 0;
    }
    return usage();
}
