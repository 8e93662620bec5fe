#!/usr/bin/env bash
# Another window takes the focus in the middle of a load (a dialog popping up,
# the user clicking elsewhere): the load holds and that window receives
# nothing; once the target is in front again the load goes on and completes
# with every row in the target exactly once. Then the target is closed and
# another program of the same title starts at once (X may hand it the old
# window's id): the load stops with an error and the newcomer gets nothing.
# usage: test_focus_stolen.sh nowm|openbox CLI DRIVER PROBE
MODE=$1 CLI=$2 DRIVER=$3
source "$(dirname "$0")/lib.sh"

start_display "$MODE"
start_cat "Bystander" "$WORK/other.out"
start_cat "Cat Target" "$WORK/cat.out"

# Every row: one key, then a pause of a second, so the focus is taken while the
# load pauses and never between its check and its key.
rows=""
for i in $(seq 1 8); do rows+=$'\\x\t*SL(1)\n'; done
write_sheet "$WORK/slow.tyl" "$ZERO_DELAYS" $'Window=Cat Target\nDescription=\nCommandGroup=' \
  "${rows%$'\n'}" "$(options_with false false)"
"$CLI" send "$WORK/slow.tyl" >"$WORK/send.out" 2>&1 &
SEND=$!
PIDS+=($SEND)
wait_bytes "$WORK/cat.out" 2 || fail "the load did not get going"
"$DRIVER" activate "Bystander" || fail "the bystander did not get the focus"
before=$(stat -c %s "$WORK/cat.out")
wait_until 30 grep -q 'to come back to the front' "$WORK/send.out" ||
  { cat "$WORK/send.out"; fail "the load did not say it waits for the target"; }
sleep 2
[[ $(stat -c %s "$WORK/cat.out") == "$before" ]] || fail "the load went on without the focus"
"$DRIVER" activate "Cat Target" || fail "the target did not get the focus back"
wait_status "$SEND"
cat "$WORK/send.out"
[[ $rc == 0 ]] || fail "send exited $rc after the target came back"
printf 'xxxxxxxx' >"$WORK/want.out"
same_bytes "$WORK/want.out" "$WORK/cat.out" "the target"
[[ ! -s $WORK/other.out ]] || { od -c "$WORK/other.out" | head; fail "keys reached the bystander"; }

# Replaced: the target closes and a program of the same title takes its place.
start_cat "Cat Target" "$WORK/cat2.out"
TARGET_PID=${PIDS[-1]}
"$DRIVER" activate "Cat Target"
: >"$WORK/cat2.out"
old_id=$(xdotool search --name '^Cat Target$' | head -n1)
"$CLI" send "$WORK/slow.tyl" >"$WORK/send2.out" 2>&1 &
SEND=$!
PIDS+=($SEND)
wait_bytes "$WORK/cat2.out" 1 || fail "the second load did not get going"
kill "$TARGET_PID"
wait_until 20 bash -c '! kill -0 "$0" 2>/dev/null' "$TARGET_PID"
start_cat "Cat Target" "$WORK/cat3.out"
new_id=$(xdotool search --name '^Cat Target$' | head -n1)
note "the old target was window $old_id, the newcomer is $new_id"
wait_status "$SEND"
cat "$WORK/send2.out"
[[ $rc == 1 ]] || fail "send exited $rc, not 1, when the target was replaced"
grep -q 'The window "Cat Target" no longer exists' "$WORK/send2.out" || fail "no error naming it"
[[ ! -s $WORK/cat3.out ]] || { od -c "$WORK/cat3.out" | head; fail "the newcomer got keys"; }
"$DRIVER" held || fail "keys left held"
echo PASS
