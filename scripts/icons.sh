#!/usr/bin/env bash
# Remakes the PNG icons of desktop/icons/hicolor from its SVG drawings (needs rsvg-convert,
# Debian's librsvg2-bin). The PNGs are kept in the tree, so a build needs no SVG renderer.
set -euo pipefail
cd "$(dirname "$0")/../desktop/icons/hicolor"
for svg in scalable/*/*.svg; do
  context=$(basename "$(dirname "$svg")")
  name=$(basename "$svg" .svg)
  for size in 16 22 24 32 48 64 128 256; do
    mkdir -p "${size}x${size}/$context"
    rsvg-convert -w "$size" -h "$size" "$svg" -o "${size}x${size}/$context/$name.png"
  done
done
