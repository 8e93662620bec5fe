#!/usr/bin/env bash
# A load that Esc stops inside a row resumes at the cell where it stopped.
# Inside Xephyr nested in Xvfb, so the Esc comes from a keyboard that is not
# XTest. Checked:
# - Esc right after a row's first cell went: the summary tells the stop;
# - Send Data again: the selection dialog offers "Resume at row r, cell c",
#   checked (Return takes it; pictures of the main window after the stop and
#   of the dialog are kept in E2E_OUTPUT);
#   the second load completes, and the target got every cell of the sheet
#   exactly once, in order (and the user's Esc).
# usage: test_gui_resume.sh nowm|openbox CLI DRIVER PROBE GUI
MODE=$1 DRIVER=$3 GUI=$5
source "$(dirname "$0")/lib.sh"
keep_output

start_nested_display "$MODE"
start_cat "Cat Target" "$WORK/cat.out"

# Row i: ten cells "<letter><i>;" and Enter.
ROWS=12
row_text() {
  local l
  for l in a b c d e f g h i j; do printf '%s%d;' "$l" "$1"; done
}
rows=""
for i in $(seq 1 $ROWS); do
  for l in a b c d e f g h i j; do rows+="$l$i;"$'\t'; done
  rows+=$'\\{ENTER}\n'
done
sheet="$WORK/resume.tyl"
write_sheet "$sheet" \
  $'DataDelay=0\nCellDelay=0.15\nFormDelay=0\nKeyHold=0\nSystemHold=0\nMenuCall=0\nHourGlass=100' \
  $'Window=Cat Target\nDescription=\nCommandGroup=Desktop' "${rows%$'\n'}" \
  "$(options_with false false true)"
printf 'begincommands\r\nCommand\tDescription\tDesktop\tNotes\r\nendcommands\r\n' >>"$sheet"
MAIN="Veltrax Typelane $sheet"

# The target has just got the first cell of a row past the third.
first_cell_in() { tail -c 8 "$WORK/cat.out" | grep -qE $'\r''a([4-9]|[1-9][0-9]);$'; }

start_typelane "$sheet"
send_data "$MAIN"
wait_until 90 first_cell_in || fail "the load did not reach a row's first cell"
user_escape
read_summary "$WORK/summary1.txt"
grep -qx 'Data loading terminated at user request:' "$WORK/summary1.txt" ||
  fail "the summary does not tell the user's stop"
note "stopped after: $(tail -c 40 "$WORK/cat.out" | tr '\r' '|')"
back_to "$MAIN"
import -window root "$OUTPUT/stopped.png"

# ---- Send Data again: the resume choice, taken with Return ----
send_data "$MAIN" "$OUTPUT/selection.png"
read_summary "$WORK/summary2.txt"
grep -qx 'Typelane completed successfully:' "$WORK/summary2.txt" ||
  fail "the resumed load did not complete"

expected() {
  local i
  for i in $(seq 1 $ROWS); do row_text "$i"; printf '\r'; done
}
expected >"$WORK/expected"
# The user's Esc reached the target too (it had the focus), once.
tr -d '\033' <"$WORK/cat.out" >"$WORK/cat.text"
same_bytes "$WORK/expected" "$WORK/cat.text" "every cell once, in order"
[[ $(tr -cd '\033' <"$WORK/cat.out" | wc -c) == 1 ]] || fail "the target did not get one Esc"
quit_typelane "$MAIN"
echo PASS
