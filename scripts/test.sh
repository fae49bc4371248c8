#!/usr/bin/env bash
# Installs what is needed, builds everything (the program, then the tests and benchmarks),
# starts the private Firebird server for the multi-workstation tests (scripts/fbserver.sh), runs
# all tests and stops the server again when this run started it.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"
start=$SECONDS
"$root/scripts/install-deps.sh" --prove
CMAKE_ARGS="${CMAKE_ARGS:-} -DVELKORA_PROVE=ON" "$root/scripts/build.sh"
echo "test: dependencies and the program ready in $((SECONDS - start)) s"
# The build script makes what the program needs; the tests and the benchmarks come here.
cmake --build "$build" --target velkora_prove --parallel "${JOBS:-$(nproc)}"
# In continuous integration (run as root) the Debian package is built, installed and started too.
if [ "${CI:-}" = "true" ] || [ -n "${VELKORA_PACKAGE_CHECK:-}" ]; then
  "$root/scripts/package-check.sh"
fi
if "$root/scripts/fbserver.sh" status >/dev/null; then
  echo "test: using the test server already running"
else
  "$root/scripts/fbserver.sh" start
  trap '"$root/scripts/fbserver.sh" stop >/dev/null 2>&1 || true' EXIT
fi
export VELKORA_SERVER_TESTS=1
VELKORA_TEST_SERVER="$("$root/scripts/fbserver.sh" address)"
export VELKORA_TEST_SERVER
cd "$build"
ctest --output-on-failure --parallel "${JOBS:-$(nproc)}" --timeout 300
