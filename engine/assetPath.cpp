// SPDX-License-Identifier: Zlib
#include "assetPath.h"

#include <SDL.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>

namespace engine {
namespace {

// A file the loaders can read: a regular file that opens. One that exists
// but cannot be read must not hide a good copy further on.
bool IsReadableFile(const std::string& path) {
  struct stat info;
  if (path.empty() || ::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  std::fclose(f);
  return true;
}

}  // namespace

std::string MapAssetName(std::string_view name) {
  std::string mapped(name);
  std::replace(mapped.begin(), mapped.end(), '\\', '/');
  return mapped;
}

std::string ExecutableDir() {
  char* base = SDL_GetBasePath();
  if (!base) return {};
  std::string dir = base;
  SDL_free(base);
  while (dir.size() > 1 && (dir.back() == '/' || dir.back() == '\\')) dir.pop_back();
  return dir;
}

std::string DirName(const std::string& path) {
#ifdef _WIN32
  const size_t slash = path.find_last_of("/\\");
#else
  const size_t slash = path.find_last_of('/');
#endif
  if (slash == std::string::npos) return {};
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::optional<std::string> ResolveAsset(std::string_view name, const std::string& exeDir) {
  std::string mapped = MapAssetName(name);
  if (mapped.empty()) return std::nullopt;
  if (mapped.front() == '/') {
    if (IsReadableFile(mapped)) return mapped;
    return std::nullopt;
  }
  if (IsReadableFile(mapped)) return mapped;
  if (!exeDir.empty()) {
    std::string beside = exeDir + (exeDir.back() == '/' ? "" : "/") + mapped;
    if (IsReadableFile(beside)) return beside;
  }
  return std::nullopt;
}

}  // namespace engine
