#!/usr/bin/env bash
# typelane-cli send into a zenity --forms dialog (GTK): pasted data with Auto
# Tab, "\\" and "&" cells, a keystroke cell with a Shift latch, then Tab Tab
# Enter presses OK. zenity prints the fields it received, joined by "|".
# usage: test_zenity_load.sh nowm|openbox CLI DRIVER PROBE
MODE=$1 CLI=$2 DRIVER=$3
source "$(dirname "$0")/lib.sh"

start_display "$MODE"
zenity --forms --title="Order Entry" --text="New order" --add-entry=Customer --add-entry=Path \
  --add-entry=Code --add-entry=Note >"$WORK/zenity.out" 2>"$WORK/zenity.err" &
ZENITY=$!
PIDS+=($ZENITY)
wait_until 30 window_exists "Order Entry" || fail "the zenity dialog did not appear"

row=$'Bob Smith & Sons\t\\\\srv\\orders\t\\+abc+d-{TAB}\t&T\xc3\xbcb&12\t\\{TAB 2}{ENTER}'
write_sheet "$WORK/form.tyl" "$ZERO_DELAYS" $'Window=Order\nDescription=\nCommandGroup=' "$row" \
  "$(options_with true false)"

set +e
"$CLI" send "$WORK/form.tyl" >"$WORK/send.out" 2>&1
rc=$?
set -e
cat "$WORK/send.out"
[[ $rc == 0 ]] || fail "send exited $rc"
grep -q $'Rows:\t1' "$WORK/send.out" || fail "the summary does not count 1 row"

# OK ends zenity; what it prints is what its fields held.
wait_until 30 bash -c '! kill -0 "$0" 2>/dev/null' "$ZENITY" || fail "zenity is still open"
printf 'Bob Smith & Sons|\\srv\\orders|ABCd-|T\xc3\xbcb&12\n' >"$WORK/expected"
same_bytes "$WORK/expected" "$WORK/zenity.out" "zenity fields"
echo PASS
