#!/usr/bin/env bash
# Starts the program from its program folder in the build tree, on the demo database (laid out
# by velkora-admin the first time). Without a display it runs under Xvfb.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"
cmake --build "$build" --target velkora_demo_folder
cd "$build/program"
if [ -z "${DISPLAY:-}" ] && [ "${QT_QPA_PLATFORM:-}" != "offscreen" ]; then
  exec xvfb-run -a -s "-screen 0 1280x800x24" ./velkora "$@"
fi
exec ./velkora "$@"
