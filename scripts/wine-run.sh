#!/usr/bin/env bash
# Runs a Windows program of the MinGW build under Wine: ctest's emulator for the
# Windows tests. Uses $WINEPREFIX when set (scripts/test.sh sets one per run),
# else a prefix of our own under /tmp, and creates the prefix once, under a
# lock, so tests started side by side do not each try to.
#   wine-run.sh --stop   ends every program of the prefix and waits for it.
# Wine's desktop takes the display (or none) of the first program started after
# the server came up, so a test that needs windows on its own Xvfb stops the
# prefix before and after it.
set -euo pipefail

export WINEPREFIX=${WINEPREFIX:-${TMPDIR:-/tmp}/typelane-wine-$(id -u)}
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko installer prompts while the prefix is made.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}

if [[ ${1:-} == --stop ]]; then
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  exit 0
fi

if [[ ! -e $WINEPREFIX/system.reg ]]; then
  mkdir -p "$WINEPREFIX"
  (
    flock 9
    [[ -e $WINEPREFIX/system.reg ]] || wine wineboot --init >/dev/null 2>&1 || true
  ) 9>"$WINEPREFIX.lock"
fi
exec wine "$@"
