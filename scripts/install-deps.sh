#!/usr/bin/env bash
# Installs what Typelane needs to build and test on Debian 12. Safe to run again.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config clang-format
  libgtest-dev libgmock-dev scdoc
  qt6-base-dev qt6-base-dev-tools libgl1-mesa-dev libxkbcommon-dev imagemagick
  libx11-dev libxtst-dev libxfixes-dev libxi-dev libxcursor-dev
  xvfb xauth xdotool x11-utils x11-xserver-utils x11-xkb-utils
  zenity xterm openbox xserver-xephyr python3 python3-tk xdg-utils xclip
  desktop-file-utils libglib2.0-bin
  g++-mingw-w64-x86-64 wine wine64
  # The Wayland backend (plasma-wayland-protocols for KDE Plasma), and what its
  # test runs: headless sway and kwin, a GTK3 form, foot, grim for screenshots,
  # weston (a compositor without a window list); wl-clipboard and qt6-wayland
  # to try things by hand.
  libwayland-dev wayland-protocols plasma-wayland-protocols sway kwin-wayland foot grim weston
  wl-clipboard qt6-wayland python3-gi gir1.2-gtk-3.0
  # The sign-on password in the desktop's secret store; the tests run a real
  # gnome-keyring-daemon in a session bus of their own and read it back.
  libsecret-1-dev gnome-keyring libsecret-tools dbus-daemon
  # Verified loads read pasted values back through the accessibility bus; the
  # tests load GTK 3 forms (python3-gi) in a D-Bus session of their own.
  at-spi2-core libatspi2.0-dev dbus python3-gi gir1.2-gtk-3.0
  # The package test checks the .deb as Debian does (lintian) and its AppStream
  # metadata; update-mime-database and gio read back the installed file types.
  lintian appstream shared-mime-info
  # A dark desktop palette for the GUI tests (GTK's dark theme through Qt's
  # gtk3 theme), and the accessibility bus the screen-reader test reads.
  qt6-gtk-platformtheme at-spi2-core python3-pyatspi
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
"${sudo_cmd[@]}" apt-get update -q
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
