#!/usr/bin/env bash
# Editing as a user types it, read back from the saved sheet:
# - text typed into a cell and cancelled with Esc does not come back through
#   the cell-text box: after Esc the box holds the cell's own text, so a click
#   into it and a typed X make the cell its old text plus X;
# - the heading editor (Ctrl+T) takes typed text: XYZ, Return (stores the
#   cell), Return again (OK) titles the column XYZ; typed text cancelled with
#   Esc leaves the title as it was and closes the editor.
# usage: test_gui_editing.sh nowm|openbox CLI DRIVER PROBE GUI
MODE=$1 DRIVER=$3 GUI=$5
source "$(dirname "$0")/lib.sh"

start_display "$MODE"
keep_output
sheet="$WORK/edit.tyl"
write_sheet "$sheet" "$ZERO_DELAYS" $'Window=Orders\nDescription=Edit\nCommandGroup=' \
  $'old\tb\tc\nr2\tx\ty' "$(options_with true false)"
start_typelane "$sheet"
main="Veltrax Typelane $sheet"
win=$(visible_window "^$main\$")
HEADING="Typelane Heading Editor"
heading_closed() { ! has_window "$HEADING"; }

# Row 1, column 1: typed over, then cancelled.
xdotool type --delay 50 'secret'
keys Escape
sleep 0.3
# Into the cell-text box (to the right of its text): X; Tab goes back to the
# grid on row 1, column 2.
xdotool mousemove --window "$win" 600 99 click 1
sleep 0.3
xdotool type --delay 50 'X'
keys Tab
sleep 0.3

# The heading editor on column 2: typed, stored with Return, confirmed with Return.
keys ctrl+t
wait_until 20 has_window "$HEADING" || fail "Ctrl+T did not open the heading editor"
sleep 0.5
xdotool type --delay 50 'XYZ'
keys Return
sleep 0.3
has_window "$HEADING" || fail "Return in the title cell closed the heading editor"
keys Return
wait_until 10 heading_closed || fail "Return (OK) did not close the heading editor"
back_to "$main"

# Again on column 3 (Tab moves on), cancelled with Esc.
keys Tab ctrl+t
wait_until 20 has_window "$HEADING" || fail "Ctrl+T did not open the heading editor again"
sleep 0.5
xdotool type --delay 50 'QQ'
keys Escape
wait_until 10 heading_closed || fail "Esc did not close the heading editor"
back_to "$main"
import -window root "$OUTPUT/edited.png"

keys ctrl+s
wait_until 30 grep -q 'XYZ' "$sheet" || fail "the sheet was not saved with the title XYZ"
saved() { sed -n "/^begin$1/,/^end$1/p" "$sheet" | tr -d '\r'; }
cell=$(saved data | sed -n 2p | cut -f1)
titles=$(saved header | sed -n 2p)
note "row 1, column 1: '$cell'; titles: '$titles'"
[[ $cell == oldX ]] || fail "the cell reads '$cell' after Esc and X typed into the cell-text box"
[[ $(cut -f2 <<<"$titles") == XYZ ]] || fail "column 2 is not titled XYZ: '$titles'"
[[ $(cut -f3 <<<"$titles") != *Q* ]] || fail "the cancelled title was kept: '$titles'"
echo PASS
