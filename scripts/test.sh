#!/usr/bin/env bash
# Installs what is needed, builds everything, starts the Firebird server for the
# multi-workstation tests, runs all tests and stops the server again.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
"$root/scripts/fbserver.sh" start
trap '"$root/scripts/fbserver.sh" stop >/dev/null 2>&1 || true' EXIT
export VELKORA_SERVER_TESTS=1
cd "$build"
ctest --output-on-failure --parallel "${JOBS:-$(nproc)}" --timeout 300
