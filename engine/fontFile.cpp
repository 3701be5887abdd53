// SPDX-License-Identifier: Zlib
#include "fontFile.h"

#include <algorithm>
#include <charconv>

namespace engine {
namespace {

constexpr int kMaxFields = 9;

// Splits a line at spaces and tabs; false when it has more than kMaxFields fields.
bool SplitFields(std::string_view line, std::string_view (&fields)[kMaxFields], int& count) {
  count = 0;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    if (i == line.size()) break;
    size_t end = i;
    while (end < line.size() && line[end] != ' ' && line[end] != '\t') ++end;
    if (count == kMaxFields) return false;
    fields[count++] = line.substr(i, end - i);
    i = end;
  }
  return true;
}

bool ParseNumber(std::string_view field, int64_t lo, int64_t hi, int64_t& value) {
  const char* end = field.data() + field.size();
  auto [ptr, ec] = std::from_chars(field.data(), end, value);
  return ec == std::errc() && ptr == end && value >= lo && value <= hi;
}

bool SafePageName(std::string_view name) {
  if (name.empty() || name.front() == '/') return false;
  // A control character names no file anybody meant to make.
  for (unsigned char c : name)
    if (c < 0x20 || c == 0x7F) return false;
  if (name.size() >= 2 && name[1] == ':') return false;  // a drive letter
  size_t start = 0;
  while (start <= name.size()) {
    size_t slash = name.find('/', start);
    if (slash == std::string_view::npos) slash = name.size();
    if (name.substr(start, slash - start) == "..") return false;
    start = slash + 1;
  }
  return true;
}

std::string At(int lineNo, const std::string& what) {
  return "line " + std::to_string(lineNo) + ": " + what;
}

}  // namespace

std::string ParseFontFile(std::string_view text, FontInfo& out) {
  out = FontInfo{};
  if (text.size() > kMaxFontFileBytes) return "file larger than 1 MiB";
  if (text.find('\0') != std::string_view::npos) return "file contains a NUL byte";
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);

  bool sawHeader = false, sawPage = false, sawLine = false;
  int lineNo = 0;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t nl = text.find('\n', pos);
    if (nl == std::string_view::npos) nl = text.size();
    std::string_view line = text.substr(pos, nl - pos);
    pos = nl + 1;
    ++lineNo;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);

    // Comments may hold any number of words: skip them before splitting.
    const size_t first = line.find_first_not_of(" \t");
    if (first == std::string_view::npos || line[first] == '#') continue;
    std::string_view f[kMaxFields];
    int n = 0;
    if (!SplitFields(line, f, n)) return At(lineNo, "too many fields");

    if (!sawHeader) {
      if (n != 2 || f[0] != "zfi" || f[1] != "1") return At(lineNo, "expected 'zfi 1'");
      sawHeader = true;
    } else if (f[0] == "page") {
      if (sawPage) return At(lineNo, "second 'page'");
      if (n != 2) return At(lineNo, "'page' takes one file name");
      std::string page(f[1]);
      std::replace(page.begin(), page.end(), '\\', '/');
      if (!SafePageName(page)) return At(lineNo, "page must be a relative path without '..' or control characters");
      out.page = std::move(page);
      sawPage = true;
    } else if (f[0] == "line") {
      int64_t height;
      if (sawLine) return At(lineNo, "second 'line'");
      if (n != 2 || !ParseNumber(f[1], 1, 1024, height)) return At(lineNo, "'line' takes a height 1..1024");
      out.lineHeight = int32_t(height);
      sawLine = true;
    } else if (f[0] == "glyph") {
      if (n != 9) return At(lineNo, "'glyph' takes 8 numbers");
      int64_t v[8];
      static constexpr int64_t lo[8] = {0, 0, 0, 0, 0, -1024, -1024, 0};
      static constexpr int64_t hi[8] = {0x10FFFF, INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX, 1024, 1024, 4096};
      for (int i = 0; i < 8; ++i) {
        if (!ParseNumber(f[i + 1], lo[i], hi[i], v[i])) return At(lineNo, "glyph field " + std::to_string(i + 1) + " out of range or not a number");
      }
      out.glyphs.push_back({uint32_t(v[0]), int32_t(v[1]), int32_t(v[2]), int32_t(v[3]), int32_t(v[4]),
                            int32_t(v[5]), int32_t(v[6]), int32_t(v[7])});
    } else {
      return At(lineNo, "unknown keyword '" + std::string(f[0].substr(0, 32)) + "'");
    }
  }
  if (!sawHeader) return "no 'zfi 1' header";
  if (!sawPage) return "no 'page'";
  if (!sawLine) return "no 'line'";
  if (out.glyphs.empty()) return "no glyphs";
  std::sort(out.glyphs.begin(), out.glyphs.end(),
            [](const GlyphInfo& a, const GlyphInfo& b) { return a.codepoint < b.codepoint; });
  for (size_t i = 1; i < out.glyphs.size(); ++i) {
    if (out.glyphs[i].codepoint == out.glyphs[i - 1].codepoint)
      return "glyph " + std::to_string(out.glyphs[i].codepoint) + " given twice";
  }
  return {};
}

std::string CheckGlyphsFit(const FontInfo& font, int pageWidth, int pageHeight) {
  for (const GlyphInfo& g : font.glyphs) {
    if (int64_t(g.x) + g.w > pageWidth || int64_t(g.y) + g.h > pageHeight)
      return "glyph " + std::to_string(g.codepoint) + " lies outside the " + std::to_string(pageWidth) + "x" +
             std::to_string(pageHeight) + " page";
  }
  return {};
}

}  // namespace engine
