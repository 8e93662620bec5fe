#!/usr/bin/env bash
# The core's layering, checked on the source: every folder of src/core includes
# only itself and the folders below it, and nothing in src/core includes Qt, a
# window system or the program's own user-interface and platform code.
#
#   scripts/check-includes.sh [SOURCE_ROOT]
#
# Prints every offending line and exits 1 when there is one.
set -u
root="${1:-$(cd "$(dirname "$0")/.." && pwd)}"
core="$root/src/core"

# Bottom-up: a folder may include those before it in this list.
order=(common sheet settings load files forms edit document)

rank() {
  local i
  for i in "${!order[@]}"; do
    if [[ "${order[$i]}" == "$1" ]]; then
      echo "$i"
      return
    fi
  done
  echo -1
}

status=0
if [[ ! -d "$core" ]]; then
  echo "no $core" >&2
  exit 2
fi

for dir in "$core"/*/; do
  folder=$(basename "$dir")
  own=$(rank "$folder")
  if [[ "$own" -lt 0 ]]; then
    echo "src/core/$folder: a folder the layer order does not know; add it to scripts/check-includes.sh"
    status=1
    continue
  fi
  while IFS= read -r hit; do
    file=${hit%%:*}
    rest=${hit#*:}
    line=${rest%%:*}
    text=${rest#*:}
    target=$(sed -n 's|^[[:space:]]*#[[:space:]]*include[[:space:]]*"core/\([^/"]*\)/.*|\1|p' <<<"$text")
    [[ -z "$target" ]] && continue
    theirs=$(rank "$target")
    if [[ "$theirs" -lt 0 || "$theirs" -gt "$own" ]]; then
      echo "${file#"$root"/}:$line: $folder includes $target, which is above it:$text"
      status=1
    fi
  done < <(grep -rn --include='*.h' --include='*.cpp' -E '^[[:space:]]*#[[:space:]]*include[[:space:]]*"core/' "$dir")
done

# Qt, window systems, and the layers that sit on top of the core. The
# exceptions are the file-system modules of core/common, whose system halves
# (FileSystem*, PrivateFiles*: Posix.cpp, Win32.cpp) are where files meet the OS.
forbidden='^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"]((Qt|Q[A-Z])[A-Za-z]*|qt[a-z]*/|X11/|xcb/|wayland|windows\.h|winuser\.h|windef\.h|shellapi\.h|platform/|ui/|app/)'
while IFS= read -r hit; do
  echo "${hit#"$root"/}: the core includes no Qt, window-system or ui/platform header"
  status=1
done < <(grep -rnE --include='*.h' --include='*.cpp' --exclude='FileSystemPosix.cpp' \
  --exclude='FileSystemWin32.cpp' --exclude='PrivateFilesPosix.cpp' \
  --exclude='PrivateFilesWin32.cpp' "$forbidden" "$core")

exit $status
