// PNG writing without a library: CRC-32, Adler-32, a small deflate and the PNG chunk layout.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace assets {

// CRC-32 as PNG chunks carry it (reflected polynomial 0xEDB88320).
uint32_t Crc32(std::span<const uint8_t> data);

// Adler-32 as the zlib trailer carries it.
uint32_t Adler32(std::span<const uint8_t> data);

// One final deflate block with the fixed Huffman codes; repeats become back-references
// (hash chains over the 32 KiB window, one step of lazy matching). Deterministic.
std::vector<uint8_t> Deflate(std::span<const uint8_t> data);

// zlib stream: header, Deflate(data), Adler-32.
std::vector<uint8_t> ZlibCompress(std::span<const uint8_t> data);

// An 8-bit RGBA PNG (colour type 6, not interlaced). rgba holds width * height * 4 bytes,
// rows top to bottom. Each row filter strategy is tried and the smallest file kept.
// Throws std::invalid_argument for a size that PNG cannot hold or a pixel buffer that does
// not match it.
std::vector<uint8_t> EncodePngRgba(int width, int height, std::span<const uint8_t> rgba);

}  // namespace assets
