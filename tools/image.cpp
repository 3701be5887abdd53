// SPDX-License-Identifier: Zlib
#include "image.h"

#include <SDL_image.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>

namespace assets {

Image::Image(int w, int h) : width(w), height(h) {
  if (w <= 0 || h <= 0) throw std::invalid_argument("image: size must be positive");
  rgba.assign(size_t(w) * size_t(h) * 4, 0);
}

void Image::Set(int x, int y, Colour c) {
  if (x < 0 || y < 0 || x >= width || y >= height) return;
  uint8_t* p = &rgba[(size_t(y) * size_t(width) + size_t(x)) * 4];
  for (const double channel : {c.r, c.g, c.b, c.a}) *p++ = ToByte(channel);
}

Colour Image::Get(int x, int y) const {
  if (x < 0 || y < 0 || x >= width || y >= height) return {};
  const uint8_t* p = &rgba[(size_t(y) * size_t(width) + size_t(x)) * 4];
  return {p[0] / 255.0, p[1] / 255.0, p[2] / 255.0, p[3] / 255.0};
}

void Image::Blend(int x, int y, Colour c) { Set(x, y, Over(c, Get(x, y))); }

Image Paint(int width, int height, const std::function<Colour(double x, double y)>& shade) {
  Image image(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) image.Set(x, y, shade(x + 0.5, y + 0.5));
  return image;
}

uint8_t ToByte(double v) {
  if (!(v > 0.0)) return 0;
  if (v >= 1.0) return 255;
  return uint8_t(std::floor(v * 255.0 + 0.5));
}

double Clamp01(double v) {
  if (!(v > 0.0)) return 0.0;
  return v < 1.0 ? v : 1.0;
}

double Mix(double a, double b, double t) { return a + (b - a) * t; }

Colour Mix(Colour a, Colour b, double t) {
  return {Mix(a.r, b.r, t), Mix(a.g, b.g, t), Mix(a.b, b.b, t), Mix(a.a, b.a, t)};
}

double SmoothStep(double e0, double e1, double x) {
  const double t = Clamp01((x - e0) / (e1 - e0));
  return t * t * (3.0 - 2.0 * t);
}

Colour Over(Colour top, Colour bottom) {
  const double a = top.a + bottom.a * (1.0 - top.a);
  // Fully transparent: keep the top's colour so that filtering near edges stays in tone.
  if (a <= 0.0) return {top.r, top.g, top.b, 0.0};
  const double wb = bottom.a * (1.0 - top.a);
  return {(top.r * top.a + bottom.r * wb) / a, (top.g * top.a + bottom.g * wb) / a,
          (top.b * top.a + bottom.b * wb) / a, a};
}

Colour WithAlpha(Colour c, double a) { return {c.r, c.g, c.b, a}; }

double Sine(double radians) {
  constexpr double kTwoPi = 6.283185307179586;
  double x = radians - kTwoPi * std::floor(radians / kTwoPi + 0.5);  // into [-pi, pi]
  const double x2 = x * x;
  double term = x, sum = x;
  for (int i = 1; i <= 10; ++i) {
    term = -term * x2 / double((2 * i) * (2 * i + 1));
    sum += term;
  }
  return sum;
}

double Cosine(double radians) { return Sine(radians + 1.5707963267948966); }

double RoundedBoxDistance(double px, double py, double halfW, double halfH, double radius) {
  const double qx = std::fabs(px) - halfW + radius;
  const double qy = std::fabs(py) - halfH + radius;
  const double ox = qx > 0 ? qx : 0, oy = qy > 0 ? qy : 0;
  const double inside = qx > qy ? qx : qy;
  return std::sqrt(ox * ox + oy * oy) + (inside < 0 ? inside : 0) - radius;
}

uint32_t Random::Next() {
  state_ ^= state_ << 13;
  state_ ^= state_ >> 17;
  state_ ^= state_ << 5;
  return state_;
}

int Random::Below(int n) { return int(Next() % uint32_t(n)); }

double Random::Unit() { return double(Next() >> 8) / double(1u << 24); }

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
