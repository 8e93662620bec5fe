#!/usr/bin/env bash
# The grid's clipboard against another program's, byte for byte (xclip on the
# other end, asking for UTF8_STRING as most programs do):
# - lines another program offers with LF alone land row by row at the current
#   cell, their UTF-8 kept;
# - Select All + Copy gives the other program every row as UTF-8 ending in
#   CR LF, a Windows-1252 cell read as the characters it stands for, an empty
#   row as an empty line.
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
visible_window "^$main\$" >/dev/null

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
echo PASS
