#!/usr/bin/env bash
# Builds the Debian package, checks it the way Debian checks its own (lintian
# with no error or warning, the desktop entry, the AppStream metadata), unpacks
# it into a scratch root and runs the installed programs from there:
# typelane-cli sends the example sheet as a dry run with the installed
# commands.dat, and both programs print the version. The desktop's MIME
# database built from the installed type file knows a sheet by its content.
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
grep -q "^ Homepage: https://" <<<"$info" || fail "no homepage"
dpkg-deb -x "$deb" "$work/root"

# Every tag at warning level or above fails; informational ones are printed.
lintian --fail-on error,warning --display-info "$deb" >"$work/lintian.log" 2>&1 ||
  { cat "$work/lintian.log"; fail "lintian"; }
cat "$work/lintian.log"

root="$work/root"
for f in usr/bin/typelane-cli usr/lib/typelane/typelane-cli usr/lib/typelane/commands.dat \
         usr/lib/typelane/droplists.dat usr/lib/typelane/help/index.htm \
         usr/share/doc/typelane/copyright usr/share/doc/typelane/changelog.gz; do
  [ -e "$root/$f" ] || fail "missing $f"
done
if [ -e "$root/usr/lib/typelane/typelane" ]; then
  id=com.veltrax.Typelane
  icons=usr/share/icons/hicolor
  for f in usr/bin/typelane usr/share/applications/$id.desktop usr/share/metainfo/$id.metainfo.xml \
           usr/share/mime/packages/typelane.xml $icons/scalable/apps/typelane.svg \
           $icons/scalable/mimetypes/application-x-typelane-sheet.svg \
           $icons/48x48/apps/typelane.png $icons/256x256/mimetypes/application-x-typelane-sheet.png; do
    [ -e "$root/$f" ] || fail "missing $f"
  done
  desktop-file-validate "$root/usr/share/applications/$id.desktop" || fail "desktop entry"
  appstreamcli validate --no-net "$root/usr/share/metainfo/$id.metainfo.xml" || fail "metainfo"
  grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" \
    "$root/usr/share/metainfo/$id.metainfo.xml" || fail "metainfo names another desktop entry"
  # The newest release the software centre lists is this one.
  release=$(grep -o -m1 '<release version="[^"]*"' "$root/usr/share/metainfo/$id.metainfo.xml")
  [ "$release" = "<release version=\"$version\"" ] || fail "metainfo release: $release"

  # A sheet saved without its extension is still a sheet, and a text editor
  # may open one.
  mkdir -p "$work/share/mime/packages"
  cp "$root/usr/share/mime/packages/typelane.xml" "$work/share/mime/packages/"
  XDG_DATA_DIRS="$work/share" update-mime-database "$work/share/mime" || fail "update-mime-database"
  grep -qx "application/x-typelane-sheet text/plain" "$work/share/mime/subclasses" ||
    fail "sheet is no text file"
  cp "$source/examples/orders.tyl" "$work/orders-sheet"
  type=$(XDG_DATA_HOME="$work/share" XDG_DATA_DIRS="$work/share:/usr/share" \
    gio info -a standard::content-type "$work/orders-sheet" | sed -n 's/.*content-type: //p')
  [ "$type" = "application/x-typelane-sheet" ] || fail "a sheet without .tyl is $type"
  [ "$("$root/usr/bin/typelane" --version)" = "typelane $version" ] || fail "typelane --version"
fi
[ "$("$root/usr/bin/typelane-cli" --version)" = "typelane-cli $version" ] || fail "typelane-cli --version"
top=$(gzip -dc "$root/usr/share/doc/typelane/changelog.gz" | head -n 1)
[ "${top%%;*}" = "typelane ($version) unstable" ] || fail "changelog names another version: $top"

# The installed program finds its own commands.dat through the link: the
# example's SAVE command plays Ctrl+S (virtual keys 11 and 53).
out=$(cd "$work" && XDG_CONFIG_HOME="$work/config" "$root/usr/bin/typelane-cli" send --dry-run \
  --group Desktop "$source/examples/orders.tyl") || fail "send --dry-run"
grep -q "^down 11$" <<<"$out" || fail "no Ctrl in the dry run"
grep -q "^down 53$" <<<"$out" || fail "SAVE did not play its keys"
echo "$out" | tail -n 3
echo "package ok: $(basename "$deb")"
