// SPDX-License-Identifier: Zlib
// The shell's callbacks and the materials, on the in-process engine double.
#include "scene.h"
#include "shell/uCommandLine.h"
#include "shell/uMaterials.h"
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

class ShellTest : public SceneTest {};

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
  RandSeed(7);
  OnLoad();
  ASSERT_NE(Hero, nullptr);
  const std::vector<std::string> names = fake::CallNames();
  ASSERT_GE(names.size(), 18u + 42u);
  for (size_t i = 0; i + 18 < names.size(); ++i) EXPECT_EQ(names[i], "col2d_Rect");
  const std::vector<std::string> tail(fake::engine.calls.end() - 18, fake::engine.calls.end());
  EXPECT_EQ(tail, kMaterialCalls);
}

TEST_F(ShellTest, TimerRunsOneTickThenClearsKeysThenMouse) {
  RandSeed(7);
  OnLoad();
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
  RandSeed(7);
  OnLoad();
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
}

}  // namespace
