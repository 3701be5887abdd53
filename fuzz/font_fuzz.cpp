// SPDX-License-Identifier: Zlib
// Feeds the engine's font description parser any bytes: a stranger's
// Data/font_1.zfi. No sanitizer report; a description taken holds only what
// the grammar allows (a page name that stays inside the font's folder, every
// number in its range, glyphs sorted and unique); a refusal says why in words
// that show printable; and the page-fit check agrees with the glyphs.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "engine/fontFile.h"
#include "common/printable.h"

namespace {

[[noreturn]] void Fail(const char* what, std::string_view detail = {}) {
  std::fprintf(stderr, "font fuzz: %s: %s\n", what, Printable(detail, 400).c_str());
  std::abort();
}

bool PageStaysInside(const std::string& page) {
  if (page.empty() || page.front() == '/' || (page.size() >= 2 && page[1] == ':')) return false;
  if (page.find_first_of(" \t\\\r\n") != std::string::npos) return false;
  for (size_t start = 0; start <= page.size();) {
    size_t slash = page.find('/', start);
    if (slash == std::string::npos) slash = page.size();
    if (page.compare(start, slash - start, "..") == 0) return false;
    start = slash + 1;
  }
  return true;
}

void CheckTaken(const engine::FontInfo& font) {
  if (!PageStaysInside(font.page)) Fail("a page name that leaves the font's folder", font.page);
  if (font.lineHeight < 1 || font.lineHeight > 1024) Fail("line height out of range");
  if (font.glyphs.empty()) Fail("a font without glyphs");
  for (size_t i = 0; i < font.glyphs.size(); ++i) {
    const engine::GlyphInfo& g = font.glyphs[i];
    if (g.codepoint > 0x10FFFF || g.x < 0 || g.y < 0 || g.w < 0 || g.h < 0) Fail("glyph field out of range");
    if (g.xOffset < -1024 || g.xOffset > 1024 || g.yOffset < -1024 || g.yOffset > 1024) Fail("offset out of range");
    if (g.advance < 0 || g.advance > 4096) Fail("advance out of range");
    if (i > 0 && font.glyphs[i - 1].codepoint >= g.codepoint) Fail("glyphs not sorted or given twice");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  engine::FontInfo font;
  const std::string why = engine::ParseFontFile(text, font);
  engine::FontInfo again;
  if (engine::ParseFontFile(text, again) != why) Fail("two readings of one text disagree", text);
  if (!why.empty()) {
    const std::string shown = Printable(why, 1000);
    for (unsigned char c : shown)
      if (c < 0x20 || c == 0x7F) Fail("a reason that is not printable once escaped", why);
    return 0;
  }
  CheckTaken(font);
  // A page as large as the text's last bytes say, so that both answers come up.
  const int pageWidth = size >= 2 ? data[size - 1] * 8 : 0, pageHeight = size >= 2 ? data[size - 2] * 8 : 0;
  bool fits = true;
  for (const engine::GlyphInfo& g : font.glyphs)
    fits = fits && int64_t(g.x) + g.w <= pageWidth && int64_t(g.y) + g.h <= pageHeight;
  if (engine::CheckGlyphsFit(font, pageWidth, pageHeight).empty() != fits) Fail("the page-fit check disagrees", text);
  return 0;
}
