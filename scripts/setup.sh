#!/usr/bin/env bash
# Installs the Debian packages the project needs, by group:
#   scripts/setup.sh play        what building and playing the game need
#   scripts/setup.sh             every group: what building and running every test needs
#   scripts/setup.sh play assets …   the named groups only
# As root with apt-get it installs whatever is missing; otherwise it names the command to run.
set -euo pipefail

declare -A group
# Building the game, its engine and its assets, and playing.
group[play]="cmake g++ make pkg-config libsdl2-dev libsdl2-image-dev"
# The asset generator: PNG through SDL2_image, the font page from a real font.
group[assets]="libsdl2-ttf-dev fonts-dejavu-core"
# Unit tests and benchmarks.
group[test]="libgtest-dev libgmock-dev libbenchmark-dev"
# A virtual display, real X input and pixel capture for the play tests; software OpenGL,
# so that the window can be drawn without a graphics card; the message-box program.
group[e2e]="xvfb libx11-dev libxtst-dev x11-utils xauth libgl1-mesa-dri libegl-mesa0"
# The Debian package: building it, checking it, and a fresh Debian system to install it in.
group[package]="dpkg-dev file lintian desktop-file-utils appstream man-db mmdebstrap debian-archive-keyring"
# Screenshots and hand checks.
group[tools]="xdotool imagemagick"
# Fuzzing: libFuzzer and the sanitizer runtimes come with clang's runtime package.
group[fuzz]="clang-14 libclang-rt-14-dev"
all_groups=(play assets test e2e package tools fuzz)

wanted=("$@")
[ ${#wanted[@]} -eq 0 ] && wanted=("${all_groups[@]}")
packages=()
for g in "${wanted[@]}"; do
  if [ -z "${group[$g]+set}" ]; then
    echo "setup: no package group '$g' (groups: ${all_groups[*]})" >&2
    exit 2
  fi
  read -ra list <<<"${group[$g]}"
  packages+=("${list[@]}")
done

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ] || ! command -v apt-get >/dev/null; then
  echo "setup: missing packages: ${missing[*]}" >&2
  echo "setup: install them with: sudo apt-get update && sudo apt-get install -y ${missing[*]}" >&2
  exit 1
fi

echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
