#!/bin/sh
# Renders the 48 px icon from minute-alarm.svg. The PNG is kept in the repository, so the
# Linux build needs no SVG renderer; run this after changing the SVG. (The Windows icon is
# rendered at build time.) Needs rsvg-convert (Debian: librsvg2-bin).
set -eu
cd "$(dirname "$0")"
rsvg-convert -w 48 -h 48 minute-alarm.svg -o minute-alarm.png
