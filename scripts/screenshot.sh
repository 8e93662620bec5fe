#!/usr/bin/env bash
# Takes a screenshot of typelane with the example sheet open, on a private X
# server with a window manager, into docs/screenshot.png (or the path given).
# usage: scripts/screenshot.sh [BUILD_DIR] [OUT.png]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath "${1:-$root/build}")
out=$(realpath -m "${2:-$root/docs/screenshot.png}")
gui="$build/bin/typelane"
[ -x "$gui" ] || { echo "no $gui: build first (cmake --build --preset default)" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/typelane-shot.XXXXXX")
pids=()
cleanup() {
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

wait_for() {  # wait_for SECONDS COMMAND...
  local end=$((SECONDS + $1)); shift
  until "$@"; do ((SECONDS < end)) || return 1; sleep 0.2; done
}

export XDG_RUNTIME_DIR="$work/runtime" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
Xvfb -displayfd 3 -nolisten tcp -screen 0 1280x800x24 3>"$work/display" >/dev/null 2>&1 &
pids+=($!)
wait_for 20 test -s "$work/display" || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$work/display")"
if command -v openbox >/dev/null; then
  openbox >/dev/null 2>&1 &
  pids+=($!)
  sleep 1
fi

# The example sheet where it ships, so the caption shows the path a user of
# this checkout sees (never a temporary folder).
sheet="$root/examples/orders.tyl"
(cd "$root" && TYPELANE_NO_SPLASH=1 TYPELANE_NO_ASSOCIATIONS=1 QT_QPA_PLATFORM=xcb exec "$gui" "$sheet") \
  >"$work/gui.log" 2>&1 &
pids+=($!)
wait_for 30 sh -c 'xdotool search --name "^Veltrax Typelane $1\$" >/dev/null' sh "$sheet" ||
  { cat "$work/gui.log" >&2; echo "typelane did not open the sheet" >&2; exit 1; }
sleep 1.5
mkdir -p "$(dirname "$out")"
import -window root "$out"
echo "$out"
