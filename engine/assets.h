// SPDX-License-Identifier: Zlib
// Textures and fonts: loaded through SDL2_image onto the open renderer, owned
// by the engine and released when the window closes. Every failure returns
// null and says once on stderr which file and why.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/zglApi.h"
#include "fontFile.h"

// The handles the game holds; opaque on its side.
struct Texture {
  SDL_Texture* handle = nullptr;
  int width = 0, height = 0;
  uint16_t frameWidth = 0, frameHeight = 0;  // recorded; no operation splits frames yet
  uint32_t flags = 0;
};

struct Font {
  Texture* page = nullptr;  // owned by the engine's texture list
  engine::FontInfo info;
};

namespace engine {

// Turns a loaded image into the ARGB8888 surface a texture is made from,
// applying the colour key (0xRRGGBB; anything above 0xFFFFFF means none) and,
// for the computed-alpha flag on an image without alpha, alpha from
// brightness (the mean of red, green and blue). Null (SDL error set) on failure.
SDL_Surface* PrepareSurface(SDL_Surface* image, uint32_t colorKey, uint32_t flags);

// No texture is larger on a side, whatever the renderer could take: a picture
// of the game's never is, and a larger one would only cost the player memory.
constexpr int kMaxTextureSide = 4096;
// The memory that textures may take in all: those held, and the one being
// loaded with what its decoding needs for a moment (LoadCost). Forty times what
// the game's own take; a folder of huge pictures costs no more than this.
constexpr uint64_t kTextureBudgetBytes = uint64_t(64) << 20;
// What CheckPngHeader reads: the signature and the image header up to its bit depth.
constexpr size_t kPngHeaderBytes = 25;

// What a PNG's image header says.
struct PngSize {
  uint32_t width = 0, height = 0;
  int bitDepth = 0;
};

// "" when the first `size` bytes of a file begin a PNG image of at most
// maxWidth x maxHeight pixels, else why not; `png` (when given) gets its size.
std::string CheckPngHeader(const unsigned char* head, size_t size, int maxWidth, int maxHeight,
                           PngSize* png = nullptr);

// The bytes a texture of this PNG takes while it loads, once made included:
// 4 a pixel for the texture, and for the decoder's image, its 8-bit copy and
// the converted surface 8 more (16 more at 16 bits a channel).
uint64_t LoadCost(const PngSize& png);

class AssetFile;

class Assets {
 public:
  // Textures are made for this renderer, none larger than it or kMaxTextureSide allows.
  void SetRenderer(SDL_Renderer* renderer);
  // `name` as the game writes it; looked up in the working directory, then
  // beside the executable. Textures are PNG images only.
  Texture* LoadTexture(const char* name, uint32_t colorKey, uint32_t flags);
  Font* LoadFont(const char* name);
  // Destroys every texture and font; handles given out become invalid.
  void ReleaseAll();
  int TextureCount() const { return int(textures_.size()); }

 private:
  Texture* LoadTextureFile(const AssetFile& file, uint32_t colorKey, uint32_t flags, const char* who,
                           const char* shownName);
  // The file a load names, found as LoadTexture says (`shown` gets its name as shown);
  // none, after saying why, when there is nothing to load. `what`: "textures" or "fonts".
  AssetFile OpenNamed(const char* name, const char* who, const char* what, std::string& shown);
  const std::string& ExeDir();
  // A stop has come: nothing more is loaded (said once).
  bool Stopping();

  SDL_Renderer* renderer_ = nullptr;
  int maxWidth_ = kMaxTextureSide, maxHeight_ = kMaxTextureSide;
  std::string exeDir_, exeDirWhy_;
  bool exeDirKnown_ = false;
  std::vector<std::unique_ptr<Texture>> textures_;
  std::vector<std::unique_ptr<Font>> fonts_;
  uint64_t heldBytes_ = 0;
  bool stopSaid_ = false;
};

}  // namespace engine
