#!/usr/bin/env bash
# SIGTERM, SIGINT, SIGHUP or SIGQUIT to the Qt program: a load stops between
# two keys, lets go of every key it holds, and the program dies of the signal
# (status 128 + its number, as a shell reports it). Checked:
# - SIGTERM while the load holds Shift, Ctrl and a letter down: afterwards the
#   server reports nothing held, and the target gets nothing more;
# - SIGQUIT in the middle of a paste load: the same, and the target got whole
#   cells only, in order;
# - SIGHUP with no load running: the program ends at once with 129, though
#   the sheet has unsaved changes (nobody is there to answer the question).
# usage: test_gui_signal.sh nowm|openbox CLI DRIVER PROBE GUI
MODE=$1 DRIVER=$3 GUI=$5
source "$(dirname "$0")/lib.sh"
# SIGQUIT's default action dumps core: not here.
ulimit -c 0

start_display "$MODE"
start_cat "Cat Target" "$WORK/cat.out"

size() { stat -c %s "$WORK/cat.out"; }

# ends_by SIGNAL STATUS: typelane ends, killed by SIGNAL; nothing stays held and
# nothing more reaches the target.
ends_by() {
  local signal=$1 want=$2 rc
  wait_until 60 exited "$TYPELANE" || fail "SIG$signal: typelane did not end"
  wait_status "$TYPELANE"
  note "SIG$signal: typelane exited $rc"
  [[ $rc == "$want" ]] || { cat "$WORK/typelane.log"; fail "SIG$signal: exit $rc, not $want"; }
  "$DRIVER" held || fail "SIG$signal: keys are still held"
  local before
  before=$(size)
  # The program is gone: whatever was to come has come by now.
  sleep 1
  [[ $(size) == "$before" ]] || fail "SIG$signal: the target got more after the program ended"
}

# ---- SIGTERM while keys are held: Shift and Ctrl latched, each key held 1 s ----
write_sheet "$WORK/keys.tyl" \
  $'DataDelay=0\nCellDelay=0\nFormDelay=0\nKeyHold=1000\nSystemHold=1000\nMenuCall=0\nHourGlass=100' \
  $'Window=Cat Target\nDescription=\nCommandGroup=Desktop' $'\\+^abcdefgh' "$(options_with false false)"
printf 'begincommands\r\nCommand\tDescription\tDesktop\tNotes\r\nendcommands\r\n' >>"$WORK/keys.tyl"
start_typelane "$WORK/keys.tyl"
send_data "Veltrax Typelane $WORK/keys.tyl"
"$DRIVER" wait-held 30000 >"$WORK/held" || fail "the load never held a key"
note "held: $(cat "$WORK/held")"
kill -TERM "$TYPELANE"
ends_by TERM 143

# ---- SIGQUIT during a paste load ----
ROWS=300
rows=""
for i in $(seq 1 $ROWS); do rows+="a$i"$'\t'"b$i"$'\t\\{ENTER}\n'; done
write_sheet "$WORK/paste.tyl" \
  $'DataDelay=0\nCellDelay=0.02\nFormDelay=0\nKeyHold=0\nSystemHold=0\nMenuCall=0\nHourGlass=100' \
  $'Window=Cat Target\nDescription=\nCommandGroup=Desktop' "${rows%$'\n'}" "$(options_with false false)"
printf 'begincommands\r\nCommand\tDescription\tDesktop\tNotes\r\nendcommands\r\n' >>"$WORK/paste.tyl"
: >"$WORK/cat.out"
start_typelane "$WORK/paste.tyl"
send_data "Veltrax Typelane $WORK/paste.tyl"
wait_until 60 bash -c '[[ $(tr -cd "\r" <"$0" | wc -c) -ge 5 ]]' "$WORK/cat.out" ||
  fail "the paste load did not get going"
kill -QUIT "$TYPELANE"
ends_by QUIT 131
# Whole cells in order, the last row perhaps cut between two cells.
got=$(tr -d '\r' <"$WORK/cat.out" | tr -d '\n')
expected=""
for i in $(seq 1 $ROWS); do expected+="a${i}b$i"; done
[[ -n $got && $expected == "$got"* && ${#got} -lt ${#expected} ]] ||
  fail "the target got something else than the first cells of the sheet: ${got:0:80}..."
remainder=${expected#"$got"}
[[ $remainder == a* || $remainder == b* ]] || fail "the load stopped inside a cell: ...${got: -20}"
note "the target got $(tr -cd '\r' <"$WORK/cat.out" | wc -c) of $ROWS rows"

# ---- SIGHUP with no load, the sheet changed ----
start_typelane "$WORK/paste.tyl"
keys Delete
wait_until 30 has_window "^Veltrax Typelane $WORK/paste.tyl" || fail "the main window went"
kill -HUP "$TYPELANE"
wait_until 30 exited "$TYPELANE" || fail "SIGHUP: typelane did not end (a question?)"
wait_status "$TYPELANE"
[[ $rc == 129 ]] || fail "SIGHUP without a load: exit $rc, not 129"
echo PASS
