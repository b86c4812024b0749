#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Varnoke developers
# SPDX-License-Identifier: MIT
# Runs every benchmark and prints one table of figures against their targets. A figure past its
# target is printed, not failed: wall-clock figures move with the machine's load. It exits
# non-zero only for a broken run: a benchmark that crashed, lost a command or failed a call.
# usage: run-all.sh <folder of the bench programs> <varnoke> [python3]
set -uo pipefail
bench=$1 varnoke=$2 python=${3:-python3}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
status=0
printf '%-52s %10s %10s %8s %s\n' figure value floor ratio target
run() { "$@" | grep -v '^figure' || status=1; }
run "$bench/bench_keystroke"
run "$bench/bench_flood" 2>/dev/null
run "$bench/bench_settings"
run "$python" "$here/bench_desktop.py" "$varnoke" "$bench/minimal_window" 2>/dev/null
exit $status
