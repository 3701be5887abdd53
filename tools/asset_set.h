// Every asset file of the game, painted and encoded in memory.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace assets {

struct AssetFile {
  std::string name;  // file name inside the Data folder, case as the game asks for it
  std::vector<uint8_t> bytes;
};

// The fourteen files the game loads plus the font's page image, always the same bytes.
std::vector<AssetFile> BuildAssets();

}  // namespace assets
