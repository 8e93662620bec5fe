#!/usr/bin/env bash
# The Windows backend's tests that need windows (Win32Windows.*), run under Wine
# on a private Xvfb.
# usage: test_wine_windows.sh WIN32_TESTS.exe WINE_RUN
TESTS=$1 WINE_RUN=$2
source "$(dirname "$0")/../e2e/lib.sh"

export WINEDEBUG=-all
# The prefix's desktop must come up on our display: stop whatever runs in it
# (a test's desktop without a display) before, and stop ours after.
"$WINE_RUN" --stop
trap '"$WINE_RUN" --stop; cleanup' EXIT
start_display nowm
"$WINE_RUN" "$TESTS" --gtest_filter='Win32Windows.*'
