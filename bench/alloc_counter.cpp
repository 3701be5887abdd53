#include "alloc_counter.h"

#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <new>

// glibc's own allocator entry points, always present beside the public names.
extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* ptr, size_t size);
void __libc_free(void* ptr);
void* __libc_memalign(size_t alignment, size_t size);
}

namespace {

// Initial-exec TLS in the executable: reading it never allocates, so the hooks
// below may touch it from inside malloc.
#define TLS_IE __attribute__((tls_model("initial-exec")))
TLS_IE thread_local bool tArmed = false;
TLS_IE thread_local uint64_t tNews = 0;
TLS_IE thread_local uint64_t tMallocs = 0;
TLS_IE thread_local bool tSawMalloc = false;

inline void NoteMalloc() {
  tSawMalloc = true;
  if (tArmed) ++tMallocs;
}

void* NewOrThrow(size_t size, size_t alignment) {
  if (tArmed) ++tNews;
  if (size == 0) size = 1;
  for (;;) {
    void* p = alignment <= alignof(std::max_align_t) ? __libc_malloc(size)
                                                    : __libc_memalign(alignment, size);
    if (p) return p;
    std::new_handler handler = std::get_new_handler();
    if (!handler) throw std::bad_alloc();
    handler();
  }
}

void* NewOrNull(size_t size, size_t alignment) noexcept {
  try {
    return NewOrThrow(size, alignment);
  } catch (...) {
    return nullptr;
  }
}

}  // namespace

namespace alloc_counter {

void Arm() {
  tNews = 0;
  tMallocs = 0;
  tArmed = true;
}

Counts Disarm() {
  tArmed = false;
  return Counts{tNews, tMallocs};
}

Counts Peek() { return Counts{tNews, tMallocs}; }

bool HookActive() {
  tSawMalloc = false;
  // volatile: the call must really happen, not be folded away by the compiler.
  void* volatile p = std::malloc(16);
  std::free(p);
  return tSawMalloc;
}

}  // namespace alloc_counter

extern "C" {

void* malloc(size_t size) {
  NoteMalloc();
  return __libc_malloc(size);
}

void* calloc(size_t count, size_t size) {
  NoteMalloc();
  return __libc_calloc(count, size);
}

void* realloc(void* ptr, size_t size) {
  NoteMalloc();
  return __libc_realloc(ptr, size);
}

void* reallocarray(void* ptr, size_t count, size_t size) {
  NoteMalloc();
  size_t bytes = 0;
  if (__builtin_mul_overflow(count, size, &bytes)) {
    errno = ENOMEM;
    return nullptr;
  }
  return __libc_realloc(ptr, bytes);
}

void free(void* ptr) { __libc_free(ptr); }

void* memalign(size_t alignment, size_t size) {
  NoteMalloc();
  return __libc_memalign(alignment, size);
}

void* aligned_alloc(size_t alignment, size_t size) {
  NoteMalloc();
  return __libc_memalign(alignment, size);
}

int posix_memalign(void** out, size_t alignment, size_t size) {
  NoteMalloc();
  if (alignment < sizeof(void*) || (alignment & (alignment - 1)) != 0) return EINVAL;
  void* p = __libc_memalign(alignment, size);
  if (!p && size != 0) return ENOMEM;
  *out = p;
  return 0;
}

}  // extern "C"

void* operator new(size_t size) { return NewOrThrow(size, 0); }
void* operator new[](size_t size) { return NewOrThrow(size, 0); }
void* operator new(size_t size, std::align_val_t al) { return NewOrThrow(size, size_t(al)); }
void* operator new[](size_t size, std::align_val_t al) { return NewOrThrow(size, size_t(al)); }
void* operator new(size_t size, const std::nothrow_t&) noexcept { return NewOrNull(size, 0); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return NewOrNull(size, 0); }
void* operator new(size_t size, std::align_val_t al, const std::nothrow_t&) noexcept {
  return NewOrNull(size, size_t(al));
}
void* operator new[](size_t size, std::align_val_t al, const std::nothrow_t&) noexcept {
  return NewOrNull(size, size_t(al));
}

void operator delete(void* p) noexcept { __libc_free(p); }
void operator delete[](void* p) noexcept { __libc_free(p); }
void operator delete(void* p, size_t) noexcept { __libc_free(p); }
void operator delete[](void* p, size_t) noexcept { __libc_free(p); }
void operator delete(void* p, std::align_val_t) noexcept { __libc_free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { __libc_free(p); }
void operator delete(void* p, size_t, std::align_val_t) noexcept { __libc_free(p); }
void operator delete[](void* p, size_t, std::align_val_t) noexcept { __libc_free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { __libc_free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { __libc_free(p); }
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept { __libc_free(p); }
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept {
  __libc_free(p);
}
