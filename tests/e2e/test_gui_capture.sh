#!/usr/bin/env bash
# Mouse click capture in the real program: typing *ML into a cell asks for the
# position in a message box; with the pointer moved elsewhere on the screen,
# Enter completes the cell with the pointer's position as the X server has it,
# and typing goes on in the cell; Esc leaves *MR as typed. The sheet is then
# saved with Ctrl+S and read back.
# usage: test_gui_capture.sh nowm|openbox CLI DRIVER PROBE GUI
MODE=$1 DRIVER=$3 GUI=$5
source "$(dirname "$0")/lib.sh"

start_display "$MODE"
sheet="$WORK/capture.tyl"
write_sheet "$sheet" "$ZERO_DELAYS" $'Window=Orders\nDescription=Capture\nCommandGroup=' \
  $'Acme\tLeeds' "$(options_with true false)"
start_typelane "$sheet"
gui_pid=$TYPELANE

# The question, once it is up: a visible window of ours titled Typelane.
box_up() { xdotool search --all --onlyvisible --pid "$gui_pid" --name '^Typelane$' >/dev/null 2>&1; }
box_gone() { ! box_up; }

# Row 2, column 1 (the open sheet starts on row 1, column 1).
xdotool key Down
xdotool type --delay 50 '*ML'
wait_until 20 box_up || fail "no question after *ML"
xdotool mousemove 777 555
sleep 0.3
xdotool key Return
wait_until 20 box_gone || fail "Enter did not close the question"
sleep 0.3
xdotool type --delay 50 'x'
xdotool key BackSpace Return
sleep 0.3

# Row 3, column 1: Esc keeps the three characters.
xdotool key Down
xdotool type --delay 50 '*MR'
wait_until 20 box_up || fail "no question after *MR"
xdotool key Escape
wait_until 20 box_gone || fail "Esc did not close the question"
sleep 0.3
xdotool key Return
sleep 0.3
xdotool key ctrl+s
wait_until 20 grep -q 'MR' "$sheet" || { cat "$sheet"; fail "the sheet was not saved"; }

data=$(sed -n '/^begindata/,/^enddata/p' "$sheet" | tr -d '\r')
echo "$data"
grep -qx $'\\*ML(777,555)\t*' <<<"$(sed -n 3p <<<"$data")" || fail "row 2 is not *ML(777,555)"
grep -qx $'\\*MR\t*' <<<"$(sed -n 4p <<<"$data")" || fail "row 3 is not *MR"
echo PASS
