#!/bin/sh
# SPDX-FileCopyrightText: 2026 The Varnoke developers
# SPDX-License-Identifier: MIT
#
# Runs the registry conformance suite, built for Windows (see CMakeLists.txt), against the
# registry itself under Wine, in a throw-away prefix.
# Usage: run-under-wine.sh <wine> <tst_registry_conformance.exe> <work folder>
set -eu

wine=$1
exe=$2
work=$3

mkdir -p "$work"
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
