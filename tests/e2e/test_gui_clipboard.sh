#!/usr/bin/env bash
# The grid's clipboard against another program's, byte for byte (xclip on the
# other end, asking for UTF8_STRING as most programs do):
# - lines another program offers with LF alone land row by row at the current
#   cell, their UTF-8 kept;
# - Select All + Copy gives the other program every row as UTF-8 ending in
#   CR LF, a Windows-1252 cell read as the characters it stands for, an empty
#   row as an empty line.
# - A copy of megabytes (which goes out in pieces) reaches the other program
#   byte for byte under every text format, pastes back into the grid, gives
#   way to a later small Copy and to another program's text, and is kept by a
#   clipboard manager when the program quits.
# - Space on the toolbar's Copy, reached with the keyboard, copies the grid's
#   current cell.
# usage: test_gui_clipboard.sh nowm|openbox CLI DRIVER PROBE GUI
MODE=$1 DRIVER=$3 GUI=$5
source "$(dirname "$0")/lib.sh"

start_display "$MODE"
keep_output
sheet="$WORK/clip.tyl"
# Row 2, column 1 holds é as the one byte Windows-1252 gives it.
write_sheet "$sheet" "$ZERO_DELAYS" $'Window=Orders\nDescription=Clip\nCommandGroup=' \
  $'\u00fcn\u00ef\tb\n\xe9\td' "$(options_with true false)"
start_typelane "$sheet"
main="Veltrax Typelane $sheet"
small_copied() { [[ $(xclip -o -selection clipboard 2>/dev/null | od -An -tx1) == "$1" ]]; }
visible_window "^$main\$" >/dev/null

# A keyboard user reaches the toolbar's Copy with Shift+Tab from the command
# group box (past Help, Send Data, View Source, Options, Commands, Delays,
# Excel import and Paste; Undo and Redo are off): Space copies the grid's
# current cell, where the user last worked. F6 leads back to the grid.
printf 'before' | xclip -selection clipboard
keys alt+g shift+Tab shift+Tab shift+Tab shift+Tab shift+Tab shift+Tab shift+Tab shift+Tab space
wait_until 20 small_copied "$(printf '\xc3\xbcn\xc3\xaf\r\n' | od -An -tx1)" ||
  fail "Space on the Copy button gave $(xclip -o -selection clipboard | od -c | head -3)"
keys F6

# Row 4, column 1 (the grid opens on row 1, column 1), then the paste.
printf 'x\ty\n\xcf\x80\tz\n' | xclip -selection clipboard
keys Down Down Down ctrl+v
sleep 0.5

keys ctrl+a ctrl+c
expected=$(printf '\xc3\xbcn\xc3\xaf\tb\r\n\xc3\xa9\td\r\n\r\nx\ty\r\n\xcf\x80\tz\r\n' | od -An -tx1)
copied() { [[ $(xclip -o -selection clipboard 2>/dev/null | od -An -tx1) == "$expected" ]]; }
wait_until 20 copied ||
  fail "the other program got $(xclip -o -selection clipboard | od -c | head -5)"

keys ctrl+s
wait_until 30 grep -q $'^x\ty\r$' "$sheet" || fail "the sheet was not saved with the paste"
data=$(sed -n '/^begindata/,/^enddata/p' "$sheet" | tr -d '\r')
[[ $(sed -n 5p <<<"$data") == x$'\t'y ]] || fail "row 4 is '$(sed -n 5p <<<"$data")'"
[[ $(sed -n 6p <<<"$data") == $'\xcf\x80\tz' ]] || fail "row 5 is '$(sed -n 6p <<<"$data" | od -c)'"
[[ $(sed -n 3p <<<"$data") == $'\xe9\td' ]] || fail "row 2 changed: $(sed -n 3p <<<"$data" | od -c)"

# 60,000 lines of three cells (about 1.6 MB) from the other program at A1, and
# all of it copied again. Esc leaves the whole selection for the current cell.
big="$WORK/big.txt"
awk 'BEGIN { for (r = 1; r <= 60000; r++) printf "r%dc1\tr%dc2\t\xc3\xa9%d\n", r, r, r }' >"$big"
sed 's/$/\r/' "$big" >"$WORK/big-crlf.txt"
iconv -f UTF-8 -t LATIN1 "$WORK/big-crlf.txt" >"$WORK/big-latin1.txt"
xclip -selection clipboard -i "$big"
keys Escape ctrl+Home ctrl+v
keys ctrl+a ctrl+c
big_copied() {
  xclip -o -selection clipboard -t "$1" 2>/dev/null | cmp -s - "$WORK/big-${2:-crlf}.txt"
}
wait_until 30 big_copied UTF8_STRING ||
  fail "the large copy reached the other program as $(xclip -o -selection clipboard | head -c 200 | od -c | head -5)"
for format in text/plain 'text/plain;charset=utf-8'; do
  big_copied "$format" || fail "the large copy is not served as it is under $format"
done
# Programs that ask for Latin-1 get it, as from a small copy.
for format in STRING TEXT; do
  big_copied "$format" latin1 || fail "the large copy is not served as Latin-1 under $format"
done

# Our own paste takes the large copy back: at D1, beside itself.
keys Escape ctrl+Home Right Right Right ctrl+v
# A later small Copy (A1 alone) takes the clipboard back from the large one.
keys Escape ctrl+Home ctrl+c
wait_until 20 small_copied "$(printf 'r1c1\r\n' | od -An -tx1)" ||
  fail "after a small Copy the clipboard holds $(xclip -o -selection clipboard | head -c 100 | od -c)"
# Large again, now with the block at D1 beside the one at A1; then another
# program takes the clipboard: a paste at G1 gives that program's text, not
# ours.
paste "$big" "$big" | sed 's/$/\r/' >"$WORK/big-twice.txt"
keys ctrl+a ctrl+c
wait_until 30 big_copied UTF8_STRING twice ||
  fail "the second large copy reached the other program as $(xclip -o -selection clipboard | head -c 200 | od -c | head -5)"
printf 'other\tone\n' | xclip -selection clipboard
keys Escape ctrl+Home Right Right Right Right Right Right ctrl+v ctrl+s
first_row() { [[ $(sed -n '/^begindata/,/^enddata/p' "$sheet" | sed -n 2p | tr -d '\r') == "$1" ]]; }
# (The sheet keeps Windows-1252, as its row 2 came: é is one byte there.)
row1=$'r1c1\tr1c2\t\xe91\tr1c1\tr1c2\t\xe91\tother\tone'
wait_until 30 first_row "$row1" ||
  fail "row 1 is '$(sed -n '/^begindata/,/^enddata/p' "$sheet" | sed -n 2p | od -c | head -5)'"
data=$(sed -n '/^begindata/,/^enddata/p' "$sheet" | tr -d '\r')
# Every row runs to the last used column (H).
[[ $(sed -n 60001p <<<"$data") == $'r60000c1\tr60000c2\t\xe960000\tr60000c1\tr60000c2\t\xe960000\t\t' ]] ||
  fail "row 60000 is '$(sed -n 60001p <<<"$data")'"
[[ $(sed -n 60002p <<<"$data") == enddata ]] || fail "the sheet goes on after row 60000"

# The whole sheet copied once more outlives the program: on quitting, a
# clipboard manager is asked to keep it, and gets every byte.
"$DRIVER" clipboard-manager 60000 "$WORK/kept" >"$WORK/manager.out" &
PIDS+=($!)
wait_until 10 grep -q managing "$WORK/manager.out" || fail "the clipboard manager did not start"
# (A copied row ends at its last cell that is not empty.)
sed -n '/^begindata/,/^enddata/p' "$sheet" | sed '1d;$d' | sed 's/\t*\r$/\r/' |
  iconv -f CP1252 -t UTF-8 >"$WORK/big-whole.txt"
keys ctrl+a ctrl+c
wait_until 30 big_copied UTF8_STRING whole ||
  fail "the last copy reached the other program as $(xclip -o -selection clipboard | cmp - "$WORK/big-whole.txt")"
keys alt+f x
wait_until 30 exited "$TYPELANE" || fail "typelane did not quit"
wait_until 20 test -s "$WORK/kept" || fail "the clipboard manager was not asked to keep the copy"
cmp -s "$WORK/kept" "$WORK/big-whole.txt" ||
  fail "the clipboard manager kept $(stat -c %s "$WORK/kept") bytes, not the copy's $(stat -c %s "$WORK/big-whole.txt")"
echo PASS
