// SPDX-License-Identifier: Zlib
// The shell's callbacks and the materials, on the in-process engine double.
#include "scene.h"
#include "shell/uCommandLine.h"
#include "common/printable.h"
#include "shell/uShell.h"

namespace {

const std::vector<std::string> kMaterialCalls = {
    "tex_LoadFromFile(Data\\Name.PNG,4278190080,1074)",
    "font_LoadFromFile(Data\\font_1.zfi)",
    "tex_LoadFromFile(Data\\PBT.PNG,4278190080,1074)",
    "tex_LoadFromFile(Data\\PBT_g.PNG,4278190080,1074)",
    "tex_LoadFromFile(Data\\PBT1.PNG,4278190080,1074)",
    "tex_LoadFromFile(Data\\PBT1_g.PNG,4278190080,1074)",
    "tex_LoadFromFile(Data\\PBT2.PNG,4278190080,1074)",
    "tex_LoadFromFile(Data\\PBT2_g.PNG,4278190080,1074)",
    "tex_LoadFromFile(Data\\particle1.PNG,4278190080,1074)",
    "tex_LoadFromFile(Data\\particle2.PNG,4278190080,1074)",
    "tex_SetFrameSize(&tex9,64,64)",
    "tex_SetFrameSize(&tex10,64,64)",
    "tex_LoadFromFile(Data\\sky_m.PNG,4278190080,1074)",
    "tex_SetFrameSize(&tex11,512,256)",
    "tex_LoadFromFile(Data\\bg.PNG,4278190080,1074)",
    "tex_LoadFromFile(Data\\mtile.png,4278190080,1074)",
    "tex_SetFrameSize(&tex13,64,64)",
    "tex_LoadFromFile(Data\\Angle.png,4278190080,1074)"};

class ShellTest : public SceneTest {
 protected:
  // The world of seed 7, loaded as the engine's load callback does.
  static void Loaded() { RandSeed(7), OnLoad(); }
};

TEST_F(ShellTest, MaterialsMakeTheirEighteenCallsInOrderWhateverTheLoadsReturn) {
  LoadMaterials();
  EXPECT_EQ(fake::engine.calls, kMaterialCalls);
  EXPECT_EQ(texAngle, reinterpret_cast<Texture*>(uintptr_t(14)));
  EXPECT_EQ(fntMain, reinterpret_cast<Font*>(uintptr_t(2)));

  fake::Install();
  fake::engine.failLoads = true;
  LoadMaterials();
  ASSERT_EQ(fake::engine.calls.size(), 18u);
  EXPECT_EQ(fake::engine.calls[17], kMaterialCalls[17]);
  EXPECT_EQ(texAngle, nullptr);
}

TEST_F(ShellTest, LoadCallbackPopulatesTheWorldBeforeLoadingMaterials) {
  Loaded();
  ASSERT_NE(Hero, nullptr);
  const std::vector<std::string> names = fake::CallNames();
  ASSERT_GE(names.size(), 18u + 42u);
  for (size_t i = 0; i + 18 < names.size(); ++i) EXPECT_EQ(names[i], "col2d_Rect");
  const std::vector<std::string> tail(fake::engine.calls.end() - 18, fake::engine.calls.end());
  EXPECT_EQ(tail, kMaterialCalls);
}

TEST_F(ShellTest, TimerRunsOneTickThenClearsKeysThenMouse) {
  Loaded();
  fake::engine.calls.clear();
  fake::engine.down[keys::D] = true;
  const float x = Hero->Circle.CX;
  OnTimer();
  EXPECT_NE(Hero->Circle.CX, x);
  const std::vector<std::string> names = fake::CallNames();
  ASSERT_GE(names.size(), 3u);
  EXPECT_EQ(names[0], "mouse_X");
  EXPECT_EQ(names[names.size() - 2], "key_ClearState");
  EXPECT_EQ(names.back(), "mouse_ClearState");
}

TEST_F(ShellTest, DrawCallbackCoversTheFieldThenDrawsTheWorld) {
  Loaded();
  OnTimer();
  fake::engine.calls.clear();
  OnDraw();
  size_t marks = 0;
  for (int i = 0; i < Enemies.Count(); ++i) marks += size_t(Enemies[i]->AlertLevel);
  EXPECT_EQ(fake::engine.calls.size(), 1 + 6 + 37 + 5 + marks + 1);
  EXPECT_EQ(fake::engine.calls[0], "pr2d_Rect(0,0,800,600,13619151,240,65536)");
  EXPECT_EQ(fake::engine.calls[1].find("pr2d_TriList(tex14,"), 0u);
}

// Only --help, --version and a well-formed --seed are taken; anything else is refused
// with the argument named, so a typo never starts a game the player did not ask for.
TEST(CommandLineTest, TakesHelpVersionAndSeedAndRefusesAnythingElse) {
  using A = CommandLine::Action;
  auto parse = [](std::vector<const char*> args) {
    args.insert(args.begin(), "stealthbox");
    return ParseCommandLine(int(args.size()), args.data());
  };
  EXPECT_EQ(parse({}).action, A::Play);
  EXPECT_FALSE(parse({}).seed);
  EXPECT_EQ(parse({"--help"}).action, A::Help);
  EXPECT_EQ(parse({"--seed", "1", "--version"}).action, A::Version);
  EXPECT_EQ(parse({"--seed", "18446744073709551615"}).seed, 18446744073709551615ull);
  EXPECT_EQ(parse({"--seed=42"}).seed, 42u);

  for (auto bad : std::vector<std::vector<const char*>>{
           {"--fullscreen"}, {"-x"}, {""}, {"--seed"}, {"--seed", "-1"}, {"--seed", "0x10"},
           {"--seed", "18446744073709551616"}, {"--seed", " 7"}, {"--seed="}, {"--help-me"}}) {
    CommandLine cl = parse(bad);
    EXPECT_EQ(cl.action, A::Error) << bad[0];
    EXPECT_EQ(cl.error.find('\n'), std::string::npos) << "one line: " << cl.error;
    EXPECT_NE(cl.error.find("--help"), std::string::npos) << cl.error;
    EXPECT_EQ(AnswerCommandLine(cl), 2);
  }
  EXPECT_NE(parse({"--fullscreen"}).error.find("'--fullscreen'"), std::string::npos);
  EXPECT_NE(parse({"--\x1b[2J"}).error.find("'--\\x1b[2J'"), std::string::npos) << "shown escaped";
}

// What a stranger's file or folder name can hold, as a terminal is shown it.
TEST(PrintableTest, EscapesControlsAndBrokenUtf8AndCutsTheMiddleOnly) {
  EXPECT_EQ(Printable("Data\\Angle.png"), "Data\\Angle.png");
  EXPECT_EQ(Printable("caf\xC3\xA9 \xF0\x9F\x98\x80"), "caf\xC3\xA9 \xF0\x9F\x98\x80") << "UTF-8 stays";
  EXPECT_EQ(Printable("a\x1b[2Jb\tc\nd\x7F"), "a\\x1b[2Jb\\x09c\\x0ad\\x7f");
  EXPECT_EQ(Printable("\xC2\x9B" "31m"), "\\xc2\\x9b" "31m") << "a C1 control, as UTF-8";
  EXPECT_EQ(Printable("\xFF\xC3(\xE0\x80\x80\xED\xA0\x80"), "\\xff\\xc3(\\xe0\\x80\\x80\\xed\\xa0\\x80")
      << "stray, overlong and surrogate bytes";
  EXPECT_EQ(Printable(std::string("a\0b", 3)), "a\\x00b");

  const std::string name = "head" + std::string(500, 'x') + "\x1b" + std::string(500, 'y') + "tail";
  const std::string shown = Printable(name, 60);
  EXPECT_LE(shown.size(), 60u);
  EXPECT_EQ(shown.rfind("headxxx", 0), 0u) << shown;
  EXPECT_TRUE(shown.ends_with("yyytail")) << shown;
  EXPECT_NE(shown.find("..."), std::string::npos) << shown;
  // An escape at the cut is kept whole or left out, never split.
  for (size_t limit = 10; limit < 30; ++limit) {
    const std::string cut = Printable(std::string(8, 'a') + "\x1b\x1b\x1b" + std::string(8, 'b'), limit);
    EXPECT_LE(cut.size(), limit);
    const size_t slash = cut.rfind('\\');
    EXPECT_TRUE(slash == std::string::npos || cut.compare(slash, 4, "\\x1b") == 0) << cut;
  }
  char tiny[4];
  EXPECT_EQ(PrintableInto(tiny, sizeof tiny, "abcdef", 100), 3u) << "the buffer bounds it";
  EXPECT_STREQ(tiny, "...");
}

}  // namespace
