#!/usr/bin/env bash
# typelane in a session it may not be able to drive.
# - A Wayland session with XWayland (WAYLAND_DISPLAY and DISPLAY set), Qt
#   asked for Wayland or left to choose: typelane runs on X11 all the same,
#   says once that native Wayland windows are not listed, and a load goes into
#   an X11 window.
# - No X display at all: typelane says it cannot drive this desktop.
# usage: test_gui_session.sh nowm|openbox CLI DRIVER PROBE GUI
MODE=$1 DRIVER=$3 GUI=$5
source "$(dirname "$0")/lib.sh"

start_display "$MODE"
start_cat "Cat Target" "$WORK/cat.out"
write_sheet "$WORK/s.tyl" "$ZERO_DELAYS" $'Window=Cat Target\nDescription=\nCommandGroup=Desktop' \
  $'one\ttwo\t\\{ENTER}' "$(options_with false false)"
printf 'begincommands\r\nCommand\tDescription\tDesktop\tNotes\r\nendcommands\r\n' >>"$WORK/s.tyl"
MAIN="Veltrax Typelane $WORK/s.tyl"

n=0
for qpa in wayland ""; do
  n=$((n + 1))
  note "WAYLAND_DISPLAY set, QT_QPA_PLATFORM=${qpa:-(unset)}"
  env -u QT_QPA_PLATFORM ${qpa:+QT_QPA_PLATFORM=$qpa} WAYLAND_DISPLAY=wayland-typelane-test \
    TYPELANE_NO_ASSOCIATIONS=1 "$GUI" --no-splash "$WORK/s.tyl" >"$WORK/gui$n.log" 2>&1 &
  TYPELANE=$!
  PIDS+=($TYPELANE)
  wait_until 60 window_exists "$MAIN" || { cat "$WORK/gui$n.log"; fail "no main window on X11"; }
  wait_until 30 foreground_is "$MAIN" || fail "the main window does not have the focus"
  send_data "$MAIN"
  read_summary "$WORK/summary$n.txt"
  grep -qx 'Typelane completed successfully:' "$WORK/summary$n.txt" || fail "the load failed"
  wait_bytes "$WORK/cat.out" $((7 * n)) || fail "the target did not get the row"
  quit_typelane "$MAIN"
  cat "$WORK/gui$n.log"
  [[ $(grep -c 'native Wayland windows are not listed yet' "$WORK/gui$n.log") == 1 ]] ||
    fail "the Wayland notice was not given once"
done
printf 'onetwo\ronetwo\r' >"$WORK/expected"
same_bytes "$WORK/expected" "$WORK/cat.out" "the rows the X11 window got"

# ---- no X display: said at once, on stderr ----
env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=offscreen TYPELANE_NO_ASSOCIATIONS=1 \
  "$GUI" --no-splash "$WORK/s.tyl" >"$WORK/none.log" 2>&1 &
none=$!
PIDS+=($none)
wait_until 30 grep -q 'cannot drive this desktop' "$WORK/none.log" ||
  { cat "$WORK/none.log"; fail "no word that this desktop cannot be driven"; }
grep 'cannot drive' "$WORK/none.log"
grep -q 'cannot drive this desktop: the window system is "offscreen", not X11' "$WORK/none.log" ||
  fail "the reason is not given"
kill "$none"
echo PASS
