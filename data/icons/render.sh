#!/usr/bin/env bash
# Renders the PNG icons kept beside the SVGs, at the sizes desktops look for.
# Run it after changing an SVG (needs rsvg-convert, from librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")"
for size in 16 22 24 32 48 64 128 256; do
  mkdir -p "$size"
  rsvg-convert -w "$size" -h "$size" ../typelane.svg -o "$size/typelane.png"
  rsvg-convert -w "$size" -h "$size" application-x-typelane-sheet.svg \
    -o "$size/application-x-typelane-sheet.png"
done
