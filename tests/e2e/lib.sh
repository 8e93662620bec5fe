# Shared by the end-to-end scripts: a private X server (with or without a window
# manager), the target programs, and the checks. Source it; it sets -euo pipefail.
# Every process started here is ended by its pid when the script exits.

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
  rm -rf "$WORK"
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

options_with() {
  local autotab=$1 hourglass=$2
  printf 'AutoTab=%s\nHourGlass=%s\nAutoInsert=true\nProgressBar=false\nTitleSize=false\n' \
    "$autotab" "$hourglass"
  printf 'DataColour=16777215\nCommandColour=15658734\nKeystrokeColour=14745599\nDataSource=1\nImportLoad=0'
}
