#!/usr/bin/env bash
# A cell longer than a line edit holds (100,000 bytes) in the real program:
# the grid and the cell-text box show its beginning, and nothing typed at it
# (in the grid, F2, the cell-text box, a paste into the box) cuts it; the
# cells around it are edited as ever, a long text pasted into the grid is kept
# whole, and Ctrl+S writes every byte back.
# usage: test_gui_long_cell.sh nowm|openbox CLI DRIVER PROBE GUI
MODE=$1 DRIVER=$3 GUI=$5
source "$(dirname "$0")/lib.sh"

start_display "$MODE"
keep_output
sheet="$WORK/long.tyl"
long=$(python3 -c 'import sys; sys.stdout.write("".join("%06d " % i for i in range(14285)) + "END")')
pasted=$(python3 -c 'import sys; sys.stdout.write("P" * 80000 + "\u00e9Z")')
write_sheet "$sheet" "$ZERO_DELAYS" $'Window=Orders\nDescription=Long\nCommandGroup=' \
  "$long"$'\tshort\nr2\tx' "$(options_with true false)"
start_typelane "$sheet"
main="Veltrax Typelane $sheet"
win=$(visible_window "^$main\$")

# Typed into the grid on the long cell (row 1, column 1): select mode, then
# Return and F2, which open the editor elsewhere.
xdotool type --delay 50 'zz'
keys Return
xdotool type --delay 50 'q'
keys F2
xdotool type --delay 50 'w'
keys Return
sleep 0.3
import -window root "$OUTPUT/long_cell.png"

# Into the cell-text box: a click, typing, Backspace, a paste, then Tab back to
# the grid, which moves on to row 1, column 2.
printf 'CLIP' | xclip -selection clipboard
xdotool mousemove --window "$win" 600 99 click 1
sleep 0.3
xdotool type --delay 50 'k'
keys BackSpace ctrl+v Tab
sleep 0.3

# Row 1, column 2 takes typing as ever; row 2, column 1 takes a long paste.
xdotool type --delay 50 'ok'
keys Return
sleep 0.3
xdotool mousemove --window "$win" 94 170 click 1
sleep 0.3
printf '%s' "$pasted" | xclip -selection clipboard
keys ctrl+v
sleep 0.5
keys ctrl+s
wait_until 30 grep -q 'PPéZ' "$sheet" || fail "the sheet was not saved with the paste"

data=$(sed -n '/^begindata/,/^enddata/p' "$sheet" | tr -d '\r')
[[ $(sed -n 2p <<<"$data" | cut -f1) == "$long" ]] || fail "the long cell changed"
[[ $(sed -n 2p <<<"$data" | cut -f2) == *ok ]] || fail "row 1, column 2 was not edited: $(sed -n 2p <<<"$data" | cut -f2)"
[[ $(sed -n 3p <<<"$data" | cut -f1) == "$pasted" ]] || fail "the pasted text was not kept whole"
echo PASS
