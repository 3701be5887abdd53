// SPDX-License-Identifier: Zlib
#include "assets.h"

#include <SDL_image.h>

#include <cstdio>

#include "assetPath.h"
#include "log.h"

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

bool ReadWholeFile(const std::string& path, size_t limit, std::string& out, std::string& why) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) {
    why = "cannot open";
    return false;
  }
  out.resize(limit + 1);
  const size_t n = std::fread(out.data(), 1, out.size(), f);
  const bool failed = std::ferror(f) != 0;
  std::fclose(f);
  if (failed) {
    why = "read error";
    return false;
  }
  if (n > limit) {
    why = "file larger than 1 MiB";
    return false;
  }
  out.resize(n);
  return true;
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

Texture* Assets::LoadTextureFile(const std::string& path, uint32_t colorKey, uint32_t flags, const char* who,
                                 const char* shownName) {
  SDL_Surface* image = IMG_Load(path.c_str());
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
  auto texture = std::make_unique<Texture>();
  texture->handle = handle;
  texture->width = w;
  texture->height = h;
  texture->flags = flags;
  textures_.push_back(std::move(texture));
  return textures_.back().get();
}

Texture* Assets::LoadTexture(const char* name, uint32_t colorKey, uint32_t flags) {
  if (!name) {
    Report("tex_LoadFromFile: no file name");
    return nullptr;
  }
  if (!renderer_) {
    Report("tex_LoadFromFile: '%s': no window yet (load textures from the load callback)", name);
    return nullptr;
  }
  if (!exeDirKnown_) exeDir_ = ExecutableDir(), exeDirKnown_ = true;
  std::optional<std::string> path = ResolveAsset(name, exeDir_);
  if (!path) {
    Report("tex_LoadFromFile: cannot load '%s': no such file here or beside the executable", name);
    return nullptr;
  }
  return LoadTextureFile(*path, colorKey, flags, "tex_LoadFromFile", name);
}

Font* Assets::LoadFont(const char* name) {
  if (!name) {
    Report("font_LoadFromFile: no file name");
    return nullptr;
  }
  if (!renderer_) {
    Report("font_LoadFromFile: '%s': no window yet (load fonts from the load callback)", name);
    return nullptr;
  }
  if (!exeDirKnown_) exeDir_ = ExecutableDir(), exeDirKnown_ = true;
  std::optional<std::string> path = ResolveAsset(name, exeDir_);
  if (!path) {
    Report("font_LoadFromFile: cannot load '%s': no such file here or beside the executable", name);
    return nullptr;
  }
  std::string text, why;
  if (!ReadWholeFile(*path, kMaxFontFileBytes, text, why)) {
    Report("font_LoadFromFile: cannot load '%s': %s", name, why.c_str());
    return nullptr;
  }
  auto font = std::make_unique<Font>();
  why = ParseFontFile(text, font->info);
  if (!why.empty()) {
    Report("font_LoadFromFile: malformed '%s': %s", name, why.c_str());
    return nullptr;
  }
  const std::string dir = DirName(*path);
  const std::string pagePath = dir.empty() ? font->info.page : dir + "/" + font->info.page;
  const std::string shown = std::string(name) + "' page '" + font->info.page;
  Texture* page = LoadTextureFile(pagePath, zgl::kNoColorKey, zgl::kTexClamp | zgl::kTexLinear,
                                  "font_LoadFromFile", shown.c_str());
  if (!page) return nullptr;
  why = CheckGlyphsFit(font->info, page->width, page->height);
  if (!why.empty()) {
    Report("font_LoadFromFile: malformed '%s': %s", name, why.c_str());
    SDL_DestroyTexture(page->handle);
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
}

}  // namespace engine
