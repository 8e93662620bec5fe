#!/usr/bin/env bash
# A Ctrl held on a real keyboard holds the load back until it is let go, while
# the keys sent through XTest (the load's own, any other program's) never count.
# Under Xvfb every key is XTest, so the load runs inside Xephyr nested in Xvfb:
# a key pressed on the Xephyr window from the outer display arrives inside from
# Xephyr's own keyboard device, as a person's would.
# usage: test_held_keys.sh nowm|openbox CLI DRIVER PROBE
MODE=$1 CLI=$2 DRIVER=$3
source "$(dirname "$0")/lib.sh"

start_nested_display "$MODE"
start_cat "Cat Target" "$WORK/cat.out"

# Keys pressed through XTest inside are not a person's.
got=$("$DRIVER" key-down 0x11 modifiers key-up 0x11)
[[ $got == none ]] || fail "a Ctrl sent through XTest counted as held ($got)"

# Ctrl (and Shift) held on the outer keyboard, on the Xephyr window.
DISPLAY=$OUTER "$DRIVER" activate "$XEPHYR_TITLE" key-down 0x11 key-down 0x10
wait_until 10 bash -c '[[ $("$0" modifiers) == "Ctrl+Shift" ]]' "$DRIVER" ||
  fail "Ctrl+Shift held on the keyboard was not seen ($("$DRIVER" modifiers))"

write_sheet "$WORK/rows.tyl" "$ZERO_DELAYS" $'Window=Cat Target\nDescription=\nCommandGroup=' \
  $'a\tb\nc\td' "$(options_with false false)"
"$CLI" send "$WORK/rows.tyl" >"$WORK/send.out" 2>"$WORK/send.err" &
SEND=$!
PIDS+=($SEND)
wait_until 20 grep -q "Waiting for Ctrl+Shift to be released" "$WORK/send.err" ||
  fail "send did not say it waits: $(cat "$WORK/send.err")"
sleep 0.5
[[ ! -s $WORK/cat.out ]] || fail "keys went out while Ctrl was held: $(od -c "$WORK/cat.out")"
DISPLAY=$OUTER "$DRIVER" key-up 0x10 key-up 0x11
wait_status "$SEND"
cat "$WORK/send.out" "$WORK/send.err"
[[ $rc == 0 ]] || fail "send exited $rc"
wait_bytes "$WORK/cat.out" 4 || fail "the rows did not arrive"
[[ $(cat "$WORK/cat.out") == abcd ]] || fail "the target got $(od -c "$WORK/cat.out")"
echo PASS
