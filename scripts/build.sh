#!/usr/bin/env bash
# Configures and builds the whole tree into build/ (or the folder given as $BUILD_DIR).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" ${CMAKE_ARGS:-}
cmake --build "$build" --parallel "${JOBS:-$(nproc)}"
