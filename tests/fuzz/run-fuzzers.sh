#!/bin/bash
# SPDX-FileCopyrightText: 2026 The Varnoke developers
# SPDX-License-Identifier: MIT

# Builds the fuzz targets with clang in their own build folder and runs each for
# VARNOKE_FUZZ_SECONDS (default 60) seconds, side by side: bash tests/fuzz/run-fuzzers.sh
set -euo pipefail

source_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build_dir=${VARNOKE_FUZZ_BUILD_DIR:-$source_dir/build-fuzz}
seconds=${VARNOKE_FUZZ_SECONDS:-60}

CC=clang CXX=clang++ cmake -S "$source_dir" -B "$build_dir" -G Ninja -DVARNOKE_FUZZ=ON \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVARNOKE_FUZZ_SECONDS="$seconds"
cmake --build "$build_dir" -j2 --target fuzz_exporttext fuzz_readregstring
ctest --test-dir "$build_dir" -L fuzz --output-on-failure -j2
