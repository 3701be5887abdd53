// Writes every asset file of the game into the folder named on the command line:
//   make_assets <folder>
// The output is the same bytes on every run, so the committed Data/ can be checked against it.
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>

#include "asset_set.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <output folder>\n", argc > 0 ? argv[0] : "make_assets");
    return 2;
  }
  try {
    const std::filesystem::path folder = argv[1];
    std::filesystem::create_directories(folder);
    size_t total = 0;
    for (const auto& file : assets::BuildAssets()) {
      const std::filesystem::path path = folder / file.name;
      std::ofstream out(path, std::ios::binary | std::ios::trunc);
      out.write(reinterpret_cast<const char*>(file.bytes.data()), std::streamsize(file.bytes.size()));
      out.close();
      if (!out) {
        std::fprintf(stderr, "make_assets: cannot write %s\n", path.string().c_str());
        return 1;
      }
      std::printf("%-14s %7zu bytes\n", file.name.c_str(), file.bytes.size());
      total += file.bytes.size();
    }
    std::printf("%-14s %7zu bytes\n", "total", total);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "make_assets: %s\n", e.what());
    return 1;
  }
  return 0;
}
