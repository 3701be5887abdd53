// SPDX-License-Identifier: Zlib
// Loading: asset names as the game writes them, the font description's
// grammar, images with and without alpha, and every kind of bad input
// (missing and corrupt files, malformed fonts, null handles, FIFOs and folders
// under an asset's name, other formats and huge sizes under a PNG's): a null
// result or nothing drawn, one line on stderr, never a crash, a hang or much
// memory.
#ifndef _WIN32
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <chrono>
#include <csignal>
#include <filesystem>
#include <functional>
#include <string>

#include "assetPath.h"
#include "assets.h"
#include "stopSignals.h"
#include "engine_test_support.h"
#include "fontFile.h"

namespace {

using engine::Core;
using enginetest::TempDir;
using testing::HasSubstr;

const char* const kGoodFont =
    "# a test font\n"
    "zfi 1\n"
    "\n"
    "page glyphs.png\n"
    "line 16\n"
    "glyph 65 0 0 8 12 0 2 9\n"
    "glyph 32 8 0 0 0 0 0 4\n"
    "glyph 1114111 0 0 1 1 -1024 1024 4096\n";

TEST(FontFile, AcceptsTheGrammarWithCommentsBlankLinesAndCrlf) {
  engine::FontInfo font;
  ASSERT_EQ(engine::ParseFontFile(kGoodFont, font), "");
  EXPECT_EQ(font.page, "glyphs.png");
  EXPECT_EQ(font.lineHeight, 16);
  ASSERT_EQ(font.glyphs.size(), 3u);
  EXPECT_EQ(font.glyphs[0].codepoint, 32u) << "sorted by codepoint";
  EXPECT_EQ(font.glyphs[1].advance, 9);
  EXPECT_EQ(font.glyphs[2].xOffset, -1024);

  ASSERT_EQ(engine::ParseFontFile("\xEF\xBB\xBF# a comment of many words, more than any keyword line has\r\nzfi 1\r\n  # indented comment\r\npage a\\b.png\r\nline 1\r\n"
                                  "glyph 0\t0 0 0 0 0 0 0\r\n",
                                  font),
            "");
  EXPECT_EQ(font.page, "a/b.png") << "backslashes mapped like every asset name";
}

TEST(FontFile, RejectsEveryMalformedFile) {
  const std::string body = "page p.png\nline 16\nglyph 65 0 0 8 12 0 2 9\n";
  const struct {
    const char* what;
    std::string text;
  } cases[] = {
      {"empty", ""},
      {"only comments", "# nothing\n\n"},
      {"no header", body},
      {"other version", "zfi 2\n" + body},
      {"header with extra field", "zfi 1 x\n" + body},
      {"header not first", body + "zfi 1\n"},
      {"no page", "zfi 1\nline 16\nglyph 65 0 0 8 12 0 2 9\n"},
      {"no line", "zfi 1\npage p.png\nglyph 65 0 0 8 12 0 2 9\n"},
      {"no glyphs", "zfi 1\npage p.png\nline 16\n"},
      {"two pages", "zfi 1\npage q.png\n" + body},
      {"two lines", "zfi 1\nline 8\n" + body},
      {"page without a name", "zfi 1\npage\nline 16\nglyph 65 0 0 8 12 0 2 9\n"},
      {"page name with a space", "zfi 1\npage my page.png\nline 16\nglyph 65 0 0 8 12 0 2 9\n"},
      {"absolute page", "zfi 1\npage /etc/p.png\nline 16\nglyph 65 0 0 8 12 0 2 9\n"},
      {"absolute page, backslash", "zfi 1\npage \\etc\\p.png\nline 16\nglyph 65 0 0 8 12 0 2 9\n"},
      {"drive letter", "zfi 1\npage C:p.png\nline 16\nglyph 65 0 0 8 12 0 2 9\n"},
      {"page climbing out", "zfi 1\npage ../p.png\nline 16\nglyph 65 0 0 8 12 0 2 9\n"},
      {"page name with a control character", "zfi 1\npage p\rq.png\nline 16\nglyph 65 0 0 8 12 0 2 9\n"},
      {"page name with an escape", "zfi 1\npage \x1b[2J.png\nline 16\nglyph 65 0 0 8 12 0 2 9\n"},
      {"page climbing out midway", "zfi 1\npage a\\..\\..\\p.png\nline 16\nglyph 65 0 0 8 12 0 2 9\n"},
      {"line 0", "zfi 1\npage p.png\nline 0\nglyph 65 0 0 8 12 0 2 9\n"},
      {"line 1025", "zfi 1\npage p.png\nline 1025\nglyph 65 0 0 8 12 0 2 9\n"},
      {"unknown keyword", "zfi 1\n" + body + "kerning 65 66 1\n"},
      {"glyph missing a field", "zfi 1\npage p.png\nline 16\nglyph 65 0 0 8 12 0 2\n"},
      {"glyph with an extra field", "zfi 1\npage p.png\nline 16\nglyph 65 0 0 8 12 0 2 9 1\n"},
      {"trailing comment on a glyph", "zfi 1\npage p.png\nline 16\nglyph 65 0 0 8 12 0 2 9 # A\n"},
      {"not a number", "zfi 1\npage p.png\nline 16\nglyph A 0 0 8 12 0 2 9\n"},
      {"number with junk", "zfi 1\npage p.png\nline 16\nglyph 65 0 0 8px 12 0 2 9\n"},
      {"hex number", "zfi 1\npage p.png\nline 16\nglyph 0x41 0 0 8 12 0 2 9\n"},
      {"plus sign", "zfi 1\npage p.png\nline 16\nglyph +65 0 0 8 12 0 2 9\n"},
      {"overflow", "zfi 1\npage p.png\nline 16\nglyph 65 99999999999999999999 0 8 12 0 2 9\n"},
      {"codepoint past Unicode", "zfi 1\npage p.png\nline 16\nglyph 1114112 0 0 8 12 0 2 9\n"},
      {"negative width", "zfi 1\npage p.png\nline 16\nglyph 65 0 0 -8 12 0 2 9\n"},
      {"negative x", "zfi 1\npage p.png\nline 16\nglyph 65 -1 0 8 12 0 2 9\n"},
      {"offset too far", "zfi 1\npage p.png\nline 16\nglyph 65 0 0 8 12 -1025 2 9\n"},
      {"advance too far", "zfi 1\npage p.png\nline 16\nglyph 65 0 0 8 12 0 2 4097\n"},
      {"duplicate codepoint", "zfi 1\n" + body + "glyph 65 8 0 8 12 0 2 9\n"},
      {"NUL byte", std::string("zfi 1\npage p.png\0\nline 16\nglyph 65 0 0 8 12 0 2 9\n", 47)},
      {"over 1 MiB", "zfi 1\n" + body + std::string(engine::kMaxFontFileBytes, '#')},
  };
  for (const auto& c : cases) {
    engine::FontInfo font;
    EXPECT_NE(engine::ParseFontFile(c.text, font), "") << c.what;
  }
}

TEST(FontFile, GlyphsMustLieInsideThePage) {
  engine::FontInfo font;
  ASSERT_EQ(engine::ParseFontFile("zfi 1\npage p\nline 8\nglyph 65 8 0 8 8 0 0 8\n", font), "");
  EXPECT_EQ(engine::CheckGlyphsFit(font, 16, 8), "");
  EXPECT_NE(engine::CheckGlyphsFit(font, 15, 8), "");
  EXPECT_NE(engine::CheckGlyphsFit(font, 16, 7), "");
  ASSERT_EQ(engine::ParseFontFile("zfi 1\npage p\nline 8\nglyph 65 2147483647 0 2147483647 1 0 0 8\n", font), "");
  EXPECT_NE(engine::CheckGlyphsFit(font, 16, 8), "") << "no overflow in x + w";
}

// Runs in a fresh working directory and returns to the old one.
class InTempDir {
 public:
  InTempDir() : old_(std::filesystem::current_path()) { std::filesystem::current_path(dir.path()); }
  ~InTempDir() { std::filesystem::current_path(old_); }
  TempDir dir;

 private:
  std::filesystem::path old_;
};

// Where OpenAsset found the name, if anywhere.
std::optional<std::string> Found(std::string_view name, const std::string& exeDir, std::string* notes = nullptr) {
  std::string said;
  engine::AssetFile file = engine::OpenAsset(name, exeDir, said);
  if (notes) *notes = said;
  if (!file) return std::nullopt;
  return file.path();
}

// A fresh working directory and an executable's folder, each with a Data folder;
// Data/a.png beside the executable.
class AssetPath : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const std::string& dir : {here.dir.path(), exe.path()}) std::filesystem::create_directories(dir + "/Data");
    exe.Write("Data/a.png", "exe");
  }
  InTempDir here;
  TempDir exe;
};

TEST_F(AssetPath, WorkingDirectoryFirstThenBesideTheExecutable) {
  EXPECT_EQ(engine::MapAssetName("Data\\Angle.png"), "Data/Angle.png");
  EXPECT_EQ(engine::DirName("/a/b/c.png"), "/a/b");
  EXPECT_EQ(engine::DirName("c.png"), "");
  EXPECT_EQ(engine::DirName("/c.png"), "/");

  EXPECT_EQ(Found("Data\\a.png", exe.path()), (exe / "Data/a.png"));
  here.dir.Write("Data/a.png", "cwd");
  EXPECT_EQ(Found("Data\\a.png", exe.path()), "Data/a.png") << "the working directory wins";
  EXPECT_EQ(Found("Data\\missing.png", exe.path()), std::nullopt);
  std::string notes;
  EXPECT_EQ(Found("Data", exe.path(), &notes), std::nullopt) << "a folder is not an asset";
  EXPECT_EQ(notes, "here: is a folder; beside the executable: is a folder");
  EXPECT_EQ(Found("", exe.path()), std::nullopt);
  // (Windows' own backslashes come back as slashes, which it reads alike.)
  EXPECT_EQ(Found((exe / "Data/a.png"), ""), engine::MapAssetName((exe / "Data/a.png")))
      << "absolute as given";
#if defined(_WIN32)
  EXPECT_FALSE(engine::ExecutableDir().empty());
#elif defined(__EMSCRIPTEN__)
  EXPECT_EQ(engine::ExecutableDir(), "/") << "a page's files lie at the top of its file system";
#else
  EXPECT_EQ(engine::ExecutableDir(), std::filesystem::canonical("/proc/self/exe").parent_path().string());
#endif
}

#if !defined(_WIN32) && !defined(__EMSCRIPTEN__)
// Only where a process can give up its right to read every file.
TEST_F(AssetPath, AFileThatCannotBeReadFallsThroughLikeAMissingOne) {
  for (const std::string& d : {here.dir.path(), here.dir / "Data", exe.path(), exe / "Data"})
    std::filesystem::permissions(d, std::filesystem::perms(0755));
  here.dir.Write("Data/a.png", "cwd");
  std::filesystem::permissions((here.dir / "Data/a.png"), std::filesystem::perms::none);
  // Root reads any file: the lookup runs in a child that gives up root first.
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(2);
    _exit(Found("Data\\a.png", exe.path()) == (exe / "Data/a.png") ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_NE(WEXITSTATUS(status), 2) << "could not give up root";
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the unreadable copy in the working directory hid the one beside the executable";
}
#endif

#ifndef _WIN32
// Runs `work` in a child process and returns what it returned; nothing when it
// had not finished within a generous deadline. A load that waits forever (on a
// FIFO without a writer) fails the test instead of hanging it.
std::optional<std::string> WithinDeadline(const std::function<std::string()>& work) {
  int out[2];
  if (pipe(out) != 0) return std::nullopt;
  const pid_t child = fork();
  if (child == 0) {
    close(out[0]);
    const std::string said = work();
    for (size_t at = 0; at < said.size();) {
      const ssize_t n = write(out[1], said.data() + at, said.size() - at);
      if (n <= 0) _exit(1);
      at += size_t(n);
    }
    _exit(0);
  }
  close(out[1]);
  std::string said;
  bool ended = false;
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (child > 0 && !ended && std::chrono::steady_clock::now() < until) {
    pollfd ready{out[0], POLLIN, 0};
    if (poll(&ready, 1, 100) <= 0) continue;
    char buffer[4096];
    const ssize_t n = read(out[0], buffer, sizeof buffer);
    if (n > 0) said.append(buffer, size_t(n));
    ended = n == 0;
  }
  close(out[0]);
  if (child > 0 && !ended) kill(child, SIGKILL);
  int status = 0;
  if (child <= 0 || waitpid(child, &status, 0) != child || !ended || !WIFEXITED(status) ||
      WEXITSTATUS(status) != 0)
    return std::nullopt;
  return said;
}

TEST_F(AssetPath, AFifoOrALinkLoopIsPassedOverWithoutWaitingAndSaysWhatItIs) {
#ifdef __EMSCRIPTEN__
  GTEST_SKIP() << "a page's file system makes no FIFOs";
#endif
  ASSERT_EQ(mkfifo("Data/a.png", 0644), 0);
  std::filesystem::create_symlink("loop2", "Data/loop1");
  std::filesystem::create_symlink("loop1", "Data/loop2");
  for (const auto& [nameInData, expected] :
       {std::pair<std::string, std::string>{"Data\\a.png", (exe / "Data/a.png") + " | here: is a FIFO"},
        {"Data\\loop1", "none | here: is a loop of symbolic links; beside the executable: no such file"}}) {
    const std::string& name = nameInData;  // clang 14 lets no lambda capture a structured binding
    const auto found = WithinDeadline([&] {
      std::string notes;
      return Found(name, exe.path(), &notes).value_or("none") + " | " + notes;
    });
    ASSERT_TRUE(found) << name << ": still waiting after 30 s";
    EXPECT_EQ(*found, expected);
  }
}
#endif

std::string BigEndian(uint32_t v) {
  return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
}

// A PNG's signature and image header of w x h pixels, its checksum right, and
// no pixels at all: what a decoder takes the image's size from.
std::string PngHeader(uint32_t w, uint32_t h) {
  const std::string header = "IHDR" + BigEndian(w) + BigEndian(h) + std::string("\x08\x06\0\0\0", 5);
  return "\x89PNG\r\n\x1a\n" + BigEndian(13) + header + BigEndian(SDL_crc32(0, header.data(), header.size())) +
         BigEndian(0) + "IEND" + BigEndian(SDL_crc32(0, "IEND", 4));
}

TEST(PngHeader, TheSizeIsJudgedFromTheFirstBytes) {
  auto check = [](const std::string& bytes, int largest = engine::kMaxTextureSide) {
    return engine::CheckPngHeader(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), largest,
                                  largest);
  };
  EXPECT_EQ(check(PngHeader(1, 1)), "");
  EXPECT_EQ(check(PngHeader(4096, 4096)), "");
  EXPECT_THAT(check(PngHeader(4097, 1)), HasSubstr("4097 x 1 pixels, larger than the largest texture (4096 x 4096)"));
  EXPECT_NE(check(PngHeader(64, 64), 32), "") << "the renderer's own limit, when smaller";
  EXPECT_NE(check(PngHeader(0, 16)), "");
  EXPECT_NE(check(PngHeader(16, 0x80000000u)), "");
  EXPECT_NE(check(PngHeader(16, 16).substr(0, engine::kPngHeaderBytes - 1)), "") << "cut inside the header";
  std::string other = PngHeader(16, 16);
  other.replace(12, 4, "IDAT");
  EXPECT_NE(check(other), "") << "the image header must come first";
  EXPECT_EQ(check("GIF89a\x10\0\x10\0 and the rest of a GIF"), "not a PNG image");
}

uint32_t PixelOf(SDL_Surface* s, int x, int y) {
  return reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(s->pixels) + y * s->pitch)[x];
}

TEST(PrepareSurface, ComputedAlphaComesFromBrightnessOnlyWithoutAnAlphaChannel) {
  SDL_Surface* rgb = SDL_CreateRGBSurfaceWithFormat(0, 3, 1, 24, SDL_PIXELFORMAT_RGB24);
  ASSERT_NE(rgb, nullptr);
  const uint8_t bytes[9] = {255, 255, 255, 0, 0, 0, 30, 60, 90};
  for (int i = 0; i < 9; ++i) static_cast<uint8_t*>(rgb->pixels)[i] = bytes[i];

  SDL_Surface* s = engine::PrepareSurface(rgb, zgl::kNoColorKey, zgl::kTexCalcAlpha);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(PixelOf(s, 0, 0), 0xFFFFFFFFu);
  EXPECT_EQ(PixelOf(s, 1, 0), 0x00000000u);
  EXPECT_EQ(PixelOf(s, 2, 0), 0x3C1E3C5Au) << "alpha (30 + 60 + 90) / 3 = 60";
  SDL_FreeSurface(s);

  s = engine::PrepareSurface(rgb, zgl::kNoColorKey, 0);
  EXPECT_EQ(PixelOf(s, 2, 0), 0xFF1E3C5Au) << "without the flag: opaque";
  SDL_FreeSurface(s);
  s = engine::PrepareSurface(rgb, 0x000000, 0);
  EXPECT_EQ(PixelOf(s, 1, 0) >> 24, 0u) << "the colour key is transparent";
  EXPECT_EQ(PixelOf(s, 0, 0) >> 24, 255u);
  SDL_FreeSurface(s);
  SDL_FreeSurface(rgb);

  SDL_Surface* argb = SDL_CreateRGBSurfaceWithFormat(0, 1, 1, 32, SDL_PIXELFORMAT_ARGB8888);
  *static_cast<uint32_t*>(argb->pixels) = 0x80FFFFFF;
  s = engine::PrepareSurface(argb, zgl::kNoColorKey, zgl::kTexCalcAlpha);
  EXPECT_EQ(PixelOf(s, 0, 0), 0x80FFFFFFu) << "an image's own alpha is kept";
  SDL_FreeSurface(s);
  SDL_FreeSurface(argb);
  EXPECT_EQ(engine::PrepareSurface(nullptr, zgl::kNoColorKey, 0), nullptr);
}

// Each in a fresh working directory.
class Loading : public enginetest::DisplayTest {
 protected:
  InTempDir here;
  // Runs `load` and returns what it wrote on stderr.
  template <typename F>
  std::string Stderr(F load) {
    testing::internal::CaptureStderr();
    load();
    return testing::internal::GetCapturedStderr();
  }
  // The engine's own lines ("ZenGL: ..."); libpng adds one of its own for a damaged file.
  static int Lines(const std::string& text) {
    int n = 0;
    for (size_t at = text.find("ZenGL: "); at != std::string::npos; at = text.find("ZenGL: ", at + 1)) ++n;
    return n;
  }
};

TEST_F(Loading, APngByTheGamesNameWithItsFlags) {
  std::filesystem::create_directories("Data");
  enginetest::SavePng("Data/Wall.png", 8, 4, [](int, int) { return 0xFF102030u; });
  Texture* linear = tex_LoadFromFile("Data\\Wall.png", zgl::kNoColorKey, 0x432);
  ASSERT_NE(linear, nullptr);
  EXPECT_EQ(linear->width, 8);
  EXPECT_EQ(linear->height, 4);
  SDL_ScaleMode mode;
  ASSERT_EQ(SDL_GetTextureScaleMode(linear->handle, &mode), 0);
  EXPECT_EQ(mode, SDL_ScaleModeLinear);
  Texture* nearest = tex_LoadFromFile("Data\\Wall.png", zgl::kNoColorKey, zgl::kTexClamp);
  ASSERT_EQ(SDL_GetTextureScaleMode(nearest->handle, &mode), 0);
  EXPECT_EQ(mode, SDL_ScaleModeNearest);

  tex_SetFrameSize(&linear, 4, 2);
  EXPECT_EQ(linear->frameWidth, 4);
  EXPECT_EQ(linear->frameHeight, 2);
}

TEST_F(Loading, MissingOrCorruptImageIsNullWithOneLineNamingIt) {
  here.dir.Write("garbage.png", "this is not a PNG at all");
  enginetest::SavePng((here.dir / "whole.png"), 16, 16, [](int x, int y) { return 0xFF000000u | (x * y); });
  const std::string png = e2e::ReadFile(here.dir / "whole.png");
  here.dir.Write("truncated.png", png.substr(0, png.size() / 2));
  here.dir.Write("empty.png", "");
  std::filesystem::create_directories("folder.png");

  for (const char* name : {"Data\\missing.png", "garbage.png", "truncated.png", "empty.png", "folder.png"}) {
    Texture* t = reinterpret_cast<Texture*>(1);
    const std::string err = Stderr([&] { t = tex_LoadFromFile(name, zgl::kNoColorKey, 0x432); });
    EXPECT_EQ(t, nullptr) << name;
    EXPECT_THAT(err, HasSubstr(name));
    EXPECT_EQ(Lines(err), 1) << err;
  }
  const std::string err = Stderr([] { tex_LoadFromFile("folder.png", zgl::kNoColorKey, 0x432); });
  EXPECT_THAT(err, HasSubstr("'folder.png': here: is a folder")) << "not \"no such file\"";
}

TEST_F(Loading, AFontAndItsPage) {
  std::filesystem::create_directories("Data/fonts");
  here.dir.Write("Data/fonts/font_1.zfi", kGoodFont);
  enginetest::SavePng("Data/fonts/glyphs.png", 16, 16, [](int, int) { return 0xFFFFFFFFu; });
  Font* font = font_LoadFromFile("Data\\fonts\\font_1.zfi");
  ASSERT_NE(font, nullptr);
  ASSERT_NE(font->page, nullptr);
  EXPECT_EQ(font->page->width, 16);
  EXPECT_EQ(font->info.lineHeight, 16);
  EXPECT_EQ(font->info.glyphs.size(), 3u);
}

TEST_F(Loading, BadFontsAreNullWithOneLine) {
  enginetest::SavePng("glyphs.png", 16, 16, [](int, int) { return 0xFFFFFFFFu; });
  enginetest::SavePng("small.png", 4, 4, [](int, int) { return 0xFFFFFFFFu; });
  here.dir.Write("good.zfi", kGoodFont);
  here.dir.Write("malformed.zfi", "zfi 1\npage glyphs.png\nline 16\nglyph 65 0 0 8\n");
  here.dir.Write("nopage.zfi", "zfi 1\npage absent.png\nline 16\nglyph 65 0 0 8 12 0 2 9\n");
  here.dir.Write("outside.zfi", "zfi 1\npage small.png\nline 16\nglyph 65 0 0 8 12 0 2 9\n");
  here.dir.Write("corruptpage.zfi", "zfi 1\npage good.zfi\nline 16\nglyph 65 0 0 8 12 0 2 9\n");
  here.dir.Write("huge.zfi", std::string(engine::kMaxFontFileBytes + 10, '#'));
  here.dir.Write("folderpage.zfi", "zfi 1\npage folder.png\nline 16\nglyph 65 0 0 8 12 0 2 9\n");
  std::filesystem::create_directories("folder.png");
  const int texturesBefore = Core().assets.TextureCount();
  for (const char* name : {"missing.zfi", "malformed.zfi", "nopage.zfi", "outside.zfi", "corruptpage.zfi",
                           "huge.zfi", "folderpage.zfi"}) {
    Font* f = reinterpret_cast<Font*>(1);
    const std::string err = Stderr([&] { f = font_LoadFromFile(name); });
    EXPECT_EQ(f, nullptr) << name;
    EXPECT_THAT(err, HasSubstr(name));
    EXPECT_EQ(Lines(err), 1) << err;
  }
  EXPECT_EQ(Core().assets.TextureCount(), texturesBefore) << "no page kept for a rejected font";
  EXPECT_THAT(Stderr([] { font_LoadFromFile("folderpage.zfi"); }), HasSubstr("page 'folder.png': is a folder"));
}

#ifndef _WIN32
TEST_F(Loading, AFifoUnderAnAssetsOrAPagesNameIsRefusedWithoutWaiting) {
#ifdef __EMSCRIPTEN__
  GTEST_SKIP() << "a page's file system makes no FIFOs";
#endif
  for (const char* fifo : {"fifo.png", "fifo.zfi", "fifopage.png"}) ASSERT_EQ(mkfifo(fifo, 0644), 0);
  here.dir.Write("page.zfi", "zfi 1\npage fifopage.png\nline 16\nglyph 65 0 0 8 12 0 2 9\n");
  for (const char* name : {"fifo.png", "fifo.zfi", "page.zfi"}) {
    const bool font = std::string(name).ends_with(".zfi");
    const auto err = WithinDeadline([&] {
      return Stderr([&] {
        const bool loaded = font ? font_LoadFromFile(name) != nullptr
                                 : tex_LoadFromFile(name, zgl::kNoColorKey, 0x432) != nullptr;
        if (loaded) std::fputs("ZenGL: loaded after all\n", stderr);
      });
    });
    ASSERT_TRUE(err) << name << ": still waiting after 30 s";
    EXPECT_THAT(*err, HasSubstr("is a FIFO")) << name;
    EXPECT_EQ(Lines(*err), 1) << *err;
  }
}
#endif

TEST_F(Loading, OnlyPngsNoLargerThanATextureAndNeverTheMemoryOfAHugeOne) {
  // Images of other kinds that a decoder of every format would take, one of them huge.
  here.dir.Write("svg.png", "<svg xmlns='http://www.w3.org/2000/svg' width='16000' height='16000'>"
                            "<rect width='16000' height='16000' fill='red'/></svg>");
  SDL_Surface* small = SDL_CreateRGBSurfaceWithFormat(0, 8, 8, 32, SDL_PIXELFORMAT_ARGB8888);
  ASSERT_NE(small, nullptr);
  SDL_FillRect(small, nullptr, 0xFF336699);
  ASSERT_EQ(SDL_SaveBMP(small, "bmp.png"), 0);
  std::vector<std::string> refused = {"svg.png", "bmp.png", "huge.png", "wide.png", "tall.png"};
  if (IMG_SaveJPG(small, "jpeg.png", 90) == 0) refused.push_back("jpeg.png");
  SDL_FreeSurface(small);
  // 1.6 GB of pixels by its header, and a decoder takes their memory before it finds none.
  here.dir.Write("huge.png", PngHeader(20000, 20000));
  enginetest::SavePng("wide.png", engine::kMaxTextureSide + 1, 1, [](int, int) { return 0xFF808080u; });
  enginetest::SavePng("tall.png", 1, engine::kMaxTextureSide + 1, [](int, int) { return 0xFF808080u; });
  enginetest::SavePng("widest.png", engine::kMaxTextureSide, 1, [](int, int) { return 0xFF808080u; });

  for (const std::string& name : refused) {
    Texture* t = reinterpret_cast<Texture*>(1);
    const std::string err = Stderr([&] { t = tex_LoadFromFile(name.c_str(), zgl::kNoColorKey, 0x432); });
    EXPECT_EQ(t, nullptr) << name;
    const bool other = name == "svg.png" || name == "bmp.png" || name == "jpeg.png";
    EXPECT_THAT(err, HasSubstr(other ? "'" + name + "': not a PNG image" : "larger than the largest texture")) << err;
  }
  Texture* widest = tex_LoadFromFile("widest.png", zgl::kNoColorKey, 0x432);
  ASSERT_NE(widest, nullptr) << "as large as a texture may be";
  EXPECT_EQ(widest->width, engine::kMaxTextureSide);
#ifndef _WIN32
  rusage usage{};
  ASSERT_EQ(getrusage(RUSAGE_SELF, &usage), 0);
  EXPECT_LT(usage.ru_maxrss, 200 * 1024) << "the test's peak memory, KiB";
#endif
}

// The textures held and the one loading take no more than their budget: of 2048 x 2048
// pictures (16 MiB each once made, 48 MiB while one loads) two fit and the third is
// refused. A stop that has come loads nothing more, and says so once.
TEST_F(Loading, TexturesStayWithinTheirBudgetAndAStopLoadsNothingMore) {
  enginetest::SavePng("big.png", 2048, 2048, [](int, int) { return 0xFF808080u; });
  Texture* big[3];
  std::string err = Stderr([&] {
    for (Texture*& t : big) t = tex_LoadFromFile("big.png", zgl::kNoColorKey, 0x432);
  });
  EXPECT_NE(big[0], nullptr);
  EXPECT_NE(big[1], nullptr);
  EXPECT_EQ(big[2], nullptr);
  EXPECT_THAT(err, HasSubstr("'big.png': a PNG of 2048 x 2048 pixels at 8 bits a channel, whose loading takes 48 MiB, "
                             "more than the textures' 64 MiB leave (32 MiB held)"));
#ifndef __EMSCRIPTEN__  // a page has no signals
  engine::TakeStopSignals();
  std::raise(SIGTERM);
  err = Stderr([] {
    EXPECT_EQ(tex_LoadFromFile("big.png", zgl::kNoColorKey, 0x432), nullptr);
    EXPECT_EQ(font_LoadFromFile("any.zfi"), nullptr);
  });
  engine::GiveBackStopSignals(false);
  EXPECT_EQ(Lines(err), 1) << err;
  EXPECT_THAT(err, HasSubstr("a stop came while the game loads"));
#endif
}

TEST_F(Loading, WhatAFileSaysIsShownPrintableAndALongNameKeepsTheReason) {
  // A stranger's font whose unknown keyword would set the terminal's title and clear it.
  here.dir.Write("escape.zfi", "zfi 1\n\x1b]0;owned\x07\x1b[2J p.png\n");
  std::string err = Stderr([] { EXPECT_EQ(font_LoadFromFile("escape.zfi"), nullptr); });
  EXPECT_EQ(err.find_first_of("\x1b\x07"), std::string::npos) << "raw control characters on the terminal";
  EXPECT_THAT(err, HasSubstr("unknown keyword '\\x1b]0;owned\\x07\\x1b[2J'"));

  std::string name = "Data";
  while (name.size() < 3000) name += "\\folder";
  name += "\\Angle.png";
  err = Stderr([&] { EXPECT_EQ(tex_LoadFromFile(name.c_str(), zgl::kNoColorKey, 0x432), nullptr); });
  EXPECT_THAT(err, testing::EndsWith("': no such file here or beside the executable\n"));
  EXPECT_THAT(err, HasSubstr("tex_LoadFromFile: cannot load 'Data\\folder"));
  EXPECT_LT(err.size(), 400u) << "the name is cut, not the reason";
  EXPECT_EQ(Lines(err), 1);
}

TEST_F(Loading, NullHandlesAndNullArgumentsAreHarmless) {
  EXPECT_EQ(tex_LoadFromFile(nullptr, zgl::kNoColorKey, 0), nullptr);
  EXPECT_EQ(font_LoadFromFile(nullptr), nullptr);
  tex_SetFrameSize(nullptr, 4, 4);
  Texture* none = nullptr;
  tex_SetFrameSize(&none, 4, 4);
  EXPECT_EQ(none, nullptr);
  wnd_SetCaption(nullptr);
  EXPECT_EQ(timer_Add(nullptr, 17), nullptr);
  zgl_Reg(zgl::kRegDraw, nullptr);
  const Point2D pts[3] = {{10, 10}, {20, 10}, {10, 20}};
  pr2d_TriList(nullptr, pts, nullptr, 0, 2, 0xFFFFFF, 255, zgl::kFill);
  pr2d_TriList(nullptr, nullptr, pts, 0, 2, 0xFFFFFF, 255, zgl::kFill);
  EXPECT_EQ(Pixel(12, 12), 0xFFFFFFu) << "a null texture draws flat colour";
  const Rect2D r{0, 0, 1, 1};
  const Circle2D c{0, 0, 1};
  const Line2D l{0, 0, 1, 1};
  Point2D at{};
  EXPECT_FALSE(col2d_Rect(nullptr, &r));
  EXPECT_FALSE(col2d_Rect(&r, nullptr));
  EXPECT_FALSE(col2d_RectVsCircle(nullptr, &c));
  EXPECT_FALSE(col2d_RectVsCircle(&r, nullptr));
  EXPECT_FALSE(col2d_LineVsRect(nullptr, &r, &at));
  EXPECT_FALSE(col2d_LineVsRect(&l, nullptr, &at));
  EXPECT_TRUE(col2d_LineVsRect(&l, &r, nullptr));
  EXPECT_FALSE(col2d_LineVsCircle(nullptr, &c));
  EXPECT_FALSE(col2d_LineVsCircle(&l, nullptr));
}

TEST(WithoutAWindow, LoadsFailCleanlyAndDrawingDoesNothing) {
  ASSERT_EQ(Core().Window(), nullptr);
  testing::internal::CaptureStderr();
  EXPECT_EQ(tex_LoadFromFile("Data\\Angle.png", zgl::kNoColorKey, 0x432), nullptr);
  EXPECT_EQ(font_LoadFromFile("Data\\font_1.zfi"), nullptr);
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_THAT(err, HasSubstr("no window"));
  const Point2D pts[3] = {{10, 10}, {20, 10}, {10, 20}};
  pr2d_Rect(0, 0, 10, 10, 0xFFFFFF, 255, zgl::kFill);
  pr2d_Circle(5, 5, 5, 0xFFFFFF, 255, 8, zgl::kFill);
  pr2d_TriList(nullptr, pts, pts, 0, 2, 0xFFFFFF, 255, zgl::kFill);
  EXPECT_EQ(Core().batch.Pending(), 0);
  EXPECT_FALSE(scr_SetOptions(0, 600, 60, false, true));
  EXPECT_TRUE(scr_SetOptions(800, 600, 60, false, true));
}

}  // namespace
