#!/usr/bin/env bash
# The format check: every C++ file of src, app, tests and bench as the root's
# .clang-format lays it out. Prints the places that differ and fails; with --fix
# rewrites them instead.
set -euo pipefail
cd "$(dirname "$0")/.."
mode=(--dry-run -Werror)
[[ ${1:-} == --fix ]] && mode=(-i)
find src app tests bench \( -name '*.cpp' -o -name '*.h' \) -print0 | sort -z |
  xargs -0 clang-format "${mode[@]}"
