#!/usr/bin/env bash
# An install into a prefix of its own, used by a user who can write there (as
# root can write /usr): what the programs learn goes to the user's data folder,
# never into the installed program folder, and the installed GUI leaves the
# desktop entry, MIME types and icon to the system. The same GUI run from the
# build folder still registers itself for the user, with a TryExec that hides
# the entry once that build is gone.
# usage: test_prefix.sh BUILD_DIR SOURCE_DIR
BUILD=$1 SOURCE=$2
source "$SOURCE/tests/e2e/lib.sh"

prefix="$WORK/prefix"
cmake --install "$BUILD" --prefix "$prefix" >"$WORK/install.log" 2>&1 ||
  { cat "$WORK/install.log"; fail "cmake --install"; }
program_dir=$(dirname "$(readlink -f "$prefix/bin/typelane-cli")")
[[ -w $program_dir ]] || fail "the test needs a program folder it can write"
cp -p "$program_dir/droplists.dat" "$WORK/droplists.shipped"
cp -p "$program_dir/commands.dat" "$WORK/commands.shipped"

# A conversion that learns drop-list entries.
unset XDG_DATA_HOME
learnt="$HOME/.local/share/typelane/droplists.dat"
(cd "$WORK" && "$prefix/bin/typelane-cli" convert "$SOURCE/tests/data/playback/three_records.fpb" \
  "$WORK/three.tyl") >"$WORK/convert.log" 2>&1 || { cat "$WORK/convert.log"; fail "convert"; }
[[ -s $learnt ]] || fail "nothing learnt in the user's data folder"
note "learnt $(wc -l <"$learnt") drop-list entries"
cmp -s "$program_dir/droplists.dat" "$WORK/droplists.shipped" ||
  fail "the conversion rewrote the installed droplists.dat"
cmp -s "$program_dir/commands.dat" "$WORK/commands.shipped" || fail "commands.dat changed"
extra=$(cd "$program_dir" && ls -A | grep -vxE 'typelane|typelane-cli|commands.dat|droplists.dat|help' || true)
[[ -z $extra ]] || fail "new files in the program folder: $extra"

[[ -x $prefix/bin/typelane ]] || { note "no GUI built: the rest is skipped"; exit 0; }
start_display nowm
apps="$HOME/.local/share/applications"

# run_gui PROGRAM: starts PROGRAM with the user's associations on, waits for its
# main window and closes it.
run_gui() {
  TYPELANE_NO_SPLASH=1 QT_QPA_PLATFORM=xcb "$1" >"$WORK/gui.log" 2>&1 &
  local pid=$!
  PIDS+=($pid)
  wait_until 60 has_window "^Veltrax Typelane" || { cat "$WORK/gui.log"; fail "$1 showed no window"; }
  # The associations are written before the main window is made.
  kill "$pid"
  wait "$pid" 2>/dev/null || true
}

run_gui "$prefix/bin/typelane"
for f in "$apps" "$HOME/.local/share/mime" "$HOME/.local/share/icons"; do
  [[ ! -e $f ]] || fail "the installed GUI wrote $f: $(find "$f" -type f)"
done

run_gui "$BUILD/bin/typelane"
entry="$apps/typelane.desktop"
[[ -s $entry ]] || fail "the build folder's GUI wrote no desktop entry"
grep -qxF "TryExec=$BUILD/bin/typelane" "$entry" || fail "no TryExec: $(cat "$entry")"
echo "installed program keeps to the user's folders; build folder registers itself"
