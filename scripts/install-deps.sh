#!/usr/bin/env bash
# Installs the Debian packages the program needs to be built and started: compiler, Qt, the
# Firebird client and embedded engine, and the X server that starts it where there is no display.
# With --prove it installs also what the tests, the benchmarks and the package check need. Safe
# to run again: packages already present are left as they are.
#
#   scripts/install-deps.sh [--prove]
set -euo pipefail

packages=(
  cmake g++ ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libqt6test6 qt6-translations-l10n
  firebird-dev libfbclient2 firebird3.0-server-core
  xvfb xauth fonts-dejavu-core fonts-wine fonts-liberation2
)
if [ "${1:-}" = "--prove" ]; then
  packages+=(
    firebird3.0-server firebird3.0-utils
    libgtest-dev libgmock-dev libbenchmark-dev clang libclang-rt-14-dev
    xdotool x11-apps imagemagick openbox procps dpkg-dev x11-utils poppler-utils iproute2
  )
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: everything is installed"
  exit 0
fi

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
