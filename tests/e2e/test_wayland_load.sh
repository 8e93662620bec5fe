#!/usr/bin/env bash
# typelane-cli under a Wayland compositor (headless sway, no XWayland), into
# native Wayland windows: a GTK 3 form and foot running `cat > file`.
#  - `windows` lists both, and nothing else;
#  - one sheet row goes into the form (UTF-8, Windows-1252, "&", "\\", a 4 KB
#    cell, the SAVE command), then *CW to foot (a pasted cell and a keystroke
#    cell with a Shift latch and a character the US layout has no key for);
#    both read back byte for byte, and `keys` types into the window in front;
#  - the target closes in the middle of a load: the load ends in an error
#    naming the window and the row, and nothing reaches the form behind it.
# A screenshot (grim) is kept in E2E_OUTPUT. Skipped (77) without sway, foot,
# grim or GTK 3 for /usr/bin/python3.
# usage: test_wayland_load.sh CLI
CLI=$1
for tool in sway foot grim setpriv; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
/usr/bin/python3 -c 'import gi; gi.require_version("Gtk", "3.0"); from gi.repository import Gtk' \
  2>/dev/null || { echo "SKIP: GTK 3 for /usr/bin/python3 (python3-gi, gir1.2-gtk-3.0) is missing"; exit 77; }
source "$(dirname "$0")/lib.sh"
keep_output

# sway refuses to run as root: as root it runs as nobody, in a runtime folder
# of nobody's that root's clients can still reach.
RT=$(mktemp -d /tmp/typelane-sway.XXXXXX)
trap 'cleanup; rm -rf "$RT"' EXIT
printf 'xwayland disable\noutput * resolution 1280x1024\n' >"$RT/config"
as_user=()
if [[ $(id -u) == 0 ]]; then
  chown -R nobody:nogroup "$RT"
  as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
fi
chmod 700 "$RT"
"${as_user[@]}" env -i PATH=/usr/bin:/bin XDG_RUNTIME_DIR="$RT" WLR_BACKENDS=headless \
  WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman sway -c "$RT/config" >"$WORK/sway.log" 2>&1 &
PIDS+=($!)
wait_until 20 compgen -G "$RT/wayland-[0-9]" >/dev/null || { cat "$WORK/sway.log"; fail "sway did not start"; }
export XDG_RUNTIME_DIR=$RT WAYLAND_DISPLAY
WAYLAND_DISPLAY=$(basename "$(compgen -G "$RT/wayland-[0-9]" | head -n1)")
unset DISPLAY
note "sway on $WAYLAND_DISPLAY"

listed() { "$CLI" windows 2>/dev/null | grep -qxF "$1"; }

GDK_BACKEND=wayland /usr/bin/python3 "$E2E_DIR/gtk_form.py" "$WORK/form.out" "Order Entry" 5 \
  >"$WORK/form.log" 2>&1 &
PIDS+=($!)
wait_until 30 listed "Order Entry" || { cat "$WORK/form.log"; fail "the GTK form did not appear"; }

# foot pastes the clipboard on Ctrl+V, as the X11 tests' xterm does.
printf '[main]\nfont=monospace:size=8\n[key-bindings]\nclipboard-paste=Control+v\n' >"$WORK/foot.ini"
start_foot() {
  local out=$1
  foot -c "$WORK/foot.ini" -T "Cat Target" \
    sh -c "stty raw -echo; : > '$out.ready'; exec cat > '$out'" >"$WORK/foot.log" 2>&1 &
  FOOT=$!
  PIDS+=($FOOT)
  wait_until 30 test -e "$out.ready" || { cat "$WORK/foot.log"; fail "foot did not start"; }
  wait_until 30 listed "Cat Target" || fail "the foot window is not listed"
}
start_foot "$WORK/cat1.out"

"$CLI" windows >"$WORK/windows.out"
printf 'Cat Target\nOrder Entry\n' >"$WORK/windows.expected"
sort "$WORK/windows.out" | same_bytes "$WORK/windows.expected" /dev/stdin "the window list"

big=$(head -c 4096 /dev/zero | tr '\0' 'x')
row=$'Bob Smith & Sons\t\\\\srv\\orders\tM\xc3\xbcller\t\xe9t\xe9\t&'"$big"$'&y\tSAVE'
row+=$'\t*CW(Cat Target)\t&line one\t\\+ok+ \xe9{ENTER}'
write_sheet "$WORK/load.tyl" "$ZERO_DELAYS" $'Window=Order Entry\nDescription=\nCommandGroup=' \
  "$row" "$(options_with true false)"
set +e
"$CLI" send --group Desktop "$WORK/load.tyl" >"$WORK/send.out" 2>"$WORK/send.err"
rc=$?
set -e
cat "$WORK/send.out" "$WORK/send.err"
[[ $rc == 0 ]] || fail "send exited $rc"
grep -q $'Rows:\t1' "$WORK/send.out" || fail "the summary does not count 1 row"
grep -q "Esc cannot stop this load: under Wayland" "$WORK/send.err" ||
  fail "the load did not say that Esc cannot stop it"

# The form: each cell in its field, the 1252 cell as UTF-8, SAVE (Ctrl+S) wrote them.
printf 'Bob Smith & Sons|\\srv\\orders|M\xc3\xbcller|\xc3\xa9t\xc3\xa9|%s&y\n' "$big" \
  >"$WORK/form.expected"
wait_until 30 test -e "$WORK/form.out" || fail "the form was not saved"
same_bytes "$WORK/form.expected" "$WORK/form.out" "the GTK form's fields"
# foot: the pasted cell, OK with Shift latched, é from a key of its own.
"$CLI" keys 'xy{ENTER}' || fail "keys failed"
printf 'line oneOK \xc3\xa9\rxy\r' >"$WORK/cat1.expected"
wait_bytes "$WORK/cat1.out" "$(stat -c %s "$WORK/cat1.expected")" || true
same_bytes "$WORK/cat1.expected" "$WORK/cat1.out" "foot received"
grim "$OUTPUT/wayland_load.png" || note "grim could not take a screenshot"

# The target closes while a load runs into it: the form comes to the front.
kill "$FOOT"
wait_until 30 bash -c '! "$0" windows | grep -qxF "Cat Target"' "$CLI" || fail "foot did not close"
start_foot "$WORK/cat.out"
start_long_load $'\\x\t\\{ENTER}' 60
kill "$FOOT"
wait_status "$SEND"
cat "$WORK/send.out"
[[ $rc == 1 ]] || fail "send exited $rc, not 1 (error)"
! grep -q "completed successfully" "$WORK/send.out" || fail "the load claims it completed"
grep -Eq 'The window "Cat Target" no longer exists: the load stopped (before row|in row) [0-9]+( after cell 1)?\.' \
  "$WORK/send.out" || fail "no error naming the window and the row"
# The form, in front now, has what it had: Ctrl+S writes the same fields again.
rm "$WORK/form.out"
wait_until 30 bash -c '[[ $("$0" windows | head -n1) == "Order Entry" ]]' "$CLI" ||
  fail "the form did not come to the front"
"$CLI" keys '^s' || fail "keys failed"
wait_until 30 test -e "$WORK/form.out" || fail "the form was not saved again"
same_bytes "$WORK/form.expected" "$WORK/form.out" "the form after the target closed"

# A compositor that keeps its windows to itself (weston here, GNOME's mutter
# alike): `windows` and `send` say so and name the ways around it.
if command -v weston >/dev/null; then
  mkdir "$RT/weston"
  [[ $(id -u) != 0 ]] || chown nobody:nogroup "$RT/weston"
  chmod 700 "$RT/weston"
  "${as_user[@]}" env -i PATH=/usr/bin:/bin XDG_RUNTIME_DIR="$RT/weston" weston \
    --backend=headless-backend.so --socket=wayland-weston --idle-time=0 >"$WORK/weston.log" 2>&1 &
  PIDS+=($!)
  wait_until 20 test -e "$RT/weston/wayland-weston" || { cat "$WORK/weston.log"; fail "weston did not start"; }
  for command in windows "send $WORK/load.tyl"; do
    set +e
    # shellcheck disable=SC2086
    XDG_RUNTIME_DIR=$RT/weston WAYLAND_DISPLAY=wayland-weston "$CLI" $command >"$WORK/no.out" 2>&1
    rc=$?
    set -e
    cat "$WORK/no.out"
    [[ $rc == 1 ]] || fail "$command under weston exited $rc, not 1"
    grep -q "This desktop does not let programs find or activate windows" "$WORK/no.out" &&
      grep -q "log in to an X11 session" "$WORK/no.out" ||
      fail "$command under weston did not say why and what to do"
  done
else
  note "weston is not installed: the check of a compositor without a window list is left out"
fi
echo PASS
