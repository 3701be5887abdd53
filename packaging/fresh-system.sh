#!/usr/bin/env bash
# SPDX-License-Identifier: Zlib
# A fresh Debian system of a release, as mmdebstrap makes it (apt and what it needs, the
# one-line sources of the release, its updates and its security suite), made once into
# CACHE/base and kept; CACHE/archives is for the packages apt downloads into it.
# Usage: packaging/fresh-system.sh SUITE CACHE
set -euo pipefail
suite=$1 cache=$(realpath -m "$2")
mkdir -p "$cache/archives/partial"
[ -d "$cache/base" ] && exit 0
echo "fresh-system: making a fresh Debian $suite system (once; kept in $cache/base)"
rm -rf --one-file-system "$cache/base.part"
mmdebstrap --variant=apt --mode=root --skip=cleanup/apt/lists --quiet "$suite" "$cache/base.part" \
  "deb http://deb.debian.org/debian $suite main" \
  "deb http://deb.debian.org/debian $suite-updates main" \
  "deb http://deb.debian.org/debian-security $suite-security main"
mv "$cache/base.part" "$cache/base"
