#!/usr/bin/env bash
# Installs what is needed, builds Typelane, and runs it on the bundled example.
#  - With a display: opens examples/orders.tyl in typelane and, beside it, a
#    terminal window titled "Orders" (the sheet's target) that records every
#    byte it receives; when typelane is closed, what the window got is printed.
#  - Without a display: the headless demo, a real load of the example sheet
#    into a recording terminal on a private X server.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)"

if [ -n "${DISPLAY:-}" ] && [ -x build/bin/typelane ]; then
  exec bash scripts/demo-gui.sh build
fi
if [ -x scripts/demo-load.sh ]; then
  exec bash scripts/demo-load.sh build/bin/typelane-cli
fi
# Without the desktop demo: a dry run, which prints every key, paste and wait
# the load would send, and the summary.
exec build/bin/typelane-cli send --dry-run examples/orders.tyl
