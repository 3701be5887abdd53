// SPDX-License-Identifier: Zlib
#include "alloc_counter.h"

#include <cerrno>
#include <csignal>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>

#ifndef __has_feature
#define __has_feature(x) 0
#endif
#if defined(__GLIBC__) && !defined(__SANITIZE_ADDRESS__) && !__has_feature(address_sanitizer)
#define ALLOC_COUNTER_INTERPOSE 1
#include <dlfcn.h>
// glibc's own allocator entry points, always present beside the public names.
extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* ptr, size_t size);
void __libc_free(void* ptr);
void* __libc_memalign(size_t alignment, size_t size);
}
// Initial-exec TLS in the executable: reading it never allocates, so the hooks
// below may touch it from inside malloc.
#define TLS_IE __attribute__((tls_model("initial-exec")))
#define RawMalloc __libc_malloc
#define RawCalloc __libc_calloc
#define RawRealloc __libc_realloc
#define RawFree __libc_free
#define RawMemalign __libc_memalign
#define CALLER() __builtin_return_address(0)
#else
// Only operator new is counted (its over-aligned forms are left to the runtime),
// and it allocates through the C library's malloc.
#define ALLOC_COUNTER_INTERPOSE 0
#define TLS_IE
#define RawMalloc std::malloc
#define RawFree std::free
#define RawMemalign(alignment, size) std::malloc(size)
#define CALLER() nullptr
#endif

namespace {

TLS_IE thread_local bool tArmed = false;
TLS_IE thread_local uint64_t tNews = 0;
TLS_IE thread_local uint64_t tMallocs = 0;
TLS_IE thread_local bool tSawMalloc = false;

// The callers of the first allocations since Arm, classified when asked:
// looking a library up is no business for the allocator itself.
constexpr int kCallers = 4096;
TLS_IE thread_local const void* tCallers[kCallers];

// Set by ALLOC_COUNTER_TRAP=1 when counting starts: a counted allocation
// then stops the program under a debugger (SIGTRAP), to show who made it.
TLS_IE thread_local bool tTrap = false;

// While armed, one more of `kind` (tNews or tMallocs), its caller noted.
inline void Note(uint64_t& kind, const void* caller) {
  if (!tArmed) return;
  if (tNews + tMallocs < kCallers) tCallers[tNews + tMallocs] = caller;
  ++kind;
#ifdef SIGTRAP
  if (tTrap) raise(SIGTRAP);
#endif
}

#define NOTE_MALLOC() NoteMalloc(CALLER())
inline void NoteMalloc(const void* caller) {
  tSawMalloc = true;
  Note(tMallocs, caller);
}

void* NewOrThrow(size_t size, size_t alignment, const void* caller) {
  Note(tNews, caller);
  if (size == 0) size = 1;
  for (;;) {
    void* p = alignment <= alignof(std::max_align_t) ? RawMalloc(size) : RawMemalign(alignment, size);
    if (p) return p;
    std::new_handler handler = std::get_new_handler();
    if (!handler) throw std::bad_alloc();
    handler();
  }
}

void* NewOrNull(size_t size, size_t alignment, const void* caller) noexcept {
  try {
    return NewOrThrow(size, alignment, caller);
  } catch (...) {
    return nullptr;
  }
}

}  // namespace

namespace alloc_counter {

void Arm() {
  const char* trap = std::getenv("ALLOC_COUNTER_TRAP");
  tTrap = trap && trap[0] == '1';
  tNews = 0;
  tMallocs = 0;
  tArmed = true;
}

bool IsOwnCode([[maybe_unused]] const void* address) {
#if !ALLOC_COUNTER_INTERPOSE
  return true;
#else
  static const void* const exeBase = [] {
    Dl_info info{};
    return dladdr(reinterpret_cast<const void*>(&IsOwnCode), &info) ? info.dli_fbase : nullptr;
  }();
  Dl_info info{};
  if (!dladdr(address, &info)) return true;  // unknown: counted against us
  if (info.dli_fbase == exeBase) return true;
  const char* name = info.dli_fname ? info.dli_fname : "";
  return std::strstr(name, "libZenGL") || std::strstr(name, "libstdc++");
#endif
}

Counts Peek() {
  const bool armed = tArmed;
  tArmed = false;  // dladdr is not to be counted
  Counts c{tNews, tMallocs, 0};
  const uint64_t known = c.Total() < kCallers ? c.Total() : kCallers;
  // Past the first callers, anything more counts as the game's own.
  for (uint64_t i = 0; i < known; ++i) c.foreign += IsOwnCode(tCallers[i]) ? 0 : 1;
  tArmed = armed;
  return c;
}

Counts Disarm() {
  tArmed = false;
  return Peek();
}

bool HookActive() {
  tSawMalloc = false;
  // volatile: the call must really happen, not be folded away by the compiler.
  void* volatile p = std::malloc(16);
  std::free(p);
  return tSawMalloc;
}

}  // namespace alloc_counter

#if ALLOC_COUNTER_INTERPOSE
extern "C" {

void* malloc(size_t size) { return NOTE_MALLOC(), RawMalloc(size); }
void* calloc(size_t count, size_t size) { return NOTE_MALLOC(), RawCalloc(count, size); }
void* realloc(void* ptr, size_t size) { return NOTE_MALLOC(), RawRealloc(ptr, size); }

void* reallocarray(void* ptr, size_t count, size_t size) {
  NOTE_MALLOC();
  size_t bytes = 0;
  if (__builtin_mul_overflow(count, size, &bytes)) {
    errno = ENOMEM;
    return nullptr;
  }
  return RawRealloc(ptr, bytes);
}

void free(void* ptr) { RawFree(ptr); }
void* memalign(size_t alignment, size_t size) { return NOTE_MALLOC(), RawMemalign(alignment, size); }
void* aligned_alloc(size_t alignment, size_t size) { return NOTE_MALLOC(), RawMemalign(alignment, size); }

int posix_memalign(void** out, size_t alignment, size_t size) {
  NOTE_MALLOC();
  if (alignment < sizeof(void*) || (alignment & (alignment - 1)) != 0) return EINVAL;
  void* p = RawMemalign(alignment, size);
  if (!p && size != 0) return ENOMEM;
  *out = p;
  return 0;
}

}  // extern "C"
#endif

// The operator new and delete family; the over-aligned forms only where the C library's
// aligned allocator is at hand.
void* operator new(size_t size) { return NewOrThrow(size, 0, CALLER()); }
void* operator new[](size_t size) { return NewOrThrow(size, 0, CALLER()); }
void* operator new(size_t size, const std::nothrow_t&) noexcept { return NewOrNull(size, 0, CALLER()); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return NewOrNull(size, 0, CALLER()); }
void operator delete(void* p) noexcept { RawFree(p); }
void operator delete[](void* p) noexcept { RawFree(p); }
void operator delete(void* p, size_t) noexcept { RawFree(p); }
void operator delete[](void* p, size_t) noexcept { RawFree(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { RawFree(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { RawFree(p); }
#if ALLOC_COUNTER_INTERPOSE
void* operator new(size_t size, std::align_val_t al) { return NewOrThrow(size, size_t(al), CALLER()); }
void* operator new[](size_t size, std::align_val_t al) { return NewOrThrow(size, size_t(al), CALLER()); }
void* operator new(size_t size, std::align_val_t al, const std::nothrow_t&) noexcept {
  return NewOrNull(size, size_t(al), CALLER());
}
void* operator new[](size_t size, std::align_val_t al, const std::nothrow_t&) noexcept {
  return NewOrNull(size, size_t(al), CALLER());
}
void operator delete(void* p, std::align_val_t) noexcept { RawFree(p); }
void operator delete[](void* p, std::align_val_t) noexcept { RawFree(p); }
void operator delete(void* p, size_t, std::align_val_t) noexcept { RawFree(p); }
void operator delete[](void* p, size_t, std::align_val_t) noexcept { RawFree(p); }
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept { RawFree(p); }
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept { RawFree(p); }
#endif
