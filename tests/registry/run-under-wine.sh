#!/bin/sh
# SPDX-FileCopyrightText: 2026 The Varnoke developers
# SPDX-License-Identifier: MIT
#
# Cross-compiles the registry conformance suite for Windows and runs it against the registry
# itself under Wine, in a throw-away prefix. Exits 77 (a skip) when Wine or the cross compiler
# is missing.
# Usage: run-under-wine.sh <source root> <work folder>
set -eu

src=$1
work=$2
skip=77

cxx=x86_64-w64-mingw32-g++
command -v "$cxx" >/dev/null 2>&1 || { echo "SKIP: $cxx not installed"; exit $skip; }
wine=$(command -v wine64 || command -v wine || true)
[ -n "$wine" ] || { echo "SKIP: wine not installed"; exit $skip; }

mkdir -p "$work"
exe=$work/tst_registry_conformance.exe
"$cxx" -std=c++20 -O1 -Wall -Wextra -static -I"$src/src" -I"$src/tests/registry" \
    -o "$exe" \
    "$src/tests/registry/tst_registry_conformance.cpp" \
    "$src/tests/registry/RegistrySuite.cpp" \
    "$src/src/registry/Win32Registry.cpp"

WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/varnoke-wineprefix-XXXXXX")
export WINEPREFIX
cleanup() {
    WINEPREFIX=$WINEPREFIX wineserver -k >/dev/null 2>&1 || true
    rm -rf "$WINEPREFIX"
}
trap cleanup EXIT
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
# The ANSI code page follows the locale; C gives Windows-1252.
export LC_ALL=C LANG=C
# Wine's first-run chatter goes to stderr; the suite's verdict is its exit status.
status=0
"$wine" "$exe" >"$work/wine-stdout.txt" 2>"$work/wine-stderr.txt" || status=$?
tr -d '\r' <"$work/wine-stdout.txt"
exit $status
