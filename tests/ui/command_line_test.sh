#!/usr/bin/env bash
# typelane's own command line, run as a user runs it: --help and --version
# answer without a display (no window can open), a wrong option stops the
# program before any window, with status 2 and a pointer to --help.
# Usage: command_line_test.sh TYPELANE
set -uo pipefail
gui=$1
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# No display of any kind and no Qt platform chosen: anything that started Qt's
# window system would abort here.
no_display() {
  env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM XDG_DATA_HOME="$work/data" \
    XDG_CONFIG_HOME="$work/config" TYPELANE_NO_ASSOCIATIONS=1 "$gui" "$@"
}

for help in --help -h "-platform xcb --help" "--no-splash --help"; do
  # shellcheck disable=SC2086
  out=$(no_display $help 2>"$work/err")
  status=$?
  [[ $status -eq 0 ]] || fail "typelane $help: status $status ($(cat "$work/err"))"
  [[ ! -s $work/err ]] || fail "typelane $help wrote to stderr: $(cat "$work/err")"
  [[ $out == "Usage: typelane [OPTION]... [--] [FILE]"* ]] || fail "typelane $help: $out"
  for word in --no-splash --version -platform TYPELANE_NO_SPLASH TYPELANE_NO_ASSOCIATIONS; do
    grep -qF -- "$word" <<<"$out" || fail "typelane $help does not mention $word"
  done
done

out=$(no_display --version 2>&1)
[[ $? -eq 0 && $out =~ ^typelane\ [0-9]+\.[0-9]+\.[0-9]+$ ]] || fail "--version: $out"

# A wrong option, with a platform that needs no display: told, and no window.
for bad in --bogus -nosuch; do
  out=$(no_display -platform offscreen --no-splash "$bad" "$work/sheet.tyl" 2>&1)
  status=$?
  [[ $status -eq 2 ]] || fail "typelane $bad: status $status ($out)"
  name=${bad#-}
  name=${name#-}
  [[ $out == *"typelane: Unknown option '$name'"*"Try 'typelane --help'."* ]] ||
    fail "typelane $bad: $out"
done
# Nothing of the user's was made on the way out.
[[ ! -e $work/data && ! -e $work/config ]] || fail "a wrong option left files: $(find "$work")"

[[ $failures -eq 0 ]] && echo "command line: all cases pass"
exit "$failures"
