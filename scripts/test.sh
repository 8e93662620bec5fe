#!/usr/bin/env bash
# Installs what is needed, checks the format (scripts/check-format.sh), builds
# everything with warnings as errors, and runs every test: unit, end-to-end
# (under its own Xvfb) and the rest; then the Windows build (MinGW-w64) and its
# tests under Wine. Arguments go to both ctest runs (for example -L unit).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
status=0
bash scripts/check-format.sh || { echo "format: run scripts/check-format.sh --fix" >&2; status=1; }
cmake --preset ci
cmake --build --preset ci -j "$(nproc)"
ctest --preset ci -j 2 --timeout 900 "$@" || status=$?

# Windows: one Wine prefix for this run, stopped and removed at the end. The
# tests take turns on the prefix's desktop; the one that needs windows brings
# up its own Xvfb, so no display of the caller's is used.
wine_dir=$(mktemp -d "${TMPDIR:-/tmp}/typelane-wine.XXXXXX")
export WINEPREFIX="$wine_dir/prefix"
trap 'bash scripts/wine-run.sh --stop; rm -rf "$wine_dir"' EXIT
cmake --preset mingw
cmake --build --preset mingw -j "$(nproc)"
# Under Wine on a heavily loaded machine the Notepad test has lost keys in one
# run out of five (cause not settled): a failed Windows test is run once more,
# and fails CI only when it fails twice running.
env -u DISPLAY ctest --preset mingw --timeout 900 --repeat until-pass:2 "$@" || status=$?
exit "$status"
