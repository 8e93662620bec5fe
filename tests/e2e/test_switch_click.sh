#!/usr/bin/env bash
# "*CW" between two windows, "*ML" and "*MR" clicks at screen positions, and a
# "*CW" to a window that is not there: the load stops with an error there, and
# the cell after it never reaches the window still in front.
# usage: test_switch_click.sh nowm|openbox CLI DRIVER PROBE
MODE=$1 CLI=$2 DRIVER=$3 PROBE=$4
source "$(dirname "$0")/lib.sh"

start_display "$MODE"
start_cat "Cat Target" "$WORK/cat.out"
"$PROBE" "Probe Pad" "$WORK/probe.log" --geometry 700x600+520+0 &
PIDS+=($!)
wait_until 20 window_exists "Probe Pad" || fail "the probe window did not appear"

row1=$'one\t*CW(Probe Pad)\t\\xy{ENTER}\t*ML(900,300)\t*MR(910,310)\t*CW(cat target)\ttwo'
row2=$'*CW(No Such Window)\tthree'
write_sheet "$WORK/switch.tyl" "$ZERO_DELAYS" $'Window=Cat Target\nDescription=\nCommandGroup=' \
  "$row1"$'\n'"$row2" "$(options_with false false)"

set +e
"$CLI" send "$WORK/switch.tyl" >"$WORK/send.out" 2>&1
rc=$?
set -e
cat "$WORK/send.out"
[[ $rc == 1 ]] || fail "send exited $rc, not 1"
grep -q 'The window "No Such Window" does not exist' "$WORK/send.out" ||
  fail "no error naming the missing window"
grep -q 'The load stopped at row 2, cell 1' "$WORK/send.out" || fail "no word of where it stopped"

printf 'onetwo' >"$WORK/expected"
wait_bytes "$WORK/cat.out" 6 || true
sleep 0.5
same_bytes "$WORK/expected" "$WORK/cat.out" "xterm received"

printf 'key x\nkey y\nkey Return\nbutton 1 900 300\nbutton 3 910 310\n' >"$WORK/expected.probe"
wait_until 10 bash -c 'grep -q "^button 3" "$0"' "$WORK/probe.log" || true
grep -E '^(key|button) ' "$WORK/probe.log" >"$WORK/probe.events" || true
same_bytes "$WORK/expected.probe" "$WORK/probe.events" "the probe window's keys and clicks"
echo PASS
