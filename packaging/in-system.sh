#!/usr/bin/env bash
# SPDX-License-Identifier: Zlib
# Runs a command inside a Debian system unpacked in a folder, as root, with a
# clean environment. Its mounts (/proc, /dev, the apt download cache, the X
# sockets) live in a mount namespace of its own and vanish when it ends.
# Usage: packaging/in-system.sh ROOT ARCHIVES_DIR COMMAND [ARG...]
#   DISPLAY, when set, is passed in, with the host's X sockets.
set -euo pipefail
root=$(realpath "$1") archives=$(realpath "$2")
shift 2
exec unshare --mount -- /bin/sh -ec '
  root=$1 archives=$2; shift 2
  mount -t proc proc "$root/proc"
  mount --rbind /dev "$root/dev"
  mount --bind "$archives" "$root/var/cache/apt/archives"
  if [ -n "${DISPLAY:-}" ]; then
    mkdir -p "$root/tmp/.X11-unix"
    mount --bind /tmp/.X11-unix "$root/tmp/.X11-unix"
  fi
  exec chroot "$root" /usr/bin/env -i HOME=/root LANG=C.UTF-8 DEBIAN_FRONTEND=noninteractive \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin:/usr/local/games:/usr/games \
    ${DISPLAY:+DISPLAY=$DISPLAY} "$@"' sh "$root" "$archives" "$@"
