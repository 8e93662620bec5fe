#!/usr/bin/env bash
# typelane-cli.exe under Wine with file and folder names in Greek: a sheet is
# opened and saved as tab-delimited text and back, the program itself run from
# a Greek folder, and a missing Greek-named sheet reported by its name. Every
# file must give the same bytes as the same conversion with plain names.
# usage: test_wine_names.sh CLI.exe WINE_RUN SOURCE_DIR
set -uo pipefail
CLI=$1 WINE_RUN=$2 SRC=$3
export WINEDEBUG=-all
# Wine turns the command line into UTF-16 by the locale: a UTF-8 one.
export LC_ALL=C.UTF-8
unset DISPLAY

WORK=$(mktemp -d "${TMPDIR:-/tmp}/typelane-names.XXXXXX")
trap 'rm -rf "$WORK"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

folder="$WORK/Παραγγελίες"
mkdir -p "$folder/Πρόγραμμα"
cp "$CLI" "$folder/Πρόγραμμα/typelane-cli.exe"
cli() { "$WINE_RUN" "$folder/Πρόγραμμα/typelane-cli.exe" "$@"; }
cp "$SRC/examples/orders.tyl" "$WORK/plain.tyl"
cp "$SRC/examples/orders.tyl" "$folder/Ωμέγα.tyl"

# The same conversion with plain names, for comparison.
cli convert "$WORK/plain.tyl" "$WORK/plain.txt" || fail "convert with plain names"
cli convert "$WORK/plain.txt" "$WORK/again.tyl" || fail "convert back with plain names"

cli convert "$folder/Ωμέγα.tyl" "$folder/Άλφα βήτα.txt" || fail "convert a Greek-named sheet"
[[ -s "$folder/Άλφα βήτα.txt" ]] || fail "no text file under the Greek name"
cmp -s "$WORK/plain.txt" "$folder/Άλφα βήτα.txt" || fail "the Greek-named text differs"
cli convert "$folder/Άλφα βήτα.txt" "$folder/Ωμέγα.tyl" || fail "save over the Greek-named sheet"
cmp -s "$WORK/again.tyl" "$folder/Ωμέγα.tyl" || fail "the Greek-named sheet differs"
leftovers=$(find "$folder" -maxdepth 1 -type f | grep -v -e 'Ωμέγα.tyl$' -e 'Άλφα βήτα.txt$')
[[ -z $leftovers ]] || fail "files left beside the saves: $leftovers"

err=$(cli convert "$folder/Λείπει.tyl" "$WORK/x.txt" 2>&1 >/dev/null)
rc=$?
[[ $rc == 1 ]] || fail "a missing Greek-named sheet exits $rc, not 1"
[[ $err == *"Λείπει.tyl"* ]] || fail "the missing sheet is not named: $err"

if ((failures)); then
  echo "$failures failure(s)"
  exit 1
fi
echo "all passed"
