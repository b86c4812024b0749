#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Varnoke developers
# SPDX-License-Identifier: MIT
#
# scripts/format.sh          formats the tree's C++ files with clang-format (.clang-format)
# scripts/format.sh --check  only says which are not formatted, and fails if any
#
# Only C++ sources and headers: clang-format takes any other file for C++ too, and makes nonsense
# of it (a CMakeLists.txt's "${PROJECT_SOURCE_DIR}/src" becomes "$ {PROJECT_SOURCE_DIR} / src").
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
mode=(-i)
[ "${1:-}" = --check ] && mode=(--dry-run --Werror)
git ls-files -z -- '*.cpp' '*.h' | xargs -0 clang-format "${mode[@]}"
