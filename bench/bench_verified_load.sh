#!/usr/bin/env bash
# What verifying every paste costs (not a test: it prints figures). 100 rows x
# 10 cells (nine pasted values with Auto Tab, then Ctrl+S, which saves the GTK
# form and puts the focus back on its first field) into a GTK 3 form on the
# accessibility bus, every configurable delay 0, once without and once with
# --verify; prints both wall times and their ratio. Every row is checked in
# the form's saves.
# usage: bench/bench_verified_load.sh BUILD_DIR   (needs typelane-cli, x11_driver)
if [[ -z ${E2E_OWN_DBUS:-} ]]; then
  E2E_OWN_DBUS=1 GSETTINGS_BACKEND=memory exec dbus-run-session -- bash "$0" "$@"
fi
BUILD=${1:?usage: bench_verified_load.sh BUILD_DIR}
CLI=$BUILD/bin/typelane-cli
DRIVER=$BUILD/bin/x11_driver
source "$(dirname "$0")/../tests/e2e/lib.sh"
unset NO_AT_BRIDGE

now_ms() { date +%s%3N; }

start_display nowm
/usr/libexec/at-spi-bus-launcher --launch-immediately >"$WORK/bus.log" 2>&1 &
PIDS+=($!)
wait_until 20 gdbus call --session --dest org.a11y.Bus --object-path /org/a11y/bus \
  --method org.freedesktop.DBus.Properties.Set org.a11y.Status IsEnabled '<true>' >/dev/null ||
  fail "the accessibility bus did not start"
/usr/bin/python3 "$E2E_DIR/gtk_form.py" "Bench Form" --fields 9 >"$WORK/form.out" 2>&1 &
PIDS+=($!)
wait_until 30 grep -q ready "$WORK/form.out" || fail "the form did not start"

rows=100
data=""
: >"$WORK/expected"
for r in $(seq 1 $rows); do
  line=""
  saved=""
  for c in $(seq 1 9); do
    line+="r${r}c${c}"$'\t'
    saved+="r${r}c${c}|"
  done
  line+='\^s'
  echo "${saved%|}" >>"$WORK/expected"
  data+="$line"$'\n'
done
write_sheet "$WORK/bench.tyl" "$ZERO_DELAYS" $'Window=Bench Form\nDescription=\nCommandGroup=' \
  "${data%$'\n'}" "$(options_with true false)"

# run NAME [OPTION]: one load; prints its milliseconds, checks the form's saves.
run() {
  local name=$1 start end before
  shift
  # The form keeps writing where it was: the run's saves are the lines after.
  before=$(grep -c '|' "$WORK/form.out" || true)
  start=$(now_ms)
  "$CLI" send --quiet "$@" "$WORK/bench.tyl" >"$WORK/$name.out" 2>&1 ||
    { cat "$WORK/$name.out" >&2; fail "$name: send failed"; }
  end=$(now_ms)
  wait_until 30 bash -c '[[ $(grep -c "|" "$0") -ge $1 ]]' "$WORK/form.out" "$((before + rows))" ||
    fail "$name: the form saved $(($(grep -c '|' "$WORK/form.out") - before)) rows"
  grep '|' "$WORK/form.out" | tail -n +$((before + 1)) | cmp -s - "$WORK/expected" ||
    fail "$name: the saved rows differ"
  echo $((end - start))
}

plain=$(run plain)
verified=$(run verified --verify)
echo "100 x 10 into a GTK form: without --verify ${plain} ms, with --verify ${verified} ms"
awk -v a="$plain" -v b="$verified" 'BEGIN { printf "ratio %.3f (with / without)\n", b / a }'
