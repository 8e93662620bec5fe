#!/usr/bin/env bash
# Esc from a real keyboard stops a load between two cells with the right row
# count, while the {ESC} keys the load sends itself never do. Under Xvfb every
# key comes from XTest, so the load runs inside Xephyr nested in Xvfb: Esc sent
# to the Xephyr window on the outer display arrives inside from Xephyr's own
# keyboard device.
# usage: test_escape.sh nowm|openbox CLI DRIVER PROBE
MODE=$1 CLI=$2 DRIVER=$3
source "$(dirname "$0")/lib.sh"

start_nested_display "$MODE"
start_cat "Cat Target" "$WORK/cat.out"

# Every row sends Esc itself, then Enter: "x ESC CR" per row.
start_long_load $'\\x{ESC}\t\\{ENTER}' 40
# Three rows are in: press Esc on the outer display's keyboard.
user_escape
wait_status "$SEND"
cat "$WORK/send.out"
[[ $rc == 3 ]] || fail "send exited $rc, not 3 (cancelled)"
grep -q "Data loading terminated at user request:" "$WORK/send.out" || fail "no cancel message"
reported=$(sed -n 's/^Rows:\t//p' "$WORK/send.out")
complete=$(tr -cd '\r' <"$WORK/cat.out" | wc -c)
echo "reported $reported rows, the target has $complete complete rows"
[[ $reported == "$complete" ]] || fail "the summary says $reported rows, the target got $complete"
((complete >= 3 && complete < 40)) || fail "the load did not stop part-way ($complete rows)"
# What arrived is the reported rows and at most the first cell of the next one,
# plus the user's own Esc, which the target gets as well.
xs=$(tr -cd 'x' <"$WORK/cat.out" | wc -c)
escs=$(tr -cd '\033' <"$WORK/cat.out" | wc -c)
od -c "$WORK/cat.out" | tail -3
((xs == complete || xs == complete + 1)) || fail "the target got $xs cells for $complete rows"
((escs == xs + 1)) || fail "the target got $escs Esc keys for $xs cells and the user's one"
echo PASS
