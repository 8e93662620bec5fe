# The Wayland half of the end-to-end helpers: a headless sway or kwin of the
# test's own (no XWayland) and foot as a target. Source it after lib.sh; needs
# CLI.

# make_runtime: a runtime folder for the compositor (RT, removed at exit).
# Compositors refuse to run as root, or cannot tell root's programs apart: as
# root they run as nobody (AS_USER is the prefix that does that), and root's
# clients still reach their sockets.
make_runtime() {
  RT=$(mktemp -d /tmp/typelane-wayland.XXXXXX)
  trap 'cleanup; rm -rf "$RT"' EXIT
  AS_USER=()
  if [[ $(id -u) == 0 ]]; then
    chown -R nobody:nogroup "$RT"
    AS_USER=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
  fi
  chmod 700 "$RT"
}

# use_compositor NAME: exports XDG_RUNTIME_DIR and WAYLAND_DISPLAY for the
# socket NAME in RT, and unsets DISPLAY.
use_compositor() {
  export XDG_RUNTIME_DIR=$RT WAYLAND_DISPLAY=$1
  unset DISPLAY
  note "compositor on $WAYLAND_DISPLAY"
}

# start_sway: sway on a headless output of 1280x1024, without XWayland.
start_sway() {
  make_runtime
  printf 'xwayland disable\noutput * resolution 1280x1024\n' >"$RT/config"
  chmod 644 "$RT/config"
  "${AS_USER[@]}" env -i PATH=/usr/bin:/bin XDG_RUNTIME_DIR="$RT" WLR_BACKENDS=headless \
    WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman sway -c "$RT/config" >"$WORK/sway.log" 2>&1 &
  PIDS+=($!)
  wait_until 20 compgen -G "$RT/wayland-[0-9]" >/dev/null ||
    { cat "$WORK/sway.log"; fail "sway did not start"; }
  use_compositor "$(basename "$(compgen -G "$RT/wayland-[0-9]" | head -n1)")"
}

# start_kwin: kwin_wayland --virtual (1280x1024, no XWayland). kwin offers
# window management and fake input only to a program whose desktop file lists
# them in X-KDE-Wayland-Interfaces, found by the path in its Exec line: CLI
# is copied into RT with such a file beside it, and becomes a command that
# runs the copy as the user kwin runs as (kwin must read /proc/PID/exe). A
# container refuses kwin_wayland's file capability: a copy without it runs,
# as long as its name ends in kwin_wayland. Returns 77 where kwin cannot start.
start_kwin() {
  make_runtime
  mkdir -p "$RT/bin" "$RT/share/applications" "$RT/home"
  cp /usr/bin/kwin_wayland "$RT/bin/kwin_wayland"
  cp "$CLI" "$RT/bin/typelane-cli"
  cp "$(dirname "$CLI")/commands.dat" "$RT/bin/"
  sed "s|^Exec=.*|Exec=$RT/bin/typelane-cli|; s|^TryExec=.*||" \
    "$E2E_DIR/../../data/com.veltrax.Typelane.desktop" >"$RT/share/applications/typelane-test.desktop"
  [[ $(id -u) != 0 ]] || chown -R nobody:nogroup "$RT"
  chmod 755 "$WORK"
  "${AS_USER[@]}" env -i PATH=/usr/bin:/bin HOME="$RT/home" XDG_RUNTIME_DIR="$RT" \
    XDG_DATA_DIRS="$RT/share:/usr/share" XDG_CACHE_HOME="$RT/home/cache" QT_QPA_PLATFORM=offscreen \
    "$RT/bin/kwin_wayland" --virtual --no-lockscreen --no-global-shortcuts --socket wayland-kwin \
    --width 1280 --height 1024 >"$WORK/kwin.log" 2>&1 &
  PIDS+=($!)
  if ! wait_until 30 test -e "$RT/wayland-kwin"; then
    cat "$WORK/kwin.log"
    echo "SKIP: kwin_wayland --virtual does not start here"
    exit 77
  fi
  cat >"$RT/bin/cli" <<SCRIPT
#!/bin/sh
exec ${AS_USER[*]} env HOME="$RT/home" XDG_CONFIG_HOME="$RT/home/.config" XDG_RUNTIME_DIR="$RT" \
  WAYLAND_DISPLAY=wayland-kwin LC_ALL=C.UTF-8 "$RT/bin/typelane-cli" "\$@"
SCRIPT
  chmod 755 "$RT/bin/cli"
  CLI=$RT/bin/cli
  use_compositor wayland-kwin
}

# listed TITLE: typelane-cli lists a window of that title.
listed() { "$CLI" windows 2>/dev/null | grep -qxF "$1"; }

# start_foot TITLE OUT: foot running `cat > OUT` in raw mode; Ctrl+V pastes,
# as the X11 tests' xterm does. Its pid in FOOT. Under kwin --virtual foot
# dies (SIGFPE, from the virtual output it is given): there the GTK typing pad
# of wayland_gtk_form.py stands in for it.
start_foot() {
  local title=$1 out=$2
  if [[ ${COMPOSITOR:-sway} == kwin ]]; then
    : >"$out"
    GDK_BACKEND=wayland /usr/bin/python3 "$E2E_DIR/wayland_gtk_form.py" "$out" "$title" 0 \
      >"$out.log" 2>&1 &
    FOOT=$!
    PIDS+=($FOOT)
    wait_until 30 listed "$title" || { cat "$out.log"; fail "the typing pad ($title) is not listed"; }
    return
  fi
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
