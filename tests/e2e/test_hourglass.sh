#!/usr/bin/env bash
# A busy target holds the load while the HourGlass option is on. The probe
# window shows the wait cursor at start and after every key, handling no events
# meanwhile, and counts the keys that arrived while the cursor was up: with the
# option on there must be none. The same load with the option off must be seen
# sending into the busy window (so the count really finds such keys). Both the
# theme's animated wait cursor (unnamed frames) and a named one are checked.
# usage: test_hourglass.sh nowm|openbox CLI DRIVER PROBE
MODE=$1 CLI=$2 DRIVER=$3 PROBE=$4
source "$(dirname "$0")/lib.sh"

start_display "$MODE"

# run_busy_load NAME HOURGLASS_OPTION [env for the probe]
run_busy_load() {
  local name=$1 option=$2
  shift 2
  env "$@" "$PROBE" "Busy Pad" "$WORK/$name.log" --geometry 1000x700+0+0 \
    --busy-at-start 1500 --busy-on-key 800 &
  local probe=$!
  PIDS+=($probe)
  wait_until 20 window_exists "Busy Pad" || fail "$name: the probe window did not appear"
  "$DRIVER" move 500 400
  "$DRIVER" wait-hourglass 1 10000 || fail "$name: the wait cursor is not seen"
  # CellDelay gives the probe time to put its cursor up after a key before the
  # load looks again; the mandated 50 ms alone can be too little on a busy machine.
  write_sheet "$WORK/$name.tyl" \
    $'DataDelay=0\nCellDelay=0.2\nFormDelay=0\nKeyHold=0\nSystemHold=0\nMenuCall=0\nHourGlass=100' \
    $'Window=Busy Pad\nDescription=\nCommandGroup=' \
    $'\\a\t\\b\t\\c' "$(options_with false "$option")"
  "$CLI" send "$WORK/$name.tyl" >"$WORK/$name.out" 2>&1 || fail "$name: send failed"
  wait_until 20 bash -c '[[ $(grep -c "^busy-end" "$0") -ge 4 ]]' "$WORK/$name.log" ||
    fail "$name: the probe did not finish its busy spells"
  kill "$probe"
  wait "$probe" 2>/dev/null || true
  grep -E '^key ' "$WORK/$name.log" | tr '\n' ' '
  echo
  [[ $(grep -E '^key ' "$WORK/$name.log" | tr '\n' ' ') == "key a key b key c " ]] ||
    fail "$name: the keys did not arrive as a, b, c"
}

for variant in animated named; do
  env=()
  [[ $variant == named ]] && env=(XCURSOR_ANIM=0)
  run_busy_load "$variant-on" true "${env[@]}"
  queued=$(grep '^busy-queued' "$WORK/$variant-on.log" | awk '{s += $2} END {print s + 0}')
  [[ $queued == 0 ]] || fail "$variant: $queued keys were sent while the target was busy"
done

run_busy_load off false
queued=$(grep '^busy-queued' "$WORK/off.log" | awk '{s += $2} END {print s + 0}')
[[ $queued -gt 0 ]] || fail "with the option off no key was seen arriving during a busy spell"
echo PASS
