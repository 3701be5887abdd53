// SPDX-License-Identifier: Zlib
// A fresh folder under the system's temporary folder (TMPDIR), removed with everything in it
// when it goes: for the files a test makes, and any file read whole. On Windows' C runtime and in the page's file
// system too.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

#ifdef _WIN32
#include <direct.h>
#include <io.h>
#else
#include <unistd.h>
#endif

namespace e2e {

// A file's bytes; empty when it cannot be read.
inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class TempDir {
 public:
  explicit TempDir(const std::string& tag = "test") {
    std::string pattern = (std::filesystem::temp_directory_path() / ("stealthbox-" + tag + "-XXXXXX")).string();
#ifdef _WIN32
    const bool made = _mktemp_s(pattern.data(), pattern.size() + 1) == 0 && _mkdir(pattern.c_str()) == 0;
#else
    const bool made = mkdtemp(pattern.data()) != nullptr;
#endif
    if (!made) throw std::runtime_error("cannot make a temporary folder " + pattern);
    path_ = pattern;
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }
  void Write(const std::string& name, const std::string& bytes) const {
    std::ofstream(*this / name, std::ios::binary) << bytes;
  }

 private:
  std::string path_;
};

}  // namespace e2e
