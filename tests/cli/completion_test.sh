#!/usr/bin/env bash
# The bash completion of typelane-cli, called as bash calls it: the words typed
# so far in COMP_WORDS, the completions read back from COMPREPLY.
# Usage: completion_test.sh COMPLETION_SCRIPT TYPELANE_CLI
set -euo pipefail
export LC_ALL=C
script=$1
cli=$2
failures=0

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# shellcheck source=/dev/null
source "$script"
registration=$(complete -p typelane-cli)
[[ $registration == *"-F _typelane_cli"* ]] || { echo "FAIL: not registered: $registration"; exit 1; }

# complete LINE EXPECTED: LINE is split at blanks; a trailing blank starts a new
# empty word. EXPECTED is the sorted completions, one per line.
check() {
  local line=$1 expected=$2
  read -r -a COMP_WORDS <<<"$line"
  [[ $line == *" " ]] && COMP_WORDS+=("")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMPREPLY=()
  _typelane_cli typelane-cli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
  local got
  got=$(printf '%s\n' "${COMPREPLY[@]}" | sort | sed '/^$/d')
  if [[ $got != "$expected" ]]; then
    echo "FAIL: '$line'"
    echo "  expected: $(echo "$expected" | tr '\n' ' ')"
    echo "  got:      $(echo "$got" | tr '\n' ' ')"
    failures=$((failures + 1))
  fi
}

check "typelane-cli " "$(printf '%s\n' convert help keys playback send windows)"
check "typelane-cli co" "convert"
check "typelane-cli --v" "--version"
check "typelane-cli send --dry-run --r" "$(printf '%s\n' --readable --rows)"
check "typelane-cli help pl" "playback"
check "typelane-cli playback rec.fpb data.txt -" "$(printf '%s\n' --help --quiet -o)"
check "typelane-cli send --group " ""
check "typelane-cli keys " ""

# File names where a command takes a file, also after an option's value.
mkdir "$work/files" && cd "$work/files"
touch orders.tyl other.txt skip.fpb
check "typelane-cli convert orders.tyl o" "$(printf '%s\n' orders.tyl other.txt)"
check "typelane-cli send --rows 2-5 ord" "orders.tyl"

# --window offers the titles "typelane-cli windows" lists, blanks and all.
mkdir "$work/bin"
printf '#!/bin/sh\n[ "$1" = windows ] && printf "Orders - Forms\\nOrders 2\\nNotes\\n"\n' \
  >"$work/bin/typelane-cli"
chmod +x "$work/bin/typelane-cli"
PATH="$work/bin:$PATH" check "typelane-cli send --window Or" "$(printf '%s\n' 'Orders - Forms' 'Orders 2')"

# Every option the program's usage gives for send is offered after "send --".
usage_options=$("$cli" --help | sed -n '/typelane-cli send/,/typelane-cli keys/p' |
  grep -o -- '--[a-z][a-z-]*' | sort -u)
check_line=$(
  COMP_WORDS=(typelane-cli send --)
  COMP_CWORD=2
  _typelane_cli
  printf '%s\n' "${COMPREPLY[@]}"
)
missing=$(comm -23 <(echo "$usage_options") <(echo "$check_line" | sort -u))
if [[ -n $missing ]]; then
  echo "FAIL: send options the completion does not offer: $missing"
  failures=$((failures + 1))
fi

[[ $failures -eq 0 ]] && echo "completion: all cases pass"
exit "$failures"
