// SPDX-License-Identifier: Zlib
// The binding of the engine library: one table of entry points, filled by
// LoadEngine from the library's exported names, and one forwarding call per
// entry so that the game reads like zgl::pr2d_Rect(...). Types, table, lookup
// and forwarders all come from the one list ZGL_OPERATIONS.
#pragma once

#include <string>

#include "common/zglApi.h"

namespace zgl {

#define ZGL_PROC_TYPE(ret, name, params, args) typedef ret(*name##_proc) params;
ZGL_OPERATIONS(ZGL_PROC_TYPE)
#undef ZGL_PROC_TYPE

struct Table {
#define ZGL_TABLE_ENTRY(ret, name, params, args) name##_proc name = nullptr;
  ZGL_OPERATIONS(ZGL_TABLE_ENTRY)
#undef ZGL_TABLE_ENTRY
};

// The bound entry points; all empty until a load succeeds, and all empty again
// after a failed one. Tests fill it with a double of the engine.
extern Table api;

#define ZGL_FORWARD(ret, name, params, args) \
  inline ret name params { return api.name args; }
ZGL_OPERATIONS(ZGL_FORWARD)
#undef ZGL_FORWARD

// The platform's file name for a library named the Windows way:
// "ZenGL.dll" -> "libZenGL.so" (".dylib" on macOS); other names are kept.
std::string PlatformLibraryName(const std::string& name);

}  // namespace zgl

// Loads the engine library and binds every entry point. The library is looked
// for beside the executable first, then through the system's search, never in
// the working directory. A library that lacks any entry point counts as not
// loaded: each missing name is reported on stderr, the library is released and
// the table stays empty. On failure with showError, the error message is shown
// once. The handle of a loaded library is kept for the life of the process.
bool LoadEngine(const char* name, bool showError);
