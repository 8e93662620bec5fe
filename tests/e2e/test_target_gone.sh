#!/usr/bin/env bash
# The target window closes in the middle of a load: the load stops before the
# next cell with an error naming the window and the row, and nothing meant for
# the target reaches the window that comes to the front instead.
# usage: test_target_gone.sh nowm|openbox CLI DRIVER PROBE
MODE=$1 CLI=$2 DRIVER=$3
source "$(dirname "$0")/lib.sh"

start_display "$MODE"
start_cat "Bystander" "$WORK/other.out"
start_cat "Cat Target" "$WORK/cat.out"
TARGET_PID=${PIDS[-1]}

start_long_load $'\\x\t\\{ENTER}' 60
kill "$TARGET_PID"
wait_status "$SEND"
cat "$WORK/send.out"
[[ $rc == 1 ]] || fail "send exited $rc, not 1 (error)"
grep -Eq 'The window "Cat Target" no longer exists: the load stopped (before row|in row) [0-9]+( after cell 1)?\.' \
  "$WORK/send.out" || fail "no error naming the window and the row"
row=$(sed -En 's/.*stopped (before row|in row) ([0-9]+).*/\2/p' "$WORK/send.out")
complete=$(tr -cd '\r' <"$WORK/cat.out" | wc -c)
note "stopped before row $row; the target had $complete complete rows"
((row >= 4 && row <= 60)) || fail "stopped before row $row"
[[ ! -s $WORK/other.out ]] || { od -c "$WORK/other.out" | head; fail "keys reached the window behind"; }
"$DRIVER" held || fail "keys left held"
echo PASS
