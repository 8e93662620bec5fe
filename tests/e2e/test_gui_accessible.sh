#!/usr/bin/env bash
# The main window and its dialogs as a screen reader and a keyboard user meet
# them, in a D-Bus session of its own with the accessibility bus on:
# - AT-SPI reads the main window (menus included), Options, Delays, Commands
#   and the Send Data selection dialog: every control a user can reach has a
#   name; icon-only toolbar buttons are named as their hints; recent files
#   are numbered;
# - the access keys reach Description (Alt+D) and the cell-text box (Alt+C),
#   F6 leads back to the grid: typed text lands there, read from the saved sheet.
# usage: test_gui_accessible.sh nowm|openbox CLI DRIVER PROBE GUI
if [[ -z ${TYPELANE_A11Y_SESSION:-} ]]; then
  export TYPELANE_A11Y_SESSION=1
  exec dbus-run-session -- bash "$0" "$@"
fi
MODE=$1 DRIVER=$3 GUI=$5
source "$(dirname "$0")/lib.sh"
unset NO_AT_BRIDGE

/usr/libexec/at-spi-bus-launcher --launch-immediately >"$WORK/at-spi.log" 2>&1 &
PIDS+=($!)
a11y_on() {
  gdbus call --session --dest org.a11y.Bus --object-path /org/a11y/bus \
    --method org.freedesktop.DBus.Properties.Set org.a11y.Status IsEnabled '<true>' >/dev/null 2>&1
}
wait_until 20 a11y_on || fail "the accessibility bus did not come up"
export QT_ACCESSIBILITY=1

start_display "$MODE"
keep_output
sheet="$WORK/reader.tyl"
write_sheet "$sheet" "$ZERO_DELAYS" $'Window=Orders\nDescription=Read\nCommandGroup=' \
  $'alpha\tbeta' "$(options_with true false)"
start_typelane "$sheet"
main="Veltrax Typelane $sheet"

# read_window TITLE [NAME...]: the window's reachable controls all have names
# (and these among them); the list goes to the output folder.
read_window() {
  local title=$1
  shift
  /usr/bin/python3 "$E2E_DIR/accessible_names.py" "$TYPELANE" "$title" "$@" \
    >"$OUTPUT/${title//[^A-Za-z]/_}.txt" || {
    grep -P '^[^\t]*\t\t' "$OUTPUT/${title//[^A-Za-z]/_}.txt" >&2 || true
    fail "'$title' has controls a screen reader cannot name"
  }
}
# dialog CLOSE KEYS... TITLE: opened from the keyboard, read, closed with the
# key CLOSE (Esc; Return, which is OK, in the commands editor, whose grid
# keeps Esc for itself).
dialog() {
  local close=$1 title=${*: -1}
  shift
  keys "${@:1:$#-1}"
  wait_until 20 has_window "^$title\$" || fail "'$title' did not open"
  read_window "$title"
  keys "$close"
  wait_until 20 bash -c '! xdotool search --onlyvisible --name "^$0\$" >/dev/null' "$title" ||
    fail "'$title' did not close"
  back_to "$main"
}

# With the File menu open (its hidden entries then say so).
keys alt+f
sleep 0.5
read_window "$main" "Save file" "View source" "Send data to form" "Window Name" "Description" \
  "Command Group" "Contents" "Sheet" "Fill" "Down" "1 $sheet"
keys Escape
dialog Escape alt+t o "Options & Preferences"
dialog Escape alt+t d "Typelane Delays"
dialog Return alt+e m "Commands"
dialog Escape alt+t s "Typelane"

# Keyboard only: the description, the cell-text box over cell (1,1), then
# back into the grid for cell (2,1).
keys alt+d ctrl+a
xdotool type --delay 50 'Keyed'
keys alt+c ctrl+a
xdotool type --delay 50 'Boxed'
keys F6 Down
xdotool type --delay 50 'Gridded'
keys Return ctrl+s
wait_until 30 grep -q 'Gridded' "$sheet" || fail "the sheet was not saved with the grid's text"
tr -d '\r' <"$sheet" | sed -n '/^beginother/,/^enddata/p'
grep -q $'^Description=Keyed\r$' "$sheet" || fail "Alt+D did not reach the description"
grep -q $'^Boxed\tbeta\r$' "$sheet" || fail "Alt+C did not reach the cell-text box"
grep -qP '^Gridded\t*\r$' "$sheet" || fail "F6 did not lead back to the grid"
echo PASS
