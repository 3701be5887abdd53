// SPDX-License-Identifier: Zlib
// Checks on the asset generator and on the committed Data/ and icons/ folders, decoded with
// SDL2_image as the engine decodes them.
#include <SDL.h>
#include <SDL_image.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "asset_set.h"
#include "fontFile.h"
#include "temp_dir.h"

namespace {

namespace fs = std::filesystem;
const fs::path kTop = ASSETS_TOP_DIR;
const fs::path kData = kTop / "Data";

const uint8_t* At(const assets::Image& image, int x, int y) {
  return &image.rgba[(size_t(y) * size_t(image.width) + size_t(x)) * 4];
}

// Decoded as the engine decodes it; the test fails and stops (an exception) when it cannot be.
assets::Image Load(const fs::path& file) {
  auto image = assets::LoadPng(file);
  if (!image) throw std::runtime_error(file.string() + ": " + IMG_GetError());
  return std::move(*image);
}

// The file carries its own alpha channel: the game loads with computed alpha, which would turn
// the dark parts of an opaque picture see-through.
bool FileHasAlpha(const fs::path& file) {
  SDL_Surface* loaded = IMG_Load(file.string().c_str());
  const bool alpha = loaded && SDL_ISPIXELFORMAT_ALPHA(loaded->format->format);
  SDL_FreeSurface(loaded);
  return alpha;
}

bool PowerOfTwo(int v) { return v > 0 && (v & (v - 1)) == 0; }

// --- the committed files are what the generator makes ----------------------------------

// Pixels and text, not file bytes: another zlib or libpng packs the same pixels differently.
TEST(Remake, CommittedDataAndIconsAreWhatTheGeneratorMakes) {
  const auto files = assets::BuildAssets();
  std::set<std::string> made;
  for (const auto& file : files) {
    SCOPED_TRACE(file.path);
    made.insert(file.path);
    const fs::path committed = kTop / file.path;
    ASSERT_TRUE(fs::is_regular_file(committed)) << "not committed";
    if (const auto* text = std::get_if<std::string>(&file.content)) {
      EXPECT_TRUE(e2e::ReadFile(committed) == *text) << "text differs";
      continue;
    }
    const auto& fresh = std::get<assets::Image>(file.content);
    const assets::Image kept = Load(committed);
    ASSERT_EQ(kept.width, fresh.width);
    ASSERT_EQ(kept.height, fresh.height);
    const auto diff = std::mismatch(kept.rgba.begin(), kept.rgba.end(), fresh.rgba.begin());
    if (diff.first != kept.rgba.end()) {
      const size_t pixel = size_t(diff.first - kept.rgba.begin()) / 4;
      ADD_FAILURE() << "pixels differ, first at " << pixel % size_t(kept.width) << ","
                    << pixel / size_t(kept.width);
    }
  }
  // Nothing left over from an older generator either.
  for (const char* folder : {"Data", "icons"})
    for (const auto& entry : fs::directory_iterator(kTop / folder)) {
      const std::string path = std::string(folder) + "/" + entry.path().filename().string();
      EXPECT_TRUE(made.count(path)) << path << " is committed but not made";
    }
  if (HasFailure())
    ADD_FAILURE() << "Rerun `make_assets .` from the repository's top folder and commit the result.";
}

// --- the committed Data/ folder ---------------------------------------------------------

TEST(DataFolder, HoldsExactlyTheGameFilesWellUnderAMegabyte) {
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

// Every texture: decodes, power-of-two sides, whole frames, and its own alpha channel.
TEST(DataFolder, TexturesArePowerOfTwoWithWholeFrames) {
  const std::map<std::string, std::pair<int, int>> frames = {
      {"Name.PNG", {1, 1}},      {"PBT.PNG", {1, 1}},        {"PBT_g.PNG", {1, 1}},
      {"PBT1.PNG", {1, 1}},      {"PBT1_g.PNG", {1, 1}},     {"PBT2.PNG", {1, 1}},
      {"PBT2_g.PNG", {1, 1}},    {"particle1.PNG", {64, 64}}, {"particle2.PNG", {64, 64}},
      {"sky_m.PNG", {512, 256}}, {"bg.PNG", {1, 1}},         {"mtile.png", {64, 64}},
      {"Angle.png", {1, 1}},     {"font_1_0.png", {1, 1}}};
  for (const auto& [name, frame] : frames) {
    SCOPED_TRACE(name);
    const assets::Image image = Load(kData / name);
    EXPECT_TRUE(PowerOfTwo(image.width) && PowerOfTwo(image.height)) << image.width << "x" << image.height;
    EXPECT_EQ(image.width % frame.first, 0);
    EXPECT_EQ(image.height % frame.second, 0);
    EXPECT_GE(image.width, frame.first);
    EXPECT_GE(image.height, frame.second);
    EXPECT_TRUE(FileHasAlpha(kData / name));
  }
}

// Frames of a sheet are drawn one at a time: none may spill into its neighbour.
TEST(DataFolder, ParticleFramesFadeOutBeforeTheirEdges) {
  for (const char* name : {"particle1.PNG", "particle2.PNG"}) {
    SCOPED_TRACE(name);
    const assets::Image sheet = Load(kData / name);
    int visibleFrames = 0;
    for (int fy = 0; fy < sheet.height; fy += 64)
      for (int fx = 0; fx < sheet.width; fx += 64) {
        int inked = 0;
        for (int i = 0; i < 64; ++i) {
          EXPECT_EQ(At(sheet, fx + i, fy)[3], 0);
          EXPECT_EQ(At(sheet, fx + i, fy + 63)[3], 0);
          EXPECT_EQ(At(sheet, fx, fy + i)[3], 0);
          EXPECT_EQ(At(sheet, fx + 63, fy + i)[3], 0);
          inked += At(sheet, fx + 32, fy + i)[3] > 0;
        }
        visibleFrames += inked > 0;
      }
    EXPECT_EQ(visibleFrames, sheet.width / 64 * (sheet.height / 64));
  }
}

class ConeLight : public ::testing::Test {
 protected:
  void SetUp() override {
    image = Load(kData / "Angle.png");
    ASSERT_EQ(image.width, image.height);
  }
  // Distance of a pixel's centre from the texture's centre, in texture units.
  double Radius(int x, int y) const {
    const double dx = (x + 0.5) / image.width - 0.5, dy = (y + 0.5) / image.height - 0.5;
    return std::sqrt(dx * dx + dy * dy);
  }
  static int Luma(const uint8_t* p) { return 299 * p[0] + 587 * p[1] + 114 * p[2]; }
  assets::Image image{1, 1};
};

TEST_F(ConeLight, IsBrightestAndMostOpaqueAtTheTip) {
  const uint8_t* centre = At(image, image.width / 2, image.height / 2);
  EXPECT_EQ(centre[3], 255);
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x) {
      const uint8_t* p = At(image, x, y);
      ASSERT_LE(p[3], centre[3]) << x << "," << y;
      if (p[3] > 0) {
        ASSERT_LE(Luma(p), Luma(centre)) << x << "," << y;
      }
    }
}

TEST_F(ConeLight, FadesSmoothlyToNothingByHalfTheSide) {
  const int last = image.width - 1;
  for (const auto& [x, y] : {std::pair{0, 0}, {last, 0}, {0, last}, {last, last}})
    EXPECT_EQ(At(image, x, y)[3], 0) << "corner " << x << "," << y;

  // Alpha never rises from the tip outward, over every pixel of the texture.
  std::vector<std::pair<double, int>> byRadius;
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x) {
      const double r = Radius(x, y);
      const int alpha = At(image, x, y)[3];
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
    EXPECT_LE(At(image, x - 1, c)[3] - At(image, x, c)[3], 8) << "at x " << x;
  // The cone reaches 0.4975 of the side: its last quarter still carries some light.
  EXPECT_GT(At(image, c + image.width * 3 / 8, c)[3], 16);
}

// The game draws the cone tinted white at alpha 187 over a 0xCFCFCF floor: it must show
// there, at the tip and halfway along the rays.
TEST_F(ConeLight, ShowsOverTheLightGreyFloor) {
  const int c = image.width / 2;
  for (const int x : {c, c + image.width / 4}) {
    const uint8_t* p = At(image, x, c);
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
  engine::FontInfo font;
  const std::string error = engine::ParseFontFile(e2e::ReadFile(path), font);
  EXPECT_EQ(error, "") << path;
  return font;
}

TEST(DataFolder, FontGlyphsLieOnItsPageAndCoverPrintableAscii) {
  const fs::path zfi = kData / "font_1.zfi";
  ASSERT_LT(fs::file_size(zfi), 1u << 20);
  const engine::FontInfo font = ReadFont(zfi);
  ASSERT_FALSE(font.page.empty());
  const assets::Image page = Load(kData / font.page);

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
        inked += At(page, int(x), int(y))[3] > 0;
      }
    EXPECT_EQ(inked > 0, cp != ' ') << "glyph " << cp << " (" << char(cp) << ")";
  }
  // No ink of the page outside every glyph box: a box that misses part of its letter shows up.
  for (int y = 0; y < page.height; ++y)
    for (int x = 0; x < page.width; ++x)
      if (!covered[size_t(y) * size_t(page.width) + size_t(x)]) {
        ASSERT_EQ(At(page, x, y)[3], 0) << "stray ink at " << x << "," << y;
      }
}

// Text set from the committed page by the description's boxes, offsets and advances comes out
// as SDL2_ttf draws the same line itself: a box or an offset off by one pixel shows up.
TEST(DataFolder, TextSetFromThePageIsTheFontsOwnRendering) {
  const engine::FontInfo font = ReadFont(kData / "font_1.zfi");
  const assets::Image page = Load(kData / font.page);
  const assets::TrueType ttf(assets::DejaVuFile(assets::kTextFont), assets::kTextPixels);
  EXPECT_EQ(font.lineHeight, TTF_FontLineSkip(ttf.get()));

  for (const std::string text : {"Stealthbox {guard} seen: 1..3 marks!", "jqy_|gp@$ #W%&'~`^?<>"}) {
    SCOPED_TRACE(text);
    const assets::Image reference = assets::RenderLine(ttf, text);
    std::vector<uint8_t> set(size_t(reference.width) * size_t(reference.height), 0);
    int pen = 0;
    for (const char ch : text) {
      const auto g = std::find_if(font.glyphs.begin(), font.glyphs.end(),
                                  [ch](const engine::GlyphInfo& info) { return info.codepoint == uint32_t(ch); });
      ASSERT_NE(g, font.glyphs.end()) << ch;
      for (int32_t y = 0; y < g->h; ++y)
        for (int32_t x = 0; x < g->w; ++x) {
          const int32_t tx = pen + g->xOffset + x, ty = g->yOffset + y;
          ASSERT_TRUE(tx >= 0 && ty >= 0 && tx < reference.width && ty < reference.height) << "glyph " << ch;
          uint8_t& to = set[size_t(ty) * size_t(reference.width) + size_t(tx)];
          to = std::max(to, At(page, g->x + x, g->y + y)[3]);
        }
      pen += g->advance;
    }
    EXPECT_EQ(pen, reference.width);
    for (int y = 0; y < reference.height; ++y)
      for (int x = 0; x < reference.width; ++x)
        ASSERT_EQ(set[size_t(y) * size_t(reference.width) + size_t(x)], At(reference, x, y)[3])
            << x << "," << y;
  }
}

// --- the icon -----------------------------------------------------------------------------

uint32_t Rgb(const uint8_t* p) { return uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2]; }

// Every size is a square RGBA picture: a tile with see-through corners that shows, even at
// 16 pixels, the floor, a wall, a box, a guard and the hero in the game's colours, and a cone.
TEST(Icon, EverySizeShowsTheGameOnATile) {
  for (const int size : assets::kIconSizes) {
    SCOPED_TRACE(size);
    const fs::path file = kTop / "icons" / ("stealthbox-" + std::to_string(size) + ".png");
    const assets::Image icon = Load(file);
    EXPECT_TRUE(FileHasAlpha(file));
    ASSERT_EQ(icon.width, size);
    ASSERT_EQ(icon.height, size);
    const int last = size - 1;
    for (const auto& [x, y] : {std::pair{0, 0}, {last, 0}, {0, last}, {last, last}})
      EXPECT_EQ(At(icon, x, y)[3], 0) << "corner " << x << "," << y;

    std::map<uint32_t, int> opaque;
    int warm = 0;
    for (int y = 0; y < size; ++y)
      for (int x = 0; x < size; ++x) {
        const uint8_t* p = At(icon, x, y);
        if (p[3] == 255) ++opaque[Rgb(p)];
        warm += p[3] == 255 && p[0] > p[2] + 24 && p[1] > p[2] + 8 && Rgb(p) != 0xF0F020;  // the cone's light
      }
    for (const uint32_t colour : {0xCFCFCFu, 0x404040u, 0xF0F020u, 0xFF2050u, 0xAF5252u})
      EXPECT_GE(opaque[colour], 4) << std::hex << "colour 0x" << colour;
    EXPECT_GE(warm, size * size / 50);
  }
}

}  // namespace
