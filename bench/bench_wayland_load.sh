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
source "$(dirname "$0")/load_measure.sh"
source "$(dirname "$0")/../tests/e2e/wayland.sh"

start_sway
start_foot "Bench Target" "$WORK/cat.out"

bench_load
echo "load under sway: $LOAD_SIZE, all delays 0: wall ${wall} ms, mandated" \
  "${mandated} ms, ratio $ratio (target <= 1.02); $arrived"
