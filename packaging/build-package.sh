#!/usr/bin/env bash
# SPDX-License-Identifier: Zlib
# Builds the Debian package in its own build folder: the debian install layout,
# prefix /usr, only what a player gets (the game, its engine, Data), then CPack.
# Usage: packaging/build-package.sh BUILD_DIR [JOBS]     prints the .deb's path last
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
build=$1
jobs=${2:-2}
cd "$src"
# Debian's hardening flags on top of the project's own (fortified libc calls,
# stack protector, read-only relocations bound at start).
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cflags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
ldflags=$(dpkg-buildflags --get LDFLAGS)
cmake -S "$src" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSTEALTHBOX_DEVELOPER=OFF \
  -DSTEALTHBOX_INSTALL_LAYOUT=debian -DCMAKE_INSTALL_PREFIX=/usr \
  -DCMAKE_CXX_FLAGS="$cflags" -DCMAKE_C_FLAGS="$cflags" \
  -DCMAKE_EXE_LINKER_FLAGS="$ldflags" -DCMAKE_SHARED_LINKER_FLAGS="$ldflags" >/dev/null
cmake --build "$build" -j "$jobs" --target stealthbox ZenGL data
(cd "$build" && cpack -G DEB >/dev/null)
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
deb=$(cd "$build" && pwd)/stealthbox_${version}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || { echo "build-package: no $deb" >&2; exit 1; }
echo "$deb"
