#!/usr/bin/env bash
# Renders the installed application icon (resources/install/icons/scalable/*.svg) at the sizes
# the desktop's icon theme looks for. The PNGs are committed, so a build never needs this;
# run it after changing the SVG. Needs ImageMagick's convert.
set -euo pipefail
icons=$(cd "$(dirname "$0")/../resources/install/icons" && pwd)
name=org.example.NorvoRavaRodozod
for size in 48 128 256; do
    mkdir -p "$icons/${size}x${size}"
    # Drawn at four times the size and reduced, for smooth edges at 48 pixels too.
    convert -background none -density $((72 * size * 4 / 256)) "$icons/scalable/$name.svg" \
        -resize "${size}x${size}" -strip "PNG32:$icons/${size}x${size}/$name.png"
done
