// SPDX-License-Identifier: Zlib
#include "surface.h"

#include <SDL_image.h>

#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>

namespace assets {

namespace {

using SurfacePtr = std::unique_ptr<SDL_Surface, decltype(&SDL_FreeSurface)>;

std::runtime_error SdlError(const std::string& what) {
  return std::runtime_error(what + ": " + SDL_GetError());
}

}  // namespace

Image FromSurface(SDL_Surface* surface) {
  SurfacePtr rgba(SDL_ConvertSurfaceFormat(surface, SDL_PIXELFORMAT_RGBA32, 0), SDL_FreeSurface);
  if (!rgba) throw SdlError("cannot convert a surface to RGBA");
  Image image(rgba->w, rgba->h);
  const size_t rowBytes = size_t(rgba->w) * 4;
  for (int y = 0; y < rgba->h; ++y) {
    const auto* row = static_cast<const uint8_t*>(rgba->pixels) + size_t(y) * size_t(rgba->pitch);
    std::memcpy(&image.rgba[size_t(y) * rowBytes], row, rowBytes);
  }
  return image;
}

void SavePng(const Image& image, const std::filesystem::path& file) {
  SurfacePtr surface(SDL_CreateRGBSurfaceWithFormat(0, image.width, image.height, 32, SDL_PIXELFORMAT_RGBA32),
                     SDL_FreeSurface);
  if (!surface)
    throw SdlError("cannot make a " + std::to_string(image.width) + "x" + std::to_string(image.height) + " surface");
  const size_t rowBytes = size_t(image.width) * 4;
  for (int y = 0; y < image.height; ++y)
    std::memcpy(static_cast<uint8_t*>(surface->pixels) + size_t(y) * size_t(surface->pitch),
                &image.rgba[size_t(y) * rowBytes], rowBytes);
  if (IMG_SavePNG(surface.get(), file.string().c_str()) != 0) throw SdlError("cannot write " + file.string());
}

std::optional<Image> LoadPng(const std::filesystem::path& file) {
  SurfacePtr loaded(IMG_Load(file.string().c_str()), SDL_FreeSurface);
  if (!loaded) return std::nullopt;
  try {
    return FromSurface(loaded.get());
  } catch (const std::runtime_error&) {
    return std::nullopt;
  }
}

}  // namespace assets
