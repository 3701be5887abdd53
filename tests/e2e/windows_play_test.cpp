// What only the Windows build has to prove, played under Wine on a private Xvfb: the
// message box when ZenGL.dll cannot be used, the DLL search that never looks in the
// working folder, and the player's zip unpacked into an empty folder of a new Wine prefix.
// (The scene, the pointer, boxes and closing are play_test.cpp's tests, run on stealth.exe;
// its walking pace is measured on Linux only, where the game's timer is not shared with Wine.)
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <thread>

#include "picture.h"
#include "pilot.h"
#include "process.h"
#include "x_session.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace e2e {
namespace {

const std::string kBinDir = E2E_BIN_DIR;
const char* const kLoadError = "Error while loading ZenGL";

class WindowsPlayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    display_ = std::make_unique<VirtualDisplay>();
    x_ = std::make_unique<XSession>(display_->name());
    work_ = std::make_unique<TempDir>("windows");
    cwd_ = *work_ / "cwd";
    fs::create_directories(cwd_);
  }
  void TearDown() override { game_.KillGroup(); }

  // stealth.exe and what it needs beside it, with or without the engine.
  std::string CopyGame(const std::string& dir, bool withEngine) {
    fs::create_directories(dir);
    for (const char* file : {"stealth.exe", "SDL2.dll", "SDL2_image.dll"})
      fs::copy_file(kBinDir + "/" + file, dir + "/" + file);
    if (withEngine) fs::copy_file(kBinDir + "/ZenGL.dll", dir + "/ZenGL.dll");
    fs::copy(kBinDir + "/Data", dir + "/Data", fs::copy_options::recursive);
    return dir + "/stealth.exe";
  }

  void Start(const std::string& exe, const std::string& winePrefix = E2E_WINE_PREFIX) {
    SpawnOptions o;
    o.argv = {E2E_WINE_RUN, winePrefix, exe};
    o.env = CleanEnvironment();
    o.env["DISPLAY"] = display_->name();
    // Wine's own trace of the message box's text.
    o.env["WINEDEBUG"] = "-all,trace+msgbox";
    o.cwd = cwd_;
    o.stderrPath = *work_ / "stderr.txt";
    game_ = Process(o);
  }

  std::string Stderr() const { return ReadFile(*work_ / "stderr.txt"); }

  // The game refuses its engine: one message box, that text, no game window, and the
  // process waits for the player before it ends with exit code 1.
  void ExpectRefusal() {
    std::optional<WindowInfo> box;
    bool sawGame = false;
    for (auto until = Clock::now() + 90s; !box && game_.Running() && Clock::now() < until;) {
      for (auto& w : x_->AllWindows()) {
        if (w.name == "TEST") sawGame = true;
        if (w.name == "Error" && w.viewable) box = w;
      }
      std::this_thread::sleep_for(50ms);
    }
    ASSERT_TRUE(box) << "no message box; game " << (game_.Running() ? "running" : "ended") << "\n"
                     << Stderr();
    EXPECT_NE(Stderr().find(std::string("L\"") + kLoadError + "\""), std::string::npos) << Stderr();
    std::this_thread::sleep_for(500ms);
    EXPECT_TRUE(game_.Running()) << "ended before the message was dismissed";
    // Its one button, OK, sits centred at the foot of the box.
    for (int tries = 0; tries < 5 && x_->FindWindow("Error"); ++tries) {
      x_->Click(*box, box->width / 2, box->height - 22);
      for (auto until = Clock::now() + 2s; x_->FindWindow("Error") && Clock::now() < until;)
        std::this_thread::sleep_for(50ms);
    }
    auto st = game_.Wait(30s);
    ASSERT_TRUE(st) << "still running after the message was dismissed";
    EXPECT_EQ(st->Describe(), "exit code 1");
    EXPECT_FALSE(sawGame || x_->FindWindow("TEST")) << "a game window was opened";
  }

  // The game's window with the hero in it, within a generous deadline (Wine shows the
  // first frame late, later still in a fresh prefix).
  std::optional<WindowInfo> WaitForPlay(Picture* seen) {
    for (auto until = Clock::now() + 240s; game_.Running() && Clock::now() < until;) {
      auto w = x_->WaitForWindow("TEST", 1s);
      if (!w) continue;
      *seen = x_->Capture(*w);
      if (FindHero(*seen)) return w;
      std::this_thread::sleep_for(200ms);
    }
    return std::nullopt;
  }

  std::unique_ptr<VirtualDisplay> display_;
  std::unique_ptr<XSession> x_;
  std::unique_ptr<TempDir> work_;
  std::string cwd_;
  Process game_;
};

TEST_F(WindowsPlayTest, HoldingDWalksTheHeroRight) {
  // The world is random: one with an obstacle right beside the hero (about one in three)
  // is left for a fresh one.
  constexpr int kWorlds = 6;
  for (int attempt = 0; attempt < kWorlds; ++attempt) {
    if (attempt > 0) game_.KillGroup();
    Start(kBinDir + "/stealth.exe");
    Picture p;
    auto w = WaitForPlay(&p);
    ASSERT_TRUE(w) << "the game never showed its hero\n" << Stderr();
    x_->Focus(*w);
    x_->MovePointer(*w, 700, 50);
    Pilot pilot(*x_, *w);
    auto start = pilot.Settle(&p);
    ASSERT_TRUE(start);
    if (!ObstacleMap(p).Clear(start->right, start->top - 1, start->right + 32, start->bottom + 1)) continue;
    x_->Key("d", true);
    std::optional<Blob> now;
    for (auto until = Clock::now() + 20s; Clock::now() < until; std::this_thread::sleep_for(50ms)) {
      now = pilot.Hero();
      if (now && now->left >= start->left + 30) break;
    }
    x_->Key("d", false);
    ASSERT_TRUE(now) << "the hero went out of sight";
    EXPECT_GE(now->left, start->left + 30) << "D held, and the hero did not walk right";
    EXPECT_EQ(now->top, start->top) << "straight to the right";
    return;
  }
  FAIL() << kWorlds << " worlds, each with an obstacle right beside the hero";
}

TEST_F(WindowsPlayTest, WithoutZenGLTheMessageBoxShowsAndTheExitCodeIsOne) {
  Start(CopyGame(*work_ / "game", false));
  ExpectRefusal();
}

TEST_F(WindowsPlayTest, ZenGLOnlyInTheWorkingFolderIsNeverLoaded) {
  // A complete, working engine where the player starts from: it must not be picked up.
  const std::string exe = CopyGame(*work_ / "game", false);
  for (const char* file : {"ZenGL.dll", "SDL2.dll", "SDL2_image.dll"})
    fs::copy_file(kBinDir + "/" + file, cwd_ + "/" + file);
  Start(exe);
  ExpectRefusal();
}

TEST_F(WindowsPlayTest, ZenGLLackingAnEntryIsRefused) {
  const std::string dir = *work_ / "game";
  const std::string exe = CopyGame(dir, false);
  fs::copy_file(E2E_LACKING_ENGINE, dir + "/ZenGL.dll");
  Start(exe);
  ExpectRefusal();
}

TEST_F(WindowsPlayTest, TheZipUnpackedInAnEmptyFolderOfANewPrefixPlays) {
  // The package as `make package-windows` makes it, into a folder of this test's own.
  const std::string out = *work_ / "package";
  SpawnOptions pack;
  pack.argv = {E2E_CPACK, "--config", std::string(E2E_WINDOWS_BUILD) + "/CPackConfig.cmake", "-B", out};
  pack.env = CleanEnvironment();
  pack.stderrPath = *work_ / "cpack.txt";
  auto packed = Process(pack).Wait(300s);
  ASSERT_TRUE(packed && packed->exited && packed->code == 0) << ReadFile(*work_ / "cpack.txt");
  std::vector<fs::path> zips;
  for (auto& e : fs::directory_iterator(out))
    if (e.path().extension() == ".zip") zips.push_back(e.path());
  ASSERT_EQ(zips.size(), 1u);
  const std::string name = zips[0].stem().string();
  EXPECT_EQ(name, std::string("stealth-") + E2E_VERSION + "-windows-x64");

  const std::string unpacked = *work_ / "empty";
  fs::create_directories(unpacked);
  SpawnOptions unzip;
  unzip.argv = {E2E_CMAKE, "-E", "tar", "xf", zips[0].string()};
  unzip.env = CleanEnvironment();
  unzip.cwd = unpacked;
  auto done = Process(unzip).Wait(60s);
  ASSERT_TRUE(done && done->exited && done->code == 0);
  // One folder inside, holding the game and nothing that needs installing.
  std::vector<std::string> top;
  for (auto& e : fs::directory_iterator(unpacked)) top.push_back(e.path().filename().string());
  ASSERT_EQ(top, std::vector<std::string>{name});
  const std::string game = unpacked + "/" + name;
  for (const char* file : {"stealth.exe", "ZenGL.dll", "SDL2.dll", "SDL2_image.dll", "Data/Angle.png",
                           "README.txt"})
    EXPECT_TRUE(fs::exists(game + "/" + file)) << file;

  Start(game + "/stealth.exe", *work_ / "new-prefix");
  Picture p;
  auto w = WaitForPlay(&p);
  ASSERT_TRUE(w) << "the unpacked game never showed its hero\n" << Stderr();
  // Wine may show a frame or two before the scene is whole: look until it is.
  int cone = 0;
  for (auto until = Clock::now() + 60s; Clock::now() < until; std::this_thread::sleep_for(200ms)) {
    p = x_->Capture(*w);
    cone = 0;
    for (uint32_t c : p.pixels) cone += IsConePixel(c);
    if (cone > 1500 && p.Count(kWall) > 8000 && FindHero(p)) break;
  }
  EXPECT_GT(cone, 1500) << "no view cones";
  EXPECT_GT(p.Count(kWall), 8000) << "no walls";
  x_->CloseWindow(*w);
  auto st = game_.Wait(60s);
  ASSERT_TRUE(st) << "still running after the window was closed";
  EXPECT_EQ(st->Describe(), "exit code 0");
}

}  // namespace
}  // namespace e2e
