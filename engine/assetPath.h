// SPDX-License-Identifier: Zlib
// Where an asset name, written as the game writes it ("Data\Angle.png"),
// is found on this machine, and the one handle through which it is read.
#pragma once

#include <SDL.h>

#include <string>
#include <string_view>

namespace engine {

// Backslashes become '/'.
std::string MapAssetName(std::string_view name);

// The folder of the running executable, without a trailing separator; "" if
// unknown, and then `why` (when given) says why.
std::string ExecutableDir(std::string* why = nullptr);

// The folder part of a path ("" for a bare name).
std::string DirName(const std::string& path);

// A file opened for reading and known to be a regular file: checked on the
// very handle that is then read, so nothing can be put in its place between
// the check and the reading. Closed with the object.
class AssetFile {
 public:
  AssetFile() = default;
  AssetFile(SDL_RWops* rw, std::string path) : rw_(rw), path_(std::move(path)) {}
  AssetFile(AssetFile&& other) noexcept : rw_(other.rw_), path_(std::move(other.path_)) { other.rw_ = nullptr; }
  AssetFile& operator=(AssetFile&& other) noexcept;
  AssetFile(const AssetFile&) = delete;
  AssetFile& operator=(const AssetFile&) = delete;
  ~AssetFile();

  explicit operator bool() const { return rw_ != nullptr; }
  SDL_RWops* rw() const { return rw_; }
  const std::string& path() const { return path_; }

 private:
  SDL_RWops* rw_ = nullptr;
  std::string path_;
};

// Opens `path` without ever waiting on it: a FIFO, a folder, a device or a
// socket under that name is refused, and `why` says which it is ("is a FIFO",
// "is a folder", "no such file" or the system's reason).
AssetFile OpenRegularFile(const std::string& path, std::string& why);

// The mapped name opened as a regular file: as given when absolute; otherwise
// in the working directory first, then in `exeDir` (unknown when empty, for
// the reason `exeDirWhy`). What stands in a place and cannot be read is passed
// over for the next. `notes` says what each place held when nothing opened,
// and what was passed over when something did ("" when nothing was).
AssetFile OpenAsset(std::string_view name, const std::string& exeDir, std::string& notes,
                    const std::string& exeDirWhy = "");

}  // namespace engine
