// SPDX-License-Identifier: Zlib
// Writes every asset file of the game and its icon under the folder named on the command line,
// as Data/... and icons/...; from the repository's top folder:
//   make_assets .
// The pictures come out the same pixels on every run, so the committed files can be checked
// against a fresh run.
#include <cstdio>
#include <exception>

#include "asset_set.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <top folder>\n", argc > 0 ? argv[0] : "make_assets");
    return 2;
  }
  try {
    for (const auto& file : assets::BuildAssets()) {
      assets::WriteAsset(argv[1], file);
      std::printf("%s\n", file.path.c_str());
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "make_assets: %s\n", e.what());
    return 1;
  }
  return 0;
}
