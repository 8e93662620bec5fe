# Shared by the end-to-end scripts: a private X server (with or without a window
# manager), the target programs, and the checks. Source it; it sets -euo pipefail.
# Every process started here is ended by its pid when the script exits; its
# working folder goes too, unless E2E_KEEP is set (to look into a failure).

set -euo pipefail

E2E_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
WORK=$(mktemp -d "${TMPDIR:-/tmp}/typelane-e2e.XXXXXX")
PIDS=()

cleanup() {
  local pid
  for ((i = ${#PIDS[@]} - 1; i >= 0; i--)); do
    pid=${PIDS[i]}
    kill "$pid" 2>/dev/null || true
  done
  wait 2>/dev/null || true
  [[ -n ${E2E_KEEP:-} ]] || rm -rf "$WORK"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

note() { echo "-- $*"; }

# Programs must not touch the user's own settings or runtime folders.
export HOME="$WORK/home"
export XDG_RUNTIME_DIR="$WORK/runtime"
export XDG_CONFIG_HOME="$HOME/.config"
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
export NO_AT_BRIDGE=1
export LC_ALL=C.UTF-8

# Polls a condition (a command) every 50 ms until it holds or SECONDS_MAX pass.
# Only a guard against hanging: the checks never depend on how fast things are.
wait_until() {
  local limit=$1
  shift
  local end=$((SECONDS + limit))
  until "$@"; do
    ((SECONDS < end)) || return 1
    sleep 0.05
  done
}

# start_display MODE: MODE "nowm" or "openbox". Exports DISPLAY.
start_display() {
  local mode=$1
  local fdfile="$WORK/display.num"
  Xvfb -displayfd 3 -nolisten tcp -noreset -screen 0 1280x1024x24 3>"$fdfile" \
    >"$WORK/xvfb.log" 2>&1 &
  PIDS+=($!)
  wait_until 20 test -s "$fdfile" || fail "Xvfb did not start"
  export DISPLAY=":$(head -n1 "$fdfile")"
  note "Xvfb on $DISPLAY ($mode)"
  if [[ $mode == openbox ]]; then
    openbox >"$WORK/openbox.log" 2>&1 &
    PIDS+=($!)
    wait_until 20 bash -c '[[ $("$0" wm) == 1 ]]' "$DRIVER" || fail "openbox did not start"
  fi
}

# start_nested_display MODE: Xephyr inside a fresh Xvfb (no window manager),
# with openbox inside it for MODE "openbox". Keys sent with XTest to the Xephyr
# window on the outer display arrive inside from Xephyr's own keyboard, not
# from XTest: the inner display has a keyboard a user could press. Exports
# DISPLAY (inner), OUTER and XEPHYR_TITLE.
start_nested_display() {
  local mode=$1 n inner=""
  start_display nowm
  OUTER=$DISPLAY
  # Xephyr's own choice of a free display (-displayfd) can land on a taken one:
  # try numbers whose lock files are free until one starts.
  for n in $(seq $((200 + RANDOM % 500)) 1000); do
    [[ -e /tmp/.X$n-lock || -e /tmp/.X11-unix/X$n ]] && continue
    Xephyr ":$n" -nolisten tcp -screen 1024x768 >"$WORK/xephyr.log" 2>&1 &
    PIDS+=($!)
    if wait_until 10 test -e "/tmp/.X11-unix/X$n" && DISPLAY=":$n" "$DRIVER" wm >/dev/null 2>&1; then
      inner=":$n"
      break
    fi
  done
  [[ -n $inner ]] || fail "Xephyr did not start"
  XEPHYR_TITLE="Xephyr on $inner"
  wait_until 20 window_exists "$XEPHYR_TITLE" ||
    { "$DRIVER" list; cat "$WORK/xephyr.log"; fail "the Xephyr window did not appear"; }
  export DISPLAY=$inner
  note "Xephyr on $DISPLAY inside $OUTER ($mode)"
  if [[ $mode == openbox ]]; then
    openbox >"$WORK/openbox.log" 2>&1 &
    PIDS+=($!)
    wait_until 20 bash -c '[[ $("$0" wm) == 1 ]]' "$DRIVER" || fail "openbox did not start"
  fi
}

# user_escape: Esc from the inner display's own keyboard (start_nested_display).
user_escape() { DISPLAY=$OUTER "$DRIVER" activate "$XEPHYR_TITLE" key 0x1B; }

# start_cat TITLE OUT: an xterm that runs `cat > OUT` in raw mode, so every byte
# its keyboard and pastes give lands in OUT unchanged. Ctrl+V pastes CLIPBOARD.
start_cat() {
  local title=$1 out=$2
  xterm -xrm 'XTerm*VT100.translations: #override Ctrl <Key>V: insert-selection(CLIPBOARD)' \
    -xrm 'XTerm*allowWindowOps: false' -u8 -geometry 80x24+0+0 -T "$title" \
    -e sh -c "stty raw -echo; : > '$out.ready'; exec cat > '$out'" >"$WORK/xterm.log" 2>&1 &
  PIDS+=($!)
  wait_until 20 test -e "$out.ready" || fail "xterm ($title) did not start"
  wait_until 20 window_exists "$title" || fail "xterm window $title did not appear"
}

window_exists() { "$DRIVER" wait-window "$1" 0 >/dev/null 2>&1; }

# wait_bytes FILE N: until FILE holds at least N bytes.
wait_bytes() {
  local file=$1 n=$2
  wait_until 30 bash -c '[[ -e "$0" && $(stat -c %s "$0") -ge $1 ]]' "$file" "$n"
}

# same_bytes EXPECTED ACTUAL WHAT
same_bytes() {
  if ! cmp -s "$1" "$2"; then
    echo "expected:" >&2
    od -c "$1" | head -20 >&2
    echo "got:" >&2
    od -c "$2" | head -20 >&2
    fail "$3: the bytes differ"
  fi
}

# A sheet file from its parts: DELAYS (lines), OTHER (Window/Description/Group),
# DATA (rows, fields separated by TAB), OPTIONS (lines, may be empty). Lines end
# CR LF as the program writes them.
write_sheet() {
  local file=$1 delays=$2 other=$3 data=$4 options=${5:-}
  {
    printf 'begindelays\n%s\nenddelays\n' "$delays"
    printf 'beginheader\n\nendheader\n'
    printf 'beginother\n%s\nendother\n' "$other"
    printf 'begindata\n%s\nenddata\n' "$data"
    if [[ -n $options ]]; then
      printf 'beginoptions\n%s\nendoptions\nbeginformat\nendformat\n' "$options"
    fi
  } | sed 's/$/\r/' >"$file"
}

# Delays with every configurable wait at 0 unless the caller says otherwise.
ZERO_DELAYS=$'DataDelay=0\nCellDelay=0\nFormDelay=0\nKeyHold=0\nSystemHold=0\nMenuCall=0\nHourGlass=100'

# options_with AUTOTAB HOURGLASS [PROGRESSBAR]: the per-sheet options.
options_with() {
  local autotab=$1 hourglass=$2 progress=${3:-false}
  printf 'AutoTab=%s\nHourGlass=%s\nAutoInsert=true\nProgressBar=%s\nTitleSize=false\n' \
    "$autotab" "$hourglass" "$progress"
  printf 'DataColour=16777215\nCommandColour=15658734\nKeystrokeColour=14745599\nDataSource=1\nImportLoad=0'
}

# ---- The Qt program, driven through the keyboard like a user ----

# start_typelane FILE: typelane opens FILE (no splash, no file associations
# written) and its main window takes the focus. Needs GUI (the program's path).
# It gets the signal dispositions a terminal would give it (a background job
# of a script ignores SIGINT and SIGQUIT).
start_typelane() {
  local file=$1
  TYPELANE_NO_ASSOCIATIONS=1 QT_QPA_PLATFORM=xcb env --default-signal=INT,TERM,HUP,QUIT \
    "$GUI" --no-splash "$file" >"$WORK/typelane.log" 2>&1 &
  TYPELANE=$!
  PIDS+=($TYPELANE)
  wait_until 60 window_exists "Veltrax Typelane $file" ||
    { cat "$WORK/typelane.log"; fail "the main window did not open $file"; }
  wait_until 30 foreground_is "Veltrax Typelane $file" ||
    fail "the main window does not have the focus ($("$DRIVER" foreground))"
}

# foreground_is TITLE: the window with the keyboard focus carries TITLE.
foreground_is() { [[ $("$DRIVER" foreground 2>/dev/null) == "$1" ]]; }

# visible_window REGEX: a mapped window whose name matches REGEX (prints its id);
# has_window REGEX: the same, silently.
visible_window() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1 | grep .; }
has_window() { visible_window "$1" >/dev/null; }

# exited PID: the process has ended.
exited() { ! kill -0 "$1" 2>/dev/null; }

# keys KEY...: key presses from the XTest keyboard into the focused window.
keys() { xdotool key --delay 30 "$@"; }

# clipboard_changed FILE TEXT: CLIPBOARD holds other text than FILE, with TEXT.
clipboard_changed() {
  local now
  now=$(xclip -o -selection clipboard 2>/dev/null) || return 1
  [[ $now != "$(cat "$1")" && $now == *"$2"* ]]
}

# unmapped ID: the window is not on the screen (hidden or gone).
unmapped() { ! xwininfo -id "$1" 2>/dev/null | grep -q IsViewable; }

# back_to MAIN: the main window titled MAIN has the focus again after a dialog
# over it closed. A window manager gives it back; without one X hands the focus
# to the root window, and the user would click our window: so does this.
back_to() {
  if [[ $MODE == nowm ]] && ! foreground_is "$1"; then "$DRIVER" activate "$1" || true; fi
  wait_until 30 foreground_is "$1" ||
    fail "the main window does not have the focus ($("$DRIVER" foreground))"
}

# send_data MAIN [PICTURE]: Tools > Send Data through the access keys (Alt+T S)
# on the main window titled MAIN, then Return on the selection dialog (OK has
# the focus; PICTURE, when given, gets a screenshot of it first); returns once
# the dialog has gone.
send_data() {
  local main=$1 picture=${2:-} dialog
  back_to "$main"
  keys alt+t
  keys s
  wait_until 30 has_window '^Typelane$' || fail "the selection dialog did not appear"
  dialog=$(visible_window '^Typelane$')
  wait_until 30 foreground_is "Typelane" || fail "the selection dialog does not have the focus"
  [[ -z $picture ]] || import -window root "$picture"
  keys Return
  wait_until 30 unmapped "$dialog" || fail "the selection dialog did not close"
}

# keep_output: OUTPUT is the folder for what a test keeps (screenshots),
# E2E_OUTPUT or one in the working folder, emptied of older pictures.
keep_output() {
  OUTPUT=${E2E_OUTPUT:-$WORK/output}
  mkdir -p "$OUTPUT"
  rm -f "$OUTPUT"/*.png
}

# read_summary OUT: once the summary message box has the focus, Ctrl+C copies
# its title and text (OUT gets them, lines without CR) and Return closes it.
read_summary() {
  local out=$1 box
  wait_until 120 foreground_is "Typelane" || fail "no summary ($("$DRIVER" foreground))"
  box=$(visible_window '^Typelane$') || fail "the summary is not on the screen"
  xclip -o -selection clipboard >"$out.before" 2>/dev/null || true
  keys ctrl+c
  wait_until 30 clipboard_changed "$out.before" "---" ||
    fail "the summary's text did not reach the clipboard"
  xclip -o -selection clipboard | tr -d '\r' >"$out"
  cat "$out"
  keys Return
  wait_until 30 unmapped "$box" || fail "the summary did not close"
}

# start_long_load ROW COUNT: typelane-cli sends COUNT copies of ROW (its cells
# tab-separated) to "Cat Target", a cell every 0.1 s, in the background (its pid
# in SEND, its output in $WORK/send.out); returns once three rows are in.
start_long_load() {
  local row=$1 count=$2 rows="" i
  for i in $(seq 1 "$count"); do rows+="$row"$'\n'; done
  write_sheet "$WORK/long.tyl" $'DataDelay=0\nCellDelay=0.1\nFormDelay=0\nKeyHold=0\nSystemHold=0\nMenuCall=0\nHourGlass=100' \
    $'Window=Cat Target\nDescription=\nCommandGroup=' "${rows%$'\n'}" "$(options_with false false)"
  "$CLI" send "$WORK/long.tyl" >"$WORK/send.out" 2>&1 &
  SEND=$!
  PIDS+=($SEND)
  wait_until 30 bash -c '[[ $(tr -cd "\r" <"$0" | wc -c) -ge 3 ]]' "$WORK/cat.out" ||
    fail "the load did not get going"
}

# wait_status PID: waits for a program started in the background and leaves
# its exit status in rc (the caller's local rc, if it has one); a failure does
# not end the script.
wait_status() {
  rc=0
  wait "$1" || rc=$?
}

# quit_typelane MAIN: File > Exit (Alt+F X); the program must end with 0.
quit_typelane() {
  local rc
  back_to "$1"
  keys alt+f
  keys x
  wait_until 60 exited "$TYPELANE" || fail "typelane did not quit"
  wait_status "$TYPELANE"
  [[ $rc == 0 ]] || fail "typelane exited $rc"
}
