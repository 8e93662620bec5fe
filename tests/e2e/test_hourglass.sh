#!/usr/bin/env bash
# A busy target holds the load while the HourGlass option is on. The probe
# window shows the wait cursor and handles no events until the script releases
# it, logging what queues up meanwhile: with the option on no key may arrive
# while the cursor is up. The same load with the option off must be seen
# sending into the busy window (so the check really finds such keys). Both the
# theme's animated wait cursor (unnamed frames) and a named one are checked.
# Every step waits for what it checks, never for a length of time, so a busy
# machine cannot fail it.
# usage: test_hourglass.sh nowm|openbox CLI DRIVER PROBE
MODE=$1 CLI=$2 DRIVER=$3 PROBE=$4
source "$(dirname "$0")/lib.sh"

start_display "$MODE"
# A window to hold the focus before the load, so the load's activation of the
# busy window shows in that window's queue. The pointer rests on the busy
# window, outside this one.
start_cat "Elsewhere" "$WORK/elsewhere.out"

last_count() { sed -n "s/^$1 //p" "$2" | tail -n1; }

# run_busy_load NAME HOURGLASS_OPTION [env for the probe]
run_busy_load() {
  local name=$1 option=$2
  shift 2
  local log=$WORK/$name.log release=$WORK/$name.release
  env "$@" "$PROBE" "Busy Pad" "$log" --geometry 1000x700+0+0 --busy-until "$release" &
  local probe=$!
  PIDS+=($probe)
  wait_until 20 window_exists "Busy Pad" || fail "$name: the probe window did not appear"
  "$DRIVER" move 900 600
  "$DRIVER" wait-hourglass 1 20000 || fail "$name: the wait cursor is not seen"
  "$DRIVER" activate "Elsewhere" || fail "$name: Elsewhere did not take the focus"
  "$DRIVER" hourglass | grep -qx 1 || fail "$name: the pointer is not over the busy window"
  local focus_before
  focus_before=$(last_count focus-queued "$log")
  write_sheet "$WORK/$name.tyl" \
    $'DataDelay=0\nCellDelay=0\nFormDelay=0\nKeyHold=0\nSystemHold=0\nMenuCall=0\nHourGlass=100' \
    $'Window=Busy Pad\nDescription=\nCommandGroup=' \
    $'\\a\t\\b\t\\c' "$(options_with false "$option")"
  "$CLI" send "$WORK/$name.tyl" >"$WORK/$name.out" 2>&1 &
  local send=$!
  PIDS+=($send)
  if [[ $option == true ]]; then
    # The load has activated the busy window: from here on a load that did not
    # wait would send its first key within milliseconds. Give it ample time to
    # (wrongly) do so; a slow machine can only make this check easier to pass.
    wait_until 60 bash -c '[[ $(sed -n "s/^focus-queued //p" "$0" | tail -n1) -gt ${1:-0} ]]' \
      "$log" "${focus_before:-0}" || fail "$name: the load did not activate the busy window"
    sleep 1
  else
    wait_until 60 grep -q '^queued [1-9]' "$log" ||
      fail "$name: with the option off no key reached the busy window"
  fi
  touch "$release"
  wait "$send" || { cat "$WORK/$name.out"; fail "$name: send failed"; }
  wait_until 30 bash -c '[[ $(grep -c "^key " "$0") -ge 3 ]]' "$log" ||
    fail "$name: the keys did not all arrive"
  kill "$probe"
  wait "$probe" 2>/dev/null || true
  grep -E '^key ' "$log" | tr '\n' ' '
  echo
  [[ $(grep -E '^key ' "$log" | tr '\n' ' ') == "key a key b key c " ]] ||
    fail "$name: the keys did not arrive as a, b, c"
}

for variant in animated named; do
  env=()
  [[ $variant == named ]] && env=(XCURSOR_ANIM=0)
  run_busy_load "$variant-on" true "${env[@]}"
  queued=$(last_count busy-queued "$WORK/$variant-on.log")
  [[ $queued == 0 ]] || fail "$variant: $queued keys were sent while the target was busy"
done

run_busy_load off false
queued=$(last_count busy-queued "$WORK/off.log")
[[ $queued -gt 0 ]] || fail "with the option off no key was seen arriving during a busy spell"
echo PASS
