// SPDX-License-Identifier: Zlib
#include "assetPath.h"

#include "common/fileKind.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#ifdef _WIN32
#include <filesystem>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace engine {
namespace {

constexpr const char* kMissing = "no such file";

}  // namespace

AssetFile& AssetFile::operator=(AssetFile&& other) noexcept {
  if (this != &other) {
    if (rw_) SDL_RWclose(rw_);
    rw_ = other.rw_;
    path_ = std::move(other.path_);
    other.rw_ = nullptr;
  }
  return *this;
}

AssetFile::~AssetFile() {
  if (rw_) SDL_RWclose(rw_);
}

std::string MapAssetName(std::string_view name) {
  std::string mapped(name);
  std::replace(mapped.begin(), mapped.end(), '\\', '/');
  return mapped;
}

std::string ExecutableDir(std::string* why) {
  char* base = SDL_GetBasePath();
  if (!base) {
    if (why) *why = SDL_GetError();
    return {};
  }
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

AssetFile OpenRegularFile(const std::string& path, std::string& why) {
  why.clear();
  if (path.empty()) {
    why = kMissing;
    return {};
  }
#ifdef _WIN32
  // No FIFO lives among Windows' files; a folder does not open as a file.
  SDL_RWops* rw = SDL_RWFromFile(path.c_str(), "rb");
  if (!rw) {
    std::error_code ec;
    const std::filesystem::path p(std::u8string(path.begin(), path.end()));
    why = std::filesystem::is_directory(p, ec) ? "is a folder"
          : !std::filesystem::exists(p, ec)    ? kMissing
                                               : SDL_GetError();
    return {};
  }
  if (SDL_RWsize(rw) < 0) {
    SDL_RWclose(rw);
    why = "is not a regular file";
    return {};
  }
  return AssetFile(rw, path);
#else
  // Opening a FIFO for reading would wait for a writer: never wait, look at
  // what opened, and read only a regular file, from this very descriptor.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    why = errno == ENOENT || errno == ENOTDIR ? kMissing : filekind::OpenError(errno);
    return {};
  }
  const auto refuse = [&](const char* reason) {
    why = reason;
    ::close(fd);
    return AssetFile();
  };
  struct stat info;
  if (::fstat(fd, &info) != 0) return refuse(std::strerror(errno));
  if (!S_ISREG(info.st_mode)) return refuse(filekind::KindOf(info.st_mode));
  // Some files that say they are regular wait for something to read all the
  // same (a kernel's log): the descriptor stays one that never waits, so such
  // a read comes back at once, and the file is passed over as a FIFO is.
  char first;
  if (::pread(fd, &first, 1, 0) < 0)
    return refuse(errno == EAGAIN || errno == EWOULDBLOCK ? "would wait for something to read, as a FIFO does"
                                                          : std::strerror(errno));
  std::FILE* file = ::fdopen(fd, "rb");
  if (!file) return refuse(std::strerror(errno));
  SDL_RWops* rw = SDL_RWFromFP(file, SDL_TRUE);
  if (!rw) {
    why = SDL_GetError();
    std::fclose(file);
    return {};
  }
  return AssetFile(rw, path);
#endif
}

AssetFile OpenAsset(std::string_view name, const std::string& exeDir, std::string& notes,
                    const std::string& exeDirWhy) {
  notes.clear();
  const std::string mapped = MapAssetName(name);
  std::string why;
  if (mapped.empty()) {
    notes = "no file name";
    return {};
  }
  if (mapped.front() == '/') {
    AssetFile file = OpenRegularFile(mapped, why);
    if (!file) notes = why;
    return file;
  }
  const struct {
    const char* where;
    std::string path;
  } places[] = {
      {"here", mapped},
      {"beside the executable", exeDir.empty() ? "" : exeDir + (exeDir.back() == '/' ? "" : "/") + mapped},
  };
  std::string passedOver, everyPlace;
  bool onlyMissing = true;
  for (const auto& place : places) {
    if (place.path.empty()) {
      why = "its folder is unknown" + (exeDirWhy.empty() ? "" : " (" + exeDirWhy + ")");
    } else if (AssetFile file = OpenRegularFile(place.path, why)) {
      notes = passedOver;
      return file;
    }
    const std::string said = std::string(place.where) + ": " + why;
    everyPlace += (everyPlace.empty() ? "" : "; ") + said;
    // A missing copy is the usual case and says nothing; anything else is worth a word.
    if (why != kMissing) onlyMissing = false, passedOver += (passedOver.empty() ? "" : "; ") + said;
  }
  notes = onlyMissing ? "no such file here or beside the executable" : everyPlace;
  return {};
}

}  // namespace engine
