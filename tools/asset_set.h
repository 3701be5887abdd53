// SPDX-License-Identifier: Zlib
// Every asset file of the game, and its icon, painted in memory; its text from the TrueType
// fonts Debian ships (fonts-dejavu-core), rendered through SDL2_ttf.
#pragma once

#include <SDL_ttf.h>

#include <filesystem>
#include <string>
#include <variant>
#include <vector>

#include "image.h"

namespace assets {

// Full path of one of the DejaVu font files, in the folder the build found them in.
std::string DejaVuFile(const std::string& fileName);

// A font opened at a size in pixels; SDL2_ttf stays initialised while one is open.
class TrueType {
 public:
  // Throws std::runtime_error when SDL2_ttf cannot open the file.
  TrueType(const std::string& path, int pixels);
  ~TrueType();
  TrueType(const TrueType&) = delete;
  TrueType& operator=(const TrueType&) = delete;

  TTF_Font* get() const { return font_; }

 private:
  TTF_Font* font_ = nullptr;
};

// One line of text, white with coverage as alpha, as wide and high as SDL2_ttf makes it.
Image RenderLine(const TrueType& font, const std::string& text);

struct AssetFile {
  // Relative to the repository's top folder: "Data/Angle.png", "icons/stealthbox-32.png"; the
  // case of the names is the case the game and the packaging ask for.
  std::string path;
  std::variant<Image, std::string> content;  // a picture, written as PNG, or text as it stands
};

// The game's text font: a file of fonts-dejavu-core and its size in pixels.
constexpr const char* kTextFont = "DejaVuSansMono.ttf";
constexpr int kTextPixels = 16;

// The icon's sizes in pixels: one square picture icons/stealthbox-<size>.png each.
constexpr int kIconSizes[] = {16, 32, 48, 64, 128, 256};

// The fourteen files the game loads, the font's page image and the icon in every size,
// always the same pixels and text.
std::vector<AssetFile> BuildAssets();

// Writes the file under the top folder, making its folder; throws std::runtime_error.
void WriteAsset(const std::filesystem::path& top, const AssetFile& file);

}  // namespace assets
