#!/usr/bin/env bash
# Undo, redo and Replace All as a user reaches them, read back from the grid's
# own copy and from the saved sheet:
# - a block pasted over cells and two rows deleted come back with Ctrl+Z twice
#   (and, being the saved sheet again, leave nothing to save); Ctrl+Y twice
#   does both again, and Save writes that;
# - Ctrl+H, a search text, Alt+P, a replacement, Alt+A replaces every match;
#   Esc closes the window and Ctrl+Z takes the whole Replace All back.
# Pictures of the Edit menu and the Replace window are kept.
# usage: test_gui_undo.sh nowm|openbox CLI DRIVER PROBE GUI
MODE=$1 DRIVER=$3 GUI=$5
source "$(dirname "$0")/lib.sh"

start_display "$MODE"
keep_output
sheet="$WORK/undo.tyl"
write_sheet "$sheet" "$ZERO_DELAYS" $'Window=Orders\nDescription=Undo\nCommandGroup=' \
  $'a1\ta2\ta3\nb1\tb2\tb3\nc1\tc2\tc3\nd1\td2\td3' "$(options_with true false)"
start_typelane "$sheet"
main="Veltrax Typelane $sheet"

saved() { sed -n '/^begindata/,/^enddata/p' "$sheet" | tr -d '\r' | sed '1d;$d'; }
# The whole sheet as the grid copies it (Select All, Copy), lines without CR.
copied() {
  printf 'stale' | xclip -selection clipboard
  keys ctrl+a ctrl+c
  wait_until 10 bash -c '[[ $(xclip -o -selection clipboard 2>/dev/null) != stale ]]' ||
    fail "Copy put nothing on the clipboard"
  xclip -o -selection clipboard | tr -d '\r'
  keys ctrl+Home Right Left
}
original=$'a1\ta2\ta3\nb1\tb2\tb3\nc1\tc2\tc3\nd1\td2\td3'
edited=$'a1\ta2\ta3\nb1\tP1\tP2'

# A block pasted at row 2, column 2, over b2..c3.
printf 'P1\tP2\nP3\tP4' | xclip -selection clipboard
keys Down Right ctrl+v
sleep 0.3
# Rows 3 and 4 deleted through the grid's pop-up menu (Row > Delete).
keys ctrl+Home Down Down shift+Down Menu
sleep 0.5
keys r d
sleep 0.3
now=$(copied)
[[ $now == "$edited" ]] || fail "paste and delete gave: $(printf '%q' "$now")"

keys ctrl+z
sleep 0.3
keys ctrl+z
sleep 0.3
now=$(copied)
[[ $now == "$original" ]] || fail "Ctrl+Z twice left: $(printf '%q' "$now")"
# Back at the saved sheet there is nothing to save: the file stays as it was.
before=$(md5sum <"$sheet")
keys ctrl+s
sleep 1
[[ $(md5sum <"$sheet") == "$before" ]] || fail "Save wrote the sheet although it was unchanged"

keys ctrl+y
sleep 0.3
keys ctrl+y
sleep 0.3
keys ctrl+s
wait_until 30 bash -c "grep -q P1 '$sheet'" || fail "Save after Ctrl+Y did not write the sheet"
[[ $(saved) == "$edited" ]] || fail "Ctrl+Y twice saved: $(printf '%q' "$(saved)")"

# The Edit menu, naming the step Undo would take back.
keys alt+e
sleep 0.8
import -window root "$OUTPUT/edit-menu.png"
keys Escape Escape
back_to "$main"

# Replace All: P becomes Q in both cells of the pasted block (one cell
# selected: the whole sheet is searched).
keys ctrl+Home Right Left ctrl+h
wait_until 20 has_window '^Replace$' || fail "Ctrl+H did not open the Replace window"
wait_until 20 foreground_is "Replace" || fail "the Replace window does not have the focus"
xdotool type --delay 50 'P'
keys alt+p
xdotool type --delay 50 'Q'
keys alt+a
sleep 0.5
import -window root "$OUTPUT/replace.png"
keys Escape
wait_until 10 bash -c "! xdotool search --onlyvisible --name '^Replace\$' >/dev/null 2>&1" ||
  fail "Esc did not close the Replace window"
back_to "$main"
keys ctrl+s
wait_until 30 bash -c "grep -q Q1 '$sheet'" || fail "Replace All was not saved"
[[ $(saved) == $'a1\ta2\ta3\nb1\tQ1\tQ2' ]] || fail "Replace All saved: $(printf '%q' "$(saved)")"

keys ctrl+z
sleep 0.3
keys ctrl+s
wait_until 30 bash -c "grep -q P1 '$sheet'" || fail "Ctrl+Z after Replace All was not saved"
[[ $(saved) == "$edited" ]] || fail "Ctrl+Z after Replace All saved: $(printf '%q' "$(saved)")"
echo PASS
