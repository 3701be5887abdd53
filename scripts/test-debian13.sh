#!/usr/bin/env bash
# SPDX-License-Identifier: Zlib
# The project as a contributor on Debian 13 meets it: this tree copied into a fresh Debian 13
# system (made once with mmdebstrap, seen afresh through an overlay at each run), where
# `make build` installs what it needs with scripts/setup.sh and builds, every Linux test runs
# (the play tests in their own Xvfb), and `make windows` and `make web` build.
#   scripts/test-debian13.sh WORK [sdl2|compat] [JOBS]
# With compat the system's SDL2 is sdl2-compat over SDL3 (libsdl2-compat-dev) before the
# set-up: it must stay in place, and the Linux tests must pass on it; the Windows and web
# builds, which build SDL2 from its sources, are left to the other run. The Debian package
# on Debian 13 is the package test's (make test). WORK keeps the system and the packages
# apt downloaded, so that later runs download nothing.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
work=$(realpath -m "${1:?usage: test-debian13.sh WORK [sdl2|compat] [JOBS]}") sdl=${2:-sdl2} jobs=${3:-2}
case $sdl in sdl2 | compat) ;; *) echo "test-debian13: SDL is sdl2 or compat, not '$sdl'" >&2; exit 2 ;; esac
step() { echo "test-debian13: [$SECONDS s] $*"; }
fail() { echo "test-debian13: FAIL: $*" >&2; exit 1; }
[ "$(id -u)" -eq 0 ] || fail "making and entering a Debian system needs root"
# Its mounts live in a mount namespace of its own and vanish with it.
if [ -z "${STEALTHBOX_DEBIAN13_NS:-}" ]; then
  STEALTHBOX_DEBIAN13_NS=1 exec unshare --mount -- bash "$0" "$@"
fi

cache=$work/system root=$work/root run=$work/run-$sdl
bash "$here/packaging/fresh-system.sh" trixie "$cache"
rm -rf --one-file-system "$run"
mkdir -p "$run/changes" "$run/scratch" "$root"
mount -t overlay overlay -o "lowerdir=$cache/base,upperdir=$run/changes,workdir=$run/scratch" "$root"
cp /etc/resolv.conf "$root/etc/resolv.conf"
# The tree as it stands, uncommitted changes included; no build folder.
mkdir -p "$root/src/stealthbox"
git -C "$here" ls-files -z --cached --others --exclude-standard |
  (cd "$here" && xargs -0 sh -c 'for f; do [ -e "$f" ] && printf "%s\0" "$f"; done' sh) |
  tar -C "$here" --null -T - -cf - | tar -C "$root/src/stealthbox" -xf -
in_system() { "$here/packaging/in-system.sh" "$root" "$cache/archives" "$@"; }
in_tree() { in_system sh -ec 'cd /src/stealthbox && exec "$@"' sh "$@"; }

step "Debian $(cat "$root/etc/debian_version"); what a contributor installs first: make"
in_system apt-get update -qq
in_system apt-get install -y -qq --no-install-recommends make >/dev/null
if [ "$sdl" = compat ]; then
  step "SDL2 as sdl2-compat over SDL3"
  in_system apt-get install -y -qq --no-install-recommends libsdl2-compat-dev >/dev/null
fi

step "make build (scripts/setup.sh, then the Linux build)"
in_tree make build JOBS="$jobs"
if [ "$sdl" = compat ]; then
  in_system dpkg-query -W -f '${db:Status-Abbrev}\n' libsdl2-compat-dev | grep -q '^ii' ||
    fail "scripts/setup.sh removed libsdl2-compat-dev"
  ! in_system dpkg-query -W -f '${db:Status-Abbrev}\n' libsdl2-dev 2>/dev/null | grep -q '^ii' ||
    fail "scripts/setup.sh installed libsdl2-dev in place of sdl2-compat"
fi
step "the Linux tests (the package's test is make test's, on the host)"
in_tree ctest --test-dir build --output-on-failure -j "$jobs" -LE package
if [ "$sdl" = sdl2 ]; then
  step "make windows"
  in_tree make windows JOBS="$jobs"
  step "make web"
  in_tree make web JOBS="$jobs"
fi
umount "$root"
rm -rf --one-file-system "$run"
step "passed on Debian 13 with $sdl"
