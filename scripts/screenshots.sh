#!/usr/bin/env bash
# Remakes the pictures of the README (docs/screenshots/) from the program as it is built now:
# a demo program folder is laid out in a temporary folder, and the program driver
# (tests/driver/ProgramDriver.cpp, the program's own start steered through its widgets) walks a
# user's way on a private X server with a window manager, saving each window as the screen
# shows it. Needs Xvfb and openbox (scripts/install-deps.sh).
#
#   scripts/screenshots.sh [display number, default 22]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"
display=":${1:-22}"
out="$root/docs/screenshots"

cmake --build "$build" --target velkora-driver velkora-admin Rubrivo Anagrafi Vorp
work="$(mktemp -d)"
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

"$build/program/velkora-admin" demo "$work/program" >/dev/null
cp "$build/tests/velkora-driver" "$work/program/"
for modulo in Rubrivo Anagrafi Vorp; do cp "$build/program/lib$modulo.so" "$work/program/"; done

Xvfb "$display" -screen 0 1024x700x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 50); do
  DISPLAY="$display" xdotool getdisplaygeometry >/dev/null 2>&1 && break
  sleep 0.1
done
DISPLAY="$display" openbox >/dev/null 2>&1 &
pids+=($!)
sleep 1

mkdir -p "$out"
shots="$work/shots"
mkdir -p "$shots"
(cd "$work/program" && DISPLAY="$display" QT_QPA_PLATFORM=xcb timeout 120 ./velkora-driver foto "$shots" >/dev/null)
for f in "$shots"/*.png; do
  # Fewer colours keep the pictures small; they are screens of flat colours.
  convert "$f" -colors 128 -strip "PNG8:$out/$(basename "$f")"
done
ls -l "$out"
