# The Wayland half of the end-to-end helpers: a headless sway of the test's
# own (no XWayland) and foot as a target. Source it after lib.sh; needs CLI.

# start_sway: sway on a headless output of 1280x1024, in a runtime folder of
# its own (RT, removed at exit). sway refuses to run as root: as root it runs
# as nobody, and root's clients still reach its socket. Exports
# XDG_RUNTIME_DIR and WAYLAND_DISPLAY, unsets DISPLAY; AS_USER is the prefix
# that runs a compositor as that user.
start_sway() {
  RT=$(mktemp -d /tmp/typelane-sway.XXXXXX)
  trap 'cleanup; rm -rf "$RT"' EXIT
  printf 'xwayland disable\noutput * resolution 1280x1024\n' >"$RT/config"
  AS_USER=()
  if [[ $(id -u) == 0 ]]; then
    chown -R nobody:nogroup "$RT"
    AS_USER=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
  fi
  chmod 700 "$RT"
  "${AS_USER[@]}" env -i PATH=/usr/bin:/bin XDG_RUNTIME_DIR="$RT" WLR_BACKENDS=headless \
    WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman sway -c "$RT/config" >"$WORK/sway.log" 2>&1 &
  PIDS+=($!)
  wait_until 20 compgen -G "$RT/wayland-[0-9]" >/dev/null ||
    { cat "$WORK/sway.log"; fail "sway did not start"; }
  export XDG_RUNTIME_DIR=$RT WAYLAND_DISPLAY
  WAYLAND_DISPLAY=$(basename "$(compgen -G "$RT/wayland-[0-9]" | head -n1)")
  unset DISPLAY
  note "sway on $WAYLAND_DISPLAY"
}

# listed TITLE: typelane-cli lists a window of that title.
listed() { "$CLI" windows 2>/dev/null | grep -qxF "$1"; }

# start_foot TITLE OUT: foot running `cat > OUT` in raw mode; Ctrl+V pastes,
# as the X11 tests' xterm does. Its pid in FOOT.
start_foot() {
  local title=$1 out=$2
  printf '[main]\nfont=monospace:size=8\n[key-bindings]\nclipboard-paste=Control+v\n' \
    >"$WORK/foot.ini"
  foot -c "$WORK/foot.ini" -T "$title" \
    sh -c "stty raw -echo; : > '$out.ready'; exec cat > '$out'" >"$out.log" 2>&1 &
  FOOT=$!
  PIDS+=($FOOT)
  wait_until 30 test -e "$out.ready" || { cat "$out.log"; fail "foot did not start"; }
  wait_until 30 listed "$title" || fail "the foot window ($title) is not listed"
}

# window_origin TITLE: where the content of the window titled TITLE begins in
# the compositor's layout ("x y"), from sway's tree: under Wayland a window
# does not know its own place on the screen.
window_origin() {
  SWAYSOCK=$(compgen -G "$RT/sway-ipc.*.sock" | head -n1) swaymsg -r -t get_tree |
    /usr/bin/python3 -c '
import json, sys
def walk(node):
    if node.get("name") == sys.argv[1] and node.get("pid"):
        r, w = node["rect"], node["window_rect"]
        print(r["x"] + w["x"], r["y"] + w["y"])
        return True
    return any(walk(n) for n in node.get("nodes", []) + node.get("floating_nodes", []))
sys.exit(0 if walk(json.load(sys.stdin)) else 1)' "$1"
}
