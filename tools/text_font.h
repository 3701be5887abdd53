// SPDX-License-Identifier: Zlib
// The game's text from the TrueType fonts Debian ships (fonts-dejavu-core), rendered through
// SDL2_ttf: the font page and description the engine reads, and lines of text as pictures.
#pragma once

#include <SDL_ttf.h>

#include <string>

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

// Printable ASCII, 32..126: the glyphs a font description lists.
constexpr int kFirstGlyph = 32;
constexpr int kLastGlyph = 126;

struct FontPage {
  Image page;               // white glyphs whose alpha is their coverage, on transparent white
  std::string description;  // the engine's font description, naming the page file
};

// Every glyph cut to its ink and set apart from its neighbours, so that the engine's linear
// filtering never bleeds one into the next, on a page with power-of-two sides.
FontPage MakeFontPage(const TrueType& font, const std::string& pageFile);

// One line of text, white with coverage as alpha, as wide and high as SDL2_ttf makes it.
Image RenderLine(const TrueType& font, const std::string& text);

}  // namespace assets
