#!/usr/bin/env bash
# A dry run against a conversion of the same sheet (not a test: it prints
# figures). The sheet is 200,000 rows x 20 cells ("r1c1" ...), every cell a
# paste and a Tab; the dry run's trace (about 40 million lines) goes to
# /dev/null, the conversion writes the sheet as tab-delimited text. Medians of 5.
# usage: bench/bench_dry_run.sh BUILD_DIR [ROWS [COLS]]   (needs typelane-cli)
set -euo pipefail
BUILD=${1:?usage: bench_dry_run.sh BUILD_DIR [ROWS [COLS]]}
ROWS=${2:-200000}
COLS=${3:-20}
CLI=$BUILD/bin/typelane-cli
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
export HOME=$WORK XDG_CONFIG_HOME=$WORK/config

awk -v rows="$ROWS" -v cols="$COLS" 'BEGIN {
  for (r = 1; r <= rows; ++r) {
    line = "r" r "c1"
    for (c = 2; c <= cols; ++c) line = line "\tr" r "c" c
    printf "%s\r\n", line
  }
}' >"$WORK/sheet.txt"
"$CLI" convert -q "$WORK/sheet.txt" "$WORK/sheet.tyl"

# median_ms COMMAND...: the median wall time of 5 runs, in ms.
median_ms() {
  local times=() start end
  for _ in 1 2 3 4 5; do
    start=$(date +%s%N)
    "$@" >/dev/null
    end=$(date +%s%N)
    times+=($(((end - start) / 1000000)))
  done
  printf '%s\n' "${times[@]}" | sort -n | sed -n 3p
}

convert=$(median_ms "$CLI" convert -q "$WORK/sheet.tyl" "$WORK/out.txt")
dry=$(median_ms "$CLI" send --dry-run "$WORK/sheet.tyl")
lines=$("$CLI" send --dry-run "$WORK/sheet.tyl" | wc -l)
echo "sheet: $ROWS rows x $COLS cells, $(($(stat -c %s "$WORK/sheet.tyl") / 1000000)) MB"
echo "convert to tab-delimited text: ${convert} ms"
echo "send --dry-run ($lines trace lines to /dev/null): ${dry} ms"
echo "ratio $(awk -v d="$dry" -v c="$convert" 'BEGIN {printf "%.2f", d / c}') (target <= 3)"
