// SPDX-License-Identifier: Zlib
// Pictures in and out of SDL: PNG files written and read through SDL2_image, and the straight
// RGBA copy of any surface SDL2_ttf renders.
#pragma once

#include <SDL.h>

#include <filesystem>
#include <optional>

#include "image.h"

namespace assets {

// The surface's pixels as straight (not premultiplied) RGBA; throws std::runtime_error when
// SDL cannot convert them.
Image FromSurface(SDL_Surface* surface);

// An 8-bit RGBA PNG through IMG_SavePNG; throws std::runtime_error with SDL's reason.
void SavePng(const Image& image, const std::filesystem::path& file);

// The file decoded as SDL2_image decodes it for the engine; nothing when it cannot be.
std::optional<Image> LoadPng(const std::filesystem::path& file);

}  // namespace assets
