// The game's text font: printable ASCII as 5 x 7 bitmaps, one page image and the
// engine's text description (.zfi) that places every glyph on it.
#pragma once

#include <cstdint>
#include <string>

#include "image.h"

namespace assets {

constexpr int kGlyphWidth = 5;
constexpr int kGlyphHeight = 7;
constexpr int kFirstGlyph = 32;
constexpr int kLastGlyph = 126;

// Row bits of a glyph, top row first; bit 4 is the leftmost column. Zero rows outside 32..126.
uint8_t GlyphRow(int codepoint, int row);

// True when the glyph has its pixel (column 0..4, row 0..6) set.
bool GlyphPixel(int codepoint, int column, int row);

// The page: white glyphs on transparent white, 8 x 8 cells so that filtering never bleeds
// one glyph into the next.
Image FontPage();

// The .zfi text naming pageFile as its page.
std::string FontDescription(const std::string& pageFile);

}  // namespace assets
