#!/usr/bin/env bash
# Help > Contents on a desktop without a web browser: no xdg-open on the PATH,
# no BROWSER, no desktop session. F1 shows the local help pages in the
# program's own window (its text copied out through the clipboard, as a user
# would), and a program folder without the pages says so instead of doing
# nothing.
# usage: test_gui_help.sh nowm|openbox CLI DRIVER PROBE GUI
MODE=$1 DRIVER=$3 GUI=$5
source "$(dirname "$0")/lib.sh"

start_display "$MODE"
mkdir -p "$WORK/nobin"
write_sheet "$WORK/help.tyl" "$ZERO_DELAYS" $'Window=\nDescription=Help\nCommandGroup=' \
  $'one\ttwo' "$(options_with true false)"

# start_without_browser PROGRAM FILE
start_without_browser() {
  env -u BROWSER -u DEFAULT_BROWSER -u XDG_CURRENT_DESKTOP -u DESKTOP_SESSION \
    -u GNOME_DESKTOP_SESSION_ID -u KDE_FULL_SESSION PATH="$WORK/nobin" \
    TYPELANE_NO_ASSOCIATIONS=1 QT_QPA_PLATFORM=xcb "$1" --no-splash "$2" >"$WORK/typelane.log" 2>&1 &
  TYPELANE=$!
  PIDS+=($TYPELANE)
  wait_until 60 window_exists "Veltrax Typelane $2" ||
    { cat "$WORK/typelane.log"; fail "the main window did not open $2"; }
  wait_until 30 foreground_is "Veltrax Typelane $2" || fail "the main window has no focus"
}

start_without_browser "$GUI" "$WORK/help.tyl"
keys F1
wait_until 30 has_window '^Typelane Help$' || { cat "$WORK/typelane.log"; fail "F1 showed no help window"; }
help=$(visible_window '^Typelane Help$')
note "help window $help"
# Select all of the page and copy it: the help's own headings come out.
xdotool windowactivate --sync "$help" 2>/dev/null || "$DRIVER" activate "Typelane Help"
wait_until 30 foreground_is "Typelane Help" || fail "the help window does not take the focus"
keys ctrl+a ctrl+c
page_copied() { xclip -o -selection clipboard 2>/dev/null | grep -q "Keystroke notation"; }
wait_until 30 page_copied || fail "the help window does not show the help pages"
# F1 again from the main window brings the same window back, not a second one.
"$DRIVER" activate "Veltrax Typelane $WORK/help.tyl" || true
wait_until 30 foreground_is "Veltrax Typelane $WORK/help.tyl" || fail "the main window has no focus"
keys F1
wait_until 30 foreground_is "Typelane Help" || fail "the second F1 did not raise the help window"
[[ $(xdotool search --onlyvisible --name '^Typelane Help$' | wc -l) == 1 ]] || fail "two help windows"
kill "$TYPELANE"
wait "$TYPELANE" 2>/dev/null || true

# The same program in a folder of its own, without the help pages beside it.
mkdir -p "$WORK/alone"
cp "$GUI" "$WORK/alone/typelane"
cp "$(dirname "$GUI")/commands.dat" "$WORK/alone/"
start_without_browser "$WORK/alone/typelane" "$WORK/help.tyl"
keys F1
wait_until 30 has_window '^Typelane Error$' || fail "no message when the help cannot be shown"
! has_window '^Typelane Help$' || fail "a help window without help pages"
keys Return
message_gone() { ! has_window '^Typelane Error$'; }
wait_until 30 message_gone || fail "the message did not close"
! exited "$TYPELANE" || fail "the program ended"
echo "help shown without a browser"
