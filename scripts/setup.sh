#!/usr/bin/env bash
# Installs the Debian packages the project builds, tests and plays with.
# As root with apt-get it installs whatever is missing; otherwise it names the command to run.
set -euo pipefail

packages=(
  # build
  cmake g++ make pkg-config ccache
  libsdl2-dev libsdl2-image-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  # a virtual display, real X input and pixel capture for the play tests
  xvfb libx11-dev libxtst-dev x11-utils xauth
  # software OpenGL, so that the window can be drawn without a graphics card
  libgl1-mesa-dri libegl-mesa0
  # screenshots and hand checks
  xdotool imagemagick
  # fuzzing: libFuzzer and the sanitizer runtimes come with clang's runtime package
  clang-14 libclang-rt-14-dev
)

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
