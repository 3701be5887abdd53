#!/usr/bin/env bash
# SPDX-License-Identifier: Zlib
# Installs the Debian packages the project needs, by group:
#   scripts/setup.sh play        what building and playing the game need
#   scripts/setup.sh             every group: what building and running every test needs
#   scripts/setup.sh play assets …   the named groups only
# As root with apt-get it installs whatever is missing; otherwise it names the command to run.
# What the system already provides counts as there (sdl2-compat's libsdl2-compat-dev for
# libsdl2-dev, say), and it never removes a package to install another. A package manager
# busy elsewhere (unattended upgrades) is waited for, up to SETUP_LOCK_WAIT seconds (600).
set -euo pipefail

declare -A group
# Building the game, its engine and its assets, and playing.
group[play]="cmake g++ make pkg-config libsdl2-dev libsdl2-image-dev"
# The asset generator: PNG through SDL2_image, the font page from a real font.
group[assets]="libsdl2-ttf-dev fonts-dejavu-core"
# Unit tests.
group[test]="libgtest-dev libgmock-dev"
# A virtual display, real X input and pixel capture for the play tests; zlib, for the
# pictures they write; software OpenGL, so that the window can be drawn without a graphics
# card; the message-box program; a small window manager, for resizing and full screen as a
# desktop does them.
group[e2e]="xvfb libx11-dev libxtst-dev zlib1g-dev x11-utils xauth libgl1-mesa-dri libegl-mesa0 openbox"
# The Debian package: building it, checking it, and fresh Debian systems to install it in.
group[package]="dpkg-dev file lintian desktop-file-utils appstream man-db mmdebstrap debian-archive-keyring"
# Screenshots and hand checks.
group[tools]="xdotool imagemagick"
# Fuzzing: libFuzzer and the sanitizer runtimes come with clang's runtime package (the
# system's own clang, whatever its version).
group[fuzz]="clang libclang-rt-dev"
# The Windows build: the cross compiler, Wine to run it here, the icon tool; dpkg-dev
# unpacks the SDL2 source packages that the build fetches with `apt-get source`, and Ninja
# builds them; GoogleTest's sources for the unit tests. (The zip is made by cpack, which
# needs no zip program.)
group[windows]="cmake make g++-mingw-w64-x86-64 wine wine64 icoutils dpkg-dev ninja-build libgtest-dev"
# The web build: Debian's emscripten (with node) and binaryen's disassembler, which lists
# what the engine's side module needs from the game's main module; SDL2 comes from
# Debian's source packages as for Windows, GoogleTest from its sources.
group[web]="cmake make emscripten binaryen dpkg-dev ninja-build libgtest-dev"
# Playing the page in a browser for the tests: Chromium and WebKitGTK driven through
# WebDriver, Firefox through WebDriver BiDi (its own protocol over a WebSocket).
group[webtest]="chromium chromium-driver python3-selenium webkit2gtk-driver firefox-esr python3-websocket"
all_groups=(play assets test e2e package tools fuzz windows web webtest)

# Development packages that a system may provide otherwise, and the pkg-config module
# that answers when it does.
declare -A module=([libsdl2-dev]=sdl2 [libsdl2-image-dev]=SDL2_image [libsdl2-ttf-dev]=SDL2_ttf)

say() { echo "setup: $*" >&2; }
stop() { say "$*"; exit 1; }

temporary=()
trap 'rm -f "${temporary[@]}"' EXIT

wanted=("$@")
[ ${#wanted[@]} -eq 0 ] && wanted=("${all_groups[@]}")
packages=()
for g in "${wanted[@]}"; do
  [ -n "${group[$g]+set}" ] || { say "no package group '$g' (groups: ${all_groups[*]})"; exit 2; }
  read -ra list <<<"${group[$g]}"
  packages+=("${list[@]}")
done

# The Windows and web builds compile SDL2 and SDL2_image from Debian's source packages, so apt
# must know the source side of the suites this machine already installs from.
deb_src_file=/etc/apt/sources.list.d/stealthbox-deb-src
shopt -s nullglob
deb822=(/etc/apt/sources.list.d/*.sources)
oneline=(/etc/apt/sources.list.d/*.list)
shopt -u nullglob
[ -f /etc/apt/sources.list ] && oneline=(/etc/apt/sources.list "${oneline[@]}")
need_deb_src=false
if [[ " ${wanted[*]} " =~ \ (windows|web)\  ]] &&
   ! grep -qsE '^[[:space:]]*deb-src[[:space:]]' "${oneline[@]}" /dev/null &&
   ! grep -qsE '^Types:(.*[[:space:]])?deb-src([[:space:]]|$)' "${deb822[@]}" /dev/null; then
  need_deb_src=true
fi

# The deb-src entries, in the form the system's own sources use: a copy of each deb822
# stanza as deb-src, or each one-line "deb" entry as "deb-src". Written whole, then moved
# into place, so that an interruption leaves nothing that looks like a finished file.
add_deb_src() {
  local draft
  draft=$(mktemp /etc/apt/stealthbox-deb-src.XXXXXX)
  temporary+=("$draft")
  {
    echo "# Added by Stealthbox's scripts/setup.sh: its Windows and web builds compile SDL2 and"
    echo "# SDL2_image from Debian's own source packages (apt-get source), the same versions as the"
    echo "# Linux build. The source side of the suites already in use here, nothing else."
  } >"$draft"
  if [ ${#deb822[@]} -gt 0 ] && grep -qsE '^Types:(.*[[:space:]])?deb([[:space:]]|$)' "${deb822[@]}"; then
    # Stanzas are separated by blank lines; those of binary packages are copied.
    awk 'function flush() { if (stanza != "" && binary) printf "%s\n", stanza; stanza = ""; binary = 0 }
         /^[[:space:]]*$/ { flush(); next }
         /^Types:/ { binary = $0 ~ /[[:space:]]deb([[:space:]]|$)/; $0 = "Types: deb-src" }
         { stanza = stanza $0 "\n" }
         END { flush() }' "${deb822[@]}" >>"$draft"
    chmod 644 "$draft"
    mv "$draft" "$deb_src_file.sources"
  elif [ ${#oneline[@]} -gt 0 ] && grep -hqE '^[[:space:]]*deb[[:space:]]' "${oneline[@]}"; then
    grep -hE '^[[:space:]]*deb[[:space:]]' "${oneline[@]}" | sed -E 's/^[[:space:]]*deb[[:space:]]/deb-src /' >>"$draft"
    chmod 644 "$draft"
    mv "$draft" "$deb_src_file.list"
  else
    stop "found no 'deb' entries in /etc/apt/sources.list or /etc/apt/sources.list.d/ to add deb-src entries for"
  fi
}

# What is installed, with every name it provides.
have=$(dpkg-query -W -f='${db:Status-Abbrev}\t${Package}\t${Provides}\n' 2>/dev/null |
  awk -F'\t' '$1 ~ /^ii/ { print $2; n = split($3, p, ","); for (i = 1; i <= n; i++) { sub(/^ +/, "", p[i]); sub(/ .*/, "", p[i]); print p[i] } }' |
  sort -u)
missing=()
for p in "${packages[@]}"; do
  grep -qxF "$p" <<<"$have" && continue
  if [ -n "${module[$p]+set}" ] && command -v pkg-config >/dev/null && pkg-config --exists "${module[$p]}"; then
    continue
  fi
  [[ " ${missing[*]} " == *" $p "* ]] || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && ! $need_deb_src && exit 0

if [ "$(id -u)" -ne 0 ] || ! command -v apt-get >/dev/null; then
  $need_deb_src && say "the Windows and web builds need deb-src entries for apt-get source (see add_deb_src in $0)"
  say "missing packages: ${missing[*]}"
  say "install them with: sudo apt-get update && sudo apt-get install -y ${missing[*]}"
  exit 1
fi

# apt-get, waiting while another package manager holds apt's or dpkg's locks.
lock_wait=${SETUP_LOCK_WAIT:-600}
apt_get() {
  local until=$((SECONDS + lock_wait)) log waited=false
  log=$(mktemp)
  temporary+=("$log")
  while :; do
    if LC_ALL=C.UTF-8 apt-get "$@" 2>"$log"; then
      grep -v '^W: Download is performed unsandboxed' "$log" >&2 || true
      return 0
    fi
    if ! grep -qE 'Could not get lock|Unable to acquire the dpkg frontend lock|Unable to lock' "$log"; then
      cat "$log" >&2
      return 1
    fi
    local holder
    holder=$(grep -oE 'held by process [0-9]+( \([^)]*\))?' "$log" | head -n 1)
    [ $SECONDS -lt $until ] ||
      stop "the package manager stayed busy for ${lock_wait} s (${holder:-locked}); run this again when it is done"
    $waited || say "another package manager is at work (${holder:-locked}); waiting up to ${lock_wait} s"
    waited=true
    sleep 5
  done
}

export DEBIAN_FRONTEND=noninteractive
if $need_deb_src; then
  say "adding deb-src entries for the Windows and web builds' SDL2 sources"
  add_deb_src
fi
say "apt-get update"
apt_get update -qq || stop "apt-get update failed (above); nothing was installed"
[ ${#missing[@]} -eq 0 ] && exit 0
say "installing ${missing[*]}"
# --no-remove: a package the user has (sdl2-compat in place of SDL2, say) is never given up
# for one of ours; apt stops instead, and says which.
apt_get install -y -qq --no-install-recommends --no-remove "${missing[@]}" >/dev/null ||
  stop "apt-get could not install ${missing[*]} (above); nothing was removed. Install them by hand, or" \
    "install what provides them for your system"
