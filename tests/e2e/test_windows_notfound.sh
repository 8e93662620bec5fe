#!/usr/bin/env bash
# The window list (`typelane-cli windows`, front-most first), a load whose
# target is not there (exit code 4, the not-found message, nothing typed), and a
# long Latin-1 title: listed as its first 98 bytes of UTF-8, and found from a
# sheet that holds the title in Windows-1252.
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
grep -q '^typelane-cli: no window is titled "Nowhere"' "$WORK/send.err" || fail "no not-found message"
grep -q '"typelane-cli windows" lists the titles' \
  "$WORK/send.err" || fail "no word of how to find the titles"
# Nothing reached the window in front.
sleep 0.5
[[ ! -s "$WORK/cat.out" ]] || fail "something was typed although the target was missing"

x100=$(head -c 100 /dev/zero | tr '\0' 'x')
"$PROBE" $'Caf\xe9 Orders '"$x100" "$WORK/cafe.log" --geometry 300x200+600+300 &
PIDS+=($!)
wait_until 20 window_exists "Caf" || fail "the Latin-1 titled window did not appear"
"$CLI" windows >"$WORK/list3"
grep -qFx $'Caf\xc3\xa9 Orders '"${x100:0:85}" "$WORK/list3" ||
  { cat "$WORK/list3"; fail "the long Latin-1 title is not listed as 98 bytes of UTF-8"; }
write_sheet "$WORK/cafe.tyl" "$ZERO_DELAYS" $'Window=caf\xe9 orders\nDescription=\nCommandGroup=' \
  $'\\q' "$(options_with false false)"
"$CLI" send "$WORK/cafe.tyl" >"$WORK/cafe.out" 2>&1 || { cat "$WORK/cafe.out"; fail "send to the Latin-1 title failed"; }
wait_until 10 grep -qx "key q" "$WORK/cafe.log" || fail "the key did not reach the Latin-1 titled window"
echo PASS
