#!/bin/sh
# Renders every PNG of ../ from the SVG sources in this folder.
# Needs rsvg-convert (Debian: librsvg2-bin); optipng (Debian: optipng) is used when present.
set -e
cd "$(dirname "$0")"
out=..

r() { rsvg-convert -w "$2" -h "$3" "$1" -o "$out/$4"; }

r press-front.svg 1024 600 press-front.png
r logo.svg 240 60 logo.png
r logo.svg 160 40 logo-small.png
r quality-label.svg 110 110 quality-label.png
for icon in save print csv-save settings-save edit; do
    r "$icon.svg" 32 32 "$icon.png"
    r "$icon.svg" 64 64 "$icon@2x.png"
done
r app-icon.svg 64 64 app-icon.png
r app-icon.svg 256 256 app-icon-256.png
# The desktop menu's icon, in the sizes of the hicolor theme.
for size in 16 24 32 48 64 128 256; do
    mkdir -p "$out/../icons/hicolor/${size}x${size}/apps"
    r app-icon.svg "$size" "$size" "../icons/hicolor/${size}x${size}/apps/vantoria.png"
done

if command -v optipng >/dev/null 2>&1; then
    optipng -quiet -o5 -strip all "$out"/*.png "$out"/../icons/hicolor/*/apps/*.png
fi
