#!/usr/bin/env bash
# Esc from a real keyboard stops a load started from the Qt program, and Send
# Data carries on from where it stopped. Everything happens inside Xephyr
# nested in Xvfb, so the Esc comes from a keyboard that is not XTest (the keys
# of the load and of this script are). Checked:
# - mid-load, a screenshot shows the progress window's bars partly filled and
#   the main window painted (the picture is kept in E2E_OUTPUT);
# - the summary (copied from the message box with Ctrl+C) tells the user's stop
#   and counts exactly the rows the target got;
# - the rows not loaded are left selected: Send Data again (Return on the
#   selection dialog) loads those rows and no others.
# usage: test_gui_escape.sh nowm|openbox CLI DRIVER PROBE GUI
MODE=$1 DRIVER=$3 GUI=$5
source "$(dirname "$0")/lib.sh"
keep_output

start_nested_display "$MODE"
start_cat "Cat Target" "$WORK/cat.out"

# Row i pastes "r<i>", then sends Esc itself (which must not stop the load) and
# Enter: the target gets "r<i> ESC CR" per row.
ROWS=40
rows=""
for i in $(seq 1 $ROWS); do rows+="r$i"$'\t\\{ESC}{ENTER}\n'; done
sheet="$WORK/long.tyl"
write_sheet "$sheet" \
  $'DataDelay=0\nCellDelay=0.15\nFormDelay=0\nKeyHold=0\nSystemHold=0\nMenuCall=0\nHourGlass=100' \
  $'Window=Cat Target\nDescription=\nCommandGroup=Desktop' "${rows%$'\n'}" \
  "$(options_with false false true)"
printf 'begincommands\r\nCommand\tDescription\tDesktop\tNotes\r\nendcommands\r\n' >>"$sheet"
MAIN="Veltrax Typelane $sheet"

complete_rows() { tr -cd '\r' <"$WORK/cat.out" | wc -c; }
rows_at_least() { (($(complete_rows) >= $1)); }

start_typelane "$sheet"
send_data "$MAIN"
wait_until 60 rows_at_least 8 || fail "the load did not get going"

# ---- the picture mid-load ----
# xwininfo gives a window's place on the screen as WxH+X+Y.
geometry() {
  xwininfo -name "$1" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
    /Width:/ {w=$NF} /Height:/ {h=$NF} END {printf "%dx%d+%d+%d\n", w, h, x, y}'
}
# Pictures of the screen until one shows the Rows bar moving (our windows
# paint while the load runs on; a busy machine may only delay it).
shots=0
while :; do
  before=$(complete_rows)
  import -window root "$OUTPUT/mid-load.png"
  after=$(complete_rows)
  shots=$((shots + 1))
  ((after < ROWS)) || fail "the load ended before a picture showed the Rows bar moving"
  progress_geometry=$(geometry "Typelane Progress")
  convert "$OUTPUT/mid-load.png" -crop "$progress_geometry" +repage "$WORK/progress.ppm"
  read -r cols_fill rows_fill < <(python3 "$E2E_DIR/screenshot.py" bars "$WORK/progress.ppm") ||
    fail "the progress bars were not found in the picture"
  ((rows_fill == 0)) || break
done
note "picture $shots: progress window at $progress_geometry, Cols ${cols_fill}%, Rows ${rows_fill}%;" \
  "the target had $before..$after of $ROWS rows"
# A window manager keeps the progress window at its one size: it offers no
# resizing and no maximising (openbox draws its buttons all the same).
if [[ $MODE == openbox ]]; then
  actions=$(xprop -name "Typelane Progress" _NET_WM_ALLOWED_ACTIONS)
  note "progress window: $actions"
  [[ $actions == *_NET_WM_ACTION_CLOSE* ]] || fail "the progress window cannot be closed"
  [[ $actions != *RESIZE* && $actions != *MAXIMIZE* ]] ||
    fail "the progress window can be resized or maximised"
fi
# The Rows bar shows the rows completed, never more than the target got.
((rows_fill < 100)) || fail "the Rows bar is full mid-load"
((rows_fill <= after * 100 / ROWS + 2)) || fail "the Rows bar is ahead of the load"
# Two columns: the Cols bar is empty, half or full.
((cols_fill <= 2 || (cols_fill >= 48 && cols_fill <= 52) || cols_fill >= 98)) ||
  fail "the Cols bar of a two-column load shows ${cols_fill}%"
# The main window below the target's window (the load brought that to the
# front over ours): the grid and status bar are drawn, not blank.
IFS='x+' read -r mw mh mx my <<<"$(geometry "$MAIN")"
IFS='x+' read -r _ th _ ty <<<"$(geometry "Cat Target")"
top=$((ty + th + 10))
convert "$OUTPUT/mid-load.png" -crop "${mw}x$((my + mh - top))+$mx+$top" +repage "$WORK/main.ppm"
python3 "$E2E_DIR/screenshot.py" painted "$WORK/main.ppm" || fail "the main window is not painted"

# ---- Esc from the user's keyboard ----
wait_until 60 rows_at_least $((after + 2)) || fail "the load stalled"
user_escape
read_summary "$WORK/summary1.txt"
grep -qx 'Data loading terminated at user request:' "$WORK/summary1.txt" ||
  fail "the summary does not tell the user's stop"
reported=$(sed -n 's/^Rows:\t//p' "$WORK/summary1.txt")
complete=$(complete_rows)
echo "reported $reported rows, the target has $complete complete rows"
[[ $reported == "$complete" ]] || fail "the summary says $reported rows, the target got $complete"
((complete >= 10 && complete < ROWS)) || fail "the load did not stop part-way ($complete rows)"

# ---- Send Data again: the rows left selected, and only those ----
send_data "$MAIN"
read_summary "$WORK/summary2.txt"
grep -qx 'Typelane completed successfully:' "$WORK/summary2.txt" ||
  fail "the second load did not complete"
grep -qx "Rows:"$'\t'"$((ROWS - complete))" "$WORK/summary2.txt" ||
  fail "the second load did not load the $((ROWS - complete)) rows left"

# The target got rows 1..complete, perhaps the first cell of the row Esc
# stopped in, then that row again and the rest. Each row's own Esc arrived,
# and the user's one.
expected() {
  local i partial=$1
  for i in $(seq 1 "$complete"); do printf 'r%d\r' "$i"; done
  ((partial)) && printf 'r%d' $((complete + 1))
  for i in $(seq $((complete + 1)) $ROWS); do printf 'r%d\r' "$i"; done
}
tr -d '\033' <"$WORK/cat.out" >"$WORK/cat.text"
expected 0 >"$WORK/expected0"
expected 1 >"$WORK/expected1"
if ! cmp -s "$WORK/expected0" "$WORK/cat.text"; then
  same_bytes "$WORK/expected1" "$WORK/cat.text" "the rows the target got"
fi
escs=$(tr -cd '\033' <"$WORK/cat.out" | wc -c)
((escs == ROWS + 1)) || fail "the target got $escs Esc keys, not $ROWS rows' and the user's one"

quit_typelane "$MAIN"
echo PASS
