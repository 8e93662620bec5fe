#!/usr/bin/env bash
# The window's caption as the window system shows it: started with a path the
# shell split at its blank (`typelane .../my orders.tyl` as two arguments), the
# program opens the file and its X11 title (_NET_WM_NAME and WM_NAME) is
# exactly "Veltrax Typelane " and the full path, nothing added.
# usage: test_gui_caption.sh nowm|openbox CLI DRIVER PROBE GUI
MODE=$1 DRIVER=$3 GUI=$5
source "$(dirname "$0")/lib.sh"

start_display "$MODE"
mkdir -p "$WORK/sheets"
sheet="$WORK/sheets/my orders.tyl"
write_sheet "$sheet" "$ZERO_DELAYS" $'Window=Orders\nDescription=Caption\nCommandGroup=' \
  $'Acme\tLeeds' "$(options_with true false)"
expected="Veltrax Typelane $sheet"

# Run from another folder, with the two halves of the path as two arguments.
(cd "$WORK" && TYPELANE_NO_SPLASH=1 TYPELANE_NO_ASSOCIATIONS=1 QT_QPA_PLATFORM=xcb \
  exec "$GUI" -geometry 800x600+0+0 "$WORK/sheets/my" "orders.tyl") >"$WORK/gui.log" 2>&1 &
PIDS+=($!)

# The X11 title of every window of ours that carries one.
titles() {
  local id
  for id in $(xdotool search --pid "${PIDS[-1]}" 2>/dev/null); do
    xprop -id "$id" _NET_WM_NAME WM_NAME 2>/dev/null || true
  done
}
has_caption() { titles | grep -qF "_NET_WM_NAME(UTF8_STRING) = \"$expected\""; }
wait_until 30 has_caption || { titles; cat "$WORK/gui.log"; fail "no window titled '$expected'"; }

id=""
for w in $(xdotool search --pid "${PIDS[-1]}"); do
  if xprop -id "$w" _NET_WM_NAME | grep -qF "= \"$expected\""; then id=$w; fi
done
[[ -n $id ]] || fail "the titled window went away"
net=$(xprop -id "$id" _NET_WM_NAME)
old=$(xprop -id "$id" WM_NAME)
note "$net"
note "$old"
[[ $net == "_NET_WM_NAME(UTF8_STRING) = \"$expected\"" ]] || fail "_NET_WM_NAME is $net"
[[ $old == "WM_NAME(STRING) = \"$expected\"" || $old == "WM_NAME(COMPOUND_TEXT) = \"$expected\"" ]] ||
  fail "WM_NAME is $old"
echo PASS
