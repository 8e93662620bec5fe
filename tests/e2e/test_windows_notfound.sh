#!/usr/bin/env bash
# The window list (`typelane-cli windows`, front-most first) and a load whose
# target is not there: exit code 4, the not-found message, nothing typed.
# usage: test_windows_notfound.sh nowm|openbox CLI DRIVER PROBE
MODE=$1 CLI=$2 DRIVER=$3 PROBE=$4
source "$(dirname "$0")/lib.sh"

start_display "$MODE"
start_cat "Cat Target" "$WORK/cat.out"
"$PROBE" "  Probe Pad  " "$WORK/probe.log" --geometry 300x200+600+0 &
PIDS+=($!)
wait_until 20 window_exists "Probe Pad" || fail "the probe window did not appear"

# Bring each window to the front in turn: the list follows.
"$DRIVER" activate "Probe Pad"
"$CLI" windows >"$WORK/list1"
cat "$WORK/list1"
printf 'Probe Pad\nCat Target\n' >"$WORK/expected1"
same_bytes "$WORK/expected1" "$WORK/list1" "windows, probe in front (titles trimmed)"
"$DRIVER" activate "cat target"
[[ $("$DRIVER" foreground) == "Cat Target" ]] || fail "the foreground window is not Cat Target"
"$CLI" windows >"$WORK/list2"
printf 'Cat Target\nProbe Pad\n' >"$WORK/expected2"
same_bytes "$WORK/expected2" "$WORK/list2" "windows, xterm in front"

write_sheet "$WORK/nowhere.tyl" "$ZERO_DELAYS" $'Window=Nowhere\nDescription=\nCommandGroup=' \
  $'lost\t\\lost' "$(options_with true false)"
set +e
"$CLI" send "$WORK/nowhere.tyl" >"$WORK/send.out" 2>"$WORK/send.err"
rc=$?
set -e
cat "$WORK/send.out" "$WORK/send.err"
[[ $rc == 4 ]] || fail "send exited $rc, not 4"
grep -q "The specified Window does not exist." "$WORK/send.err" || fail "no not-found message"
grep -q "Please select a valid Window name from the Window Name drop down list." \
  "$WORK/send.err" || fail "no second line of the not-found message"
# Nothing reached the window in front.
sleep 0.5
[[ ! -s "$WORK/cat.out" ]] || fail "something was typed although the target was missing"
echo PASS
