#!/usr/bin/env bash
# SPDX-License-Identifier: Zlib
# Plays a few steps of the real game in a private Xvfb and saves what the window shows.
# Usage: scripts/screenshot.sh [BUILD_DIR] [OUT.png]
set -euo pipefail
build=${1:-build}
out=${2:-docs/screenshot.png}
tmp=$(mktemp --suffix=.ppm)
trap 'rm -f "$tmp"' EXIT
"$build/tests/e2e/e2e_screenshot" "$tmp" "$build/bin"
mkdir -p "$(dirname "$out")"
convert "$tmp" -strip "$out"
echo "screenshot: $out"
