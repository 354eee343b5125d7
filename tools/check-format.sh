#!/usr/bin/env bash
# Fails when a C++ source of the project is not formatted with .clang-format.
set -euo pipefail
cd "$(dirname "$0")/.."
files=$(git ls-files -- '*.cpp' '*.h' 2>/dev/null || find . -path './build*' -prune -o \( -name '*.cpp' -o -name '*.h' \) -print)
[ -n "$files" ] || exit 0
# shellcheck disable=SC2086
clang-format --dry-run --Werror $files
