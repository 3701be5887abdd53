// SPDX-License-Identifier: Zlib
#include "asset_set.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <vector>

namespace assets {

std::string DejaVuFile(const std::string& fileName) {
  return std::string(ASSETS_FONT_DIR) + "/" + fileName;
}

TrueType::TrueType(const std::string& path, int pixels) {
  if (TTF_Init() != 0) throw std::runtime_error(std::string("SDL2_ttf: ") + TTF_GetError());
  font_ = TTF_OpenFont(path.c_str(), pixels);
  if (!font_) {
    const std::string why = TTF_GetError();
    TTF_Quit();
    throw std::runtime_error("cannot open the font " + path + ": " + why);
  }
}

TrueType::~TrueType() {
  TTF_CloseFont(font_);
  TTF_Quit();
}

constexpr SDL_Color kWhite = {255, 255, 255, 255};

static Image TakeSurface(SDL_Surface* rendered, const std::string& what) {
  if (!rendered) throw std::runtime_error("SDL2_ttf cannot render " + what + ": " + TTF_GetError());
  std::unique_ptr<SDL_Surface, decltype(&SDL_FreeSurface)> owned(rendered, SDL_FreeSurface);
  return FromSurface(rendered);
}

Image RenderLine(const TrueType& font, const std::string& text) {
  return TakeSurface(TTF_RenderUTF8_Blended(font.get(), text.c_str(), kWhite), "'" + text + "'");
}

namespace {

constexpr int kColumns = 16;  // glyph cells in a row of the page
constexpr int kGap = 1;       // clear pixels around every glyph's cell

int NextPowerOfTwo(int v) {
  int p = 1;
  while (p < v) p *= 2;
  return p;
}

// A glyph as SDL2_ttf draws it alone on a line, and where its ink lies on that picture.
struct Glyph {
  int codepoint = 0;
  Image line{1, 1};
  int originX = 0;  // the pen's start on the picture; its row 0 is the line's top
  int advance = 0;
  int left = 0, top = 0, width = 0, height = 0;  // box around every inked pixel
};

Glyph RenderGlyph(TTF_Font* font, int codepoint) {
  Glyph g;
  g.codepoint = codepoint;
  int minX = 0, maxX = 0, minY = 0, maxY = 0;
  // A font without the glyph would quietly draw its placeholder box instead.
  if (!TTF_GlyphIsProvided32(font, Uint32(codepoint)) ||
      TTF_GlyphMetrics32(font, Uint32(codepoint), &minX, &maxX, &minY, &maxY, &g.advance) != 0)
    throw std::runtime_error("the font has no glyph " + std::to_string(codepoint));
  g.line = TakeSurface(TTF_RenderGlyph32_Blended(font, Uint32(codepoint), kWhite),
                       "glyph " + std::to_string(codepoint));
  // A glyph reaching left of the pen widens its picture on that side.
  g.originX = std::max(0, -minX);
  int x0 = g.line.width, y0 = g.line.height, x1 = -1, y1 = -1;
  for (int y = 0; y < g.line.height; ++y)
    for (int x = 0; x < g.line.width; ++x)
      if (g.line.Get(x, y).a != 0) {
        x0 = std::min(x0, x), x1 = std::max(x1, x);
        y0 = std::min(y0, y), y1 = std::max(y1, y);
      }
  if (x1 >= 0) g.left = x0, g.top = y0, g.width = x1 - x0 + 1, g.height = y1 - y0 + 1;
  return g;
}

// Printable ASCII, 32..126: the glyphs a font description lists.
constexpr int kFirstGlyph = 32;
constexpr int kLastGlyph = 126;

struct FontPage {
  Image page;               // white glyphs whose alpha is their coverage, on transparent white
  std::string description;  // the engine's font description, naming the page file
};

// Every glyph cut to its ink and set apart from its neighbours, so that the engine's linear
// filtering never bleeds one into the next, on a page with power-of-two sides.
FontPage MakeFontPage(const TrueType& font, const std::string& pageFile) {
  std::vector<Glyph> glyphs;
  int cellW = 0, cellH = 0;
  for (int cp = kFirstGlyph; cp <= kLastGlyph; ++cp) {
    glyphs.push_back(RenderGlyph(font.get(), cp));
    cellW = std::max(cellW, glyphs.back().width + 2 * kGap);
    cellH = std::max(cellH, glyphs.back().height + 2 * kGap);
  }
  const int rows = (int(glyphs.size()) + kColumns - 1) / kColumns;
  FontPage out{Image(NextPowerOfTwo(kColumns * cellW), NextPowerOfTwo(rows * cellH)), {}};
  Image& page = out.page;
  for (size_t i = 0; i < page.rgba.size(); i += 4) page.rgba[i] = page.rgba[i + 1] = page.rgba[i + 2] = 255;

  out.description =
      "# The game's text font: DejaVu Sans Mono, printable ASCII, each glyph cut to its ink.\n"
      "# glyph <codepoint> <x> <y> <w> <h> <xoffset> <yoffset> <advance>\n"
      "# The box x, y, w, h of the page is drawn at the pen plus the offsets, the pen standing\n"
      "# at the top of the line; the pen then moves on by the advance.\n"
      "zfi 1\n"
      "page " + pageFile + "\n"
      "line " + std::to_string(TTF_FontLineSkip(font.get())) + "\n";
  for (size_t i = 0; i < glyphs.size(); ++i) {
    const Glyph& g = glyphs[i];
    const int x = int(i) % kColumns * cellW + kGap, y = int(i) / kColumns * cellH + kGap;
    for (int row = 0; row < g.height; ++row)
      for (int col = 0; col < g.width; ++col) {
        const size_t from = (size_t(g.top + row) * size_t(g.line.width) + size_t(g.left + col)) * 4 + 3;
        page.rgba[(size_t(y + row) * size_t(page.width) + size_t(x + col)) * 4 + 3] = g.line.rgba[from];
      }
    // An inkless glyph (the space) keeps an empty box at the cell's corner.
    const int xOffset = g.width ? g.left - g.originX : 0, yOffset = g.height ? g.top : 0;
    out.description += "glyph";
    for (const int v : {g.codepoint, x, y, g.width, g.height, xOffset, yOffset, g.advance})
      out.description += " " + std::to_string(v);
    out.description += "\n";
  }
  return out;
}


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
    const double heat = Clamp01(std::max(main, 0.8 * diagonal) + Blob(r, 6.0 - 2.0 * t) + 0.45 * glow * glow);
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
  static const Colour shades[3] = {Rgb(0.62, 0.30, 0.22), Rgb(0.55, 0.26, 0.20), Rgb(0.67, 0.35, 0.25)};
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

// The game's name in DejaVu Sans Bold, golden with a dark outline and a drop shadow.
Image NameLogo() {
  constexpr int kW = 256, kH = 64;
  const TrueType bold(DejaVuFile("DejaVuSans-Bold.ttf"), 32);
  const Image line = RenderLine(bold, "STEALTHBOX");
  int inkTop = line.height, inkBottom = -1;
  for (int y = 0; y < line.height; ++y)
    for (int x = 0; x < line.width; ++x)
      if (line.Get(x, y).a != 0)
        inkTop = std::min(inkTop, y), inkBottom = std::max(inkBottom, y);
  // The ink centred, with room for the outline and the shadow.
  const int inkHeight = inkBottom - inkTop + 1;
  if (line.width + 8 > kW || inkHeight + 8 > kH)
    throw std::runtime_error("the name does not fit its picture");
  const int x0 = (kW - line.width) / 2 - 1, y0 = (kH - inkHeight) / 2 - 1 - inkTop;
  auto ink = [&](int x, int y) { return line.Get(x - x0, y - y0).a; };
  auto near = [&](int x, int y) {
    double most = 0.0;
    for (int dy = -2; dy <= 2; ++dy)
      for (int dx = -2; dx <= 2; ++dx)
        if (dx * dx + dy * dy <= 5) most = std::max(most, ink(x + dx, y + dy));
    return most;
  };
  const Colour outline = Rgb(0.10, 0.07, 0.05);
  return Paint(kW, kH, [&](double x, double y) {
    const int ix = int(x), iy = int(y);
    const double t = Clamp01(double(iy - y0 - inkTop) / inkHeight);
    Colour gold = Mix(Rgb(1.0, 0.86, 0.38), Rgb(0.92, 0.46, 0.12), t);
    gold = Lighten(gold, 0.35 * Clamp01(ink(ix, iy) - ink(ix, iy - 1)));  // lit upper edges
    const Colour shadow = WithAlpha(outline, 0.45 * near(ix - 3, iy - 3));
    return Over(WithAlpha(gold, ink(ix, iy)), Over(WithAlpha(outline, near(ix, iy)), shadow));
  });
}

// Area of the pixel centred on c that lies between a0 and a1, along one axis.
double Overlap(double c, double a0, double a1) {
  return Clamp01(std::min(a1, c + 0.5) - std::max(a0, c - 0.5));
}

// A square of the icon, given by its centre and side as parts of the icon's side, set on
// whole pixels so that it stays crisp at 16 pixels too.
struct Square {
  double x0, y0, x1, y1;
  Square(double cx, double cy, double side, int size) {
    const double s = std::max(2.0, std::floor(side * size + 0.5));
    x0 = std::floor(cx * size - s / 2 + 0.5), y0 = std::floor(cy * size - s / 2 + 0.5);
    x1 = x0 + s, y1 = y0 + s;
  }
  double Cover(double x, double y) const { return Overlap(x, x0, x1) * Overlap(y, y0, y1); }
};

// A colour as the game writes it, 0xRRGGBB.
Colour Hex(uint32_t rgb) {
  return Rgb((rgb >> 16 & 0xFF) / 255.0, (rgb >> 8 & 0xFF) / 255.0, (rgb & 0xFF) / 255.0);
}

// The game's icon: a guard on the light-grey floor casting his view cone at the hero, a wall
// and a box beside them, in the game's own colours, on a rounded tile.
Image Icon(int size) {
  const double n = size;
  const Square wall(0.25, 0.25, 0.26, size), box(0.76, 0.78, 0.18, size);
  const Square guard(0.26, 0.72, 0.17, size), hero(0.72, 0.30, 0.17, size);
  // The cone from the guard's centre at the hero and on past him, 30 degrees either side
  // as in the game; its sides are lines through the tip with outward normals n1, n2.
  const double tipX = (guard.x0 + guard.x1) / 2, tipY = (guard.y0 + guard.y1) / 2;
  const double toX = (hero.x0 + hero.x1) / 2 - tipX, toY = (hero.y0 + hero.y1) / 2 - tipY;
  const double toHero = std::sqrt(toX * toX + toY * toY), reach = 1.4 * toHero;
  const double ax = toX / toHero, ay = toY / toHero;
  constexpr double kCos30 = 0.8660254037844386, kSin30 = 0.5;
  const double n1x = -(ax * kSin30 + ay * kCos30), n1y = ax * kCos30 - ay * kSin30;
  const double n2x = -ax * kSin30 + ay * kCos30, n2y = -(ax * kCos30 + ay * kSin30);
  const double inset = n / 32, corner = n * 0.16, rimWidth = std::max(1.0, n / 64);
  // Three marks above a guard who sees the hero, where there is room for them.
  const double markR = 0.028 * n, markY = guard.y0 - 0.07 * n;
  auto mark = [&](double x, double y, int i) {
    const double dx = x - tipX - i * 3.0 * markR, dy = y - markY;
    return Clamp01(markR - std::sqrt(dx * dx + dy * dy) + 0.5);
  };
  return Paint(size, size, [&](double x, double y) {
    const double d = RoundedBoxDistance(x - n / 2, y - n / 2, n / 2 - inset, n / 2 - inset, corner);
    Colour c = Mix(Rgb(0.45, 0.45, 0.45), Hex(0xCFCFCF), Clamp01(-d - rimWidth + 0.5));
    const double px = x - tipX, py = y - tipY;
    const double s = std::sqrt(px * px + py * py) / reach;
    if (s < 1.0) {
      const double side = Clamp01(0.5 - (px * n1x + py * n1y)) * Clamp01(0.5 - (px * n2x + py * n2y));
      const double fall = 1.0 - s * s;
      c = Over(WithAlpha(Mix(Rgb(1.0, 0.95, 0.74), Rgb(0.93, 0.70, 0.32), s), side * fall), c);
    }
    c = Mix(c, Hex(0x404040), wall.Cover(x, y));
    c = Mix(c, Hex(0xF0F020), box.Cover(x, y));
    c = Mix(c, Hex(0xFF2050), guard.Cover(x, y));
    c = Mix(c, Hex(0xAF5252), hero.Cover(x, y));
    if (size >= 48)
      for (int i = -1; i <= 1; ++i) c = Mix(c, Rgb(1, 1, 1), mark(x, y, i));
    return WithAlpha(c, Clamp01(0.5 - d));
  });
}

AssetFile Data(std::string name, Image image) { return {"Data/" + std::move(name), std::move(image)}; }

}  // namespace

std::vector<AssetFile> BuildAssets() {
  const TrueType mono(DejaVuFile(kTextFont), kTextPixels);
  FontPage font = MakeFontPage(mono, "font_1_0.png");
  std::vector<AssetFile> files;
  files.push_back(Data("Name.PNG", NameLogo()));
  files.push_back({"Data/font_1.zfi", std::move(font.description)});
  files.push_back(Data("font_1_0.png", std::move(font.page)));
  const Colour themes[3] = {Rgb(0.24, 0.42, 0.64), Rgb(0.24, 0.54, 0.32), Rgb(0.66, 0.22, 0.22)};
  const char* const buttons[3] = {"PBT", "PBT1", "PBT2"};
  for (int i = 0; i < 3; ++i) {
    files.push_back(Data(std::string(buttons[i]) + ".PNG", Button(themes[i], false)));
    files.push_back(Data(std::string(buttons[i]) + "_g.PNG", Button(themes[i], true)));
  }
  files.push_back(Data("particle1.PNG", SmokePuffs()));
  files.push_back(Data("particle2.PNG", Sparks()));
  files.push_back(Data("sky_m.PNG", NightSky()));
  files.push_back(Data("bg.PNG", FloorTiles()));
  files.push_back(Data("mtile.png", MapTiles()));
  files.push_back(Data("Angle.png", ConeLight()));
  for (const int size : kIconSizes)
    files.push_back({"icons/stealthbox-" + std::to_string(size) + ".png", Icon(size)});
  return files;
}

void WriteAsset(const std::filesystem::path& top, const AssetFile& file) {
  const std::filesystem::path path = top / file.path;
  std::filesystem::create_directories(path.parent_path());
  if (const auto* image = std::get_if<Image>(&file.content)) {
    SavePng(*image, path);
    return;
  }
  const std::string& text = std::get<std::string>(file.content);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(text.data(), std::streamsize(text.size()));
  out.close();
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

}  // namespace assets
