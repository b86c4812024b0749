#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Varnoke developers
# SPDX-License-Identifier: MIT
#
# scripts/dev.sh run   install what is missing, build, start the panel
# scripts/dev.sh test  install what is missing (test tools too), build, run every test: the
#                      suite, the suite again built with AddressSanitizer and
#                      UndefinedBehaviorSanitizer, and the fuzzers for a bounded time each
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${VARNOKE_BUILD_DIR:-$here/build}
action=${1:-}

# dpkg-dev and file are what a package build (VARNOKE_PACKAGE=ON) needs beyond the compiler:
# dpkg-buildflags, dpkg-shlibdeps, and file for cpack to find the programs to ask about.
build_packages=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-base-dev-tools qt6-svg-dev
                libqt6svg6 libcanberra-dev libgl-dev fonts-dejavu-core fonts-liberation2
                sound-theme-freedesktop dpkg-dev file)
# Beside the test tools: locales for the decimal-comma locale a test builds, socat to watch the
# commands (README) and clang-format for scripts/format.sh.
test_packages=(python3 xvfb xauth xdotool x11-utils imagemagick iproute2 util-linux
               wine wine64 g++-mingw-w64-x86-64 fakeroot desktop-file-utils appstream
               lintian devscripts man-db clang libclang-rt-14-dev llvm weston qt6-wayland
               pulseaudio pulseaudio-utils dbus at-spi2-core python3-pyatspi locales socat
               clang-format)

install_missing() {
    local missing=()
    for package in "$@"; do
        dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null | grep -qx installed \
            || missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    "${sudo[@]}" apt-get update -q
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q --no-install-recommends \
        "${missing[@]}"
}

configure_and_build() {
    local dir=$1
    shift
    cmake -S "$here" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
    cmake --build "$dir" -j"$(nproc)"
}

case "$action" in
run)
    install_missing "${build_packages[@]}"
    configure_and_build "$build" -DBUILD_TESTING=OFF
    exec "$build/varnoke"
    ;;
test)
    install_missing "${build_packages[@]}" "${test_packages[@]}"
    # Built as the package is, so the package tests check what would be shipped.
    configure_and_build "$build" -DBUILD_TESTING=ON -DVARNOKE_PACKAGE=ON
    # The widget tests draw offscreen and the end-to-end tests start their own Xvfb, weston,
    # D-Bus session and PulseAudio, so no display, desktop or sound card is needed.
    ctest --test-dir "$build" --output-on-failure -j"$(nproc)"

    echo "== The same suite, built with AddressSanitizer and UndefinedBehaviorSanitizer"
    # -O1 with line tables only: the sanitizers report as well, and the build takes half as long.
    configure_and_build "$build-asan" -DBUILD_TESTING=ON -DVARNOKE_SANITIZE=ON \
        -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG"
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
    LSAN_OPTIONS=suppressions=$here/tests/sanitizer.supp:print_suppressions=0 \
    UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
        ctest --test-dir "$build-asan" --output-on-failure -j"$(nproc)"

    echo "== Fuzzers, ${VARNOKE_FUZZ_SECONDS:-60} s each"
    bash "$here/tests/fuzz/run-fuzzers.sh"
    ;;
*)
    echo "usage: $0 run|test" >&2
    exit 2
    ;;
esac
