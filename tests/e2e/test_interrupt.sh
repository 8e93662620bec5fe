#!/usr/bin/env bash
# SIGINT, SIGTERM, SIGHUP or SIGQUIT while a load holds keys or a mouse button
# down: the load lets go of all of it and the program exits 130, 143, 129 or 131. Left held,
# Ctrl or Shift would stay down on the server and auto-repeat would go on
# typing into whatever has the focus. Each signal is sent the moment the server
# reports something held, and afterwards nothing may be.
# usage: test_interrupt.sh nowm|openbox CLI DRIVER PROBE
MODE=$1 CLI=$2 DRIVER=$3
source "$(dirname "$0")/lib.sh"

start_display "$MODE"
start_cat "Cat Target" "$WORK/cat.out"

# interrupt NAME SIGNAL EXIT COMMAND...
interrupt() {
  local name=$1 signal=$2 want=$3
  shift 3
  # A background job of a script ignores SIGINT: give the program the
  # disposition a terminal would.
  env --default-signal=INT,TERM,HUP,QUIT "$@" >"$WORK/$name.out" 2>&1 &
  local pid=$!
  PIDS+=($pid)
  "$DRIVER" wait-held 30000 >"$WORK/$name.held" || fail "$name: the load never held anything"
  kill -"$signal" "$pid"
  local rc
  wait_status "$pid"
  note "$name: held $(cat "$WORK/$name.held") when SIG$signal came; exit $rc"
  cat "$WORK/$name.out"
  [[ $rc == "$want" ]] || fail "$name: exit $rc, not $want"
  "$DRIVER" held || fail "$name: still held after SIG$signal"
  grep -q "stopped by signal" "$WORK/$name.out" || fail "$name: no word of the signal"
  ! grep -q "completed successfully" "$WORK/$name.out" || fail "$name: reported as completed"
}

# Keys held a second each, with Shift and Ctrl latched around them.
write_sheet "$WORK/keys.tyl" \
  $'DataDelay=0\nCellDelay=0\nFormDelay=0\nKeyHold=1000\nSystemHold=1000\nMenuCall=0\nHourGlass=100' \
  $'Window=Cat Target\nDescription=\nCommandGroup=' $'start\t\\+^abcdefgh\tend' "$(options_with false false)"
interrupt send-int INT 130 "$CLI" send "$WORK/keys.tyl"
# Ctrl+\ in a terminal.
interrupt send-quit QUIT 131 "$CLI" send "$WORK/keys.tyl"

# The left button held for three seconds.
write_sheet "$WORK/click.tyl" \
  $'DataDelay=0\nCellDelay=0\nFormDelay=0\nKeyHold=3000\nSystemHold=0\nMenuCall=0\nHourGlass=100' \
  $'Window=Cat Target\nDescription=\nCommandGroup=' $'*ML(20,20)\t*ML(30,30)' "$(options_with false false)"
interrupt send-term TERM 143 "$CLI" send "$WORK/click.tyl"

# keys: Ctrl held through a long repeat.
"$DRIVER" activate "Cat Target"
interrupt keys-hup HUP 129 "$CLI" keys '^{ENTER 400}'
echo PASS
