// Checks on the asset generator and on the committed Data/ folder, decoded with SDL2_image
// as the engine decodes them.
#include <SDL.h>
#include <SDL_image.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "fontFile.h"
#include "image.h"
#include "png_encode.h"

namespace {

namespace fs = std::filesystem;
const fs::path kData = ASSETS_DATA_DIR;

std::span<const uint8_t> Bytes(const std::string& s) {
  return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

struct Decoded {
  int width = 0;
  int height = 0;
  bool hasAlpha = false;
  std::vector<uint8_t> rgba;
  const uint8_t* At(int x, int y) const { return &rgba[(size_t(y) * size_t(width) + size_t(x)) * 4]; }
};

// Decodes through SDL2_image; an empty result (width 0) when it cannot.
Decoded Decode(SDL_Surface* loaded) {
  Decoded out;
  if (!loaded) return out;
  out.hasAlpha = SDL_ISPIXELFORMAT_ALPHA(loaded->format->format);
  SDL_Surface* rgba = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_RGBA32, 0);
  SDL_FreeSurface(loaded);
  if (!rgba) return out;
  out.width = rgba->w;
  out.height = rgba->h;
  for (int y = 0; y < rgba->h; ++y) {
    const auto* row = static_cast<const uint8_t*>(rgba->pixels) + size_t(y) * size_t(rgba->pitch);
    out.rgba.insert(out.rgba.end(), row, row + size_t(rgba->w) * 4);
  }
  SDL_FreeSurface(rgba);
  return out;
}

Decoded DecodeMemory(const std::vector<uint8_t>& png) {
  return Decode(IMG_Load_RW(SDL_RWFromConstMem(png.data(), int(png.size())), 1));
}

Decoded DecodeFile(const fs::path& path) { return Decode(IMG_Load(path.string().c_str())); }

bool PowerOfTwo(int v) { return v > 0 && (v & (v - 1)) == 0; }

// --- checksums and the PNG writer -------------------------------------------------------

TEST(Checksums, MatchPublishedCheckValues) {
  struct Case {
    std::string text;
    uint32_t crc, adler;
  };
  const Case cases[] = {
      {"", 0x00000000u, 0x00000001u},
      {"123456789", 0xCBF43926u, 0x091E01DEu},
      {"The quick brown fox jumps over the lazy dog", 0x414FA339u, 0x5BDC0FDAu},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(assets::Crc32(Bytes(c.text)), c.crc) << '"' << c.text << '"';
    EXPECT_EQ(assets::Adler32(Bytes(c.text)), c.adler) << '"' << c.text << '"';
  }
  // Adler-32 wraps its sums modulo 65521: a long run of 0xFF overflows them many times.
  const std::vector<uint8_t> ones(100000, 0xFF);
  uint32_t a = 1, b = 0;
  for (uint8_t v : ones) {
    a = (a + v) % 65521;
    b = (b + a) % 65521;
  }
  EXPECT_EQ(assets::Adler32(ones), (b << 16) | a);
}

struct RoundTripCase {
  const char* name;
  int width, height;
  std::function<void(assets::Random&, int x, int y, uint8_t* px, const std::vector<uint8_t>&)> fill;
};

TEST(PngWriter, DecodesToTheExactPixels) {
  const RoundTripCase cases[] = {
      {"single pixel", 1, 1, [](auto&, int, int, uint8_t* p, auto&) { p[0] = 9, p[1] = 200, p[2] = 31, p[3] = 77; }},
      {"odd size noise", 3, 5, [](auto& r, int, int, uint8_t* p, auto&) { for (int i = 0; i < 4; ++i) p[i] = uint8_t(r.Next()); }},
      {"runs longer than a match", 700, 3, [](auto&, int x, int, uint8_t* p, auto&) { p[0] = p[1] = p[2] = 255; p[3] = x < 350 ? 0 : 255; }},
      {"incompressible", 64, 64, [](auto& r, int, int, uint8_t* p, auto&) { for (int i = 0; i < 4; ++i) p[i] = uint8_t(r.Next() >> 7); }},
      {"gradients", 200, 100, [](auto&, int x, int y, uint8_t* p, auto&) { p[0] = uint8_t(x), p[1] = uint8_t(y * 2), p[2] = uint8_t(x + y), p[3] = uint8_t(255 - y); }},
      // Noise rows that repeat 60 rows later: back-references close to the 32 KiB window.
      {"far repeats", 128, 200, [](auto& r, int x, int y, uint8_t* p, const std::vector<uint8_t>& done) {
         if (y >= 60) {
           std::copy_n(&done[(size_t(y - 60) * 128 + size_t(x)) * 4], 4, p);
         } else {
           for (int i = 0; i < 4; ++i) p[i] = uint8_t(r.Next());
         }
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    assets::Random random(1234);
    std::vector<uint8_t> pixels(size_t(c.width) * size_t(c.height) * 4);
    for (int y = 0; y < c.height; ++y)
      for (int x = 0; x < c.width; ++x)
        c.fill(random, x, y, &pixels[(size_t(y) * size_t(c.width) + size_t(x)) * 4], pixels);
    const auto png = assets::EncodePngRgba(c.width, c.height, pixels);
    const Decoded back = DecodeMemory(png);
    ASSERT_EQ(back.width, c.width) << IMG_GetError();
    ASSERT_EQ(back.height, c.height);
    EXPECT_TRUE(back.hasAlpha);
    EXPECT_TRUE(back.rgba == pixels);
  }
}

TEST(PngWriter, SqueezesRepeatsAndRefusesBadInput) {
  const std::vector<uint8_t> flat(256 * 256 * 4, 128);
  // Fixed codes spend 13 bits on a 258-byte repeat: about 1 % of the raw size at best.
  EXPECT_LT(assets::EncodePngRgba(256, 256, flat).size(), flat.size() / 100);
  EXPECT_THROW(assets::EncodePngRgba(0, 4, {}), std::invalid_argument);
  EXPECT_THROW(assets::EncodePngRgba(4, -1, {}), std::invalid_argument);
  EXPECT_THROW(assets::EncodePngRgba(256, 255, flat), std::invalid_argument);
}

// --- the committed Data/ folder ---------------------------------------------------------

class DataFolder : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { IMG_Init(IMG_INIT_PNG); }
  static void TearDownTestSuite() { IMG_Quit(); }
};

TEST_F(DataFolder, HoldsExactlyTheGameFilesWellUnderAMegabyte) {
  const std::set<std::string> expected = {
      "Name.PNG",   "font_1.zfi",    "font_1_0.png",  "PBT.PNG",   "PBT_g.PNG",
      "PBT1.PNG",   "PBT1_g.PNG",    "PBT2.PNG",      "PBT2_g.PNG", "particle1.PNG",
      "particle2.PNG", "sky_m.PNG",  "bg.PNG",        "mtile.png", "Angle.png"};
  std::set<std::string> found;
  uintmax_t total = 0;
  for (const auto& entry : fs::directory_iterator(kData)) {
    found.insert(entry.path().filename().string());
    total += entry.file_size();
  }
  EXPECT_EQ(found, expected);
  EXPECT_LT(total, 1000000u);
}

// Every texture: decodes, power-of-two sides, whole frames, and its own alpha channel (the
// game loads with computed alpha, which would turn the dark parts of an opaque image see-through).
TEST_F(DataFolder, TexturesArePowerOfTwoWithWholeFrames) {
  const std::map<std::string, std::pair<int, int>> frames = {
      {"Name.PNG", {1, 1}},      {"PBT.PNG", {1, 1}},        {"PBT_g.PNG", {1, 1}},
      {"PBT1.PNG", {1, 1}},      {"PBT1_g.PNG", {1, 1}},     {"PBT2.PNG", {1, 1}},
      {"PBT2_g.PNG", {1, 1}},    {"particle1.PNG", {64, 64}}, {"particle2.PNG", {64, 64}},
      {"sky_m.PNG", {512, 256}}, {"bg.PNG", {1, 1}},         {"mtile.png", {64, 64}},
      {"Angle.png", {1, 1}},     {"font_1_0.png", {1, 1}}};
  for (const auto& [name, frame] : frames) {
    SCOPED_TRACE(name);
    const Decoded image = DecodeFile(kData / name);
    ASSERT_GT(image.width, 0) << IMG_GetError();
    EXPECT_TRUE(PowerOfTwo(image.width) && PowerOfTwo(image.height))
        << image.width << "x" << image.height;
    EXPECT_EQ(image.width % frame.first, 0);
    EXPECT_EQ(image.height % frame.second, 0);
    EXPECT_GE(image.width, frame.first);
    EXPECT_GE(image.height, frame.second);
    EXPECT_TRUE(image.hasAlpha);
  }
}

// Frames of a sheet are drawn one at a time: none may spill into its neighbour.
TEST_F(DataFolder, ParticleFramesFadeOutBeforeTheirEdges) {
  for (const char* name : {"particle1.PNG", "particle2.PNG"}) {
    SCOPED_TRACE(name);
    const Decoded sheet = DecodeFile(kData / name);
    ASSERT_GT(sheet.width, 0);
    int visibleFrames = 0;
    for (int fy = 0; fy < sheet.height; fy += 64)
      for (int fx = 0; fx < sheet.width; fx += 64) {
        int inked = 0;
        for (int i = 0; i < 64; ++i) {
          EXPECT_EQ(sheet.At(fx + i, fy)[3], 0);
          EXPECT_EQ(sheet.At(fx + i, fy + 63)[3], 0);
          EXPECT_EQ(sheet.At(fx, fy + i)[3], 0);
          EXPECT_EQ(sheet.At(fx + 63, fy + i)[3], 0);
          inked += sheet.At(fx + 32, fy + i)[3] > 0;
        }
        visibleFrames += inked > 0;
      }
    EXPECT_EQ(visibleFrames, sheet.width / 64 * (sheet.height / 64));
  }
}

class ConeLight : public DataFolder {
 protected:
  void SetUp() override {
    image = DecodeFile(kData / "Angle.png");
    ASSERT_GT(image.width, 0) << IMG_GetError();
    ASSERT_EQ(image.width, image.height);
  }
  // Distance of a pixel's centre from the texture's centre, in texture units.
  double Radius(int x, int y) const {
    const double dx = (x + 0.5) / image.width - 0.5, dy = (y + 0.5) / image.height - 0.5;
    return std::sqrt(dx * dx + dy * dy);
  }
  static int Luma(const uint8_t* p) { return 299 * p[0] + 587 * p[1] + 114 * p[2]; }
  Decoded image;
};

TEST_F(ConeLight, IsBrightestAndMostOpaqueAtTheTip) {
  const uint8_t* centre = image.At(image.width / 2, image.height / 2);
  EXPECT_EQ(centre[3], 255);
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x) {
      const uint8_t* p = image.At(x, y);
      ASSERT_LE(p[3], centre[3]) << x << "," << y;
      if (p[3] > 0) {
        ASSERT_LE(Luma(p), Luma(centre)) << x << "," << y;
      }
    }
}

TEST_F(ConeLight, FadesSmoothlyToNothingByHalfTheSide) {
  const int last = image.width - 1;
  for (const auto& [x, y] : {std::pair{0, 0}, {last, 0}, {0, last}, {last, last}})
    EXPECT_EQ(image.At(x, y)[3], 0) << "corner " << x << "," << y;

  // Alpha never rises from the tip outward, over every pixel of the texture.
  std::vector<std::pair<double, int>> byRadius;
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x) {
      const double r = Radius(x, y);
      const int alpha = image.At(x, y)[3];
      if (r >= 0.5) {
        ASSERT_EQ(alpha, 0) << x << "," << y << " at radius " << r;
      }
      byRadius.push_back({r, alpha});
    }
  std::sort(byRadius.begin(), byRadius.end());
  for (size_t i = 1; i < byRadius.size(); ++i)
    ASSERT_LE(byRadius[i].second, byRadius[i - 1].second) << "at radius " << byRadius[i].first;

  // Smooth: no step between neighbours along a ray from the tip larger than a few levels.
  const int c = image.width / 2;
  for (int x = c + 1; x < image.width; ++x)
    EXPECT_LE(image.At(x - 1, c)[3] - image.At(x, c)[3], 8) << "at x " << x;
  // The cone reaches 0.4975 of the side: its last quarter still carries some light.
  EXPECT_GT(image.At(c + image.width * 3 / 8, c)[3], 16);
}

// The game draws the cone tinted white at alpha 187 over a 0xCFCFCF floor: it must show
// there, at the tip and halfway along the rays.
TEST_F(ConeLight, ShowsOverTheLightGreyFloor) {
  const int c = image.width / 2;
  for (const int x : {c, c + image.width / 4}) {
    const uint8_t* p = image.At(x, c);
    const double a = p[3] / 255.0 * 187.0 / 255.0;
    int strongest = 0;
    for (int ch = 0; ch < 3; ++ch) {
      const double shown = p[ch] * a + 0xCF * (1.0 - a);
      strongest = std::max(strongest, int(std::abs(shown - 0xCF)));
    }
    EXPECT_GE(strongest, 24) << "at x " << x;
    EXPECT_GE(p[0], p[1]);  // warm: red over green over blue
    EXPECT_GE(p[1], p[2]);
  }
}

// The font description read by the engine's own parser, then matched with its page.
engine::FontInfo ReadFont(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  engine::FontInfo font;
  const std::string error = engine::ParseFontFile(text, font);
  EXPECT_EQ(error, "") << path;
  return font;
}

TEST_F(DataFolder, FontGlyphsLieOnItsPageAndCoverPrintableAscii) {
  const fs::path zfi = kData / "font_1.zfi";
  ASSERT_LT(fs::file_size(zfi), 1u << 20);
  const engine::FontInfo font = ReadFont(zfi);
  ASSERT_FALSE(font.page.empty());
  const Decoded page = DecodeFile(kData / font.page);
  ASSERT_GT(page.width, 0) << IMG_GetError();

  std::vector<bool> covered(size_t(page.width) * size_t(page.height), false);
  for (uint32_t cp = 32; cp <= 126; ++cp) {
    const auto it = std::find_if(font.glyphs.begin(), font.glyphs.end(),
                                 [cp](const engine::GlyphInfo& g) { return g.codepoint == cp; });
    ASSERT_NE(it, font.glyphs.end()) << "no glyph for " << cp;
    const engine::GlyphInfo& g = *it;
    ASSERT_TRUE(g.x + g.w <= page.width && g.y + g.h <= page.height) << "glyph " << cp << " leaves the page";
    EXPECT_GT(g.advance, 0);
    int inked = 0;
    for (int32_t y = g.y; y < g.y + g.h; ++y)
      for (int32_t x = g.x; x < g.x + g.w; ++x) {
        covered[size_t(y) * size_t(page.width) + size_t(x)] = true;
        inked += page.At(int(x), int(y))[3] > 0;
      }
    EXPECT_EQ(inked > 0, cp != ' ') << "glyph " << cp << " (" << char(cp) << ")";
  }
  // No ink of the page outside every glyph box: a box that misses part of its letter shows up.
  for (int y = 0; y < page.height; ++y)
    for (int x = 0; x < page.width; ++x)
      if (!covered[size_t(y) * size_t(page.width) + size_t(x)]) {
        ASSERT_EQ(page.At(x, y)[3], 0) << "stray ink at " << x << "," << y;
      }
}

}  // namespace
