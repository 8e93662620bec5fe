# Shared by the typelane-cli test scripts: a private working folder (gone when
# the script ends, settings kept in it) and the checks that count failures.
# Source it; end the script with finish.

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config   # never touch the user's settings
failures=0

check() {  # check NAME EXPECTED ACTUAL
  if [ "$2" != "$3" ]; then
    echo "FAIL: $1"
    echo "  expected: $(printf '%q' "$2")"
    echo "  actual:   $(printf '%q' "$3")"
    failures=$((failures + 1))
  else
    echo "ok: $1"
  fi
}

finish() {  # the count of failures; the script's status is 0 only with none
  echo "$failures failed"
  [ "$failures" -eq 0 ]
}
