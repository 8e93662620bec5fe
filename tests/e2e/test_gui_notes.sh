#!/usr/bin/env bash
# Notes, mouse capture and pasting, in a dark desktop palette (GTK's dark
# Adwaita through Qt's gtk3 theme), as a user meets them with the pointer and
# the keyboard, read back from the screen and from the saved sheet:
# - the yellow note shown over a commented cell is readable (dark text on the
#   yellow, not the palette's light text);
# - moving the pointer onto a row header hides the note;
# - Delete Comment from the grid's pop-up menu takes the note and the cell's
#   red mark off the screen;
# - Esc in the cell after a mouse click capture keeps the captured text, as
#   the cell-text box shows it: X typed into the box lands after it;
# - a spreadsheet's quoted cell with a line break (text offered together with
#   text/csv) is pasted into one cell.
# usage: test_gui_notes.sh nowm|openbox CLI DRIVER PROBE GUI
MODE=$1 DRIVER=$3 GUI=$5
source "$(dirname "$0")/lib.sh"

start_display "$MODE"
keep_output
sheet="$WORK/notes.tyl"
write_sheet "$sheet" "$ZERO_DELAYS" $'Window=Orders\nDescription=Notes\nCommandGroup=' \
  $'alpha\tbeta\ngamma\tdelta' "$(options_with true false)"
sed -i 's/^endformat\r$/Comment1,1=First note\r\nComment2,2=Second note\r\nendformat\r/' "$sheet"
export QT_QPA_PLATFORMTHEME=gtk3 GTK_THEME=Adwaita:dark
start_typelane "$sheet"
main="Veltrax Typelane $sheet"
win=$(visible_window "^$main\$")

# Pixels of one colour on the screen (a fresh screenshot in SHOT).
SHOT="$WORK/shot.png"
shoot() { import -window root "$SHOT"; }
mask() { convert "$SHOT" -fill black +opaque "$1" -fill white -opaque "$1" "${@:2}"; }
count() { mask "$1" -format '%[fx:round(mean*w*h)]' info:; }
yellow() { count '#FFFF00'; }
note_shown() { shoot && (($(yellow) > 5000)); }
note_hidden() { shoot && (($(yellow) == 0)); }

# Over cell (1,1) the note comes up within the comment timer's second.
xdotool mousemove --window "$win" 100 150
wait_until 10 note_shown || fail "no note over the commented cell"
cp "$SHOT" "$OUTPUT/note-dark.png"
# Its text: dark pixels inside the yellow box.
box=$(mask '#FFFF00' -trim -format '%wx%h%O' info:)
dark=$(convert "$SHOT" -crop "$box" +repage -colorspace gray -threshold 40% -negate \
  -format '%[fx:round(mean*w*h)]' info:)
note "note box $box, $dark dark pixels"
((dark > 30)) || fail "the note's text cannot be read on its yellow ($dark dark pixels)"

# Onto the row header of row 1: the note goes, and stays gone.
xdotool mousemove --window "$win" 30 150
wait_until 10 note_hidden || fail "the note stays over the row header"
sleep 1.5
note_hidden || fail "the note came back over the row header"
red_before=$(count '#FF0000')

# Back on the cell, then Delete Comment from its pop-up menu (access key D).
xdotool mousemove --window "$win" 100 150
wait_until 10 note_shown || fail "no note over the commented cell again"
xdotool click 3
sleep 0.5
keys d
wait_until 10 note_hidden || fail "the deleted comment's note stays on the screen"
sleep 1.5
note_hidden || fail "the deleted comment's note came back"
red_after=$(count '#FF0000')
note "red mark pixels: $red_before with two comments, $red_after after deleting one"
((red_after > 0 && red_after < red_before)) || fail "the deleted comment's red mark stays"

# Row 3: *ML captured at (700,600), Esc in the cell, then X typed into the box.
keys Down Down
xdotool type --delay 50 '*ML'
wait_until 20 has_window '^Typelane$' || fail "no question after *ML"
xdotool mousemove 700 600
sleep 0.3
keys Return
wait_until 20 bash -c '! xdotool search --onlyvisible --name "^Typelane\$" >/dev/null' ||
  fail "Enter did not close the question"
sleep 0.3
keys Escape
sleep 0.3
xdotool mousemove --window "$win" 600 99 click 1
sleep 0.3
xdotool type --delay 50 'X'
keys Tab
sleep 0.3

# Row 5: a quoted cell as a spreadsheet copies it, beside text/csv.
keys Escape Down Down Home
python3 - "$WORK/clip.ready" <<'PY' &
import sys, tkinter
root = tkinter.Tk()
root.withdraw()
text = '"two\nlines"\tnext\n"say ""hi"""\n'
root.clipboard_clear()
root.clipboard_append(text)
root.clipboard_append(text, type="text/csv")
root.update()
open(sys.argv[1], "w").close()
root.mainloop()
PY
PIDS+=($!)
wait_until 20 test -e "$WORK/clip.ready" || fail "the spreadsheet's clipboard is not there"
keys ctrl+v
sleep 0.5
import -window root "$OUTPUT/pasted.png"

keys ctrl+s
wait_until 30 grep -q 'two' "$sheet" || fail "the sheet was not saved"
rows=$(sed -n '/^begindata/,/^enddata/p' "$sheet" | tr -d '\r' | sed '1d;$d')
echo "$rows"
[[ $(sed -n 3p <<<"$rows" | cut -f1) == '*ML(700,600)X' ]] ||
  fail "row 3 after Esc and X in the box: '$(sed -n 3p <<<"$rows")'"
[[ $(sed -n 5p <<<"$rows") == $'two lines\tnext' ]] || fail "row 5: '$(sed -n 5p <<<"$rows")'"
[[ $(sed -n 6p <<<"$rows" | cut -f1) == 'say "hi"' ]] || fail "row 6: '$(sed -n 6p <<<"$rows")'"
grep -q '^Comment1,1=' "$sheet" && fail "the deleted comment was saved"
grep -q '^Comment2,2=Second note' "$sheet" || fail "the other comment was lost"
echo PASS
