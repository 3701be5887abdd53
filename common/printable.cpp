// SPDX-License-Identifier: Zlib
#include "common/printable.h"

#include <cstdint>

namespace {

constexpr char kCut[] = "...";
constexpr size_t kCutBytes = sizeof kCut - 1;

// One unit of the text: a printable character (one byte, or a whole UTF-8
// sequence), or bytes shown escaped.
struct Unit {
  size_t bytes;  // taken from the text
  bool escaped;  // each shown as \xNN
  size_t Width() const { return escaped ? 4 * bytes : bytes; }
};

bool Continuation(unsigned char c, unsigned char lo = 0x80, unsigned char hi = 0xBF) {
  return c >= lo && c <= hi;
}

// Well-formed UTF-8 only: no overlong forms, no surrogates, nothing past
// U+10FFFF. The C1 controls (U+0080 to U+009F) are escaped like the C0 ones,
// as some terminals obey them too.
Unit Next(std::string_view s, size_t at) {
  const auto byte = [&](size_t i) { return at + i < s.size() ? static_cast<unsigned char>(s[at + i]) : 0; };
  const unsigned char c = byte(0);
  if (c < 0x20 || c == 0x7F) return {1, true};
  if (c < 0x80) return {1, false};
  if (c >= 0xC2 && c <= 0xDF && Continuation(byte(1))) return {2, c == 0xC2 && byte(1) <= 0x9F};
  if (c >= 0xE0 && c <= 0xEF) {
    const unsigned char lo = c == 0xE0 ? 0xA0 : 0x80, hi = c == 0xED ? 0x9F : 0xBF;
    if (Continuation(byte(1), lo, hi) && Continuation(byte(2))) return {3, false};
  }
  if (c >= 0xF0 && c <= 0xF4) {
    const unsigned char lo = c == 0xF0 ? 0x90 : 0x80, hi = c == 0xF4 ? 0x8F : 0xBF;
    if (Continuation(byte(1), lo, hi) && Continuation(byte(2)) && Continuation(byte(3))) return {4, false};
  }
  return {1, true};
}

}  // namespace

size_t PrintableInto(char* out, size_t capacity, std::string_view text, size_t limit) {
  if (capacity == 0) return 0;
  if (limit > capacity - 1) limit = capacity - 1;
  size_t total = 0;
  for (size_t at = 0; at < text.size();) {
    const Unit u = Next(text, at);
    total += u.Width();
    at += u.bytes;
  }
  // Units wholly inside the first `head` or the last `tail` shown bytes are kept.
  const bool cut = total > limit;
  const size_t room = cut && limit > kCutBytes ? limit - kCutBytes : 0;
  const size_t head = cut ? room - room / 3 : total;
  const size_t tail = cut ? room / 3 : 0;
  size_t written = 0, shown = 0;
  bool cutWritten = false;
  for (size_t at = 0; at < text.size();) {
    const Unit u = Next(text, at);
    const bool keep = shown + u.Width() <= head || shown >= total - tail;
    // The mark goes where the first unit is left out, or (none left out) before the tail.
    if (cut && !cutWritten && (!keep || shown >= head)) {
      for (size_t i = 0; i < kCutBytes && written < limit; ++i) out[written++] = kCut[i];
      cutWritten = true;
    }
    if (keep) {
      for (size_t i = 0; i < u.bytes; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[at + i]);
        if (u.escaped) {
          static constexpr char kHex[] = "0123456789abcdef";
          const char escape[4] = {'\\', 'x', kHex[c >> 4], kHex[c & 0xF]};
          for (char e : escape) out[written++] = e;
        } else {
          out[written++] = static_cast<char>(c);
        }
      }
    }
    shown += u.Width();
    at += u.bytes;
  }
  out[written] = '\0';
  return written;
}

std::string Printable(std::string_view text, size_t limit) {
  std::string out(limit + 1, '\0');
  out.resize(PrintableInto(out.data(), out.size(), text, limit));
  return out;
}
