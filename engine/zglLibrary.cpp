// SPDX-License-Identifier: Zlib
// libZenGL.so is made of the engine core linked whole (see CMakeLists.txt);
// this file only gives the shared library target a source of its own.
namespace engine {
extern const char kLibraryName[] = "ZenGL";
}
