// SPDX-License-Identifier: Zlib
// The engine's font description: a small UTF-8 text file.
//
//   # comment lines and blank lines are ignored
//   zfi 1                        first line that is neither
//   page <file>                  once: the page image, relative to this file's
//                                folder; no absolute path, no "..", no spaces
//                                or control characters
//   line <height>                once: 1..1024
//   glyph <codepoint> <x> <y> <w> <h> <xoffset> <yoffset> <advance>
//                                one or more: codepoint 0..0x10FFFF, unique;
//                                x, y, w, h >= 0 and inside the page image;
//                                offsets -1024..1024; advance 0..4096
//
// Fields are separated by spaces or tabs; numbers are decimal. Anything else
// (unknown keyword, missing or extra field, not a number, out of range, a
// file over 1 MiB) makes the file malformed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace engine {

constexpr size_t kMaxFontFileBytes = size_t(1) << 20;

struct GlyphInfo {
  uint32_t codepoint;
  int32_t x, y, w, h;
  int32_t xOffset, yOffset;
  int32_t advance;
};

struct FontInfo {
  std::string page;  // as written, '\' mapped to '/'
  int32_t lineHeight = 0;
  std::vector<GlyphInfo> glyphs;  // sorted by codepoint
};

// "" when the text is a well-formed font description, else why not (with its
// line number). `out` is only meaningful on success.
std::string ParseFontFile(std::string_view text, FontInfo& out);

// "" when every glyph's rectangle lies inside a page of that size.
std::string CheckGlyphsFit(const FontInfo& font, int pageWidth, int pageHeight);

}  // namespace engine
