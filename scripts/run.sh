#!/usr/bin/env bash
# Installs what is needed, builds Typelane, and runs its main job on the bundled
# example: a load of examples/orders.tyl.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)"

if [ -x scripts/demo-load.sh ]; then
  exec bash scripts/demo-load.sh build/bin/typelane-cli
fi
# Without the desktop demo: a dry run, which prints every key, paste and wait
# the load would send, and the summary.
exec build/bin/typelane-cli send --dry-run examples/orders.tyl
