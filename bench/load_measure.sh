# The 100 x 10 load both load benchmarks measure, sourced after tests/e2e/lib.sh.
# bench_load: writes $WORK/bench.tyl (5 pasted cells with Auto Tab, 4 typed
# cells, Enter, per row; every configurable delay 0) and the bytes the target
# must get ($WORK/expected), sends it to "Bench Target" (which writes what it
# gets to $WORK/cat.out) and sets wall and mandated (ms; 50 ms before every
# cell), ratio, and arrived (whether every byte came); rows, cols and data (the
# sheet's rows) stay for further measures.
bench_load() {
  local line r c start end
  rows=100 cols=10 data=""
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

  start=$(date +%s%3N)
  "$CLI" send "$WORK/bench.tyl" >"$WORK/send.out" 2>&1 || fail "send failed: $(cat "$WORK/send.out")"
  end=$(date +%s%3N)
  wait_bytes "$WORK/cat.out" "$(stat -c %s "$WORK/expected")" || true
  if cmp -s "$WORK/expected" "$WORK/cat.out"; then arrived="every byte arrived"; else arrived="BYTES DIFFER"; fi
  wall=$((end - start))
  mandated=$((rows * cols * 50))
  ratio=$(awk -v w=$wall -v m=$mandated 'BEGIN {printf "%.4f", w / m}')
  LOAD_SIZE="$rows rows x $cols cells"
}
