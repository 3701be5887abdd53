#include "asset_set.h"

#include <cmath>

#include "bitmap_font.h"
#include "image.h"
#include "png_encode.h"

namespace assets {

namespace {

constexpr double kPi = 3.141592653589793;

Colour Rgb(double r, double g, double b) { return {r, g, b, 1.0}; }
Colour Lighten(Colour c, double k) { return Mix(c, Rgb(1, 1, 1), k); }
Colour Darken(Colour c, double k) { return Mix(c, Rgb(0, 0, 0), k); }
double Length(double x, double y) { return std::sqrt(x * x + y * y); }

// Soft round blob: 1 at its centre, 0 from distance `radius` on, smooth in between.
double Blob(double distance, double radius) {
  const double q = Clamp01(1.0 - (distance / radius) * (distance / radius));
  return q * q;
}

// The view-cone light. The cone's tip samples the centre and its rays reach 0.4975 of the
// side away, so the light is strongest at the centre and gone at radius 0.5. The game tints
// it white at alpha 187 over a light-grey floor, where plain white would barely show: the
// light is warm, and keeps its warm colour where it is transparent so that filtering at the
// rim does not darken it.
Image ConeLight() {
  constexpr int kSize = 256;
  const Colour tip = Rgb(1.0, 0.96, 0.78);
  const Colour rim = Rgb(1.0, 0.75, 0.30);
  return Paint(kSize, kSize, [&](double x, double y) {
    const double s = Length(x / kSize - 0.5, y / kSize - 0.5) / 0.5;  // 0 tip .. 1 edge
    if (s >= 1.0) return WithAlpha(rim, 0.0);
    const double fall = 1.0 - s * s;  // (1 - s^2)^1.5: full at the tip, flat to zero at the edge
    return WithAlpha(Mix(tip, rim, s), fall * std::sqrt(fall));
  });
}

// Sheet of 64 x 64 frames, four to a row; frame() gets the frame index and the offset from
// the frame's centre.
template <typename FrameShade>
Image FrameSheet(int width, int height, FrameShade frame) {
  constexpr int kFrame = 64;
  const int perRow = width / kFrame;
  return Paint(width, height, [&](double x, double y) {
    const int fx = int(x) / kFrame, fy = int(y) / kFrame;
    return frame(fy * perRow + fx, x - fx * kFrame - kFrame / 2.0, y - fy * kFrame - kFrame / 2.0);
  });
}

// A puff of smoke that swells and thins over eight frames.
Image SmokePuffs() {
  const Colour dense = Rgb(0.95, 0.95, 0.97);
  const Colour thin = Rgb(0.70, 0.72, 0.78);
  return FrameSheet(256, 128, [&](int frame, double lx, double ly) {
    const double t = frame / 7.0;
    const double radius = 9.0 + 13.0 * t;
    const double drift = 3.0 + 7.0 * t;
    double density = Blob(Length(lx, ly), radius);
    for (int lobe = 0; lobe < 3; ++lobe) {
      const double a = (30.0 + 120.0 * lobe + 25.0 * frame) * kPi / 180.0;
      density += 0.8 * Blob(Length(lx - drift * Cosine(a), ly - drift * Sine(a)), 0.75 * radius);
    }
    density = Clamp01(density);
    return WithAlpha(Mix(thin, dense, density), density * (0.85 - 0.65 * t));
  });
}

// Four-pointed spark with a hot core; it turns and dies down over eight frames.
Image Sparks() {
  const Colour hot = Rgb(1.0, 0.98, 0.88);
  const Colour ember = Rgb(1.0, 0.52, 0.12);
  auto ray = [](double along, double across, double length, double width) {
    const double q = Clamp01(1.0 - std::fabs(along) / length);
    return q * q * Clamp01(1.0 - std::fabs(across) / (width * (0.3 + q)));
  };
  return FrameSheet(256, 128, [&](int frame, double lx, double ly) {
    const double t = frame / 7.0;
    const double turn = frame * kPi / 16.0;
    const double c = Cosine(turn), s = Sine(turn);
    const double u = lx * c + ly * s, v = ly * c - lx * s;
    const double length = 27.0 - 12.0 * t;
    const double main = std::max(ray(u, v, length, 1.6), ray(v, u, length, 1.6));
    const double u2 = (u + v) * 0.7071067811865476, v2 = (v - u) * 0.7071067811865476;
    const double diagonal = std::max(ray(u2, v2, 0.5 * length, 1.2), ray(v2, u2, 0.5 * length, 1.2));
    const double r = Length(lx, ly);
    const double glow = Clamp01(1.0 - r / (18.0 - 6.0 * t));
    const double heat =
        Clamp01(std::max(main, 0.8 * diagonal) + Blob(r, 6.0 - 2.0 * t) + 0.45 * glow * glow);
    return WithAlpha(Mix(ember, hot, heat), heat * (1.0 - 0.5 * t));
  });
}

// Night sky over a dusky horizon with a crescent moon and a deterministic field of stars.
Image NightSky() {
  constexpr int kW = 512, kH = 256;
  constexpr double kMoonX = 400, kMoonY = 64, kMoonR = 20;
  const Colour top = Rgb(0.02, 0.03, 0.10);
  const Colour middle = Rgb(0.07, 0.08, 0.22);
  const Colour horizon = Rgb(0.32, 0.18, 0.30);
  const Colour moonlight = Rgb(0.96, 0.94, 0.82);
  Image sky = Paint(kW, kH, [&](double x, double y) {
    const double h = y / kH;
    Colour c = h < 0.6 ? Mix(top, middle, h / 0.6) : Mix(middle, horizon, SmoothStep(0.6, 1.0, h));
    const double d = Length(x - kMoonX, y - kMoonY);
    const double glow = Clamp01(1.0 - d / 70.0);
    c = Over(WithAlpha(Rgb(0.55, 0.60, 0.85), 0.25 * glow * glow), c);
    const double disc = Clamp01(kMoonR - d + 0.5);
    const double shadow = Clamp01(18.0 - Length(x - kMoonX - 8.0, y - kMoonY + 5.0) + 0.5);
    return Over(WithAlpha(moonlight, disc * (1.0 - shadow)), c);
  });
  Random random(0x5EED51u);
  const Colour starlight = Rgb(0.90, 0.92, 1.0);
  for (int i = 0; i < 160; ++i) {
    const int x = random.Below(kW), y = random.Below(200);
    const double u = random.Unit();
    if (Length(x - kMoonX, y - kMoonY) < 40.0) continue;
    const double bright = (0.35 + 0.65 * u * u) * (1.0 - y / 230.0);
    sky.Blend(x, y, WithAlpha(starlight, bright));
    if (bright > 0.7) {
      for (const auto& [dx, dy] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}})
        sky.Blend(x + dx, y + dy, WithAlpha(starlight, 0.35 * bright));
    }
  }
  return sky;
}

// Floor of 64-pixel concrete tiles in two close shades, with grout and a slight bevel.
Image FloorTiles() {
  const Colour light = Rgb(0.35, 0.37, 0.41);
  const Colour dark = Rgb(0.31, 0.33, 0.37);
  const Colour grout = Rgb(0.20, 0.21, 0.24);
  return Paint(256, 256, [&](double x, double y) {
    const int ix = int(x) % 64, iy = int(y) % 64;
    if (ix < 2 || iy < 2) return grout;
    Colour c = ((int(x) / 64 + int(y) / 64) % 2) ? dark : light;
    if (ix == 2 || iy == 2) c = Lighten(c, 0.08);
    if (ix == 63 || iy == 63) c = Darken(c, 0.12);
    const bool inset = (ix == 10 || ix == 55) ? (iy >= 10 && iy <= 55)
                                               : (iy == 10 || iy == 55) && ix >= 10 && ix <= 55;
    return inset ? Darken(c, 0.05) : c;
  });
}

uint32_t Hash(uint32_t v) {
  v ^= v >> 16;
  v *= 0x7FEB352Du;
  v ^= v >> 15;
  v *= 0x846CA68Bu;
  return v ^ (v >> 16);
}

Colour Brick(int ix, int iy) {
  const int row = iy / 8;
  const int shifted = ix + (row % 2) * 8;
  if (iy % 8 == 0 || shifted % 16 == 0) return Rgb(0.56, 0.53, 0.49);
  static const Colour shades[3] = {Rgb(0.62, 0.30, 0.22), Rgb(0.55, 0.26, 0.20),
                                   Rgb(0.67, 0.35, 0.25)};
  Colour c = shades[Hash(uint32_t(row * 16 + shifted / 16)) % 3];
  if (iy % 8 == 1) c = Lighten(c, 0.10);
  if (iy % 8 == 7) c = Darken(c, 0.15);
  return c;
}

Colour MetalPlate(int ix, int iy) {
  Colour c = Mix(Rgb(0.62, 0.65, 0.69), Rgb(0.46, 0.49, 0.53), iy / 63.0);
  if (ix < 2 || iy < 2) c = Lighten(c, 0.30);
  if (ix > 61 || iy > 61) c = Darken(c, 0.35);
  for (const auto& [rx, ry] : {std::pair{9, 9}, {54, 9}, {9, 54}, {54, 54}}) {
    const double dx = ix + 0.5 - rx, dy = iy + 0.5 - ry;
    const double d = Length(dx, dy);
    if (d < 3.5) c = Mix(Rgb(0.80, 0.82, 0.85), Rgb(0.36, 0.38, 0.42), Clamp01(0.5 + (dx + dy) / 7.0));
    else if (d < 4.5 && dx + dy > 0) c = Darken(c, 0.25);
  }
  return c;
}

Colour Crate(int ix, int iy) {
  const Colour wood = Rgb(0.66, 0.47, 0.26);
  const Colour frame = Rgb(0.50, 0.33, 0.17);
  const Colour seam = Rgb(0.33, 0.21, 0.10);
  if (ix == 0 || iy == 0 || ix == 63 || iy == 63) return seam;
  if (ix < 7 || iy < 7 || ix > 56 || iy > 56) {
    if ((ix == 3 || ix == 60) && (iy == 3 || iy == 60)) return Rgb(0.25, 0.25, 0.27);  // nails
    return (ix == 6 || iy == 6 || ix == 57 || iy == 57) ? seam : frame;
  }
  if (std::abs(ix + iy - 63) <= 4) return std::abs(ix + iy - 63) == 4 ? seam : frame;  // brace
  if (iy % 16 == 7) return seam;
  return (iy % 16 == 8) ? Lighten(wood, 0.1) : wood;
}

Colour Hazard(int ix, int iy) {
  if (ix < 3 || iy < 3 || ix > 60 || iy > 60) return Rgb(0.16, 0.16, 0.17);
  return ((ix + iy) / 8) % 2 ? Rgb(0.12, 0.12, 0.13) : Rgb(0.95, 0.78, 0.12);
}

// Map tiles, 64 x 64 frames: brick wall, riveted metal plate, wooden crate, hazard stripes.
Image MapTiles() {
  return Paint(256, 64, [](double x, double y) {
    const int ix = int(x) % 64, iy = int(y);
    switch (int(x) / 64) {
      case 0: return Brick(ix, iy);
      case 1: return MetalPlate(ix, iy);
      case 2: return Crate(ix, iy);
      default: return Hazard(ix, iy);
    }
  });
}

// Rounded button, 128 x 32; the lit variant is brighter and glows past its edge.
Image Button(Colour theme, bool lit) {
  constexpr double kCx = 64, kCy = 16, kHalfW = 61, kHalfH = 13, kRadius = 8;
  if (lit) theme = Lighten(theme, 0.15);
  const Colour edge = lit ? Lighten(theme, 0.65) : Darken(theme, 0.50);
  return Paint(128, 32, [&](double x, double y) {
    const double d = RoundedBoxDistance(x - kCx, y - kCy, kHalfW, kHalfH, kRadius);
    const double v = Clamp01((y - (kCy - kHalfH)) / (2 * kHalfH));
    Colour body = Mix(Lighten(theme, 0.25), Darken(theme, 0.25), v);
    if (v < 0.45) body = Lighten(body, 0.08);
    if (d > -3.0 && d < -2.0 && v < 0.5) body = Lighten(body, 0.25);
    body = Mix(body, edge, Clamp01(1.0 - std::fabs(d + 0.75)));
    const Colour face = WithAlpha(body, Clamp01(0.5 - d));
    Colour outside;
    if (lit) {
      const double g = Clamp01(1.0 - d / 3.0);
      outside = WithAlpha(edge, 0.6 * g * g);
    } else {
      const double ds = RoundedBoxDistance(x - kCx, y - kCy - 1.5, kHalfW, kHalfH, kRadius);
      outside = WithAlpha(Rgb(0, 0, 0), 0.35 * Clamp01(1.0 - ds / 2.0));
    }
    return Over(face, outside);
  });
}

// The game's name in the font's letters, four times their size, golden with a dark outline
// and a drop shadow.
Image NameLogo() {
  constexpr int kW = 256, kH = 64, kScale = 4;
  const std::string name = "STEALTH";
  const int advance = 6 * kScale;
  const int textW = int(name.size()) * advance - kScale;
  const int x0 = (kW - textW) / 2, y0 = (kH - kGlyphHeight * kScale) / 2;
  auto ink = [&](int x, int y) {
    const int gx = x - x0, gy = y - y0;
    if (gx < 0 || gy < 0 || gx >= textW || gy >= kGlyphHeight * kScale) return false;
    const int letter = gx / advance;
    return GlyphPixel(name[size_t(letter)], (gx % advance) / kScale, gy / kScale);
  };
  auto near = [&](int x, int y) {
    for (int dy = -2; dy <= 2; ++dy)
      for (int dx = -2; dx <= 2; ++dx)
        if (dx * dx + dy * dy <= 5 && ink(x + dx, y + dy)) return true;
    return false;
  };
  const Colour outline = Rgb(0.10, 0.07, 0.05);
  return Paint(kW, kH, [&](double x, double y) {
    const int ix = int(x), iy = int(y);
    if (ink(ix, iy)) {
      const double t = double(iy - y0) / (kGlyphHeight * kScale);
      Colour c = Mix(Rgb(1.0, 0.86, 0.38), Rgb(0.92, 0.46, 0.12), t);
      if (!ink(ix, iy - 1)) c = Lighten(c, 0.35);
      return c;
    }
    if (near(ix, iy)) return outline;
    if (near(ix - 3, iy - 3)) return WithAlpha(outline, 0.45);
    return WithAlpha(outline, 0.0);
  });
}

AssetFile Png(std::string name, const Image& image) {
  return {std::move(name), EncodePngRgba(image.width, image.height, image.rgba)};
}

}  // namespace

std::vector<AssetFile> BuildAssets() {
  const std::string fontText = FontDescription("font_1_0.png");
  std::vector<AssetFile> files;
  files.push_back(Png("Name.PNG", NameLogo()));
  files.push_back({"font_1.zfi", std::vector<uint8_t>(fontText.begin(), fontText.end())});
  files.push_back(Png("font_1_0.png", FontPage()));
  const Colour themes[3] = {Rgb(0.24, 0.42, 0.64), Rgb(0.24, 0.54, 0.32), Rgb(0.66, 0.22, 0.22)};
  const char* const buttons[3] = {"PBT", "PBT1", "PBT2"};
  for (int i = 0; i < 3; ++i) {
    files.push_back(Png(std::string(buttons[i]) + ".PNG", Button(themes[i], false)));
    files.push_back(Png(std::string(buttons[i]) + "_g.PNG", Button(themes[i], true)));
  }
  files.push_back(Png("particle1.PNG", SmokePuffs()));
  files.push_back(Png("particle2.PNG", Sparks()));
  files.push_back(Png("sky_m.PNG", NightSky()));
  files.push_back(Png("bg.PNG", FloorTiles()));
  files.push_back(Png("mtile.png", MapTiles()));
  files.push_back(Png("Angle.png", ConeLight()));
  return files;
}

}  // namespace assets
