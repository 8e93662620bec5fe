#!/usr/bin/env bash
# The Qt program loads a sheet into a zenity --forms dialog, driven from the
# keyboard only, as a user would: Alt+T S (Tools > Send Data) on our main
# window, Return on the selection dialog, Return on the summary, then Alt+F X
# (File > Exit). The fields zenity prints must be the sheet's cells byte for
# byte: plain text with "&", a "\\" cell, UTF-8 text, Windows-1252 text (which
# arrives as the same characters in UTF-8), a long cell and a "&" cell that
# takes no Tab; then a command of the sheet's command group presses OK.
# usage: test_gui_zenity_load.sh nowm|openbox CLI DRIVER PROBE GUI
MODE=$1 DRIVER=$3 GUI=$5
source "$(dirname "$0")/lib.sh"

start_display "$MODE"
zenity --forms --title="Order Entry" --text="New order" --add-entry=Customer --add-entry=Path \
  --add-entry=Name --add-entry=Legacy --add-entry=Long --add-entry=Note \
  >"$WORK/zenity.out" 2>"$WORK/zenity.err" &
ZENITY=$!
PIDS+=($ZENITY)
wait_until 30 window_exists "Order Entry" || fail "the zenity dialog did not appear"

long=""
for i in $(seq 1 120); do long+="item $i: 5 x AS54888 @ 12.50 & more; "; done
long=${long% }
name=$'Gr\xc3\xbc\xc3\x9fe \xe6\x9d\xb1\xe4\xba\xac \xe2\x82\xac5'
legacy=$'Caf\xe9 cr\xe8me \x80'
cells=("Bob Smith & Sons" '\\srv\orders' "$name" "$legacy" "$long" '&Tel & fax' 'press ok')
row=$(IFS=$'\t'; echo "${cells[*]}")
sheet="$WORK/orders.tyl"
write_sheet "$sheet" "$ZERO_DELAYS" $'Window=Order Entry\nDescription=GUI load\nCommandGroup=Desktop' \
  "$row" "$(options_with true false true)"
# The last cell is a command: in the sheet's group it presses OK (Tab Tab
# Enter from the last field), in the other one it would cancel.
{
  printf 'begincommands\r\nCommand\tDescription\tOther\tDesktop\tNotes\r\n'
  printf 'PRESS OK\tPress OK\t\\{ESC}\t\\{TAB 2}{ENTER}\t\r\nendcommands\r\n'
} >>"$sheet"

start_typelane "$sheet"
MAIN="Veltrax Typelane $sheet"
send_data "$MAIN"

# The last cell presses zenity's OK: zenity ends and prints its fields.
wait_until 60 exited "$ZENITY" || fail "zenity is still open"
wait_status "$ZENITY"
[[ $rc == 0 ]] || fail "zenity ended with $rc, not by its OK button"
{
  printf 'Bob Smith & Sons|\\srv\\orders|%s|' "$name"
  printf '%s' "$legacy" | iconv -f CP1252 -t UTF-8
  printf '|%s|Tel & fax\n' "$long"
} >"$WORK/expected"
same_bytes "$WORK/expected" "$WORK/zenity.out" "zenity fields"

# The summary comes up over our main window with the focus.
read_summary "$WORK/summary.txt"
grep -qx 'Typelane completed successfully:' "$WORK/summary.txt" ||
  fail "the summary does not say the load completed"
grep -qx $'Rows:\t1' "$WORK/summary.txt" || fail "the summary does not count 1 row"
grep -qE $'^Time:\t[0-9]+:[0-9]+:[0-9]+$' "$WORK/summary.txt" || fail "the summary has no time"

# File > Exit: nothing was changed, so the program ends without a question.
quit_typelane "$MAIN"
echo PASS
