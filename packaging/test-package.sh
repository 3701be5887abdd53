#!/usr/bin/env bash
# SPDX-License-Identifier: Zlib
# The Debian package as a Debian user meets it: built, checked by lintian and the
# desktop and AppStream validators, installed with apt on a fresh Debian system
# (12 or 13), started from its menu entry's command under Xvfb, and purged.
# Usage: packaging/test-package.sh SUITE PACKAGE_BUILD_DIR WORK_DIR PLAY_PROGRAM [JOBS]
#   SUITE is the Debian release to install on: bookworm (12) or trixie (13).
#   WORK_DIR keeps the fresh system (system/base, made once with mmdebstrap)
#   and the packages apt downloaded into it, so a second run needs no network.
#   PLAY_PROGRAM is e2e_package_play, which judges the window's pixels.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
suite=$1 build=$(realpath -m "$2") work=$(realpath -m "$3") play=$4 jobs=${5:-2}
case $suite in
  bookworm) release="Debian 12" ;;
  trixie) release="Debian 13" ;;
  *) echo "package-test: no Debian suite '$suite' (bookworm, trixie)" >&2; exit 2 ;;
esac
cache=$work/system root=$work/root
mkdir -p "$work"
step() { echo "package-test: [$SECONDS s] $*"; }
fail() { echo "package-test: FAIL: $*" >&2; exit 1; }
if [ "$(id -u)" -ne 0 ]; then
  echo "package-test: skipped: making and entering a Debian system needs root"
  exit 77
fi
# The whole test runs in a mount namespace of its own: no mount it makes outlives it.
if [ -z "${STEALTHBOX_PACKAGE_TEST_NS:-}" ]; then
  STEALTHBOX_PACKAGE_TEST_NS=1 exec unshare --mount -- bash "$0" "$@"
fi
in_system() { "$here/in-system.sh" "$root" "$cache/archives" "$@"; }

step "building the package"
deb=$(bash "$here/build-package.sh" "$build" "$jobs" | tail -n 1)
field() { dpkg-deb --field "$deb" "$1"; }
name=$(field Package) version=$(field Version)
echo "$deb: $name $version, section $(field Section), depends: $(field Depends)"
[ "$(field Section)" = games ] || fail "section is not games"
others=$(dpkg-deb --field "$deb" Conflicts Breaks Replaces Provides)
[ -z "$others" ] || fail "declares relations to other packages: $others"
[ -n "$(field Maintainer)" ] || fail "no maintainer"
# Only run-time libraries, found by dpkg-shlibdeps: SDL2 and SDL2_image among them.
depends=$(field Depends | tr ',|' '\n\n' | sed 's/(.*//; s/[[:space:]]//g' | sort -u)
for lib in libsdl2-2.0-0 libsdl2-image-2.0-0; do
  grep -qx "$lib" <<<"$depends" || fail "does not depend on $lib"
done
! grep -v '^lib' <<<"$depends" | grep . || fail "depends on something that is not a run-time library"
! grep -- '-dev$' <<<"$depends" || fail "depends on a package for building"

# The package's own files are the same whatever system it goes to: checked once, with the
# first system's run.
contents=$work/contents
rm -rf "$contents"
if [ "$suite" = bookworm ]; then
  step "lintian"
  lintian --fail-on error,warning "$deb" || fail "lintian reports errors or warnings"
  dpkg-deb -x "$deb" "$contents"
  desktop-file-validate "$contents"/usr/share/applications/stealthbox.desktop || fail "desktop entry"
  appstreamcli validate-tree --no-net "$contents" || fail "AppStream metainfo"
fi

step "a fresh $release system"
bash "$here/fresh-system.sh" "$suite" "$cache"
# The system with this package's dependencies installed, as a run on the fresh
# system left it after purging the package: kept per set of declared relations,
# so that any change to them checks the install on the fresh system again.
relations=$(dpkg-deb --field "$deb" Pre-Depends Depends Recommends | sha256sum | cut -c1-16)
deps_layer=$cache/dependencies-$relations
lower=$cache/base
[ -d "$deps_layer" ] && lower=$deps_layer:$lower
# Each run sees the system through an overlay: whatever it changes goes to a
# folder of its own, cleared before the next run. The overlay lives in this
# script's mount namespace and vanishes with it; --one-file-system keeps rm off
# anything mounted all the same.
rm -rf --one-file-system "$work/run"
mkdir -p "$work/run/changes" "$work/run/scratch" "$root"
mount -t overlay overlay -o "lowerdir=$lower,upperdir=$work/run/changes,workdir=$work/run/scratch" "$root"
cp /etc/resolv.conf "$root/etc/resolv.conf"
cp "$deb" "$root/tmp/"

where="the fresh $release system"
[ "$lower" = "$cache/base" ] || where="the fresh system with the dependencies an earlier run installed"
step "apt-get install ./$(basename "$deb") on $where"
in_system dpkg-query -W -f '${Package}\n' | sort >"$work/before.txt"
in_system apt-get install -y -q -o APT::Sandbox::User=root -o Dpkg::Options::=--force-unsafe-io \
  "/tmp/$(basename "$deb")" >"$work/apt.txt" || { cat "$work/apt.txt"; fail "apt-get install"; }
in_system dpkg-query -W -f '${Package}\n' | sort >"$work/after.txt"
comm -13 "$work/before.txt" "$work/after.txt" >"$work/new.txt"
if [ "$lower" = "$cache/base" ]; then
  # What apt may pull in: the package's declared dependencies (and their
  # recommendations, which apt installs by default), followed all the way down.
  # (This very version: the archive may hold another package of the same name.)
  in_system apt-cache depends --recurse --no-suggests --no-conflicts --no-breaks --no-replaces \
    --no-enhances "$name=$version" | grep -v '^ ' | tr -d '<>' | sort -u >"$work/declared.txt"
  undeclared=$(comm -23 "$work/new.txt" "$work/declared.txt")
  [ -z "$undeclared" ] || fail "installed without being declared: $undeclared"
  ! grep -- '-dev$' "$work/new.txt" || fail "a package for building was installed"
  echo "installed $(wc -l <"$work/new.txt") packages, all within what $name declares"
else
  [ "$(cat "$work/new.txt")" = "$name" ] || fail "installed more than $name: $(cat "$work/new.txt")"
fi

step "stealthbox --version"
answer=$(in_system stealthbox --version)
[ "$(head -n 1 <<<"$answer")" = "stealthbox $version" ] || fail "stealthbox --version says '$answer', not 'stealthbox $version'"
grep -q 'zlib licence' <<<"$answer" || fail "stealthbox --version does not name the licence: '$answer'"

step "playing the menu entry's command from an empty folder"
command=$(sed -n 's/^Exec=//p' "$root/usr/share/applications/stealthbox.desktop" | sed 's/ *%[fFuUick]//g')
[ -n "$command" ] || fail "no Exec line in the desktop entry"
"$play" "$work/installed.ppm" "$here/in-system.sh" "$root" "$cache/archives" \
  /bin/sh -c 'cd "$(mktemp -d)" && exec '"$command" || fail "the installed game did not play"
if command -v convert >/dev/null; then convert "$work/installed.ppm" "$work/installed.png"; fi
echo "what the player saw: $work/installed.ppm"

# Debian has an unrelated program named stealth, at a higher version: a routine upgrade
# must keep the game, and the two must install side by side, each with its own command.
step "apt-get -s full-upgrade and apt-cache policy $name against Debian's archive"
in_system apt-get -s -q full-upgrade >"$work/upgrade.txt" || { cat "$work/upgrade.txt"; fail "apt-get -s full-upgrade"; }
! grep -E "^(Inst|Remv|Purg|Conf) $name( |$)" "$work/upgrade.txt" || fail "a full upgrade would change $name"
candidate=$(in_system apt-cache policy "$name" | sed -n 's/^ *Candidate: //p')
[ "$candidate" = "$version" ] || fail "apt's candidate for $name is '$candidate', not the installed $version"
step "Debian's stealth beside $name"
in_system dpkg-query -W -f '${Package}\n' | sort >"$work/before-other.txt"
in_system apt-get install -y -q -o APT::Sandbox::User=root -o Dpkg::Options::=--force-unsafe-io stealth \
  >"$work/other.txt" || { cat "$work/other.txt"; fail "apt-get install stealth beside $name"; }
in_system dpkg-query -W -f '${Status}\n' "$name" | grep -q ' installed$' || fail "installing stealth removed $name"
answer=$(in_system stealthbox --version | head -n 1)
[ "$answer" = "stealthbox $version" ] || fail "beside stealth, stealthbox --version says '$answer'"
[ "$(in_system sh -c 'command -v stealthbox')" = /usr/games/stealthbox ] || fail "stealthbox is not /usr/games/stealthbox"
in_system apt-get purge -y -q --autoremove stealth >"$work/other-purge.txt" ||
  { cat "$work/other-purge.txt"; fail "apt-get purge stealth"; }
in_system dpkg-query -W -f '${Package}\n' | sort | cmp -s - "$work/before-other.txt" ||
  fail "purging stealth did not give back the system as it was before it"

step "apt-get purge $name"
in_system dpkg-query -L "$name" >"$work/files.txt"
in_system apt-get purge -y -q "$name" >"$work/purge.txt" || { cat "$work/purge.txt"; fail "apt-get purge"; }
left=() empty=()
while read -r f; do
  p=$root$f
  if [ -L "$p" ] || [ -f "$p" ]; then left+=("$f"); fi
  if [ -d "$p" ] && [ ! -L "$p" ] && [ -z "$(ls -A "$p")" ]; then empty+=("$f"); fi
done <"$work/files.txt"
# An empty folder may stay only where another package owns it (/usr/games, say).
if [ ${#empty[@]} -gt 0 ]; then
  owned=$(in_system dpkg-query -S "${empty[@]}" 2>/dev/null | sed 's/^.*: //' || true)
  for f in "${empty[@]}"; do grep -qxF "$f" <<<"$owned" || left+=("$f/"); done
fi
while read -r f; do left+=("${f#"$root"}"); done < <(find "$root" -xdev \
  \( -path "$root/var/cache/apt" -o -path "$root/var/log" -o -path "$root/tmp" \) -prune -o -iname '*stealthbox*' -print)
[ ${#left[@]} -eq 0 ] || fail "left behind after purge: ${left[*]}"
in_system dpkg-query -W -f '${Status}\n' "$name" 2>/dev/null | grep -q ' installed$' && fail "still installed"

rm -rf "$root"/tmp/* "$root"/tmp/.X11-unix
umount "$root"
if [ "$lower" = "$cache/base" ]; then
  rm -rf --one-file-system "$cache"/dependencies-*
  mv "$work/run/changes" "$deps_layer"
fi
rm -rf --one-file-system "$work/run" "$contents"
step "passed"
