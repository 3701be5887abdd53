// SPDX-License-Identifier: Zlib
// A stand-in engine library that a test plants beside the real game. It exports
// the 24 names; being loaded at all leaves a marker file, and so does its start
// call, which returns at once.
#include <cstdio>
#include <cstdlib>
#include <type_traits>

#include "common/zglApi.h"

namespace {

void Mark(const char* what) {
  const char* path = std::getenv("PLANTED_ENGINE_MARKER");
  if (!path) return;
  if (FILE* f = std::fopen(path, "a")) {
    std::fprintf(f, "%s\n", what);
    std::fclose(f);
  }
}

__attribute__((constructor)) void OnLoad() { Mark("loaded"); }

template <class T>
T Answer(const char* name) {
  if (name[0] == 'z' && name[4] == 'I') Mark("zgl_Init");  // zgl_Init
  if constexpr (!std::is_void_v<T>) return T{};
}

}  // namespace

// A stand-in answers every call alike, whatever it is passed.
#pragma GCC diagnostic ignored "-Wunused-parameter"
#define ZGL_PLANTED(ret, name, params, args) \
  extern "C" __attribute__((visibility("default"))) ret name params { return Answer<ret>(#name); }
ZGL_OPERATIONS(ZGL_PLANTED)
