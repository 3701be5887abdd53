// SPDX-License-Identifier: Zlib
// Counts heap allocations made on the calling thread while counting is armed.
// Link alloc_counter.cpp into an executable (not a shared library): it replaces
// the global operator new family and, with glibc and no sanitizer, interposes
// malloc, calloc, realloc and the aligned allocators for the whole process,
// forwarding to the C library's own. That way allocations made inside the
// engine library and SDL count as well. Elsewhere (Windows, the page, a
// sanitizer's allocator) it counts operator new only, and none is foreign.
// To find who allocates, run under a debugger with ALLOC_COUNTER_TRAP=1: each
// counted allocation then raises SIGTRAP where it is made.
#pragma once

#include <cstdint>

namespace alloc_counter {

struct Counts {
  uint64_t news = 0;     // calls of any operator new
  uint64_t mallocs = 0;  // calls of malloc, calloc, realloc and the aligned allocators
  // Of those, the ones called directly from a library other than this
  // executable, the engine library and the C++ runtime: SDL, the X and GL
  // libraries. Known at Disarm (and Peek), from the callers' addresses.
  uint64_t foreign = 0;
  uint64_t Total() const { return news + mallocs; }
  // Made by the game's or the engine's own code (the C++ runtime on its behalf).
  uint64_t Own() const { return Total() - foreign; }
};

// Where an allocation was called from, by library: the executable itself,
// libZenGL.so and the C++ runtime are the game's and the engine's own.
bool IsOwnCode(const void* address);

// Starts counting on this thread from zero. Other threads are never counted:
// the engine's helper threads (renderer, timers) are not part of a tick.
void Arm();
// Stops counting and returns what was counted since Arm.
Counts Disarm();
// What has been counted since the last Arm, without stopping.
Counts Peek();
// True when the interposed allocator is the one the process is using
// (a sanitizer runtime, for one, brings its own).
bool HookActive();

// Counts what `body` allocates on this thread.
template <typename F>
Counts CountIn(F&& body) {
  Arm();
  body();
  return Disarm();
}

}  // namespace alloc_counter
