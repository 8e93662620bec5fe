#!/usr/bin/env bash
# A load that holds because another window took the focus offers Stop and
# Continue in its progress window (the only way out where Esc cannot be seen),
# clicked as a user clicks them:
# - Continue brings the target back to the front and the load completes: the
#   target got every cell exactly once, the other window nothing;
# - Stop ends the load: the summary tells the stop, nothing more went out.
# usage: test_gui_hold.sh nowm|openbox CLI DRIVER PROBE GUI
MODE=$1 DRIVER=$3 GUI=$5
source "$(dirname "$0")/lib.sh"
keep_output

start_display "$MODE"
start_cat "Cat Target" "$WORK/cat.out"
start_cat "Other Window" "$WORK/other.out"

ROWS=8
rows=""
for i in $(seq 1 $ROWS); do
  for l in a b c d e; do rows+="$l$i;"$'\t'; done
  rows+=$'\\{ENTER}\n'
done
sheet="$WORK/hold.tyl"
write_sheet "$sheet" \
  $'DataDelay=0\nCellDelay=0.15\nFormDelay=0\nKeyHold=0\nSystemHold=0\nMenuCall=0\nHourGlass=100' \
  $'Window=Cat Target\nDescription=\nCommandGroup=Desktop' "${rows%$'\n'}" \
  "$(options_with false false true)"
printf 'begincommands\r\nCommand\tDescription\tDesktop\tNotes\r\nendcommands\r\n' >>"$sheet"
MAIN="Veltrax Typelane $sheet"

# The target got row 3's first cell: the load is well under way.
in_row_3() { grep -q 'a3;' "$WORK/cat.out"; }
# click_progress NAME: a click on the progress window's button NAME: Stop is
# the upper, Continue the lower of the two buttons at the window's right edge.
click_progress() {
  local win width height y
  win=$(visible_window '^Typelane Progress$') || fail "no progress window"
  width=$(xwininfo -id "$win" | sed -n 's/^ *Width: //p')
  height=$(xwininfo -id "$win" | sed -n 's/^ *Height: //p')
  [[ $1 == Stop ]] && y=$((height / 2 - 12)) || y=$((height / 2 + 12))
  xdotool mousemove --window "$win" $((width - 48)) "$y" click 1
}
# steal_focus: another program takes the keyboard; the load must hold.
steal_focus() {
  "$DRIVER" activate "Other Window" >/dev/null || fail "the other window did not come forward"
  local size
  # A cell already on its way when the focus moved still lands.
  sleep 0.5
  size=$(stat -c %s "$WORK/cat.out")
  sleep 1
  [[ $(stat -c %s "$WORK/cat.out") == "$size" ]] || fail "the load went on without its target"
  [[ ! -s $WORK/other.out ]] || fail "the other window got keys: $(od -c "$WORK/other.out" | head -3)"
}

start_typelane "$sheet"

# ---- Continue ----
send_data "$MAIN"
wait_until 60 in_row_3 || fail "the load did not reach row 3"
steal_focus
import -window root "$OUTPUT/holding.png"
click_progress Continue
sleep 1
import -window root "$OUTPUT/continued.png"
read_summary "$WORK/summary1.txt"
grep -qx 'Typelane completed successfully:' "$WORK/summary1.txt" ||
  fail "the load did not complete after Continue"
expected() {
  local i l
  for i in $(seq 1 $ROWS); do
    for l in a b c d e; do printf '%s%d;' "$l" "$i"; done
    printf '\r'
  done
}
expected >"$WORK/expected"
same_bytes "$WORK/expected" "$WORK/cat.out" "every cell once, in order, after Continue"
[[ ! -s $WORK/other.out ]] || fail "the other window got keys"

# ---- Stop ----
back_to "$MAIN"
: >"$WORK/cat.out"
send_data "$MAIN"
wait_until 60 in_row_3 || fail "the second load did not reach row 3"
steal_focus
size=$(stat -c %s "$WORK/cat.out")
import -window root "$OUTPUT/holding2.png"
click_progress Stop
sleep 1
import -window root "$OUTPUT/stopped.png"
read_summary "$WORK/summary2.txt"
grep -q 'terminated at user request' "$WORK/summary2.txt" ||
  fail "the summary does not tell the stop"
sleep 0.5
[[ $(stat -c %s "$WORK/cat.out") == "$size" ]] || fail "keys went out after Stop"
[[ ! -s $WORK/other.out ]] || fail "the other window got keys"
quit_typelane "$MAIN"
echo PASS
