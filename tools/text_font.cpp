// SPDX-License-Identifier: Zlib
#include "text_font.h"

#include <algorithm>
#include <memory>
#include <stdexcept>
#include <vector>

#include "surface.h"

namespace assets {

namespace {

constexpr int kColumns = 16;  // glyph cells in a row of the page
constexpr int kGap = 1;       // clear pixels around every glyph's cell
constexpr SDL_Color kWhite = {255, 255, 255, 255};

int NextPowerOfTwo(int v) {
  int p = 1;
  while (p < v) p *= 2;
  return p;
}

Image TakeSurface(SDL_Surface* rendered, const std::string& what) {
  if (!rendered) throw std::runtime_error("SDL2_ttf cannot render " + what + ": " + TTF_GetError());
  std::unique_ptr<SDL_Surface, decltype(&SDL_FreeSurface)> owned(rendered, SDL_FreeSurface);
  return FromSurface(rendered);
}

// A glyph as SDL2_ttf draws it alone on a line, and where its ink lies on that picture.
struct Glyph {
  int codepoint = 0;
  Image line{1, 1};
  int originX = 0;  // the pen's start on the picture; its row 0 is the line's top
  int advance = 0;
  int left = 0, top = 0, width = 0, height = 0;  // box around every inked pixel
};

Glyph RenderGlyph(TTF_Font* font, int codepoint) {
  Glyph g;
  g.codepoint = codepoint;
  int minX = 0, maxX = 0, minY = 0, maxY = 0;
  // A font without the glyph would quietly draw its placeholder box instead.
  if (!TTF_GlyphIsProvided32(font, Uint32(codepoint)) ||
      TTF_GlyphMetrics32(font, Uint32(codepoint), &minX, &maxX, &minY, &maxY, &g.advance) != 0)
    throw std::runtime_error("the font has no glyph " + std::to_string(codepoint));
  g.line = TakeSurface(TTF_RenderGlyph32_Blended(font, Uint32(codepoint), kWhite),
                       "glyph " + std::to_string(codepoint));
  // A glyph reaching left of the pen widens its picture on that side.
  g.originX = std::max(0, -minX);
  int x0 = g.line.width, y0 = g.line.height, x1 = -1, y1 = -1;
  for (int y = 0; y < g.line.height; ++y)
    for (int x = 0; x < g.line.width; ++x)
      if (g.line.rgba[(size_t(y) * size_t(g.line.width) + size_t(x)) * 4 + 3] != 0) {
        x0 = std::min(x0, x), x1 = std::max(x1, x);
        y0 = std::min(y0, y), y1 = std::max(y1, y);
      }
  if (x1 >= 0) g.left = x0, g.top = y0, g.width = x1 - x0 + 1, g.height = y1 - y0 + 1;
  return g;
}

}  // namespace

std::string DejaVuFile(const std::string& fileName) {
  return std::string(ASSETS_FONT_DIR) + "/" + fileName;
}

TrueType::TrueType(const std::string& path, int pixels) {
  if (TTF_Init() != 0) throw std::runtime_error(std::string("SDL2_ttf: ") + TTF_GetError());
  font_ = TTF_OpenFont(path.c_str(), pixels);
  if (!font_) {
    const std::string why = TTF_GetError();
    TTF_Quit();
    throw std::runtime_error("cannot open the font " + path + ": " + why);
  }
}

TrueType::~TrueType() {
  TTF_CloseFont(font_);
  TTF_Quit();
}

FontPage MakeFontPage(const TrueType& font, const std::string& pageFile) {
  std::vector<Glyph> glyphs;
  int cellW = 0, cellH = 0;
  for (int cp = kFirstGlyph; cp <= kLastGlyph; ++cp) {
    glyphs.push_back(RenderGlyph(font.get(), cp));
    cellW = std::max(cellW, glyphs.back().width + 2 * kGap);
    cellH = std::max(cellH, glyphs.back().height + 2 * kGap);
  }
  const int rows = (int(glyphs.size()) + kColumns - 1) / kColumns;
  FontPage out{Image(NextPowerOfTwo(kColumns * cellW), NextPowerOfTwo(rows * cellH)), {}};
  Image& page = out.page;
  for (size_t i = 0; i < page.rgba.size(); i += 4) page.rgba[i] = page.rgba[i + 1] = page.rgba[i + 2] = 255;

  out.description =
      "# The game's text font: DejaVu Sans Mono, printable ASCII, each glyph cut to its ink.\n"
      "# glyph <codepoint> <x> <y> <w> <h> <xoffset> <yoffset> <advance>\n"
      "# The box x, y, w, h of the page is drawn at the pen plus the offsets, the pen standing\n"
      "# at the top of the line; the pen then moves on by the advance.\n"
      "zfi 1\n"
      "page " + pageFile + "\n"
      "line " + std::to_string(TTF_FontLineSkip(font.get())) + "\n";
  for (size_t i = 0; i < glyphs.size(); ++i) {
    const Glyph& g = glyphs[i];
    const int x = int(i) % kColumns * cellW + kGap, y = int(i) / kColumns * cellH + kGap;
    for (int row = 0; row < g.height; ++row)
      for (int col = 0; col < g.width; ++col) {
        const size_t from = (size_t(g.top + row) * size_t(g.line.width) + size_t(g.left + col)) * 4 + 3;
        page.rgba[(size_t(y + row) * size_t(page.width) + size_t(x + col)) * 4 + 3] = g.line.rgba[from];
      }
    // An inkless glyph (the space) keeps an empty box at the cell's corner.
    const int xOffset = g.width ? g.left - g.originX : 0, yOffset = g.height ? g.top : 0;
    out.description += "glyph " + std::to_string(g.codepoint) + " " + std::to_string(x) + " " + std::to_string(y) +
                       " " + std::to_string(g.width) + " " + std::to_string(g.height) + " " +
                       std::to_string(xOffset) + " " + std::to_string(yOffset) + " " +
                       std::to_string(g.advance) + "\n";
  }
  return out;
}

Image RenderLine(const TrueType& font, const std::string& text) {
  return TakeSurface(TTF_RenderUTF8_Blended(font.get(), text.c_str(), kWhite), "'" + text + "'");
}

}  // namespace assets
