// SPDX-License-Identifier: Zlib
#include "assets.h"

#include <SDL_image.h>

#include <algorithm>
#include <cstring>

#include "assetPath.h"
#include "log.h"
#include "stopSignals.h"
#include "common/printable.h"

namespace engine {
namespace {

bool HasAlpha(const SDL_Surface* s) {
  if (SDL_ISPIXELFORMAT_ALPHA(s->format->format)) return true;
  if (SDL_HasColorKey(const_cast<SDL_Surface*>(s))) return true;
  if (const SDL_Palette* p = s->format->palette) {
    for (int i = 0; i < p->ncolors; ++i)
      if (p->colors[i].a != 255) return true;
  }
  return false;
}

// At most `limit` bytes of an opened file; a longer one is refused.
bool ReadWholeFile(const AssetFile& file, size_t limit, std::string& out, std::string& why) {
  out.resize(limit + 1);
  size_t n = 0;
  SDL_ClearError();
  while (n < out.size()) {
    const size_t got = SDL_RWread(file.rw(), out.data() + n, 1, out.size() - n);
    if (got == 0) break;
    n += got;
  }
  if (n < out.size() && *SDL_GetError()) {
    why = std::string("read error: ") + SDL_GetError();
    return false;
  }
  if (n > limit) {
    why = "file larger than 1 MiB";
    return false;
  }
  out.resize(n);
  return true;
}

uint32_t BigEndian32(const unsigned char* p) {
  return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

}  // namespace

SDL_Surface* PrepareSurface(SDL_Surface* image, uint32_t colorKey, uint32_t flags) {
  if (!image) return nullptr;
  const bool hadAlpha = HasAlpha(image);
  SDL_Surface* s = SDL_ConvertSurfaceFormat(image, SDL_PIXELFORMAT_ARGB8888, 0);
  if (!s) return nullptr;
  const bool computeAlpha = (flags & zgl::kTexCalcAlpha) && !hadAlpha;
  const bool keyed = colorKey <= 0xFFFFFF;
  if (computeAlpha || keyed) {
    SDL_LockSurface(s);
    for (int y = 0; y < s->h; ++y) {
      uint32_t* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(s->pixels) + size_t(y) * s->pitch);
      for (int x = 0; x < s->w; ++x) {
        const uint32_t rgb = row[x] & 0xFFFFFF;
        uint32_t a = row[x] >> 24;
        if (computeAlpha) a = (((rgb >> 16) & 0xFF) + ((rgb >> 8) & 0xFF) + (rgb & 0xFF)) / 3;
        if (keyed && rgb == colorKey) a = 0;
        row[x] = (a << 24) | rgb;
      }
    }
    SDL_UnlockSurface(s);
  }
  return s;
}

std::string CheckPngHeader(const unsigned char* head, size_t size, int maxWidth, int maxHeight, PngSize* png) {
  static constexpr unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (size < sizeof kSignature || std::memcmp(head, kSignature, sizeof kSignature) != 0) return "not a PNG image";
  if (size < kPngHeaderBytes) return "a PNG cut short inside its image header";
  // The image header comes first: its 13 bytes hold the width and the height.
  if (BigEndian32(head + 8) != 13 || std::memcmp(head + 12, "IHDR", 4) != 0) return "a PNG without its image header";
  const uint32_t w = BigEndian32(head + 16), h = BigEndian32(head + 20);
  if (w == 0 || h == 0 || w > 0x7FFFFFFF || h > 0x7FFFFFFF)
    return "a PNG of " + std::to_string(w) + " x " + std::to_string(h) + " pixels, which no image has";
  if (w > uint32_t(maxWidth) || h > uint32_t(maxHeight))
    return "a PNG of " + std::to_string(w) + " x " + std::to_string(h) + " pixels, larger than the largest texture (" +
           std::to_string(maxWidth) + " x " + std::to_string(maxHeight) + ")";
  if (png) *png = PngSize{w, h, head[24]};
  return {};
}

uint64_t LoadCost(const PngSize& png) {
  return uint64_t(png.width) * png.height * (png.bitDepth > 8 ? 20 : 12);
}

void Assets::SetRenderer(SDL_Renderer* renderer) {
  renderer_ = renderer;
  maxWidth_ = maxHeight_ = kMaxTextureSide;
  SDL_RendererInfo info;
  if (renderer && SDL_GetRendererInfo(renderer, &info) == 0) {
    // 0: the renderer names no limit of its own.
    if (info.max_texture_width > 0) maxWidth_ = std::min(maxWidth_, info.max_texture_width);
    if (info.max_texture_height > 0) maxHeight_ = std::min(maxHeight_, info.max_texture_height);
  }
}

bool Assets::Stopping() {
  if (!StopRequested()) return false;
  if (!stopSaid_) Report("a stop came while the game loads: the files left are not loaded");
  stopSaid_ = true;
  return true;
}

const std::string& Assets::ExeDir() {
  if (!exeDirKnown_) exeDir_ = ExecutableDir(&exeDirWhy_), exeDirKnown_ = true;
  return exeDir_;
}

Texture* Assets::LoadTextureFile(const AssetFile& file, uint32_t colorKey, uint32_t flags, const char* who,
                                 const char* shownName) {
  // Only PNG, as the names say, and no larger than a texture can be: judged
  // from its first bytes, before any memory is taken for its pixels.
  unsigned char head[kPngHeaderBytes];
  const size_t got = SDL_RWread(file.rw(), head, 1, sizeof head);
  PngSize png;
  std::string why = CheckPngHeader(head, got, maxWidth_, maxHeight_, &png);
  if (why.empty() && heldBytes_ + LoadCost(png) > kTextureBudgetBytes) {
    const auto MiB = [](uint64_t bytes) { return std::to_string((bytes + (1 << 20) - 1) >> 20) + " MiB"; };
    why = "a PNG of " + std::to_string(png.width) + " x " + std::to_string(png.height) + " pixels at " +
          std::to_string(png.bitDepth) + " bits a channel, whose loading takes " + MiB(LoadCost(png)) +
          ", more than the textures' " + MiB(kTextureBudgetBytes) + " leave (" + MiB(heldBytes_) + " held)";
  }
  if (why.empty() && SDL_RWseek(file.rw(), 0, RW_SEEK_SET) != 0) why = SDL_GetError();
  if (!why.empty()) {
    Report("%s: cannot load '%s': %s", who, shownName, why.c_str());
    return nullptr;
  }
  SDL_Surface* image = IMG_LoadPNG_RW(file.rw());
  if (!image) {
    Report("%s: cannot load '%s': %s", who, shownName, IMG_GetError());
    return nullptr;
  }
  SDL_Surface* prepared = PrepareSurface(image, colorKey, flags);
  SDL_FreeSurface(image);
  if (!prepared) {
    Report("%s: cannot convert '%s': %s", who, shownName, SDL_GetError());
    return nullptr;
  }
  SDL_Texture* handle = SDL_CreateTextureFromSurface(renderer_, prepared);
  const int w = prepared->w, h = prepared->h;
  SDL_FreeSurface(prepared);
  if (!handle) {
    Report("%s: cannot make a texture of '%s': %s", who, shownName, SDL_GetError());
    return nullptr;
  }
  // Clamping is the renderers' own behaviour for coordinates in 0..1; the
  // power-of-two flag needs nothing, every renderer takes any size.
  SDL_SetTextureScaleMode(handle, (flags & zgl::kTexLinear) ? SDL_ScaleModeLinear : SDL_ScaleModeNearest);
  heldBytes_ += uint64_t(w) * uint64_t(h) * 4;
  // No frame size until tex_SetFrameSize.
  textures_.push_back(std::make_unique<Texture>(Texture{handle, w, h, 0, 0, flags}));
  return textures_.back().get();
}

AssetFile Assets::OpenNamed(const char* name, const char* who, const char* what, std::string& shown) {
  if (!name) {
    Report("%s: no file name", who);
    return {};
  }
  shown = Printable(name);
  if (!renderer_) {
    Report("%s: '%s': no window yet (load %s from the load callback)", who, shown.c_str(), what);
    return {};
  }
  if (Stopping()) return {};
  std::string notes;
  AssetFile file = OpenAsset(name, ExeDir(), notes, exeDirWhy_);
  if (!file)
    Report("%s: cannot load '%s': %s", who, shown.c_str(), notes.c_str());
  else if (!notes.empty())
    Report("%s: '%s': passed over %s", who, shown.c_str(), notes.c_str());
  return file;
}

Texture* Assets::LoadTexture(const char* name, uint32_t colorKey, uint32_t flags) {
  std::string shown;
  AssetFile file = OpenNamed(name, "tex_LoadFromFile", "textures", shown);
  return file ? LoadTextureFile(file, colorKey, flags, "tex_LoadFromFile", shown.c_str()) : nullptr;
}

Font* Assets::LoadFont(const char* name) {
  std::string shown, text, why;
  AssetFile file = OpenNamed(name, "font_LoadFromFile", "fonts", shown);
  if (!file) return nullptr;
  if (!ReadWholeFile(file, kMaxFontFileBytes, text, why)) {
    Report("font_LoadFromFile: cannot load '%s': %s", shown.c_str(), why.c_str());
    return nullptr;
  }
  auto font = std::make_unique<Font>();
  why = ParseFontFile(text, font->info);
  if (!why.empty()) {
    Report("font_LoadFromFile: malformed '%s': %s", shown.c_str(), why.c_str());
    return nullptr;
  }
  // The page lies beside the description, as it names it: that one file or none.
  const std::string dir = DirName(file.path());
  const std::string shownPage = shown + "' page '" + Printable(font->info.page);
  AssetFile pageFile = OpenRegularFile(dir.empty() ? font->info.page : dir + "/" + font->info.page, why);
  if (!pageFile) {
    Report("font_LoadFromFile: cannot load '%s': %s", shownPage.c_str(), why.c_str());
    return nullptr;
  }
  Texture* page = LoadTextureFile(pageFile, zgl::kNoColorKey, zgl::kTexClamp | zgl::kTexLinear,
                                  "font_LoadFromFile", shownPage.c_str());
  if (!page) return nullptr;
  why = CheckGlyphsFit(font->info, page->width, page->height);
  if (!why.empty()) {
    Report("font_LoadFromFile: malformed '%s': %s", shown.c_str(), why.c_str());
    SDL_DestroyTexture(page->handle);
    heldBytes_ -= uint64_t(page->width) * uint64_t(page->height) * 4;
    textures_.pop_back();
    return nullptr;
  }
  font->page = page;
  fonts_.push_back(std::move(font));
  return fonts_.back().get();
}

void Assets::ReleaseAll() {
  fonts_.clear();
  for (auto& t : textures_) SDL_DestroyTexture(t->handle);
  textures_.clear();
  heldBytes_ = 0;
  stopSaid_ = false;
}

}  // namespace engine
