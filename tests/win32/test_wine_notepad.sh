#!/usr/bin/env bash
# typelane-cli.exe under Wine, loading into Wine's own Notepad on a private
# Xvfb: the window list (Notepad listed, a hidden window not), loads found by
# exact and by prefix title with the text read back from Notepad's edit
# control, the not-found message, Esc from the keyboard against the load's own
# {ESC}, and Ctrl+C letting go of the keys a load holds.
# usage: test_wine_notepad.sh CLI.exe PROBE.exe WINE_RUN
CLI=$1 PROBE=$2 WINE_RUN=$3
source "$(dirname "$0")/../e2e/lib.sh"

export WINEDEBUG=-all
# The prefix's desktop must come up on our display: stop whatever runs in it
# (a unit test's desktop without a display) before, and stop ours after.
"$WINE_RUN" --stop
trap '"$WINE_RUN" --stop; cleanup' EXIT
w() { "$WINE_RUN" "$@"; }
probe() { "$WINE_RUN" "$PROBE" "$@"; }
# The CLI writes text-mode output: lines end CR LF on Windows.
cli() { "$WINE_RUN" "$CLI" "$@"; }
NOTEPAD="Untitled - Notepad"

start_display nowm
# Wine takes its keyboard layout from the X server: a US one, so VkKeyScanA
# knows every character of the sheets.
setxkbmap -display "$DISPLAY" us

# Wine's desktop comes up on this display first: after a run without a display
# (the unit tests) it sets up its display devices again, which it announces to
# every window; let that pass before anything is typed.
probe list >/dev/null
sleep 3
w notepad >"$WORK/notepad.log" 2>&1 &
PIDS+=($!)
wait_until 60 bash -c 'grep -qx "visible	$2" <("$0" "$1" list)' "$WINE_RUN" "$PROBE" "$NOTEPAD" ||
  fail "Notepad did not appear"
probe hidden "Hidden Probe" 100 >"$WORK/hidden.out" &
PIDS+=($!)
probe window "Shown Probe" 100 >"$WORK/shown.out" &
PIDS+=($!)
wait_until 30 grep -q ready "$WORK/hidden.out" || fail "the hidden probe window was not made"
wait_until 30 grep -q ready "$WORK/shown.out" || fail "the shown probe window was not made"
# A new window takes the front when Wine gets round to it: let that happen
# before a load starts, or it would take the keys half-way.
wait_until 30 bash -c '[[ $("$0" "$1" foreground | tr -d "\r") == "Shown Probe" ]]' \
  "$WINE_RUN" "$PROBE" || fail "the shown probe window did not come to the front"

note "windows"
cli windows | tr -d '\r' >"$WORK/windows.out"
cat "$WORK/windows.out"
grep -qx "$NOTEPAD" "$WORK/windows.out" || fail "Notepad is not listed"
grep -qx "Shown Probe" "$WORK/windows.out" || fail "a shown window is not listed"
! grep -q "Hidden Probe" "$WORK/windows.out" || fail "a hidden window is listed"
! grep -qx "Default IME" "$WORK/windows.out" || fail "an invisible system window is listed"
! grep -qx "" "$WORK/windows.out" || fail "an untitled window is listed"

note "send, exact title (any letter case)"
write_sheet "$WORK/exact.tyl" "$ZERO_DELAYS" \
  $'Window=untitled - notepad\nDescription=\nCommandGroup=' \
  $'Acme Ltd\tLeeds\t\\\\back\t&no tab\t\\{ENTER}\nCaf\xc3\xa9 \xe2\x82\xac5\t\\+abc+d{TAB 2}x{+}\t\\{ENTER}' \
  "$(options_with true false)"
cli send "$WORK/exact.tyl" | tr -d '\r' >"$WORK/exact.out" || fail "send (exact) failed"
grep -qx "Typelane completed successfully:" "$WORK/exact.out" || fail "no summary"
grep -qx $'Rows:\t2' "$WORK/exact.out" || fail "not 2 rows"
printf 'Acme Ltd\tLeeds\t\\back\tno tab\nCaf\xc3\xa9 \xe2\x82\xac5\tABCd\t\tx+\n' >"$WORK/exact.expected"
probe wait-text "$NOTEPAD" "$WORK/exact.expected" 30 || true
probe text "$NOTEPAD" >"$WORK/exact.text"
if ! cmp -s "$WORK/exact.expected" "$WORK/exact.text"; then
  echo "in front: $(probe foreground)"
  echo "keys down: $(probe keys | tr '\n' ' ')"
  probe list | head -5
  sleep 5
  probe text "$NOTEPAD" | od -c | tail -3
fi
same_bytes "$WORK/exact.expected" "$WORK/exact.text" "Notepad after the exact-title load"

note "send, title prefix, from behind another window"
probe clear "$NOTEPAD"
cli keys '*CW(Shown Probe)' || fail "could not bring the probe window forward"
[[ $(probe foreground | tr -d '\r') == "Shown Probe" ]] || fail "the probe window is not in front"
write_sheet "$WORK/prefix.tyl" "$ZERO_DELAYS" $'Window=Nowhere\nDescription=\nCommandGroup=' \
  $'first\t&second\t\\{ENTER}\nthird\t\\{ENTER}' "$(options_with false false)"
cli send --window "untitled -" "$WORK/prefix.tyl" | tr -d '\r' >"$WORK/prefix.out" ||
  fail "send (prefix) failed"
printf 'first&second\nthird\n' >"$WORK/prefix.expected"
probe wait-text "$NOTEPAD" "$WORK/prefix.expected" 30 || true
probe text "$NOTEPAD" >"$WORK/prefix.text"
same_bytes "$WORK/prefix.expected" "$WORK/prefix.text" "Notepad after the prefix-title load"
# The window that was in front before the load is back in front.
[[ $(probe foreground | tr -d '\r') == "Shown Probe" ]] || fail "the probe window is not back in front"

note "send, no such window"
set +e
cli send --window "No Such Window" "$WORK/exact.tyl" >"$WORK/none.out" 2>"$WORK/none.err"
rc=$?
set -e
cat "$WORK/none.err"
[[ $rc == 4 ]] || fail "send to a missing window exited $rc, not 4"
grep -q '^typelane-cli: no window is titled "No Such Window"' "$WORK/none.err" || fail "no not-found message"
grep -q '"typelane-cli windows" lists the titles' "$WORK/none.err" ||
  fail "no word of how to find the titles"
probe text "$NOTEPAD" >"$WORK/none.text"
same_bytes "$WORK/prefix.expected" "$WORK/none.text" "Notepad after the failed load"

note "Esc: the load's own {ESC} goes on, the keyboard's stops it"
probe clear "$NOTEPAD"
rows=""
for i in $(seq 1 3); do rows+="r$i"$'\t\\{ESC}\t\\{ENTER}\n'; done
write_sheet "$WORK/own_esc.tyl" "$ZERO_DELAYS" \
  $'Window=Untitled - Notepad\nDescription=\nCommandGroup=' "${rows%$'\n'}" "$(options_with false false)"
cli send "$WORK/own_esc.tyl" | tr -d '\r' >"$WORK/own_esc.out" || fail "send with {ESC} cells failed"
grep -qx $'Rows:\t3' "$WORK/own_esc.out" || fail "the load's own {ESC} stopped it"
probe clear "$NOTEPAD"
rows=""
for i in $(seq 1 200); do rows+="r$i"$'\t\\{ENTER}\n'; done
write_sheet "$WORK/long.tyl" "${ZERO_DELAYS/CellDelay=0/CellDelay=0.05}" \
  $'Window=Untitled - Notepad\nDescription=\nCommandGroup=' "${rows%$'\n'}" "$(options_with false false)"
set +e
cli send "$WORK/long.tyl" >"$WORK/long.out" 2>&1 &
load=$!
probe wait-length "$NOTEPAD" 10 30 || { kill "$load"; fail "the long load did not start"; }
xdotool key Escape
wait "$load"
rc=$?
set -e
tr -d '\r' <"$WORK/long.out"
[[ $rc == 3 ]] || fail "send stopped with Esc exited $rc, not 3"
grep -q "Data loading terminated at user request:" "$WORK/long.out" || fail "no Esc summary"
loaded=$(tr -d '\r' <"$WORK/long.out" | sed -n 's/^Rows:\t//p')
((loaded < 200)) || fail "Esc did not stop the load ($loaded rows)"

note "Ctrl+C lets go of the keys"
probe clear "$NOTEPAD"
[[ -z $(probe keys) ]] || fail "keys are down before the test"
# `keys` types into whatever is in front.
cli keys "*CW($NOTEPAD)"
# Started directly, not through a function: its pid is the program's own (Wine
# turns SIGINT into the console's Ctrl+C), and a background subshell would
# ignore the signal.
"$WINE_RUN" "$CLI" keys '+{a 600}' >"$WORK/keys.out" 2>&1 &
keys_pid=$!
probe wait-length "$NOTEPAD" 5 30 || { kill "$keys_pid"; fail "the keys did not start"; }
probe keys | tr -d '\r' >"$WORK/held.out"
grep -qx shift "$WORK/held.out" || { kill "$keys_pid"; fail "Shift is not held during the latch"; }
kill -INT "$keys_pid"
set +e
wait "$keys_pid"
rc=$?
set -e
[[ $rc == 130 ]] || fail "keys interrupted exited $rc, not 130"
probe keys | tr -d '\r' >"$WORK/after.out"
[[ ! -s $WORK/after.out ]] || { cat "$WORK/after.out"; fail "keys are still held after Ctrl+C"; }
echo PASS
