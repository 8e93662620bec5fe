#!/usr/bin/env bash
# What the load asks the desktop before every cell, against real programs:
#  - a Tk form hung in work (F5) is busy even with the pointer away from it
#    (it stops answering pings), and not busy once it answers again; an xterm,
#    which does not take pings, is never pinged (a ping would close it); a long
#    busy check ends at an Esc or a stop request;
#  - a closed xterm whose window id the server hands to a new xterm at once is
#    gone, while the new one found by its title exists;
#  - the focus on the target's own second window is with the target, the focus
#    on another program's window is not;
#  - an Esc typed through XTest by another program counts, the Esc the platform
#    sends itself does not;
#  - pastes into the form arrive, its save key writes them; a program that
#    fetches the text over another connection (as Wine does) is seen taking
#    it; a paste the focused program never takes is reported as not taken;
#  - a crash handler lets go of the key and button the platform holds down.
# usage: test_target_checks.sh nowm|openbox CLI DRIVER PROBE
MODE=$1 CLI=$2 DRIVER=$3
source "$(dirname "$0")/lib.sh"

start_display "$MODE"
start_cat "Other Term" "$WORK/other.out"
OTHER_PID=${PIDS[-1]}

# The form hangs until the script lets it go ($WORK/unhang).
/usr/bin/python3 "$E2E_DIR/tk_form.py" "$WORK/form.json" --title "Tk Form" --hang-until "$WORK/unhang" \
  >"$WORK/form.log" 2>&1 &
FORM_PID=$!
PIDS+=($FORM_PID)
wait_until 30 grep -qx ready "$WORK/form.log" || { cat "$WORK/form.log"; fail "the form did not start"; }
form_says() { grep -qx "$1" "$WORK/form.log"; }

note "busy"
[[ $("$DRIVER" activate "Tk Form" busy 2000) == 0 ]] || fail "the idle form counts as busy"
keys F5
wait_until 30 form_says busy || fail "the form did not start its hang"
# The pointer rests on the other window: the busy cursor cannot be seen there.
got=$("$DRIVER" move 5 5 find "Tk Form" hourglass busy 1000 | tr '\n' ' ')
[[ $got == "0 1 " ]] || fail "pointer away from the hung form: hourglass, busy were $got, not 0 1"
# Over the form the busy cursor shows too.
"$DRIVER" move 250 150 wait-hourglass 1 10000 || fail "the hung form's busy cursor is not seen"
# An Esc ends a long check at once, answering busy.
"$DRIVER" move 5 5 find "Tk Form" esc-begin touch "$WORK/armed" busy 600000 esc-check >"$WORK/esc-busy.out" &
CHECK=$!
PIDS+=($CHECK)
wait_until 30 test -e "$WORK/armed" || fail "the long busy check did not start"
xdotool key Escape
wait_status "$CHECK"
[[ $rc == 0 && $(tr '\n' ' ' <"$WORK/esc-busy.out") == "1 1 " ]] ||
  fail "the busy check cut short by Esc gave $(cat "$WORK/esc-busy.out") (exit $rc)"
# So does a stop request (the program quitting).
[[ $("$DRIVER" move 5 5 find "Tk Form" stop-after 200 busy 600000) == 1 ]] ||
  fail "the busy check was not ended by a stop request"
form_says idle && fail "the form's hang ended early"
touch "$WORK/unhang"
wait_until 30 form_says idle || fail "the form did not come back"
[[ $("$DRIVER" find "Tk Form" busy 5000) == 0 ]] || fail "the form answering again is busy"
[[ $("$DRIVER" find "Other Term" busy 200) == 0 ]] || fail "the xterm counts as busy"
sleep 0.5
kill -0 "$OTHER_PID" 2>/dev/null || fail "the xterm closed: it was sent a ping"

note "focus"
[[ $("$DRIVER" activate "Tk Form" focus-with) == 1 ]] || fail "the focused form is not the target"
keys F2
wait_until 30 form_says lookup || fail "the form's second window did not open"
wait_until 30 foreground_is "Tk Form Lookup" || fail "the form's second window did not take the focus"
[[ $("$DRIVER" find "Tk Form" focus-with) == 1 ]] ||
  fail "the focus on the form's own second window is not with the form"
[[ $("$DRIVER" activate "Other Term" find "Tk Form" focus-with) == 0 ]] ||
  fail "the focus on the xterm counts as the form's"

note "paste"
"$DRIVER" activate "Tk Form" paste "héllo wörld" key 0x09 paste "second" key-down 0x11 key 0x53 \
  key-up 0x11 || fail "a paste into the form was not taken"
wait_until 30 form_says saved || fail "the form did not save"
[[ $(cat "$WORK/form.json") == '["héllo wörld", "second", "", "", "", ""]' ]] ||
  fail "the form saved $(cat "$WORK/form.json")"
"$DRIVER" two-connection-pad "Wine Pad" 120000 >"$WORK/pad.out" &
PIDS+=($!)
wait_until 30 grep -qx ready "$WORK/pad.out" || fail "the two-connection pad did not start"
wait_until 30 window_exists "Wine Pad" || fail "the two-connection pad's window did not appear"
"$DRIVER" activate "Wine Pad" paste "over another connection" ||
  fail "a paste fetched over another connection was not seen taken"
grep -qx "over another connection" "$WORK/pad.out" || fail "the pad got $(cat "$WORK/pad.out")"
# Ctrl+V in a raw terminal is a byte for the program behind it: nobody asks
# for the text.
xterm -u8 -geometry 40x10+0+500 -T "Plain Term" \
  -e sh -c "stty raw -echo; : > '$WORK/plain.ready'; exec cat > '$WORK/plain.out'" &
PIDS+=($!)
wait_until 30 test -e "$WORK/plain.ready" || fail "the plain xterm did not start"
wait_until 30 window_exists "Plain Term" || fail "the plain xterm's window did not appear"
rc=0
"$DRIVER" activate "Plain Term" paste "not taken" || rc=$?
[[ $rc == 5 ]] || fail "a paste nobody took was not reported (exit $rc)"

note "a target closed and its id given to a new window"
start_cat "Gone Term" "$WORK/gone.out"
GONE_PID=${PIDS[-1]}
"$DRIVER" activate "Gone Term" handle exists touch "$WORK/watching" wait-file "$WORK/go" 60000 \
  exists >"$WORK/gone.ids" &
WATCHER=$!
PIDS+=($WATCHER)
wait_until 30 test -e "$WORK/watching" || fail "the watch did not start"
old_id=$(head -n1 "$WORK/gone.ids")
kill "$GONE_PID"
wait_until 30 bash -c '! xdotool search --name "^Gone Term\$" >/dev/null 2>&1' ||
  fail "the xterm did not close"
start_cat "Gone Term" "$WORK/gone2.out"
new_id=$(xdotool search --name '^Gone Term$' | head -n1)
# X hands a new client the id base of the last one gone: the new xterm's
# window has the old one's id, which is what this checks.
[[ $new_id == "$old_id" ]] || fail "the new xterm got window $new_id, not the old $old_id"
touch "$WORK/go"
wait_status "$WATCHER"
[[ $rc == 0 && $(tail -n2 "$WORK/gone.ids" | tr '\n' ' ') == "1 0 " ]] ||
  fail "before and after the close the old window existed: $(tail -n2 "$WORK/gone.ids" | tr '\n' ' ')"
[[ $("$DRIVER" activate "Gone Term" exists) == 1 ]] || fail "the new xterm found by its title is gone"

note "Esc"
"$DRIVER" activate "Other Term"
[[ $("$DRIVER" esc-begin key 0x1B sleep 800 esc-check) == 0 ]] || fail "the platform's own Esc counted"
"$DRIVER" esc-begin key 0x1B touch "$WORK/esc-armed" esc-wait 30000 >"$WORK/esc.out" &
ESC=$!
PIDS+=($ESC)
wait_until 30 test -e "$WORK/esc-armed" || fail "the Esc watch did not start"
xdotool key Escape
wait_status "$ESC"
[[ $(cat "$WORK/esc.out") == 1 ]] || fail "an Esc typed through XTest did not count"

note "a crash lets go"
# SEGV once the server shows the keys and the button down; ABRT straight after
# sending them, while they may still be on their way.
for sig in SEGV ABRT; do
  wait_step=(wait-held 10000)
  [[ $sig == ABRT ]] && wait_step=()
  rc=0
  "$DRIVER" key-down 0x41 key-down 0x10 button-down 1200 1000 "${wait_step[@]}" crash $sig release \
    >"$WORK/crash.out" || rc=$?
  ((rc > 128)) || fail "the driver did not die of SIG$sig (exit $rc)"
  "$DRIVER" held || fail "keys or buttons left held after SIG$sig with the release"
done
# The same crash without the release leaves the key down: the check above can
# see a key left held.
rc=0
"$DRIVER" key-down 0x42 wait-held 10000 crash SEGV keep >"$WORK/crash.out" || rc=$?
((rc > 128)) || fail "the driver did not die (exit $rc)"
held=$("$DRIVER" held || true)
[[ $held == keys* ]] || fail "without the release nothing was left held ($held)"
"$DRIVER" key-up 0x42
echo PASS
