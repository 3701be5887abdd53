#include "assetPath.h"

#include <sys/stat.h>
#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

#include <algorithm>

namespace engine {
namespace {

bool IsRegularFile(const std::string& path) {
  struct stat info;
  return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

}  // namespace

std::string MapAssetName(std::string_view name) {
  std::string mapped(name);
  std::replace(mapped.begin(), mapped.end(), '\\', '/');
  return mapped;
}

std::string ExecutableDir() {
#ifdef _WIN32
  char buffer[MAX_PATH * 4];
  const DWORD n = GetModuleFileNameA(nullptr, buffer, sizeof buffer);
  if (n == 0 || n >= sizeof buffer) return {};
  return DirName(std::string(buffer, n));
#else
  char buffer[4096];
  const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return {};
  return DirName(std::string(buffer, size_t(n)));
#endif
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
    if (IsRegularFile(mapped)) return mapped;
    return std::nullopt;
  }
  if (IsRegularFile(mapped)) return mapped;
  if (!exeDir.empty()) {
    std::string beside = exeDir + (exeDir.back() == '/' ? "" : "/") + mapped;
    if (IsRegularFile(beside)) return beside;
  }
  return std::nullopt;
}

}  // namespace engine
