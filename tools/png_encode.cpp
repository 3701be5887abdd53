#include "png_encode.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <stdexcept>
#include <string>

namespace assets {

namespace {

std::array<uint32_t, 256> MakeCrcTable() {
  std::array<uint32_t, 256> table{};
  for (uint32_t n = 0; n < 256; ++n) {
    uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1u) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[n] = c;
  }
  return table;
}

// LSB-first bit packing, as deflate stores everything but Huffman codes.
class BitWriter {
 public:
  explicit BitWriter(std::vector<uint8_t>& out) : out_(out) {}

  void Put(uint32_t bits, int count) {
    acc_ |= bits << used_;
    used_ += count;
    while (used_ >= 8) {
      out_.push_back(uint8_t(acc_ & 0xFFu));
      acc_ >>= 8;
      used_ -= 8;
    }
  }

  // Huffman codes go out most significant bit first.
  void PutCode(uint32_t code, int length) {
    uint32_t reversed = 0;
    for (int i = 0; i < length; ++i) reversed |= ((code >> i) & 1u) << (length - 1 - i);
    Put(reversed, length);
  }

  void Flush() {
    if (used_ > 0) out_.push_back(uint8_t(acc_ & 0xFFu));
    acc_ = 0;
    used_ = 0;
  }

 private:
  std::vector<uint8_t>& out_;
  uint32_t acc_ = 0;
  int used_ = 0;
};

constexpr int kMinMatch = 3;
constexpr int kMaxMatch = 258;
constexpr int kWindow = 32768;
constexpr int kHashBits = 15;
constexpr int kMaxChain = 256;

constexpr std::array<int, 29> kLengthBase = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,
                                             15, 17, 19, 23, 27, 31, 35, 43, 51,  59,
                                             67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::array<int, 29> kLengthExtra = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                              2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::array<int, 30> kDistBase = {1,    2,    3,    4,    5,    7,     9,     13,
                                           17,   25,   33,   49,   65,   97,    129,   193,
                                           257,  385,  513,  769,  1025, 1537,  2049,  3073,
                                           4097, 6145, 8193, 12289, 16385, 24577};
constexpr std::array<int, 30> kDistExtra = {0, 0, 0, 0, 1, 1, 2,  2,  3,  3,  4,  4,  5,  5,  6,
                                            6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

void PutLiteralOrLength(BitWriter& bits, int symbol) {
  if (symbol < 144) {
    bits.PutCode(uint32_t(0x30 + symbol), 8);
  } else if (symbol < 256) {
    bits.PutCode(uint32_t(0x190 + symbol - 144), 9);
  } else if (symbol < 280) {
    bits.PutCode(uint32_t(symbol - 256), 7);
  } else {
    bits.PutCode(uint32_t(0xC0 + symbol - 280), 8);
  }
}

void PutMatch(BitWriter& bits, int length, int distance) {
  int lc = 28;
  while (kLengthBase[size_t(lc)] > length) --lc;
  PutLiteralOrLength(bits, 257 + lc);
  bits.Put(uint32_t(length - kLengthBase[size_t(lc)]), kLengthExtra[size_t(lc)]);
  int dc = 29;
  while (kDistBase[size_t(dc)] > distance) --dc;
  bits.PutCode(uint32_t(dc), 5);
  bits.Put(uint32_t(distance - kDistBase[size_t(dc)]), kDistExtra[size_t(dc)]);
}

struct Match {
  int length = 0;
  int distance = 0;
};

class Matcher {
 public:
  explicit Matcher(std::span<const uint8_t> data)
      : data_(data), head_(size_t(1) << kHashBits, -1), prev_(data.size(), -1) {}

  // Longest earlier occurrence of the bytes at pos; pos itself must not be inserted yet.
  Match Find(int pos) const {
    Match best;
    const int size = int(data_.size());
    const int limit = std::min(kMaxMatch, size - pos);
    if (limit < kMinMatch) return best;
    int candidate = head_[Hash(pos)];
    for (int chain = 0; candidate >= 0 && pos - candidate <= kWindow && chain < kMaxChain;
         ++chain) {
      int length = 0;
      while (length < limit && data_[size_t(candidate + length)] == data_[size_t(pos + length)])
        ++length;
      if (length > best.length) {
        best = {length, pos - candidate};
        if (length == limit) break;
      }
      candidate = prev_[size_t(candidate)];
    }
    if (best.length < kMinMatch) best = {};
    return best;
  }

  void Insert(int pos) {
    if (pos + kMinMatch > int(data_.size())) return;
    const size_t h = Hash(pos);
    prev_[size_t(pos)] = head_[h];
    head_[h] = pos;
  }

 private:
  size_t Hash(int pos) const {
    const uint32_t a = data_[size_t(pos)], b = data_[size_t(pos) + 1], c = data_[size_t(pos) + 2];
    return size_t(((a << 10) ^ (b << 5) ^ c ^ (a >> 3)) & ((1u << kHashBits) - 1));
  }

  std::span<const uint8_t> data_;
  std::vector<int> head_;
  std::vector<int> prev_;
};

void PutBigEndian32(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(uint8_t(v >> 24));
  out.push_back(uint8_t(v >> 16));
  out.push_back(uint8_t(v >> 8));
  out.push_back(uint8_t(v));
}

void PutChunk(std::vector<uint8_t>& png, const char type[4], std::span<const uint8_t> body) {
  PutBigEndian32(png, uint32_t(body.size()));
  std::vector<uint8_t> typed(type, type + 4);
  typed.insert(typed.end(), body.begin(), body.end());
  png.insert(png.end(), typed.begin(), typed.end());
  PutBigEndian32(png, Crc32(typed));
}

int Paeth(int a, int b, int c) {
  const int p = a + b - c;
  const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
  if (pa <= pb && pa <= pc) return a;
  return pb <= pc ? b : c;
}

constexpr int kBytesPerPixel = 4;

// Row filtered with one of the five PNG filters; prior is the unfiltered row above (or zeros).
void FilterRow(int type, std::span<const uint8_t> row, std::span<const uint8_t> prior,
               uint8_t* out) {
  for (size_t i = 0; i < row.size(); ++i) {
    const int a = i >= kBytesPerPixel ? row[i - kBytesPerPixel] : 0;
    const int b = prior[i];
    const int c = i >= kBytesPerPixel ? prior[i - kBytesPerPixel] : 0;
    int predicted = 0;
    switch (type) {
      case 1: predicted = a; break;
      case 2: predicted = b; break;
      case 3: predicted = (a + b) / 2; break;
      case 4: predicted = Paeth(a, b, c); break;
      default: break;
    }
    out[i] = uint8_t(row[i] - predicted);
  }
}

// Filter byte plus filtered row for every row. strategy 0..4 uses that filter throughout;
// 5 picks per row the filter with the smallest sum of absolute residuals.
std::vector<uint8_t> FilterImage(int width, int height, std::span<const uint8_t> rgba,
                                 int strategy) {
  const size_t stride = size_t(width) * kBytesPerPixel;
  std::vector<uint8_t> zeros(stride, 0);
  std::vector<uint8_t> out;
  out.reserve((stride + 1) * size_t(height));
  std::vector<uint8_t> trial(stride);
  for (int y = 0; y < height; ++y) {
    const auto row = rgba.subspan(size_t(y) * stride, stride);
    const auto prior = y > 0 ? rgba.subspan(size_t(y - 1) * stride, stride)
                             : std::span<const uint8_t>(zeros);
    int chosen = strategy;
    if (strategy == 5) {
      long best = -1;
      for (int type = 0; type < 5; ++type) {
        FilterRow(type, row, prior, trial.data());
        long cost = 0;
        for (uint8_t v : trial) cost += std::abs(int(int8_t(v)));
        if (best < 0 || cost < best) {
          best = cost;
          chosen = type;
        }
      }
    }
    out.push_back(uint8_t(chosen));
    const size_t at = out.size();
    out.resize(at + stride);
    FilterRow(chosen, row, prior, out.data() + at);
  }
  return out;
}

}  // namespace

uint32_t Crc32(std::span<const uint8_t> data) {
  static const std::array<uint32_t, 256> table = MakeCrcTable();
  uint32_t c = 0xFFFFFFFFu;
  for (uint8_t byte : data) c = table[(c ^ byte) & 0xFFu] ^ (c >> 8);
  return c ^ 0xFFFFFFFFu;
}

uint32_t Adler32(std::span<const uint8_t> data) {
  constexpr uint32_t kMod = 65521;
  uint32_t a = 1, b = 0;
  for (uint8_t byte : data) {
    a = (a + byte) % kMod;
    b = (b + a) % kMod;
  }
  return (b << 16) | a;
}

std::vector<uint8_t> Deflate(std::span<const uint8_t> data) {
  if (data.size() > size_t(1) << 30) throw std::invalid_argument("deflate: input too large");
  std::vector<uint8_t> out;
  BitWriter bits(out);
  bits.Put(1, 1);  // final block
  bits.Put(1, 2);  // fixed Huffman codes
  Matcher matcher(data);
  const int size = int(data.size());
  int pos = 0;
  while (pos < size) {
    const Match here = matcher.Find(pos);
    matcher.Insert(pos);
    if (here.length == 0) {
      PutLiteralOrLength(bits, data[size_t(pos)]);
      ++pos;
      continue;
    }
    // A longer match one byte on is worth a literal now.
    if (here.length < kMaxMatch && pos + 1 < size &&
        matcher.Find(pos + 1).length > here.length) {
      PutLiteralOrLength(bits, data[size_t(pos)]);
      ++pos;
      continue;
    }
    PutMatch(bits, here.length, here.distance);
    for (int i = 1; i < here.length; ++i) matcher.Insert(pos + i);
    pos += here.length;
  }
  PutLiteralOrLength(bits, 256);  // end of block
  bits.Flush();
  return out;
}

std::vector<uint8_t> ZlibCompress(std::span<const uint8_t> data) {
  // CMF 0x78: deflate with a 32 KiB window; FLG 0x01 makes CMF*256+FLG a multiple of 31.
  std::vector<uint8_t> out = {0x78, 0x01};
  const std::vector<uint8_t> body = Deflate(data);
  out.insert(out.end(), body.begin(), body.end());
  PutBigEndian32(out, Adler32(data));
  return out;
}

std::vector<uint8_t> EncodePngRgba(int width, int height, std::span<const uint8_t> rgba) {
  // Kept well inside PNG's 2^31 - 1 limit and deflate's int positions.
  if (width <= 0 || height <= 0 || width > 16384 || height > 16384)
    throw std::invalid_argument("png: bad size " + std::to_string(width) + "x" +
                                std::to_string(height));
  if (rgba.size() != size_t(width) * size_t(height) * kBytesPerPixel)
    throw std::invalid_argument("png: pixel buffer does not match the size");

  std::vector<uint8_t> best;
  for (int strategy = 0; strategy <= 5; ++strategy) {
    std::vector<uint8_t> z = ZlibCompress(FilterImage(width, height, rgba, strategy));
    if (best.empty() || z.size() < best.size()) best = std::move(z);
  }

  std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<uint8_t> header;
  PutBigEndian32(header, uint32_t(width));
  PutBigEndian32(header, uint32_t(height));
  header.insert(header.end(), {8, 6, 0, 0, 0});  // depth 8, RGBA, deflate, filters, no interlace
  PutChunk(png, "IHDR", header);
  PutChunk(png, "IDAT", best);
  PutChunk(png, "IEND", {});
  return png;
}

}  // namespace assets
