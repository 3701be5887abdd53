// Counts heap allocations made on the calling thread while counting is armed.
// Link alloc_counter.cpp into an executable (not a shared library): it replaces
// the global operator new family and interposes malloc, calloc, realloc and the
// aligned allocators for the whole process, forwarding to the C library's own.
// That way allocations made inside the engine library and SDL count as well.
#pragma once

#include <cstdint>

namespace alloc_counter {

struct Counts {
  uint64_t news = 0;     // calls of any operator new
  uint64_t mallocs = 0;  // calls of malloc, calloc, realloc and the aligned allocators
  uint64_t Total() const { return news + mallocs; }
};

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
