#!/usr/bin/env bash
# The sign-on password with a real Secret Service (gnome-keyring-daemon in a
# D-Bus session of the test's own) and without any: with one, the settings file
# holds no password; without one, the file holds it, mode 0600, and the user is
# told once.
#
#   keyring_test.sh SETTINGS_PROBE
set -euo pipefail
probe=$1
fail() {
  echo "FAIL: $*" >&2
  exit 1
}
for tool in dbus-run-session gnome-keyring-daemon secret-tool; do
  command -v "$tool" >/dev/null || fail "$tool is missing (scripts/install-deps.sh installs it)"
done

if [[ "${2:-}" == in-session ]]; then
  # Inside the test's own session bus: a keyring whose login collection is
  # unlocked with a password of the test's.
  ini=$XDG_CONFIG_HOME/typelane/settings.ini
  echo -n test-unlock | gnome-keyring-daemon --unlock --components=secrets >/dev/null

  "$probe" "$ini" save SYSADMIN WELCOME 2>"$WORK/err" || fail "save with a keyring: $(cat "$WORK/err")"
  [[ ! -s "$WORK/err" ]] || fail "told something with a keyring: $(cat "$WORK/err")"
  ! grep -q -e WELCOME -e Password "$ini" || fail "the settings file holds the password: $(cat "$ini")"
  grep -q 'UserName=s:SYSADMIN' "$ini" || fail "no user name in $(cat "$ini")"
  [[ "$(secret-tool lookup application typelane user SYSADMIN)" == WELCOME ]] ||
    fail "the keyring does not hold the password"
  [[ "$("$probe" "$ini" load)" == WELCOME ]] || fail "the password does not read back"

  # A settings file an older version wrote, password and all: it still reads,
  # and the next write moves the password to the keyring.
  old=$WORK/old/settings.ini
  mkdir -p "$WORK/old"
  printf '[Software\\Veltrax\\Typelane\\Options]\r\nUserName=s:bob\r\nPassword=s:OLDPW\r\n' >"$old"
  chmod 644 "$old"
  [[ "$("$probe" "$old" load)" == OLDPW ]] || fail "an older file's password does not read"
  "$probe" "$old" touch || fail "touch"
  ! grep -q OLDPW "$old" || fail "the older password stayed in the file: $(cat "$old")"
  [[ "$(stat -c %a "$old")" == 600 ]] || fail "the older file is still $(stat -c %a "$old")"
  [[ "$(secret-tool lookup application typelane user bob)" == OLDPW ]] ||
    fail "the older password is not in the keyring"
  [[ "$("$probe" "$old" load)" == OLDPW ]] || fail "the moved password does not read back"
  exit 0
fi

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
export WORK HOME=$WORK/home XDG_CONFIG_HOME=$WORK/home/.config XDG_DATA_HOME=$WORK/home/.local/share
export XDG_RUNTIME_DIR=$WORK/runtime
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
# No X display to start a bus from, and no bus of the caller's.
unset DISPLAY DBUS_SESSION_BUS_ADDRESS
dbus-run-session -- bash "$0" "$probe" in-session

# No session bus at all, so no secret store to reach.
rm -rf "$XDG_CONFIG_HOME"
ini=$XDG_CONFIG_HOME/typelane/settings.ini
export DBUS_SESSION_BUS_ADDRESS=unix:path=$WORK/no-bus
(umask 022 && "$probe" "$ini" save SYSADMIN WELCOME SECOND 2>"$WORK/err") ||
  fail "save without a keyring: $(cat "$WORK/err")"
grep -q 'Password=s:SECOND' "$ini" || fail "the password is not in the file: $(cat "$ini")"
[[ "$(stat -c %a "$ini")" == 600 ]] || fail "the settings file is $(stat -c %a "$ini")"
[[ "$(stat -c %a "$(dirname "$ini")")" == 700 ]] || fail "its folder is $(stat -c %a "$(dirname "$ini")")"
[[ "$(grep -c 'could be reached' "$WORK/err")" == 1 ]] ||
  fail "not told exactly once: $(cat "$WORK/err")"
grep -qF "$ini" "$WORK/err" || fail "the notice does not name the file: $(cat "$WORK/err")"
[[ "$("$probe" "$ini" load)" == SECOND ]] || fail "the password does not read back from the file"
echo "keyring test passed"
