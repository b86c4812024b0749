#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Varnoke developers
# SPDX-License-Identifier: MIT
#
# scripts/screenshot.sh [build dir] [output.png]
# Photographs the panel for the guide: the real binary under its own Xvfb, in a private network
# namespace (nothing it does can reach a network), with a throw-away home whose saved unit
# address is on loopback.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(cd "${1:-$here/build}" && pwd)
output=$(realpath -m "${2:-$here/docs/panel.png}")

if [ "${VARNOKE_PRIVATE_NET:-}" != 1 ]; then
    VARNOKE_PRIVATE_NET=1 exec unshare -n -- "$0" "$build" "$output"
fi
ip link set lo up

scratch=$(mktemp -d)
panel="" xvfb=""
trap 'kill $panel 2>/dev/null; wait $panel 2>/dev/null; kill $xvfb 2>/dev/null; rm -rf "$scratch"' EXIT
mkdir -p "$scratch/config/Yorv" "$scratch/runtime"
chmod 700 "$scratch/runtime"
printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\SOFTWARE\\Yorv\\Varnoke]\n"IP Address"="127.0.0.1"\n' \
    > "$scratch/config/Yorv/Varnoke.reg"

exec {fd}<> <(:)
Xvfb -displayfd "$fd" -screen 0 640x480x24 -nolisten tcp -br >/dev/null 2>&1 &
xvfb=$!
read -r -u "$fd" number
export DISPLAY=":$number" HOME="$scratch" XDG_CONFIG_HOME="$scratch/config" \
       XDG_RUNTIME_DIR="$scratch/runtime" QT_QPA_PLATFORM=xcb
"$build/varnoke" &
panel=$!
window=$(xdotool search --sync --onlyvisible --name '^Varnoke Automation Test$' | head -1)
sleep 1
mkdir -p "$(dirname "$output")"
import -window "$window" "$output"
echo "wrote $output"
