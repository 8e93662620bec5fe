#!/usr/bin/env bash
# Load speed under a Wayland compositor (headless sway), the same measure as
# bench_x11_load.sh (not a test: it prints figures): 100 rows x 10 cells into
# foot running `cat`, every configurable delay 0; wall time of `typelane-cli
# send` divided by the waits the load must make (50 ms before every cell).
# Every byte is checked.
# usage: bench/bench_wayland_load.sh BUILD_DIR   (needs typelane-cli, sway, foot)
BUILD=${1:?usage: bench_wayland_load.sh BUILD_DIR}
CLI=$BUILD/bin/typelane-cli
source "$(dirname "$0")/../tests/e2e/lib.sh"
source "$(dirname "$0")/../tests/e2e/wayland.sh"

now_ms() { date +%s%3N; }

start_sway
start_foot "Bench Target" "$WORK/cat.out"

rows=100
cols=10
data=""
: >"$WORK/expected"
for r in $(seq 1 $rows); do
  line=""
  for c in $(seq 1 5); do
    line+="r${r}c${c}"$'\t'
    printf 'r%dc%d\t' "$r" "$c" >>"$WORK/expected"  # pasted, then Auto Tab
  done
  for c in $(seq 6 9); do
    line+="\\k${r}.${c}{TAB}"$'\t'
    printf 'k%d.%d\t' "$r" "$c" >>"$WORK/expected"  # typed
  done
  line+='\{ENTER}'
  printf '\r' >>"$WORK/expected"
  data+="$line"$'\n'
done
write_sheet "$WORK/bench.tyl" "$ZERO_DELAYS" $'Window=Bench Target\nDescription=\nCommandGroup=' \
  "${data%$'\n'}" "$(options_with true false)"

start=$(now_ms)
"$CLI" send "$WORK/bench.tyl" >"$WORK/send.out" 2>&1 || fail "send failed: $(cat "$WORK/send.out")"
end=$(now_ms)
wait_bytes "$WORK/cat.out" "$(stat -c %s "$WORK/expected")" || true
if cmp -s "$WORK/expected" "$WORK/cat.out"; then arrived="every byte arrived"; else arrived="BYTES DIFFER"; fi
wall=$((end - start))
mandated=$((rows * cols * 50))
echo "load under sway: $rows rows x $cols cells, all delays 0: wall ${wall} ms, mandated" \
  "${mandated} ms, ratio $(awk -v w=$wall -v m=$mandated 'BEGIN {printf "%.4f", w / m}')" \
  "(target <= 1.02); $arrived"
