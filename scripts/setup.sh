#!/bin/sh
# Installs what is missing on a Debian 12 machine, then configures and builds
# Kestrel in build/ (or in $KESTREL_BUILD). Quick when everything is in place.
set -e
cd "$(dirname "$0")/.."

PACKAGES="build-essential cmake qt6-base-dev qt6-serialport-dev libgl-dev clang libclang-rt-14-dev
  dpkg-dev debhelper scdoc librsvg2-bin lintian desktop-file-utils appstream man-db bash-completion"
missing=""
for p in $PACKAGES; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
  echo "Installing:$missing"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -q
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q $missing
fi

BUILD="${KESTREL_BUILD:-build}"
shift_args="$*"
if [ ! -f "$BUILD/CMakeCache.txt" ]; then
  cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo $shift_args
fi
cmake --build "$BUILD" -j"$(nproc)"
