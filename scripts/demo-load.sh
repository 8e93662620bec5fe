#!/usr/bin/env bash
# The main job, shown for real: load examples/orders.tyl into a terminal window
# titled "Orders" that records every byte it receives, then print each sheet row
# beside what the window got. Starts its own Xvfb when there is no display.
# usage: demo-load.sh path/to/typelane-cli
set -euo pipefail
cli=$(realpath "$1")
root=$(cd "$(dirname "$0")/.." && pwd)
sheet="$root/examples/orders.tyl"
work=$(mktemp -d "${TMPDIR:-/tmp}/typelane-demo.XXXXXX")
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

wait_for() {  # wait_for SECONDS COMMAND...: poll until the command succeeds
  local end=$((SECONDS + $1)); shift
  until "$@"; do ((SECONDS < end)) || return 1; sleep 0.1; done
}

export XDG_RUNTIME_DIR="$work/runtime" XDG_CONFIG_HOME="$work/config"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
if [ -z "${DISPLAY:-}" ]; then
  Xvfb -displayfd 3 -nolisten tcp -screen 0 1280x1024x24 3>"$work/display" >/dev/null 2>&1 &
  pids+=($!)
  wait_for 20 test -s "$work/display" || { echo "Xvfb did not start" >&2; exit 1; }
  export DISPLAY=":$(head -n1 "$work/display")"
  echo "Started Xvfb on $DISPLAY"
fi

# The target: an xterm running `cat` in raw mode, so the file holds exactly
# what the keyboard and the pastes delivered. Ctrl+V pastes the clipboard.
xterm -xrm 'XTerm*VT100.translations: #override Ctrl <Key>V: insert-selection(CLIPBOARD)' \
  -u8 -geometry 100x20+0+0 -T "Orders" \
  -e sh -c "stty raw -echo; : > '$work/ready'; exec cat > '$work/received'" >/dev/null 2>&1 &
pids+=($!)
wait_for 20 test -e "$work/ready" || { echo "xterm did not start" >&2; exit 1; }
wait_for 20 sh -c "'$cli' windows | grep -qx Orders" || { echo "no Orders window" >&2; exit 1; }

echo "Loading $sheet into the window \"Orders\" (command group Desktop)..."
echo
"$cli" send --group Desktop "$sheet"
echo

# Each record ends with the Down arrow (ESC [ B in a terminal). Show the bytes
# with TAB as " | " and other control keys by name.
python3 - "$sheet" "$work/received" <<'PY'
import sys
sheet = open(sys.argv[1], "rb").read().decode("utf-8", "replace").split("\r\n")
rows = sheet[sheet.index("begindata") + 1:sheet.index("enddata")]
got = open(sys.argv[2], "rb").read()
names = {0x13: "<Ctrl+S>", 0x09: " | ", 0x0d: "<Enter>"}
records = got.split(b"\x1b[B")
for i, row in enumerate(rows):
    shown = "".join(names.get(b, chr(b)) if b < 32 else chr(b)
                    for b in (records[i] if i < len(records) else b""))
    print(f"sheet row {i + 1}: " + " | ".join(row.split("\t")))
    print(f"received   : {shown}<Down>")
    print()
PY
