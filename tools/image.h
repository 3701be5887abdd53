// SPDX-License-Identifier: Zlib
// RGBA images painted pixel by pixel, the few maths helpers the painting needs, and the pictures
// in and out of SDL (PNG through SDL2_image, the straight RGBA copy of any surface SDL2_ttf renders).
// Only correctly rounded operations (+ - * /, sqrt, floor) are used on doubles, no libm curves,
// so the pictures come out pixel for pixel the same on every machine that remakes them.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <vector>

namespace assets {

// Straight (not premultiplied) colour, each channel 0..1.
struct Colour {
  double r = 0, g = 0, b = 0, a = 0;
};

struct Image {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgba;  // width * height * 4 bytes, rows top to bottom

  Image(int w, int h);
  void Set(int x, int y, Colour c);
  Colour Get(int x, int y) const;
  // Composites c over the pixel already there.
  void Blend(int x, int y, Colour c);
};

// Paints every pixel from its centre (x + 0.5, y + 0.5).
Image Paint(int width, int height, const std::function<Colour(double x, double y)>& shade);

// 0..1 to a byte, rounding to nearest; NaN and anything below 0 give 0.
uint8_t ToByte(double v);

double Clamp01(double v);
double Mix(double a, double b, double t);
Colour Mix(Colour a, Colour b, double t);
// Hermite step from 0 at e0 to 1 at e1.
double SmoothStep(double e0, double e1, double x);
// Straight-alpha "over".
Colour Over(Colour top, Colour bottom);
Colour WithAlpha(Colour c, double a);
// Sine of an angle in radians by its series: exact arithmetic only, so the same everywhere.
double Sine(double radians);
double Cosine(double radians);
// Signed distance from (px, py) to a box centred on the origin with rounded corners.
double RoundedBoxDistance(double px, double py, double halfW, double halfH, double radius);

// Small deterministic generator (xorshift32) for star fields and the like.
class Random {
 public:
  explicit Random(uint32_t seed) : state_(seed ? seed : 0x9E3779B9u) {}
  uint32_t Next();
  // Whole number 0..n-1 (n > 0).
  int Below(int n);
  // 0..1
  double Unit();

 private:
  uint32_t state_;
};

// The surface's pixels as straight (not premultiplied) RGBA; throws std::runtime_error when
// SDL cannot convert them.
Image FromSurface(SDL_Surface* surface);

// An 8-bit RGBA PNG through IMG_SavePNG; throws std::runtime_error with SDL's reason.
void SavePng(const Image& image, const std::filesystem::path& file);

// The file decoded as SDL2_image decodes it for the engine; nothing when it cannot be.
std::optional<Image> LoadPng(const std::filesystem::path& file);

}  // namespace assets
