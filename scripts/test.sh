#!/usr/bin/env bash
# Installs what is needed, builds everything with warnings as errors, and runs
# every test: unit, end-to-end (under its own Xvfb) and the rest.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake --preset ci
cmake --build --preset ci -j "$(nproc)"
ctest --preset ci -j 2 --timeout 900 "$@"
