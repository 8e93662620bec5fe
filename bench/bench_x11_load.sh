#!/usr/bin/env bash
# Load speed against a real target (not a test: it prints figures).
#  1. 100 rows x 10 cells into xterm running `cat`, every configurable delay 0:
#     wall time of `typelane-cli send` divided by the waits the load must make
#     (50 ms before every cell; key holds are 0 here). Every byte is checked.
#  2. One keystroke cell of 10,000 characters at KeyHold 0: time, and whether
#     every character arrived.
#  3. The blocking X round trips per cell, by thread, start-up left out (needs
#     the count_round_trips target built).
# The ratio moves with whatever else the machine runs: compare builds in paired
# runs, medians of 5.
# usage: bench/bench_x11_load.sh BUILD_DIR   (e.g. build-x11; needs typelane-cli, x11_driver)
BUILD=${1:?usage: bench_x11_load.sh BUILD_DIR}
CLI=$BUILD/bin/typelane-cli
DRIVER=$BUILD/bin/x11_driver
source "$(dirname "$0")/../tests/e2e/lib.sh"
source "$(dirname "$0")/load_measure.sh"

now_ms() { date +%s%3N; }

start_display nowm
start_cat "Bench Target" "$WORK/cat.out"

bench_load
echo "load: $LOAD_SIZE, all delays 0: wall ${wall} ms, mandated ${mandated} ms," \
  "ratio $ratio (target <= 1.01); $arrived"

# 10,000 characters of letters, digits and punctuation that the notation types
# as themselves.
chars='abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 .,;:!?()[]<>/=_-*#@$~|"'"'"
long=""
while ((${#long} < 10000)); do long+=$chars; done
long=${long:0:10000}
printf '%s' "$long" >"$WORK/expected2"
write_sheet "$WORK/long.tyl" "$ZERO_DELAYS" $'Window=Bench Target\nDescription=\nCommandGroup=' \
  "\\$long" "$(options_with false false)"
offset=$(stat -c %s "$WORK/cat.out")
start=$(now_ms)
"$CLI" send "$WORK/long.tyl" >"$WORK/send2.out" 2>&1 || fail "send failed: $(cat "$WORK/send2.out")"
end=$(now_ms)
wait_bytes "$WORK/cat.out" $((offset + 10000)) || true
tail -c +$((offset + 1)) "$WORK/cat.out" >"$WORK/got2"
if cmp -s "$WORK/expected2" "$WORK/got2"; then arrived="nothing lost"; else
  arrived="LOST OR CHANGED: got $(stat -c %s "$WORK/got2") bytes"
fi
echo "keystroke cell: 10000 characters at KeyHold 0: send took $((end - start)) ms" \
  "($(awk -v t=$((end - start)) 'BEGIN {printf "%.0f", 10000000 / t}') characters/s); $arrived"

# Round trips: 1 row and 21 rows of the load again, with every wait for an X
# reply counted (count_round_trips, preloaded); the difference is what the 20
# rows cost, start-up left out.
COUNTER=$(find "$BUILD" -name 'libcount_round_trips.so' -print -quit 2>/dev/null)
if [[ -n $COUNTER ]]; then
  for n in 1 21; do
    write_sheet "$WORK/short$n.tyl" "$ZERO_DELAYS" $'Window=Bench Target\nDescription=\nCommandGroup=' \
      "$(printf '%s\n' "$data" | head -n $n)" "$(options_with true false)"
    rm -f "$WORK/trips$n"
    LD_PRELOAD=$COUNTER TYPELANE_ROUND_TRIPS=$WORK/trips$n "$CLI" send "$WORK/short$n.tyl" \
      >"$WORK/send3.out" 2>&1 || fail "send failed: $(cat "$WORK/send3.out")"
  done
  cat "$WORK/trips1" | sed 's/^/-/' | cat - "$WORK/trips21" |
    awk -v cells=$((20 * cols)) '{sign = 1; name = $1; if (name ~ /^-/) {sign = -1; name = substr(name, 2)}
      n[name] += sign * $2; ms += sign * $3}
      END {printf "round trips per cell (20 rows x %d cells): load thread %.2f, clipboard thread" \
        " %.2f; %.3f ms per cell waiting for replies\n", cells / 20, n["main"] / cells,
        n["other"] / cells, ms / cells}'
else
  echo "round trips: not counted (build the count_round_trips target)"
fi
