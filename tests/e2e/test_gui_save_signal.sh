#!/usr/bin/env bash
# SIGTERM to the Qt program during the save Ctrl+S started on a hard-linked sheet of 30 MB
# (written over in place, since both names must keep seeing it): the program
# ends with the signal's status and the sheet is the whole old file, the whole
# new one, or a whole backup of the old one is beside it and typelane-cli
# refuses the sheet naming that backup. Never torn and silent.
# usage: test_gui_save_signal.sh nowm|openbox CLI DRIVER PROBE GUI
MODE=$1 CLI=$2 DRIVER=$3 GUI=$5
source "$(dirname "$0")/lib.sh"
export XDG_DATA_HOME=$WORK/data

start_display "$MODE"

sheet=$WORK/orders.txt
# 30 MB of tab-delimited rows; the edit empties the first cell.
awk 'BEGIN { for (i = 1; i <= 1000000; i++) printf "r%d\tCustomer %d\tLeeds\r\n", i, i }' >"$WORK/old"
{ printf '\tCustomer 1\tLeeds\r\n'; tail -n +2 "$WORK/old"; } >"$WORK/new"
note "sheet of $(stat -c %s "$WORK/old") bytes"

for delay in 0 0.01 0.03 0.05; do
  cp "$WORK/old" "$sheet"
  rm -f "$WORK/also.txt"
  ln "$sheet" "$WORK/also.txt"
  start_typelane "$sheet"
  keys Delete
  wait_until 30 has_window "^Veltrax Typelane $sheet" || fail "the main window went"
  keys ctrl+s
  # The backup exists only while the sheet is written over: the signal comes
  # DELAY after it appeared, in the middle of the save (or once it is done,
  # when the save was quicker than a look).
  end=$((SECONDS + 30))
  until [[ -e $WORK/.orders.txt.typelane-backup ]] || cmp -s "$sheet" "$WORK/new" ||
    ((SECONDS > end)); do :; done
  sleep "$delay"
  during=after
  [[ -e $WORK/.orders.txt.typelane-backup ]] && during=during
  kill -TERM "$TYPELANE"
  wait_until 120 exited "$TYPELANE" || fail "SIGTERM during a save: typelane did not end"
  wait_status "$TYPELANE"
  [[ $rc == 143 ]] || { cat "$WORK/typelane.log"; fail "SIGTERM during a save: exit $rc, not 143"; }
  backup=$WORK/.orders.txt.typelane-backup
  if cmp -s "$sheet" "$WORK/new"; then
    state=new
  elif cmp -s "$sheet" "$WORK/old"; then
    state=old
  else
    state=torn
    [[ -f $backup ]] || fail "after ${delay} s: the sheet is torn and no backup says so"
  fi
  if [[ -f $backup ]]; then
    cmp -s "$backup" "$WORK/old" || fail "after ${delay} s: the backup is not the whole old file"
    err=$("$CLI" convert "$sheet" "$WORK/out.txt" 2>&1) && fail "typelane-cli opened a sheet with a backup"
    [[ $err == *"$backup"* ]] || fail "typelane-cli did not name the backup: $err"
    state+=", backup named"
    rm -f "$backup"
  fi
  [[ $(stat -c %h "$sheet") == 2 ]] || fail "the sheet lost its second name"
  note "SIGTERM ${delay} s after the backup appeared ($during the writing over): the sheet is $state"
done

# ---- SIGKILL in the middle of the writing over: nothing can wait for it ----
cp "$WORK/old" "$sheet"
start_typelane "$sheet"
keys Delete
keys ctrl+s
backup=$WORK/.orders.txt.typelane-backup
end=$((SECONDS + 30))
until [[ -e $backup ]] || ((SECONDS > end)); do :; done
kill -KILL "$TYPELANE"
[[ -e $backup ]] || fail "no backup appeared during the save"
wait_status "$TYPELANE"
cmp -s "$backup" "$WORK/old" || fail "SIGKILL: the backup is not the whole old file"
"$CLI" convert "$sheet" "$WORK/out.txt" 2>/dev/null && fail "typelane-cli opened a sheet with a backup"
note "SIGKILL: the sheet is $(cmp -s "$sheet" "$WORK/new" && echo new || echo "torn or old"), the backup whole"

# The next open in the program asks whether to open the backup instead; Yes
# opens it under the sheet's name, and Ctrl+S puts it back whole.
TYPELANE_NO_ASSOCIATIONS=1 QT_QPA_PLATFORM=xcb "$GUI" --no-splash "$sheet" >"$WORK/typelane.log" 2>&1 &
TYPELANE=$!
PIDS+=($TYPELANE)
wait_until 60 foreground_is "Typelane Warning" || fail "no question about the backup ($("$DRIVER" foreground))"
keys ctrl+c
wait_until 30 bash -c 'xclip -o -selection clipboard 2>/dev/null | grep -q "Open the backup instead?"' ||
  fail "the question's text did not reach the clipboard"
question=$(xclip -o -selection clipboard | tr -d '\r')
note "$question"
[[ $question == *"An earlier save of \"$sheet\" was interrupted. A backup of the file as it was before that save is kept in \"$backup\". Open the backup instead?"* ]] ||
  fail "the question does not name both files"
[[ -e $backup ]] || fail "the backup went before the user chose"
keys Return
wait_until 60 has_window "^Veltrax Typelane $sheet\$" || fail "the sheet did not open after Yes"
back_to "Veltrax Typelane $sheet"
keys ctrl+s
wait_until 60 bash -c '! test -e "$0"' "$backup" || fail "the save did not remove the backup"
cmp -s "$sheet" "$WORK/old" || fail "the sheet saved from the backup is not the old sheet"
[[ $(stat -c %h "$sheet") == 2 ]] || fail "the sheet lost its second name"
quit_typelane "Veltrax Typelane $sheet"
echo PASS
