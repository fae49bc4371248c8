#!/usr/bin/env bash
# Remakes the pictures of the README (docs/screenshots/) from the program as it is built now:
# a demo program folder is laid out in a temporary folder, and the program driver
# (tests/driver/ProgramDriver.cpp, the program's own start steered through its widgets) walks a
# user's way on a private X server with a window manager, saving each window as the screen
# shows it. Needs Xvfb and openbox (scripts/install-deps.sh --prove).
#
#   scripts/screenshots.sh [display number, default 22]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"
display=":${1:-22}"
out="$root/docs/screenshots"

cmake --build "$build" --target velkora-driver velkora-admin Rubrivo Anagrafi Vorp
source "$root/scripts/lib/schermo.sh"

"$build/program/velkora-admin" demo "$work/program" >/dev/null
cp "$build/tests/velkora-driver" "$work/program/"
for modulo in Rubrivo Anagrafi Vorp; do cp "$build/program/lib$modulo.so" "$work/program/"; done

avvia_schermo "$display"

mkdir -p "$out"
shots="$work/shots"
mkdir -p "$shots"
(cd "$work/program" && DISPLAY="$display" QT_QPA_PLATFORM=xcb timeout 120 ./velkora-driver foto "$shots" >/dev/null)
for f in "$shots"/*.png; do
  # Fewer colours keep the pictures small; they are screens of flat colours.
  convert "$f" -colors 128 -strip "PNG8:$out/$(basename "$f")"
done
ls -l "$out"
