#!/usr/bin/env bash
# The X11 backend on its own, through the x11_driver: the layout's answers for
# characters, every printable character typed, pastes in order at no delay, a
# paste too large for one request, activation of a minimised window, the pointer,
# and that the load's own Esc keys are not taken for the user's.
# usage: test_backend.sh nowm|openbox CLI DRIVER PROBE
MODE=$1 DRIVER=$3 PROBE_BIN=$4
source "$(dirname "$0")/lib.sh"

start_display "$MODE"

note "VkKeyScan answers as Windows does for a US keyboard"
got=$("$DRIVER" vkscan $'aZ09!@(;:<>?~`\'"[]{}\\|,./-_=+ \t\r\n\x01\xe9')
want='41 15A 30 39 131 132 139 BA 1BA 1BC 1BE 1BF 1C0 C0 DE 1DE DB DD 1DB 1DD DC 1DC BC BE BF BD 1BD BB 1BB 20 9 D 20D 241 -1'
[[ $got == "$want" ]] || fail "vkscan: got '$got', want '$want'"
# "(" is on two keycodes under Xvfb: the typing test below shows the right one is used.
[[ $("$DRIVER" keycode 0xFF) == 0 ]] || fail "virtual key 0xFF must be no key"

start_cat "Cat Target" "$WORK/cat.out"

# check_since OFFSET EXPECTED WHAT COMMAND...: runs the command, then compares
# what cat wrote after OFFSET bytes with EXPECTED.
check_since() {
  local offset=$1 expected=$2 what=$3
  shift 3
  "$@"
  wait_bytes "$WORK/cat.out" $((offset + $(stat -c %s "$expected"))) || true
  tail -c +$((offset + 1)) "$WORK/cat.out" >"$WORK/since"
  same_bytes "$expected" "$WORK/since" "$what"
}

note "every printable character typed, at no hold"
printable=$(printf '%s' "$(printf '\\%03o' $(seq 32 126))")
printf '%b' "$printable" >"$WORK/printable"
"$DRIVER" activate "Cat Target" type-file "$WORK/printable"
wait_bytes "$WORK/cat.out" 95 || true
same_bytes "$WORK/printable" "$WORK/cat.out" "typed characters"

note "pastes and keys interleaved at no delay stay in order"
: >"$WORK/expected"
steps=()
for i in $(seq 1 40); do
  steps+=(paste "p$i" key 0x09)
  printf 'p%s\t' "$i" >>"$WORK/expected"
done
check_since 95 "$WORK/expected" "interleaved pastes" "$DRIVER" activate "Cat Target" "${steps[@]}"

note "the same with a clipboard manager fetching every new text at once"
"$DRIVER" watch-clipboard 60000 >"$WORK/watcher.out" &
WATCHER=$!
PIDS+=($WATCHER)
wait_until 10 grep -q watching "$WORK/watcher.out" || fail "the clipboard watcher did not start"
check_since "$(stat -c %s "$WORK/cat.out")" "$WORK/expected" "pastes beside a clipboard manager" \
  "$DRIVER" activate "Cat Target" "${steps[@]}"
kill "$WATCHER"

note "a paste of 600 KB (sent in pieces)"
head -c 450000 /dev/urandom | base64 -w 76 | tr '\n' ' ' >"$WORK/big"
cat "$WORK/big" >"$WORK/expected"
printf 'END' >>"$WORK/expected"
check_since "$(stat -c %s "$WORK/cat.out")" "$WORK/expected" "large paste" \
  "$DRIVER" activate "Cat Target" paste-file "$WORK/big" type "END"

note "activation, foreground and a minimised window"
"$PROBE_BIN" "Probe Pad" "$WORK/probe.log" --geometry 400x300+600+0 &
PIDS+=($!)
wait_until 20 window_exists "Probe Pad" || fail "the probe window did not appear"
"$DRIVER" activate "Probe Pad"
[[ $("$DRIVER" foreground) == "Probe Pad" ]] || fail "Probe Pad is not in front"
if [[ $MODE == openbox ]]; then
  xdotool search --name "Cat Target" windowminimize
  wait_until 10 bash -c '[[ $(xprop -id "$(xdotool search --name "Cat Target" | head -n1)" WM_STATE) == *Iconic* ]]' ||
    fail "xterm was not minimised"
  "$DRIVER" titles | grep -qx "Cat Target" || fail "a minimised window must still be listed"
fi
printf 'back' >"$WORK/expected"
check_since "$(stat -c %s "$WORK/cat.out")" "$WORK/expected" "typing after activation" \
  "$DRIVER" activate "Cat Target" type "back"
[[ $("$DRIVER" foreground) == "Cat Target" ]] || fail "Cat Target is not in front"

note "the pointer"
[[ $("$DRIVER" move 123 45 cursor) == "123 45" ]] || fail "the pointer is not at 123 45"

note "Esc keys sent through XTest are not the user's"
[[ $("$DRIVER" esc-can esc-begin key 0x1B key 0x1B esc-check) == $'1\n0' ]] ||
  fail "an Esc sent by the program itself was taken for the user's"
note "a German layout: the layout's own keys, and what it lacks"
setxkbmap -layout de
# z and y trade places; "ü" has a key of its own; "@" needs AltGr (Ctrl+Alt in
# the high byte, which the load does not send); "é" is not on the layout.
got=$("$DRIVER" vkscan $'zy@\xe9(')
[[ $got == "5A 59 651 -1 138" ]] || fail "German vkscan: got '$got'"
# Text is Windows-1252 bytes; the terminal hands the characters on in UTF-8.
printf 'zy\xfc\xa7(;Z' >"$WORK/german"
printf 'zy\xc3\xbc\xc2\xa7(;Z' >"$WORK/german.utf8"
check_since "$(stat -c %s "$WORK/cat.out")" "$WORK/german.utf8" "typing under a German layout" \
  "$DRIVER" activate "Cat Target" type-file "$WORK/german"
echo PASS
