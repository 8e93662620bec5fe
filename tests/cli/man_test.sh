#!/usr/bin/env bash
# The built manual pages: compressed reproducibly, readable by man, and naming
# every command and option the programs' own usage names.
# Usage: man_test.sh MAN_FOLDER TYPELANE_CLI SOURCE_DIR
set -euo pipefail
export LC_ALL=C
folder=$1
cli=$2
source_dir=$3
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

for page in typelane typelane-cli; do
  gz=$folder/$page.1.gz
  [[ -s $gz ]] || { fail "$gz is missing"; continue; }
  # gzip -n: no file name (flag bit 3) and no time (bytes 4-7) in the header.
  header=$(od -An -tx1 -N8 "$gz" | tr -d ' \n')
  [[ ${header:6:2} == 00 && ${header:8:8} == 00000000 ]] || fail "$page: gzip header $header"
  # man renders it without complaint and it has its NAME line.
  rendered=$(MANWIDTH=200 man --warnings -l "$gz" 2>"$folder/$page.warnings" | col -b)
  [[ ! -s $folder/$page.warnings ]] || fail "$page: man warns: $(cat "$folder/$page.warnings")"
  grep -q "^ *$page - " <<<"$rendered" || fail "$page: no NAME line"
  declare "text_${page//-/_}=$rendered"
done

# Every subcommand and option of "typelane-cli --help" is in typelane-cli(1).
usage=$("$cli" --help)
for word in send keys windows convert playback $(grep -o -- '--\?[a-z][a-z-]*' <<<"$usage" |
  grep '^-' | sort -u); do
  grep -q -- "$word" <<<"$text_typelane_cli" || fail "typelane-cli(1) does not mention $word"
done
# Every switch the programs read from the environment is in one of the pages:
# the CLI's in typelane-cli(1), the window's in typelane(1).
switches=$(grep -rhoE '"TYPELANE_[A-Z_]+"' "$source_dir/app" "$source_dir/src" | tr -d '"' | sort -u)
[[ -n $switches ]] || fail "no environment switches found in the sources"
for variable in $switches; do
  if grep -rq "\"$variable\"" "$source_dir/app/cli"; then
    grep -q "$variable" <<<"$text_typelane_cli" || fail "typelane-cli(1) lacks $variable"
  else
    grep -q "$variable" <<<"$text_typelane" || fail "typelane(1) lacks $variable"
  fi
done
# The exit statuses the tool uses, as the page lists them.
for status in 0 1 2 3 4; do
  grep -qE "^ +$status$" <<<"$text_typelane_cli" || fail "typelane-cli(1) lacks exit status $status"
done

[[ $failures -eq 0 ]] && echo "manual pages: all checks pass"
exit "$failures"
