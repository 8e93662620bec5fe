#!/usr/bin/env bash
# Builds the Debian package, unpacks it into a scratch root and runs the
# installed programs from there: typelane-cli sends the example sheet as a dry
# run with the installed commands.dat, and both programs print the version.
# usage: test_deb.sh BUILD_DIR SOURCE_DIR VERSION
set -euo pipefail
build=$1 source=$2 version=$3
work=$(mktemp -d "${TMPDIR:-/tmp}/typelane-deb.XXXXXX")
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1) ||
  { cat "$work/cpack.log"; fail "cpack"; }
deb=$(ls "$work"/out/typelane_*.deb)
info=$(dpkg-deb --info "$deb")
grep -q "Package: typelane" <<<"$info" || fail "package name"
dpkg-deb -x "$deb" "$work/root"

root="$work/root"
for f in usr/bin/typelane-cli usr/lib/typelane/typelane-cli usr/lib/typelane/commands.dat \
         usr/lib/typelane/droplists.dat usr/lib/typelane/help/index.htm; do
  [ -e "$root/$f" ] || fail "missing $f"
done
if [ -e "$root/usr/lib/typelane/typelane" ]; then
  for f in usr/bin/typelane usr/share/applications/typelane.desktop \
           usr/share/mime/packages/typelane.xml usr/share/icons/hicolor/scalable/apps/typelane.svg; do
    [ -e "$root/$f" ] || fail "missing $f"
  done
  [ "$("$root/usr/bin/typelane" --version)" = "typelane $version" ] || fail "typelane --version"
fi
[ "$("$root/usr/bin/typelane-cli" --version)" = "typelane-cli $version" ] || fail "typelane-cli --version"

# The installed program finds its own commands.dat through the link: the
# example's SAVE command plays Ctrl+S (virtual keys 11 and 53).
out=$(cd "$work" && XDG_CONFIG_HOME="$work/config" "$root/usr/bin/typelane-cli" send --dry-run \
  --group Desktop "$source/examples/orders.tyl") || fail "send --dry-run"
grep -q "^down 11$" <<<"$out" || fail "no Ctrl in the dry run"
grep -q "^down 53$" <<<"$out" || fail "SAVE did not play its keys"
echo "$out" | tail -n 3
echo "package ok: $(basename "$deb")"
