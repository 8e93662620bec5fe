#!/usr/bin/env bash
# The example sheet in typelane beside its target: a terminal titled "Orders"
# that records every byte it receives (as the headless demo's does). Close
# typelane to end; the bytes the terminal got are then printed.
# usage: demo-gui.sh BUILD_DIR
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath "${1:-$root/build}")
work=$(mktemp -d "${TMPDIR:-/tmp}/typelane-gui-demo.XXXXXX")
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

wait_for() {  # wait_for SECONDS COMMAND...
  local end=$((SECONDS + $1)); shift
  until "$@"; do ((SECONDS < end)) || return 1; sleep 0.1; done
}

# Screen size, to put the two windows side by side.
read -r width height < <(xdpyinfo 2>/dev/null | awk '/dimensions:/ { split($2, d, "x"); print d[1], d[2] }')
width=${width:-1280}; height=${height:-1024}
term_width=$((width / 3))

xterm -xrm 'XTerm*VT100.translations: #override Ctrl <Key>V: insert-selection(CLIPBOARD)' \
  -u8 -geometry 60x30-0+0 -T "Orders" \
  -e sh -c "stty raw -echo; : > '$work/ready'; exec cat > '$work/received'" >/dev/null 2>&1 &
pids+=($!)
wait_for 20 test -e "$work/ready" || { echo "xterm did not start" >&2; exit 1; }

echo "typelane shows examples/orders.tyl; the window \"Orders\" on the right records what it receives."
echo "Close typelane to finish."
"$build/bin/typelane" -geometry "$((width - term_width - 20))x$((height - 80))+0+0" \
  "$root/examples/orders.tyl" || true

echo
echo "The \"Orders\" window received:"
python3 - "$work/received" <<'PY'
import sys
got = open(sys.argv[1], "rb").read()
names = {0x13: "<Ctrl+S>", 0x09: " | ", 0x0d: "<Enter>", 0x1b: "<Esc>"}
print("".join(names.get(b, chr(b)) if b < 32 else chr(b) for b in got) or "(nothing yet)")
PY
