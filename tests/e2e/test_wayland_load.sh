#!/usr/bin/env bash
# typelane-cli under a Wayland compositor (headless sway, or kwin --virtual;
# no XWayland), into native Wayland windows: a GTK 3 form and foot running
# `cat > file` (under kwin, where foot does not run, a GTK typing pad).
#  - `windows` lists both, and nothing else;
#  - one sheet row goes into the form (UTF-8, Windows-1252, "&", "\\", clicks
#    into two fields, a 70 KB cell, more than a pipe holds, the SAVE command),
#    then *CW to foot (a pasted cell and a keystroke cell with a Shift latch
#    and a character the US layout has no key for); both read back byte for
#    byte, and `keys` types into the window in front;
#  - the target closes in the middle of a load: the load ends in an error
#    naming the window and the row, and nothing reaches the form behind it;
#  - a Qt 6 form takes pasted cells and Tab as well (where the build has it);
#  - under a compositor without a window list (weston, where installed),
#    `windows` and `send` say so and name the ways around it.
# COMPOSITOR sway (the default) or kwin (KDE Plasma's, --virtual: its window
# management and fake input; clicks and the screenshot only under sway, which
# tells where windows are and lets grim copy the screen).
# A screenshot (grim) is kept in E2E_OUTPUT. Skipped (77) without the
# compositor, foot, or GTK 3 for /usr/bin/python3.
# QT_FORM (tests/e2e/wayland_qt_form.cpp, where the build has Qt): a last load into a
# Qt 6 form as well.
# usage: test_wayland_load.sh CLI [sway|kwin] [QT_FORM]
CLI=$1 COMPOSITOR=${2:-sway} QT_FORM=${3:-}
needed=(foot setpriv)
[[ $COMPOSITOR == kwin ]] && needed+=(kwin_wayland) || needed+=(sway swaymsg grim)
for tool in "${needed[@]}"; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
/usr/bin/python3 -c 'import gi; gi.require_version("Gtk", "3.0"); from gi.repository import Gtk' \
  2>/dev/null || { echo "SKIP: GTK 3 for /usr/bin/python3 (python3-gi, gir1.2-gtk-3.0) is missing"; exit 77; }
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/wayland.sh"
keep_output

if [[ $COMPOSITOR == kwin ]]; then start_kwin; else start_sway; fi

GDK_BACKEND=wayland /usr/bin/python3 "$E2E_DIR/wayland_gtk_form.py" "$WORK/form.out" "Order Entry" 5 \
  >"$WORK/form.log" 2>&1 &
PIDS+=($!)
wait_until 30 listed "Order Entry" || { cat "$WORK/form.log"; fail "the GTK form did not appear"; }

start_foot "Cat Target" "$WORK/cat1.out"

"$CLI" windows | sort >"$WORK/windows.out"
printf 'Cat Target\nOrder Entry\n' >"$WORK/windows.expected"
same_bytes "$WORK/windows.expected" "$WORK/windows.out" "the window list"

big=$(head -c 70000 /dev/zero | tr '\0' 'x')
# form_is_half: foot has taken the right half of the screen from the form.
form_is_half() {
  [[ -s $WORK/form.out.geometry ]] &&
    (($(cut -d' ' -f3 "$WORK/form.out.geometry" | head -n1) < 640))
}
# click_at FIELD (1..5): the middle of the form's field, past the end of its
# text, as "x,y" in the compositor's coordinates.
click_at() {
  local ex ey ew eh
  read -r ex ey ew eh < <(sed -n "$1p" "$WORK/form.out.geometry")
  echo "$((ox + ex + ew / 2)),$((oy + ey + eh / 2))"
}
# The big cell is more than a pipe holds (64 KB): the clipboard's writer thread.
row=$'Bob Smith & Sons\t\\\\srv\\orders\tM\xc3\xbcller\t\xe9t\xe9'
more=
if [[ $COMPOSITOR == sway ]]; then
  # Clicks: *ML at the end of the second field's text, then into the fifth.
  wait_until 30 form_is_half || fail "the form was not laid out beside foot"
  read -r ox oy < <(window_origin "Order Entry") || fail "sway does not tell where the form is"
  row+=$'\t*ML('"$(click_at 2)"$')\t&-more\t*ML('"$(click_at 5)"$')'
  more=-more
fi
row+=$'\t&'"$big"$'&y\tSAVE'
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

# The form: each cell in its field, the 1252 cell as UTF-8, "-more" where the
# click put the cursor, SAVE (Ctrl+S) wrote them.
printf 'Bob Smith & Sons|\\srv\\orders%s|M\xc3\xbcller|\xc3\xa9t\xc3\xa9|%s&y\n' "$more" "$big" \
  >"$WORK/form.expected"
wait_until 30 test -e "$WORK/form.out" || fail "the form was not saved"
same_bytes "$WORK/form.expected" "$WORK/form.out" "the GTK form's fields"
# foot: the pasted cell, OK with Shift latched, é from a key of its own; then
# `keys` into the window in front.
"$CLI" keys 'xy{ENTER}' || fail "keys failed"
# Under kwin keys go through its own keymap, which has no key for é: none goes.
[[ $COMPOSITOR == kwin ]] && eacute= || eacute=$'\xc3\xa9'
printf 'line oneOK %s\rxy\r' "$eacute" >"$WORK/cat1.expected"
wait_bytes "$WORK/cat1.out" "$(stat -c %s "$WORK/cat1.expected")" || true
same_bytes "$WORK/cat1.expected" "$WORK/cat1.out" "foot received"
if [[ $COMPOSITOR == sway ]]; then
  grim "$OUTPUT/wayland_load.png" || note "grim could not take a screenshot"
fi

# The target closes while a load runs into it: the form comes to the front.
kill "$FOOT"
wait_until 30 bash -c '! "$0" windows | grep -qxF "Cat Target"' "$CLI" || fail "foot did not close"
start_foot "Cat Target" "$WORK/cat.out"
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

# A Qt form: Qt reads the paste and the keys through its own Wayland code.
if [[ -n $QT_FORM ]]; then
  QT_QPA_PLATFORM=wayland "$QT_FORM" "$WORK/qt.out" "Qt Order" 3 >"$WORK/qt.log" 2>&1 &
  PIDS+=($!)
  wait_until 30 listed "Qt Order" || { cat "$WORK/qt.log"; fail "the Qt form did not appear"; }
  write_sheet "$WORK/qt.tyl" "$ZERO_DELAYS" $'Window=Qt Order\nDescription=\nCommandGroup=' \
    $'Qt & one\t\xe9t\xe9\t&last\tSAVE' "$(options_with true false)"
  "$CLI" send --group Desktop "$WORK/qt.tyl" >"$WORK/qt-send.out" 2>&1 ||
    { cat "$WORK/qt-send.out"; fail "send into the Qt form failed"; }
  printf 'Qt & one|\xc3\xa9t\xc3\xa9|last\n' >"$WORK/qt.expected"
  wait_until 30 test -e "$WORK/qt.out" || fail "the Qt form was not saved"
  same_bytes "$WORK/qt.expected" "$WORK/qt.out" "the Qt form's fields"
fi

# A compositor that keeps its windows to itself (weston here, GNOME's mutter
# alike): `windows` and `send` say so and name the ways around it.
if [[ $COMPOSITOR == sway ]] && command -v weston >/dev/null; then
  mkdir "$RT/weston"
  [[ $(id -u) != 0 ]] || chown nobody:nogroup "$RT/weston"
  chmod 700 "$RT/weston"
  "${AS_USER[@]}" env -i PATH=/usr/bin:/bin XDG_RUNTIME_DIR="$RT/weston" weston \
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
elif [[ $COMPOSITOR == sway ]]; then
  note "weston is not installed: the check of a compositor without a window list is left out"
fi
echo PASS
