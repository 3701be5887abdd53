# SPDX-License-Identifier: Zlib
# One entry point for players, developers and CI. Every target first installs
# whatever Debian packages are missing (scripts/setup.sh), then builds.
#
#   make run    build and start the game (installs and builds only what playing needs)
#   make test   build and run every test, the play tests in a private Xvfb included
#   make package  the Debian package stealthbox_<version>_amd64.deb, in $(BUILD)/package
#   make ci     what CI runs: `make test`, the same suite under AddressSanitizer and
#               UndefinedBehaviorSanitizer, and a bounded run of the fuzzers
#   make stress-e2e   the play tests STRESS_RUNS times in a row beside STRESS_LOAD busy loops
#   make windows          the Windows build in build-win/bin (stealthbox.exe, ZenGL.dll, …)
#   make package-windows  the player's zip, stealthbox-<version>-windows-x64.zip
#   make web              the page in build-web/site (index.html, the game, its engine, Data)
#   make serve-web        serves that page on 127.0.0.1 and prints its address
#   make package-web      the page's zip, stealthbox-<version>-web.zip
#   make test-debian13    the Linux build and its tests, make windows and make web, inside a
#                         fresh Debian 13 system; again with SDL2 as sdl2-compat over SDL3
BUILD ?= build
WIN_BUILD ?= build-win
WEB_BUILD ?= build-web
WEB_PORT ?= 8000
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
DEBIAN13_BUILD ?= build-debian13
DEBIAN13_SDL ?= sdl2 compat
JOBS ?= 2
FUZZ_SECONDS ?= 60
STRESS_RUNS ?= 30
STRESS_LOAD ?= 2

# Any sanitizer report fails the run; leaks inside the system's graphics libraries are not ours.
SANITIZER_ENV = ASAN_OPTIONS=abort_on_error=0:halt_on_error=1:detect_leaks=1:strict_init_order=1 \
  UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
  LSAN_OPTIONS=suppressions=$(CURDIR)/scripts/lsan.supp:print_suppressions=0

.PHONY: setup build play-build run test package sanitize fuzz ci stress-e2e screenshot clean \
  windows test-windows package-windows web test-web serve-web package-web test-debian13

setup:
	bash scripts/setup.sh

build: setup
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSTEALTHBOX_DEVELOPER=ON
	cmake --build $(BUILD) -j $(JOBS)

# The game, its engine and Data only. A build folder that a developer already
# configured keeps its settings; only these targets are built.
play-build:
	bash scripts/setup.sh play
	@if [ ! -f $(BUILD)/CMakeCache.txt ]; then \
	  cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSTEALTHBOX_DEVELOPER=OFF; \
	fi
	cmake --build $(BUILD) -j $(JOBS) --target stealthbox ZenGL data

run: play-build
	@if [ -z "$$DISPLAY" ]; then \
	  echo "make run: no display; to play without one: xvfb-run -s '-screen 0 1024x768x24' make run" >&2; \
	fi
	$(BUILD)/bin/stealthbox

# Every test, the Windows and web builds' too: their unit tests under Wine (in $(WIN_BUILD))
# and under node (in $(WEB_BUILD)), and their play tests, which the Linux build's harness
# drives (labels "windows" and "web", the page in Chromium).
test: build windows package-web
	bash scripts/setup.sh webtest
	cmake -S . -B $(BUILD) -DSTEALTHBOX_WINDOWS_BUILD=$(CURDIR)/$(WIN_BUILD) -DSTEALTHBOX_WEB_BUILD=$(CURDIR)/$(WEB_BUILD)
	cmake --build $(BUILD) -j $(JOBS)
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)
	ctest --test-dir $(WIN_BUILD) --output-on-failure -j $(JOBS)
	ctest --test-dir $(WEB_BUILD) --output-on-failure -j $(JOBS)

# Cross-built with mingw-w64: SDL2 and SDL2_image from Debian's source packages the first
# time (kept in $(WIN_BUILD)/deps), then the game, its engine and their tests. Optimised as
# the Linux build is, without debug information, which players' stripped files lack anyway
# and which would make this part of CI markedly slower.
windows:
	bash scripts/setup.sh windows
	bash scripts/windows-deps.sh $(WIN_BUILD) $(JOBS)
	cmake -S . -B $(WIN_BUILD) -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64-x86_64.cmake \
	  -DCMAKE_BUILD_TYPE=Release -DCMAKE_C_FLAGS_RELEASE="-O2 -DNDEBUG" -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG"
	cmake --build $(WIN_BUILD) -j $(JOBS)

test-windows: windows
	ctest --test-dir $(WIN_BUILD) --output-on-failure -j $(JOBS)

package-windows: windows
	cd $(WIN_BUILD) && cpack --config CPackConfig.cmake

# Built in a folder of its own with the Debian layout (prefix /usr), the game's targets only.
package:
	bash scripts/setup.sh play package
	bash packaging/build-package.sh $(BUILD)/package $(JOBS)

# Built with Debian's emscripten: SDL2 and SDL2_image from Debian's source packages the
# first time (kept in $(WEB_BUILD)/deps, with a private copy of emscripten's cache), then the
# game as the page's main module, its engine as a side module, and their unit tests.
WEB_ENV = EM_CACHE=$(CURDIR)/$(WEB_BUILD)/emcache EM_FROZEN_CACHE= NODE_PATH=/usr/share/nodejs
web:
	bash scripts/setup.sh web
	bash scripts/web-deps.sh $(WEB_BUILD) $(JOBS)
	$(WEB_ENV) emcmake cmake -S . -B $(WEB_BUILD) -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_C_FLAGS_RELEASE="-O2 -DNDEBUG" -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" >/dev/null
	$(WEB_ENV) cmake --build $(WEB_BUILD) -j $(JOBS)

test-web: web
	ctest --test-dir $(WEB_BUILD) --output-on-failure -j $(JOBS)

serve-web: web
	@echo "serve-web: the game is at http://127.0.0.1:$(WEB_PORT)/ (Ctrl+C stops the server)"
	python3 -m http.server $(WEB_PORT) --bind 127.0.0.1 --directory $(WEB_BUILD)/site

package-web: web
	$(WEB_ENV) cmake --build $(WEB_BUILD) --target package_web

sanitize: setup
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSTEALTHBOX_SANITIZE=ON
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	$(SANITIZER_ENV) ctest --test-dir $(ASAN_BUILD) --output-on-failure -j $(JOBS)

fuzz: setup
	CC=clang CXX=clang++ cmake -S fuzz -B $(FUZZ_BUILD)
	cmake --build $(FUZZ_BUILD) -j $(JOBS)
	bash scripts/fuzz.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

# The web build beside the Linux and Windows builds: its SDL2 spends minutes configuring
# on one core, which they use meanwhile, niced so as not to slow that configuring down.
# Then each suite on its own, since the play tests keep time.
ci:
	bash scripts/setup.sh
	nice -n 10 $(MAKE) build windows & builds=$$!; \
	  $(MAKE) web; web=$$?; wait $$builds && [ $$web -eq 0 ]
	$(MAKE) test sanitize fuzz

# Not in CI: it installs everything into a fresh Debian 13 system and builds SDL2 there for
# Windows and the web (the system and what apt downloaded are kept in $(DEBIAN13_BUILD)).
test-debian13:
	bash scripts/setup.sh package
	for sdl in $(DEBIAN13_SDL); do bash scripts/test-debian13.sh $(DEBIAN13_BUILD) $$sdl $(JOBS) || exit 1; done

# The play tests must hold on a busy machine: run them again and again with the cores
# loaded, and count the failed runs (kept under $(BUILD)/stress/).
stress-e2e: build
	bash scripts/stress.sh $(BUILD) $(STRESS_RUNS) $(STRESS_LOAD) -L e2e -j $(JOBS)

# docs/screenshot.png, taken from the real game in a private Xvfb.
screenshot: build
	bash scripts/screenshot.sh $(BUILD) docs/screenshot.png

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD) $(WIN_BUILD) $(WEB_BUILD)

# Benchmarks with their targets, the page's included (not part of CI).
.PHONY: bench
bench: build web
	bash scripts/setup.sh webtest
	bash bench/run_all.sh $(BUILD) $(WEB_BUILD)
