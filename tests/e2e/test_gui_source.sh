#!/usr/bin/env bash
# View Source over a recording at 150% font scaling (QT_FONT_DPI=144), from
# its toolbar button (the focused grid is hidden under the pointer's click):
# - the current cell stays where it was: after Hide Source, Ctrl+C in the grid
#   copies the cell that was current before, one the drop-list check would
#   refuse (pasted with Shift+Insert, which does not check) - and no drop-list
#   error comes up over the source view;
# - the window keeps its state: still maximised (under a window manager), never
#   wider than the screen.
# usage: test_gui_source.sh nowm|openbox CLI DRIVER PROBE GUI
MODE=$1 DRIVER=$3 GUI=$5
source "$(dirname "$0")/lib.sh"

start_display "$MODE"
keep_output
recording="$WORK/journals.fpb"
cp "$E2E_DIR/../data/playback/lov_first.fpb" "$recording"
export QT_FONT_DPI=144
start_typelane "$recording"
main="Veltrax Typelane $recording"
win=$(visible_window "^$main\$")
screen_width=$(xwininfo -root | sed -n 's/^ *Width: //p')

# state: the window's width and, under a window manager, whether it is maximised.
state() {
  local width maximised=""
  width=$(xwininfo -id "$win" | sed -n 's/^ *Width: //p')
  [[ $MODE == nowm ]] || maximised=$(xprop -id "$win" _NET_WM_STATE | grep -o MAXIMIZED_HORZ || true)
  echo "$width $maximised"
}
wait_until 20 bash -c '[[ $MODE == nowm ]] || xprop -id "$0" _NET_WM_STATE | grep -q MAXIMIZED_HORZ' \
  "$win" || fail "the main window did not start maximised"
before=$(state)
note "before: $before (screen $screen_width)"

# Row 2 of the list-of-values column: a value no recording gave it.
keys Down
printf 'Bogus' | xclip -selection clipboard
keys shift+Insert
sleep 0.3

# The source button, thirteenth of the toolbar (where the window's scale puts it).
source_button() { xdotool mousemove --window "$win" 665 59 click 1; }
source_button
wait_until 20 bash -c 'xdotool search --onlyvisible --name "^$0\$" >/dev/null' "$main" ||
  fail "the main window went away"
sleep 1
import -window root "$OUTPUT/source-150.png"
! has_window '^Typelane Error$' || fail "an error came up over the source view"
after=$(state)
note "with the source view: $after"
[[ $after == "$before" ]] || fail "View Source changed the window from '$before' to '$after'"
((${after%% *} <= screen_width)) || fail "the window is wider than the screen: $after"

source_button
sleep 0.5
printf 'nothing copied' | xclip -selection clipboard
keys ctrl+c
wait_until 20 bash -c '[[ $(xclip -o -selection clipboard 2>/dev/null) == Bogus* ]]' ||
  fail "the grid lost its current cell or the focus: Ctrl+C copied '$(xclip -o -selection clipboard)'"
[[ $(state) == "$before" ]] || fail "Hide Source changed the window to '$(state)'"
echo PASS
