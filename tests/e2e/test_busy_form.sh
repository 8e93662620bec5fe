#!/usr/bin/env bash
# A Tk data-entry form that hangs on F5 (busy cursor up, answering nothing)
# takes a record typed by typelane-cli, with the mouse pointer parked far away
# from it. With the HourGlass option on, the load waits while the form does not
# answer the desktop; with it off, the paste waits until the form has taken it.
# Either way the form saves exactly the record, once. A terminal that never
# takes a paste (no paste binding) fails the load at the paste wait, naming the
# row and the cell, and nothing more is typed.
# usage: test_busy_form.sh nowm|openbox CLI DRIVER PROBE
MODE=$1 CLI=$2 DRIVER=$3
source "$(dirname "$0")/lib.sh"

start_display "$MODE"
FORM=$(dirname "$0")/tk_form.py

# busy_load NAME HOURGLASS: one record into a fresh form, released from its
# hang three seconds after it went busy.
busy_load() {
  local name=$1 hourglass=$2
  local out=$WORK/$name.json release=$WORK/$name.release
  /usr/bin/python3 "$FORM" "$out" --title "Busy Form" --hang-until "$release" \
    >"$WORK/$name.form" 2>&1 &
  local form=$!
  PIDS+=($form)
  wait_until 20 grep -q ready "$WORK/$name.form" || fail "$name: the form did not start"
  xdotool mousemove 1200 1000
  write_sheet "$WORK/$name.tyl" "$ZERO_DELAYS" $'Window=Busy Form\nDescription=\nCommandGroup=' \
    $'\\{F5}\tOne\tTwo\tThree\t\\^s' "$(options_with true "$hourglass")"
  "$CLI" send "$WORK/$name.tyl" >"$WORK/$name.out" 2>&1 &
  local send=$!
  PIDS+=($send)
  wait_until 30 grep -q busy "$WORK/$name.form" || fail "$name: F5 never reached the form"
  sleep 3
  touch "$release"
  wait_status "$send"
  cat "$WORK/$name.out"
  [[ $rc == 0 ]] || fail "$name: send exited $rc"
  wait_until 20 grep -q saved "$WORK/$name.form" || fail "$name: the form never saved"
  printf '["One", "Two", "Three", "", "", ""]\n' >"$WORK/$name.want"
  same_bytes "$WORK/$name.want" "$out" "$name: the saved record"
  kill "$form"
}

busy_load hourglass-on true
busy_load hourglass-off false
grep -q 'to take the paste (row 1, cell 2)' "$WORK/hourglass-off.out" ||
  fail "the load did not say it waits for the paste"

# A terminal without a paste binding: Ctrl+V types a control character and
# nobody asks for the clipboard.
xterm -u8 -geometry 80x24+0+0 -T "No Paste" \
  -e sh -c "stty raw -echo; : > '$WORK/plain.ready'; exec cat > '$WORK/plain.out'" \
  >"$WORK/plain.log" 2>&1 &
PIDS+=($!)
wait_until 20 test -e "$WORK/plain.ready" || fail "the plain xterm did not start"
wait_until 20 window_exists "No Paste" || fail "the plain xterm's window did not appear"
write_sheet "$WORK/plain.tyl" $'DataDelay=0\nCellDelay=0\nFormDelay=0\nKeyHold=0\nSystemHold=0\nMenuCall=0\nHourGlass=100\nPasteWait=2' \
  $'Window=No Paste\nDescription=\nCommandGroup=' $'One\tTwo\n\\x' "$(options_with false false)"
wait_status_of() { "$@" >"$WORK/plain.send" 2>&1 || rc=$?; }
rc=0
wait_status_of "$CLI" send "$WORK/plain.tyl"
cat "$WORK/plain.send"
[[ $rc == 1 ]] || fail "a paste nobody took: send exited $rc, not 1"
grep -q '"No Paste" did not take the paste of row 1, cell 1 within 2 seconds' "$WORK/plain.send" ||
  fail "no error naming the row and the cell"
! grep -q 'completed successfully' "$WORK/plain.send" || fail "reported as completed"
sleep 0.5
# Only the control character of the one Ctrl+V reached it.
[[ $(od -An -tx1 "$WORK/plain.out" | tr -d ' \n') == 16 ]] ||
  { od -c "$WORK/plain.out"; fail "more than the paste key reached the terminal"; }
"$DRIVER" held || fail "keys left held"
echo PASS
