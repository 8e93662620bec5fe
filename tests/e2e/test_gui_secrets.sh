#!/usr/bin/env bash
# Options > Make Default with a sign-on password, in the window:
# - no session bus, so no secret store: the password stays in settings.ini, the
#   file is the user's alone (0600), and a "Typelane Warning" says so the first
#   time only;
# - a real gnome-keyring-daemon on a session bus of the test's own: no warning,
#   settings.ini holds no password, and the keyring does.
# The password comes from a settings file an older version wrote, in the clear.
# usage: test_gui_secrets.sh nowm|openbox CLI DRIVER PROBE GUI
MODE=$1 DRIVER=$3 GUI=$5
source "$(dirname "$0")/lib.sh"
for tool in dbus-daemon dbus-send gnome-keyring-daemon secret-tool; do
  command -v "$tool" >/dev/null || fail "$tool is missing (scripts/install-deps.sh installs it)"
done

start_display "$MODE"
ini=$XDG_CONFIG_HOME/typelane/settings.ini
sheet=$WORK/a.tyl
write_sheet "$sheet" "$ZERO_DELAYS" $'Window=x\nDescription=\nCommandGroup=' $'a'

older_settings() {
  mkdir -p "$(dirname "$ini")"
  printf '[Software\\Veltrax\\Typelane\\Options]\r\nUserName=s:SYSADMIN\r\nPassword=s:WELCOME\r\n' \
    >"$ini"
  chmod 644 "$ini"
}

# Tools > Options, then Make Default: the eleventh stop of the dialog's Tab
# chain from where it opens (after OK and Cancel).
make_default() {
  back_to "Veltrax Typelane $sheet"
  keys alt+t o
  wait_until 30 has_window '^Options & Preferences$' || fail "the options dialog did not open"
  [[ $MODE == openbox ]] || "$DRIVER" activate "Options & Preferences" >/dev/null || true
  wait_until 30 foreground_is "Options & Preferences" || fail "the options dialog has no focus"
  for _ in 1 2 3 4 5 6 7 8 9 10 11; do keys Tab; done
  keys space
  wait_until 30 grep -q HourGlass= "$ini" || fail "Make Default wrote nothing: $(cat "$ini")"
}

warned() { has_window '^Typelane Warning$'; }

note "no session bus: no secret store"
older_settings
export DBUS_SESSION_BUS_ADDRESS=unix:path=$WORK/no-bus
start_typelane "$sheet"
make_default
wait_until 30 warned || fail "no warning that the password is in the settings file"
keys Return
wait_until 30 bash -c '! xdotool search --onlyvisible --name "^Typelane Warning$" >/dev/null'
grep -q 'Password=s:WELCOME' "$ini" || fail "the password is not in the settings file: $(cat "$ini")"
[[ $(stat -c %a "$ini") == 600 ]] || fail "the settings file is $(stat -c %a "$ini")"
# Once: a second Make Default in the same run (the button keeps the focus)
# says nothing.
sed -i '/HourGlass=/d' "$ini"
[[ $MODE == openbox ]] || "$DRIVER" activate "Options & Preferences" >/dev/null || true
wait_until 30 foreground_is "Options & Preferences" || fail "the options dialog has no focus"
keys space
wait_until 30 grep -q HourGlass= "$ini" || fail "the second Make Default wrote nothing"
sleep 1  # time for a second warning to show, if one were coming
! warned || fail "told a second time"
kill "$TYPELANE"
wait_until 30 exited "$TYPELANE" || fail "typelane did not end"

note "gnome-keyring-daemon on a session bus of the test's own"
older_settings
dbus-daemon --session --nofork --nopidfile --print-address=3 3>"$WORK/bus" >/dev/null 2>&1 &
PIDS+=($!)
wait_until 20 test -s "$WORK/bus" || fail "no session bus"
DBUS_SESSION_BUS_ADDRESS=$(head -n1 "$WORK/bus")
export DBUS_SESSION_BUS_ADDRESS
printf test-unlock | gnome-keyring-daemon --foreground --unlock --components=secrets \
  >"$WORK/keyring.log" 2>&1 &
PIDS+=($!)
keyring_up() {
  dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
    org.freedesktop.DBus.NameHasOwner string:org.freedesktop.secrets 2>/dev/null | grep -q true
}
wait_until 20 keyring_up || fail "the keyring did not start: $(cat "$WORK/keyring.log")"
start_typelane "$sheet"
make_default
wait_until 30 bash -c '! grep -q Password "$0"' "$ini" ||
  fail "the settings file still holds the password: $(cat "$ini")"
[[ $(secret-tool lookup application typelane user SYSADMIN) == WELCOME ]] ||
  fail "the keyring does not hold the password"
! warned || fail "warned with a keyring to keep the password"
[[ $(stat -c %a "$ini") == 600 ]] || fail "the settings file is $(stat -c %a "$ini")"
echo PASS
