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
    sh -c "stty raw -echo; : > '$out.ready'; exec cat > '$out'" >"$WORK/foot.log" 2>&1 &
  FOOT=$!
  PIDS+=($FOOT)
  wait_until 30 test -e "$out.ready" || { cat "$WORK/foot.log"; fail "foot did not start"; }
  wait_until 30 listed "$title" || fail "the foot window ($title) is not listed"
}
