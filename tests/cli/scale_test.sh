#!/usr/bin/env bash
# Big inputs through typelane-cli: dry runs of any length stream their trace in
# flat memory, opens and conversions stay linear, a conversion needs at most
# twice the file's size. Memory is bounded with ulimit -v (not under the
# sanitizers, which reserve terabytes of address space); time is never
# measured: work that grows quadratically hits the test's TIMEOUT instead.
set -u
cli=$1
part=$2        # trace, commands, recording or convert
sanitized=${3:-OFF}
source "$(dirname "$0")/check.sh"

limited() {  # limited KB COMMAND...: runs COMMAND with at most KB of address space
  if [ "$sanitized" = ON ]; then
    "${@:2}"
  else
    (ulimit -v "$1" && exec "${@:2}")
  fi
}

if [ "$part" = trace ]; then
# 13. A repeat of two thousand million Tabs streams: 60 MB of trace (8 million
# lines, which kept in memory would need 270 MB) come out under a 200 MB
# bound, in the trace's own format.
bytes=60000000
[ "$sanitized" = ON ] && bytes=20000000
limited 200000 "$cli" keys --dry-run '{TAB 2147483647}' | head -c "$bytes" > "$work/trace"
check "a huge repeat streams its trace in flat memory" "$bytes" "$(wc -c < "$work/trace" | tr -d ' ')"
check "as key, wait and key lines" "down 09|wait 50|up 09" "$(head -3 "$work/trace" | paste -sd'|')"

# A sheet of 350,000 rows: 7 million trace lines, and the summary after them.
{
  printf 'begindelays\r\nenddelays\r\nbeginheader\r\nA\tB\r\nendheader\r\nbeginother\r\n'
  printf 'Window=Orders\r\nDescription=\r\nCommandGroup=\r\nendother\r\nbegindata\r\n'
  awk 'BEGIN { for (i = 1; i <= 350000; i++) printf "x%d\ty\r\n", i }'
  printf 'enddata\r\n'
} > "$work/rows.tyl"
limited 250000 "$cli" send --dry-run "$work/rows.tyl" > "$work/send.out"
check "a long load runs in flat memory" 0 $?
check "and ends with the summary" "Rows:	350000" "$(grep '^Rows:' "$work/send.out")"
check "after every paste" 350000 "$(grep -c '^clip x' "$work/send.out")"

fi

if [ "$part" = commands ]; then
# 14. A sheet carrying 600,000 commands (a delay line and a command line each)
# opens and plays its last command with that command's own delay.
{
  printf 'begindelays\r\nCellDelay=0.2\r\n'
  awk 'BEGIN { for (i = 1; i < 600000; i++) printf "CMD%d=0\r\n", i }'
  printf 'CMD600000=1.5\r\nenddelays\r\nbeginheader\r\nStep\r\nendheader\r\nbeginother\r\n'
  printf 'Window=Orders\r\nDescription=\r\nCommandGroup=Main\r\nendother\r\nbegindata\r\n'
  printf 'cmd600000\r\nenddata\r\nbeginoptions\r\nAutoTab=false\r\nendoptions\r\n'
  printf 'beginformat\r\nendformat\r\nbegincommands\r\nCommand\tDescription\tMain\tNotes\r\n'
  awk 'BEGIN { for (i = 1; i <= 600000; i++) printf "CMD%d\tstep %d\t\\{F%d}\t\r\n", i, i, i % 9 + 1 }'
  printf 'endcommands\r\n'
} > "$work/commands.tyl"
out=$("$cli" send --dry-run "$work/commands.tyl"); rc=$?
check "a sheet of 600,000 commands opens and loads" 0 "$rc"
check "its last command plays its keys, then its own delay" "down 76|wait 50|up 76|wait 1700" \
  "$(echo "$out" | grep -A3 '^down 76' | paste -sd'|')"

fi

if [ "$part" = recording ]; then
# A recording of one record with 250,000 fields converts to one row of 250,000
# cells.
{
  printf '# Forms 6.0 Event File\r\n# one wide record\r\n'
  printf 'VALUE FNDSCSGN SIGNON USERNAME 1 "OPS"\r\nWINDOW POXPOEPO PO_WINDOW ACTIVATE\r\n'
  awk 'BEGIN { for (i = 1; i <= 250000; i++) printf "VALUE POXPOEPO PO_LINES FIELD_%d 1 \"value %d\"\r\nKEY Next_item\r\n", i, i }'
  printf 'KEY Commit_form\r\nMENU FNDSCSGN EXIT_ORACLE_APPLICATIONS\r\n'
} > "$work/wide.fpb"
mkdir -p "$work/prog" && cp "$cli" "$work/prog/" && cp "$(dirname "$cli")/commands.dat" "$work/prog/"
"$work/prog/$(basename "$cli")" convert "$work/wide.fpb" "$work/wide.txt" 2>/dev/null
check "a recording of 250,000 fields converts" 0 $?
check "to one row" 1 "$(wc -l < "$work/wide.txt" | tr -d ' ')"
check "of 250,000 cells" "250000|value 1|value 250000" \
  "$(tr -d '\r' < "$work/wide.txt" | awk -F'\t' '{ print NF "|" $1 "|" $NF }')"

fi

if [ "$part" = convert ]; then
# 15. Converting 100 MB of tab-delimited text needs at most twice its size,
# and gives the same bytes back.
awk 'BEGIN { for (i = 1; i <= 1000; i++) { l = "PO" i; for (c = 2; c <= 20; c++) l = l "\tcell " (i * c) % 977; printf "%s\r\n", l } }' \
  > "$work/block.txt"
for _ in $(seq 1000); do cat "$work/block.txt"; done > "$work/big.txt"
size_kb=$(( $(stat -c %s "$work/big.txt") / 1024 ))
limited $((2 * size_kb)) "$cli" convert "$work/big.txt" "$work/big-out.txt"
check "a conversion needs at most twice the file's size" 0 $?
check "and keeps every byte" same "$(cmp -s "$work/big.txt" "$work/big-out.txt" && echo same)"

fi

finish
