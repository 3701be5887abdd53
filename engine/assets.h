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

#include "../shell/zglApi.h"
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

class Assets {
 public:
  void SetRenderer(SDL_Renderer* renderer) { renderer_ = renderer; }
  // `name` as the game writes it; looked up in the working directory, then
  // beside the executable.
  Texture* LoadTexture(const char* name, uint32_t colorKey, uint32_t flags);
  Font* LoadFont(const char* name);
  // Destroys every texture and font; handles given out become invalid.
  void ReleaseAll();
  int TextureCount() const { return int(textures_.size()); }

 private:
  Texture* LoadTextureFile(const std::string& path, uint32_t colorKey, uint32_t flags, const char* who,
                           const char* shownName);

  SDL_Renderer* renderer_ = nullptr;
  std::string exeDir_;
  bool exeDirKnown_ = false;
  std::vector<std::unique_ptr<Texture>> textures_;
  std::vector<std::unique_ptr<Font>> fonts_;
};

}  // namespace engine
