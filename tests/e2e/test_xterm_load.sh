#!/usr/bin/env bash
# typelane-cli send into xterm running `cat > file`: data cells with and without
# Auto Tab, "&" and "\\" cells, keystroke cells with latches and repeats,
# commands from commands.dat, pauses, text in UTF-8 and in Windows-1252, a cell of
# several KB. The file must hold exactly the bytes the sheet stands for.
# usage: test_xterm_load.sh nowm|openbox CLI DRIVER PROBE
MODE=$1 CLI=$2 DRIVER=$3
source "$(dirname "$0")/lib.sh"

start_display "$MODE"
start_cat "Cat Target" "$WORK/cat.out"

big=$(head -c 6000 /dev/zero | tr '\0' 'x')
row1=$'alpha\t&beta\t\\\\gamma\t\\+abc+d{TAB 2}x{ENTER}\tPRESS ENTER\t\\{+}{TAB3}'
# "été" in Windows-1252 bytes (not UTF-8): pasted as UTF-8.
row2=$'M\xc3\xbcller\t\xe9t\xe9\t*SL(0)\t\\^a\tNEXT FIELD\t&'"$big"$'\t\\a{ENTER 0}b{TAB\t\\{ENTER}'
row3=$'&plain\t\tSELECT ALL\t\\end{ENTER}'
write_sheet "$WORK/load.tyl" "$ZERO_DELAYS" $'Window=cat target\nDescription=xterm\nCommandGroup=Desktop' \
  "$row1"$'\n'"$row2"$'\n'"$row3" "$(options_with true false)"

# The sheet has no command section, so its CommandGroup line is not applied:
# the group comes from --group. What the sheet stands for, byte by byte. Row 1: data with Auto Tab, "&" (no
# Tab, no "&"), "\\" (one backslash pasted), Shift latched over abc, Tab twice,
# Enter, PRESS ENTER of the Desktop group, a braced "+" and {TAB3} (no key name).
# Row 2: UTF-8 as it is, Windows-1252 turned into UTF-8, Ctrl latched over a,
# NEXT FIELD, the big cell without Tab, {ENTER 0} sends nothing and the unclosed
# brace swallows the rest. Row 3: a blank cell, SELECT ALL (Desktop: ^a).
{
  printf 'alpha\tbeta\\gamma\tABCd\t\tx\r\r+TAB3'
  printf 'M\xc3\xbcller\t\xc3\xa9t\xc3\xa9\t\x01\t%sab\r' "$big"
  printf 'plain\x01end\r'
} >"$WORK/expected"

# A clipboard manager is told to keep the last text when typelane-cli ends.
"$DRIVER" clipboard-manager 60000 "$WORK/kept" >"$WORK/manager.out" &
MANAGER=$!
PIDS+=($MANAGER)
wait_until 10 grep -q managing "$WORK/manager.out" || fail "the clipboard manager did not start"

set +e
"$CLI" send --group Desktop "$WORK/load.tyl" >"$WORK/send.out" 2>"$WORK/send.err"
rc=$?
set -e
cat "$WORK/send.out" "$WORK/send.err"
[[ $rc == 0 ]] || fail "send exited $rc"
grep -q "Typelane completed successfully:" "$WORK/send.out" || fail "no completion message"
grep -q $'Rows:\t3' "$WORK/send.out" || fail "the summary does not count 3 rows"

wait_bytes "$WORK/cat.out" "$(stat -c %s "$WORK/expected")" || true
same_bytes "$WORK/expected" "$WORK/cat.out" "xterm received"
wait "$MANAGER" || fail "the clipboard manager was not handed the text"
printf 'plain' >"$WORK/kept.expected"
same_bytes "$WORK/kept.expected" "$WORK/kept" "the text kept after the load"

# `typelane-cli keys` types into whatever has the focus.
"$DRIVER" activate "Cat Target"
"$CLI" keys '+ok+ {+}{TAB 2}^c' || fail "keys failed"
printf 'OK +\t\t\x03' >>"$WORK/expected"
wait_bytes "$WORK/cat.out" "$(stat -c %s "$WORK/expected")" || true
same_bytes "$WORK/expected" "$WORK/cat.out" "xterm received after keys"
echo PASS
