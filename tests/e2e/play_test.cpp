// SPDX-License-Identifier: Zlib
// The game as a player meets it: the real stealthbox executable and the real
// engine library, in a window on a private Xvfb server, driven by real key and
// pointer events and judged by the pixels it draws.
#include <arpa/inet.h>
#include <elf.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <thread>

#include "pilot.h"
#include "play_checks.h"
#include "picture.h"
#include "proc_stats.h"
#include "child_process.h"
#include "x_session.h"
#include "engine/stopSignals.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace e2e {
namespace {

// The same tests play the Windows build under Wine: the build names the game's folder,
// its file and the program that starts it (tests/e2e/CMakeLists.txt).
#ifndef E2E_GAME_EXE
#define E2E_GAME_EXE "stealthbox"
#endif
#ifndef E2E_LAUNCHER
#define E2E_LAUNCHER ""
#endif
const std::string kBinDir = E2E_BIN_DIR;
const std::string kGameExe = E2E_GAME_EXE;
const std::string kGame = kBinDir + "/" + kGameExe;
constexpr const char* kLoadError = "Error while loading ZenGL";
// The Windows game finds its engine by another name and SDL's DLLs beside it.
const bool kWindowsGame = kGameExe.ends_with(".exe");
const std::string kEngineFile = kWindowsGame ? "ZenGL.dll" : "libZenGL.so";
const std::vector<std::string> kRuntimeFiles =
    kWindowsGame ? std::vector<std::string>{"SDL2.dll", "SDL2_image.dll"} : std::vector<std::string>{};

// The game's folder copied elsewhere: the executable, and optionally its engine and assets.
struct Install {
  std::string bin;
  std::string exe;
};

Install CopyGame(const std::string& root, bool withEngine, bool withData) {
  Install in{root + "/bin", root + "/bin/" + kGameExe};
  fs::create_directories(in.bin);
  fs::copy_file(kGame, in.exe);
  for (auto& file : kRuntimeFiles) fs::copy_file(kBinDir + "/" + file, in.bin + "/" + file);
  if (withEngine) fs::copy_file(kBinDir + "/" + kEngineFile, in.bin + "/" + kEngineFile);
  if (withData) fs::copy(kBinDir + "/Data", in.bin + "/Data", fs::copy_options::recursive);
  return in;
}

// The game's folder copied to `root` with its assets and `engine`'s bytes for its engine.
Install CopyGameWithEngine(const std::string& root, const std::string& engine) {
  Install in = CopyGame(root, false, true);
  std::ofstream(in.bin + "/" + kEngineFile, std::ios::binary) << engine;
  return in;
}

// What starts the game before its own name: the launcher's words ('|'-separated).
std::vector<std::string> LauncherWords() {
  std::vector<std::string> words;
  std::istringstream launcher(E2E_LAUNCHER);
  for (std::string word; std::getline(launcher, word, '|');) words.push_back(word);
  return words;
}

// Every asset file name, with contents a loader must reject without crashing.
void PlantCorruptData(const std::string& dir) {
  fs::create_directories(dir);
  int n = 0;
  for (auto& entry : fs::directory_iterator(kBinDir + "/Data")) {
    std::string bytes = ReadFile(entry.path().string());
    std::ofstream out(dir + "/" + entry.path().filename().string(), std::ios::binary);
    switch (n++ % 3) {
      case 0: out << bytes.substr(0, bytes.size() / 3); break;  // cut short
      case 1:                                                  // the right header, then noise
        out << bytes.substr(0, std::min<size_t>(bytes.size(), 16));
        for (int i = 0; i < 4096; ++i) out.put(char((i * 7919) & 0xFF));
        break;
      default: out << "not an image at all"; break;
    }
  }
}

// A PNG of side x side pixels, 16 bits a channel, interlaced, all black: a few hundred KB
// on disk, and 8 bytes a pixel for any decoder that takes it in.
std::string HugePng(uint32_t side) {
  auto be = [](uint32_t v) { return std::string{char(v >> 24), char(v >> 16), char(v >> 8), char(v)}; };
  auto chunk = [&](const std::string& type, const std::string& data) {
    const std::string body = type + data;
    return be(uint32_t(data.size())) + body +
           be(uint32_t(crc32(0, reinterpret_cast<const Bytef*>(body.data()), uInt(body.size()))));
  };
  std::string idat;
  z_stream z{};
  deflateInit(&z, 1);
  std::vector<Bytef> row(1 + side * 8, 0), out(1 << 16);
  auto put = [&](int flush) {
    do {
      z.next_out = out.data(), z.avail_out = uInt(out.size());
      deflate(&z, flush);
      idat.append(reinterpret_cast<char*>(out.data()), out.size() - z.avail_out);
    } while (z.avail_out == 0);
  };
  // The seven passes of Adam7: where each starts and its steps, across and down.
  const uint32_t pass[7][4] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                               {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
  for (const auto& p : pass)
    for (uint32_t y = p[1]; y < side; y += p[3]) {
      z.next_in = row.data(), z.avail_in = uInt(1 + (side - p[0] + p[2] - 1) / p[2] * 8);
      put(Z_NO_FLUSH);
    }
  put(Z_FINISH);
  deflateEnd(&z);
  return "\x89PNG\r\n\x1a\n" + chunk("IHDR", be(side) + be(side) + std::string("\x10\x06\0\0\x01", 5)) +
         chunk("IDAT", idat) + chunk("IEND", "");
}

class PlayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    display_ = std::make_unique<VirtualDisplay>(screen_, windowManager_);
    x_ = std::make_unique<XSession>(display_->name());
    work_ = std::make_unique<TempDir>("play");
    cwd_ = *work_ / "cwd";
    fs::create_directories(cwd_);
  }

  void TearDown() override {
    if (x_) x_->ReleaseAllKeys();
    artifacts_.SaveIfWanted(E2E_ARTIFACTS, {{"stderr.txt", Stderr()}});
    game_.KillGroup();
#ifdef E2E_WINE_RUN
    // Wine's server outlives the game by a few seconds and keeps the screen it started on:
    // the next test, on a display of another size, must start a server of its own.
    for (const char* step : {"-k", "-w"})
      RunToEnd({"/usr/bin/env", "WINEPREFIX=" + launcher_.at(1), "wineserver", step}, 30s);
#endif
  }

  // Starts `exe` on the test's display (unless `env` names another) from the working folder.
  void Start(const std::string& exe, const std::map<std::string, std::string>& env = {},
             const std::vector<std::string>& args = {}) {
    SpawnOptions o;
    o.argv = launcher_;
    o.argv.push_back(exe);
    o.argv.insert(o.argv.end(), args.begin(), args.end());
    o.env = CleanEnvironment();
    o.env["DISPLAY"] = display_->name();
    // A leak report must not change the exit code under test; the report itself is judged.
    o.env["LSAN_OPTIONS"] = o.env["LSAN_OPTIONS"] + (o.env["LSAN_OPTIONS"].empty() ? "" : ":") + "exitcode=0";
    for (auto& [k, v] : env) o.env[k] = v;
    o.cwd = cwd_;
    o.stdoutPath = stdoutPath_.empty() ? *work_ / "stdout.txt" : stdoutPath_;
    o.stderrPath = *work_ / "stderr.txt";
    game_ = Process(o);
  }

  std::string Stdout() const { return ReadFile(*work_ / "stdout.txt"); }
  std::string Stderr() const { return ReadFile(*work_ / "stderr.txt"); }
  bool Said(const std::string& words) const { return Stderr().find(words) != std::string::npos; }
  // How the game ended within `deadline`: its exit status, or "still running".
  std::string Ending(milliseconds deadline) { return game_.Wait(deadline).value_or(ExitStatus{}).Describe(); }

  // Starts the game as built, from a working folder of its own, and waits for its first frames;
  // with a seed, in the world that seed places. Its window is `window_`, with a pilot.
  Pilot& Play(const std::string& exe = kGame, std::optional<uint64_t> seed = std::nullopt) {
    Start(exe, {},
          seed ? std::vector<std::string>{"--seed", std::to_string(*seed)} : std::vector<std::string>{});
    // The window may be made again once the renderer starts (a GL window replaces the first
    // one): look it up until one shows the hero, which takes a while in a sanitizer build
    // on a busy machine.
    std::optional<WindowInfo> w;
    Picture p;
    for (auto until = Clock::now() + firstFramePatience_; Clock::now() < until && game_.Running();) {
      if (!(w = x_->WaitForWindow("TEST", 1s))) continue;
      x_->Focus(*w);
      x_->MovePointer(*w, 700, 50);
      window_ = *w;
      pilot_ = std::make_unique<Pilot>(*x_, window_);
      if (pilot_->Settle(&p) && FindHero(p)) return *pilot_;
    }
    artifacts_.Keep(p, "no-hero");
    ADD_FAILURE() << (w ? "the hero's square never showed" : "no window captioned TEST appeared")
                  << "; game " << (game_.Running() ? "running" : "ended") << "\n"
                  << Stderr();
    throw std::runtime_error("no game window");
  }

  // A world where the hero stands where a test needs him (room around him, a box within
  // reach), or can walk there within `walk`. The worlds come from seeds, tried in turn: a
  // test's first seed places him there from the start, so that no walk on a busy machine
  // stands between it and its verdict; the others stand in should the placement change.
  Pilot& PlayWhere(Pilot::GoalFor goalFor, int margin, const std::string& what,
                   const std::vector<uint64_t>& seeds, milliseconds walk = 60s) {
    for (uint64_t seed : seeds) {
      game_.KillGroup();
      Pilot& pilot = Play(kGame, seed);
      if (pilot.Reach(goalFor, margin, walk)) return pilot;
      artifacts_.Keep(pilot.last(), "unreachable-seed-" + std::to_string(seed));
    }
    ADD_FAILURE() << "in none of " << seeds.size() << " worlds could " << what << " be reached";
    throw std::runtime_error("unreachable");
  }

  // Plays `exe` in the open world, where the hero's own cone, uncut, is among those drawn,
  // until its cones show drawn with their texture (`textured`) or at all beside the hero;
  // `flat` is their share drawn in flat shades (near 1 without a texture).
  bool ConesDrawn(const std::string& exe, const char* name, bool textured, int* cone, double* flat) {
    return Await(Play(exe, kOpenWorlds[0]), artifacts_.Keeping(), name, [&](const Picture& p) {
      *flat = FlatConeShare(p, cone);
      return textured ? *cone > 1500 && *flat < 0.5 : FindHero(p) && *cone > 1500;
    });
  }

  // The ending every play shares: SIGTERM, as the system stops a program, ends the game in
  // order (exit code 0) with nothing for a sanitizer to say.
  void StopAndExpectExitZero() {
    game_.Signal(SIGTERM);
    EXPECT_EQ(Ending(10s), "exit code 0") << "after SIGTERM";
    ExpectNoSanitizerReport();
  }

  // In a sanitizer build: no memory error and no undefined behaviour, and no leak that
  // passes through the game's or the engine's code. (SDL unloads libdbus at shut-down,
  // which leaves libdbus's own blocks as leaks of an unknown module; those are not ours.)
  void ExpectNoSanitizerReport() {
    std::string err = Stderr();
    EXPECT_EQ(err.find("ERROR: AddressSanitizer"), std::string::npos) << err;
    EXPECT_EQ(err.find("runtime error:"), std::string::npos) << err;
    size_t leak = err.find("ERROR: LeakSanitizer");
    if (leak != std::string::npos) {
      std::string report = err.substr(leak);
      for (const char* dir : {"/engine/", "/shell/", "/objects/", "/world/"})
        EXPECT_EQ(report.find(std::string(E2E_SOURCE_DIR) + dir), std::string::npos)
            << "a leak through the project's code:\n" << report;
    }
  }

  std::string screen_ = "1024x768x24";
  bool windowManager_ = false;
  std::unique_ptr<VirtualDisplay> display_;
  std::unique_ptr<XSession> x_;
  std::unique_ptr<TempDir> work_;
  std::string cwd_;
  Process game_;
  WindowInfo window_;
  std::unique_ptr<Pilot> pilot_;
  Artifacts artifacts_;
  std::vector<std::string> launcher_ = LauncherWords();
  milliseconds firstFramePatience_ = 60s;
  std::string stdoutPath_;  // where the game's standard output goes, when not to a file of the test's
};

// ---------------------------------------------------------------------------
// The window and the scene

TEST_F(PlayTest, WindowShowsTheSceneInItsColours) {
  // Open ground where he starts: nothing cuts the cone that the pointer, on his right, turns.
  Pilot& pilot = PlayWhere(OpenAround, 2, "open ground at his start", kOpenWorlds, 0s);
  EXPECT_EQ(window_.width, 800);
  EXPECT_EQ(window_.height, 600);
  ExpectSceneInItsColours(pilot, artifacts_.Keeping());
}

// The window made larger, wider than the field, full screen (F11) and back, with a window
// manager on a large screen: each time the whole field in the middle of the window, drawn
// in its colours at the window's size, black bars on the two other sides, and the pointer
// aiming in the field's pixels.
class WindowSizeTest : public PlayTest {
 protected:
  WindowSizeTest() { screen_ = "2400x1350x24", windowManager_ = true; }
};

TEST_F(WindowSizeTest, ResizedOrFullScreenTheFieldFitsInItsColoursAndThePointerAims) {
  PlayWhere(OpenAround, 2, "open ground at his start", kOpenWorlds, 0s);
  struct Step {
    const char* how;
    int width, height;
  };
  // Wine's windows follow a size the program sets (full screen), not one the window manager is
  // asked for by another program.
  const std::vector<Step> steps =
      kWindowsGame ? std::vector<Step>{{"F11", 2400, 1350}, {"F11", 800, 600}}
                   : std::vector<Step>{{"resized", 1600, 1200}, {"resized", 1200, 600}, {"F11", 2400, 1350},
                                       {"F11", 1200, 600}};
  const auto size = [](int width, int height) { return std::to_string(width) + "x" + std::to_string(height); };
  for (const Step& step : steps) {
    const std::string name = std::string(step.how) + "-" + size(step.width, step.height);
    SCOPED_TRACE(name);
    // A key that reached no window (Wine's may not have the focus yet) is pressed again once
    // the window has long had the time to change.
    WindowInfo now = window_;
    const auto changed = [&] { return now.width == step.width && now.height == step.height; };
    for (int press = 0; press < 3 && !changed(); ++press) {
      if (step.how == std::string("F11")) {
        x_->Focus(window_);
        x_->Key("F11", true);
        x_->Key("F11", false);
      } else {
        x_->Resize(window_, step.width, step.height);
      }
      PollUntil([&] { return now = x_->Now(window_), changed(); }, kPatience);
    }
    ASSERT_EQ(size(now.width, now.height), size(step.width, step.height));
    // The window manager may hold the pointer a moment after a change of size: it moves (by a
    // pixel each look) until the game turns his cone toward it, on his right.
    Pilot pilot(*x_, window_);
    int nudge = 0;
    pilot.WaitFor([&](const Picture& p) {
      pilot.screen().MovePointer(700, 50 + ++nudge % 2);
      const auto hero = FindHero(p);
      return hero && ConeShare(p, hero->cx(), hero->cy(), 0, 20, 15, 60) > 0.5;
    });
    ExpectSceneInItsColours(pilot, artifacts_.Keeping());
    ExpectPointerTurnsTheCone(pilot, artifacts_.Keeping());
    // Outside the field nothing but the bars' black; inside it, up to its edges, the field.
    if (now.width == 800 && now.height == 600) continue;  // the field alone, judged above
    const Picture shown = x_->Capture(now);
    ASSERT_FALSE(shown.empty()) << "the window cannot be captured whole";
    artifacts_.Keep(shown, name);
    const FieldPlace f = FieldPlace::In(now.width, now.height);
    const int fieldPixels = int(800 * f.scale) * int(600 * f.scale);
    int black = shown.Count(0), blackInField = 0;
    for (int y = 0; y < 600; ++y)
      for (int x : {0, 799}) blackInField += shown.at(f.ShownX(x), f.ShownY(y)) == 0;
    EXPECT_EQ(black, shown.width * shown.height - fieldPixels) << "the bars: all black, and nothing else is";
    EXPECT_EQ(blackInField, 0) << "the field reaches the window's field at its edges";
  }
  if (!kWindowsGame) StopAndExpectExitZero();  // Wine's launcher has no orderly SIGTERM
}

// ---------------------------------------------------------------------------
// Walking: 5 pixels a tick, 1000/17 ticks a second

TEST_F(PlayTest, PaceHoldingDWalksRightFivePixelsEachTick) {
  constexpr int kRun = 400;  // open ground ahead: 1.36 s of walking
  // A walk that cannot be measured (the machine stalled the game mid-run) is walked again in
  // a fresh game.
  std::string lastTrouble;
  for (int attempt = 0; attempt < 3; ++attempt) {
    Pilot& pilot = PlayWhere(OpenRow(kRun), 3, "an open row", kRowWorlds);
    if (!JudgePace(WalkRight(pilot, artifacts_.Keeping(), "-" + std::to_string(attempt), kRun), attempt,
                   lastTrouble))
      continue;
    StopAndExpectExitZero();
    return;
  }
  FAIL() << "three walks and none clean: " << lastTrouble;
}

// ---------------------------------------------------------------------------
// The mouse turns the hero's cone

TEST_F(PlayTest, PointerTurnsTheHerosCone) {
  // Open ground to his right and below him, and no guard's cone within reach of either.
  ExpectPointerTurnsTheCone(PlayWhere(OpenAround, 2, "open ground", kOpenWorlds), artifacts_.Keeping());
}

// ---------------------------------------------------------------------------
// Taking a box with E and setting it down again

TEST_F(PlayTest, PressingETakesABoxAndSetsItDownBesideHim) {
  ExpectETakesABoxAndSetsItDown(PlayWhere(BoxInReach, 2, "a box", kBoxWorlds), artifacts_.Keeping());
  ExpectNoSanitizerReport();
}

// ---------------------------------------------------------------------------
// Ending the game

TEST_F(PlayTest, ClosingTheWindowEndsWithExitCodeZero) {
  Play();
  x_->CloseWindow(window_);
  EXPECT_EQ(Ending(10s), "exit code 0") << "after the window was closed";
  EXPECT_FALSE(x_->FindWindow("TEST"));
  ExpectNoSanitizerReport();
}

TEST_F(PlayTest, SigtermEndsWithExitCodeZero) {
  Play();
  StopAndExpectExitZero();
}

// ---------------------------------------------------------------------------
// The command line: answered or refused at once without a window; none, and it plays

TEST_F(PlayTest, CommandLineAnswersOrRefusesWithoutAWindowAndNoArgumentStillPlays) {
  x_->WatchCreations();
  auto run = [&](const std::string& arg) {
    Start(kGame, {}, {arg});
    const std::string ending = Ending(20s);
    EXPECT_NE(ending, "still running") << arg;
    EXPECT_TRUE(x_->CreatedSinceWatch().empty()) << arg << ": a window was made";
    return ending;
  };

  EXPECT_EQ(run("--version"), "exit code 0");
  const std::string version = Stdout();
  EXPECT_EQ(version.substr(0, version.find('\n') + 1), "stealthbox " E2E_VERSION "\n");
  EXPECT_NE(version.find("zlib licence"), std::string::npos) << version;
  EXPECT_EQ(Stderr(), "");

  EXPECT_EQ(run("--help"), "exit code 0");
  const std::string help = Stdout();
  EXPECT_EQ(help.rfind("Usage: stealthbox", 0), 0u) << help;
  for (const char* item : {"W A S D", "mouse", "E ", "--seed N", "--version"})
    EXPECT_NE(help.find(item), std::string::npos) << "the help lacks " << item << ":\n" << help;

  // Where nothing fits (a full disk): the help and the version are not written, and say so.
  stdoutPath_ = "/dev/full";
  for (const char* arg : {"--help", "--version"}) {
    EXPECT_EQ(run(arg), "exit code 1") << arg;
    EXPECT_TRUE(Said("stealthbox: cannot write the ")) << arg << ": " << Stderr();
  }
  stdoutPath_.clear();

  EXPECT_EQ(run("--fullscreen"), "exit code 2");
  const std::string err = Stderr();
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << "one line:\n" << err;
  EXPECT_NE(err.find("'--fullscreen'"), std::string::npos) << err;
  EXPECT_NE(err.find("--help"), std::string::npos) << err;
  EXPECT_EQ(Stdout(), "");

  // Without arguments nothing is printed and the game plays as it always has.
  Play();
  EXPECT_EQ(Stdout(), "");
}

// ---------------------------------------------------------------------------
// The engine library: where it is looked for, and what happens without it

class EngineLoadTest : public PlayTest {
 protected:
  // Runs `exe` expecting it to fail to bind its engine, dismissing a message box if one
  // appears and watching every window created meanwhile: exit code 1 with the message, no
  // game window, no other window than one message box, nothing for a sanitizer to say.
  // Returns the number of message boxes seen and dismissed.
  int ExpectLoadError(const std::string& exe) {
    int dialogs = 0;
    x_->WatchCreations();
    Start(exe);
    std::set<Window> created;
    std::set<unsigned long> dialogClients;  // the X clients that own a message box
    bool sawGameWindow = false;
    auto dialogSince = Clock::time_point{};
    for (auto end = Clock::now() + 20s; game_.Running() && Clock::now() < end;
         std::this_thread::sleep_for(20ms)) {
      for (Window w : x_->CreatedSinceWatch()) created.insert(w);
      for (auto& win : x_->AllWindows()) {
        sawGameWindow |= win.name == "TEST";
        if (win.name != "Error" || !win.viewable) continue;
        dialogClients.insert(win.id & ~0x1FFFFFul);
        if (dialogSince == Clock::time_point{}) {
          ++dialogs;
          dialogSince = Clock::now();
          x_->CloseWindow(win);
        } else if (Clock::now() - dialogSince > 2s) {
          x_->KillClientOf(win.id);  // a box that ignores the close request
        }
      }
    }
    for (Window w : x_->CreatedSinceWatch()) created.insert(w);
    const auto others =
        std::ranges::count_if(created, [&](Window w) { return !dialogClients.count(w & ~0x1FFFFFul); });
    EXPECT_EQ(Ending(1s), "exit code 1");
    EXPECT_TRUE(Said(kLoadError)) << "stderr: " << Stderr();
    EXPECT_FALSE(sawGameWindow) << "a game window was opened";
    EXPECT_EQ(others, 0) << "windows other than the message box were created";
    EXPECT_LE(dialogs, 1) << "more than one message box";
    ExpectNoSanitizerReport();
    return dialogs;
  }
};

TEST_F(EngineLoadTest, MissingEngineWithDisplayShowsOneMessageAndNoGameWindow) {
  const int dialogs = ExpectLoadError(CopyGame(*work_ / "game", false, true).exe);
  // Where a dialog program is installed (the set-up installs xmessage), the message shows as one.
  if (fs::exists("/usr/bin/xmessage") || fs::exists("/usr/bin/zenity")) {
    EXPECT_EQ(dialogs, 1);
  }
}

TEST_F(EngineLoadTest, EngineBesideTheExecutableIsLoaded) {
  // A stand-in beside the real game is found and started (the loader's own rules, a library
  // planted in the working folder or named by LD_LIBRARY_PATH, are tests/game/loader_test.cpp's).
  Install in = CopyGame(*work_ / "game", false, true);
  fs::copy_file(E2E_PLANTED, in.bin + "/libZenGL.so");
  const std::string marker = *work_ / "planted-marker";
  Start(in.exe, {{"PLANTED_ENGINE_MARKER", marker}});
  EXPECT_EQ(Ending(20s), "exit code 0") << Stderr();
  // (Loaded twice: the game tries it in a child process first.)
  EXPECT_EQ(ReadFile(marker), "loaded\nloaded\nzgl_Init\n");
  EXPECT_FALSE(Said(kLoadError));
}

// An interrupted copy or a full disk leaves the engine cut short; a FIFO in its place would
// keep open() waiting: the message and exit code 1 all the same, never a signal or a hang.
TEST_F(EngineLoadTest, EngineCutShortDamagedOrAFifoInItsPlaceGivesTheMessageNeverASignalOrAHang) {
  const std::string whole = ReadFile(kBinDir + "/" + kEngineFile);
  ASSERT_GT(whole.size(), 100000u);
  for (size_t bytes : {whole.size() / 20, whole.size() / 2, whole.size() - 1}) {
    SCOPED_TRACE(std::to_string(bytes) + " of its " + std::to_string(whole.size()) + " bytes");
    ExpectLoadError(CopyGameWithEngine(*work_ / ("cut-" + std::to_string(bytes)), whole.substr(0, bytes)).exe);
    EXPECT_TRUE(Said("is cut short")) << Stderr();
  }
  // Whole in length but damaged inside, where the system's loader would fall: a copy
  // interrupted after 40 KB into a preallocated file, and the dynamic segment zeroed.
  std::string zeroed = whole.substr(0, 40960) + std::string(whole.size() - 40960, '\0');
  std::string noDynamic = whole;
  const auto& elf = *reinterpret_cast<const Elf64_Ehdr*>(whole.data());
  for (int i = 0; i < elf.e_phnum; ++i) {
    const auto& segment = *reinterpret_cast<const Elf64_Phdr*>(whole.data() + elf.e_phoff + i * sizeof(Elf64_Phdr));
    if (segment.p_type == PT_DYNAMIC) std::fill_n(noDynamic.begin() + segment.p_offset, segment.p_filesz, '\0');
  }
  ASSERT_NE(noDynamic, whole);
  for (const std::string* damaged : {&zeroed, &noDynamic}) {
    SCOPED_TRACE(damaged == &zeroed ? "zeros after 40 KB" : "its dynamic segment zeroed");
    ExpectLoadError(CopyGameWithEngine(*work_ / (damaged == &zeroed ? "zeroed" : "no-dynamic"), *damaged).exe);
  }
  Install in = CopyGame(*work_ / "fifo", false, true);
  ASSERT_EQ(mkfifo((in.bin + "/" + kEngineFile).c_str(), 0644), 0);
  ExpectLoadError(in.exe);
  EXPECT_TRUE(Said(kEngineFile + ": is a FIFO")) << Stderr();
}

// ---------------------------------------------------------------------------
// Assets missing or broken: the game plays on, cones drawn in flat colour

class AssetTest : public PlayTest {
 protected:
  void PlayWithAssets(const std::string& exe) {
    int cone = 0;
    double flat = 0;
    EXPECT_TRUE(ConesDrawn(exe, "untextured", false, &cone, &flat)) << "the cones are still drawn: " << cone;
    EXPECT_TRUE(game_.Running());
    EXPECT_GT(flat, 0.99) << "cones drawn textured without a readable texture";
    StopAndExpectExitZero();
  }
};

TEST_F(AssetTest, MissingDataFolderStillPlays) { PlayWithAssets(CopyGame(*work_ / "game", true, false).exe); }

TEST_F(AssetTest, CorruptImagesStillPlay) {
  Install in = CopyGame(*work_ / "game", true, false);
  PlantCorruptData(in.bin + "/Data");
  PlantCorruptData(cwd_ + "/Data");
  PlayWithAssets(in.exe);
}

// Every texture a picture of 4096 x 4096 at 16 bits, interlaced (a hostile Data in the
// working folder, which is searched first): the game starts at once, its peak memory
// within the textures' budget of the game's own, and a stop while it loads ends it.
TEST_F(AssetTest, HugePicturesStayWithinTheBudgetAndAStopWhileLoadingEndsTheGame) {
  constexpr long kBudgetKiB = 64 * 1024;
  // The highest resident memory the game has had, in KiB.
  const auto peakKiB = [&] { return long(procstats::StatusKb(game_.pid(), "VmHWM").value_or(-1)); };
  Play();
  const long plain = peakKiB();
  game_.KillGroup();
  const std::string huge = HugePng(4096);
  fs::create_directories(cwd_ + "/Data");
  for (auto& entry : fs::directory_iterator(kBinDir + "/Data"))
    if (entry.path().extension() != ".zfi") std::ofstream(cwd_ + "/Data/" + entry.path().filename().string()) << huge;
  Play();
  EXPECT_LT(peakKiB() - plain, kBudgetKiB) << "peak memory, KiB, over the game's own " << plain;
  EXPECT_TRUE(Said("'Data\\Angle.png': a PNG of 4096 x 4096 pixels at 16 bits")) << Stderr();
  game_.KillGroup();
  // A stop as soon as the window shows, while the files load.
  Start(kGame);
  ASSERT_TRUE(x_->WaitForWindow("TEST", 30s)) << Stderr();
  const auto stopped = Clock::now();
  game_.Signal(SIGINT);
  auto st = game_.Wait(10s);
  ASSERT_TRUE(st);
  EXPECT_LT(Clock::now() - stopped, 1s) << st->Describe();
  ExpectNoSanitizerReport();
}

// ---------------------------------------------------------------------------
// An installed game runs from any working folder

TEST_F(PlayTest, InstalledGameRunsFromAnyFolder) {
  const std::string prefix = *work_ / "prefix", errors = *work_ / "install-errors.txt";
  ASSERT_EQ(RunToEnd({E2E_CMAKE, "--install", E2E_BUILD_DIR, "--prefix", prefix}, 60s, "", errors),
            "exit code 0")
      << ReadFile(errors);
  // Started through the link in bin/ from a folder that holds nothing of the game.
  const std::string exe = prefix + "/bin/stealthbox";
  ASSERT_TRUE(fs::exists(exe));
  const fs::path home = fs::canonical(exe).parent_path();
  EXPECT_TRUE(fs::exists(home / "libZenGL.so"));
  EXPECT_TRUE(fs::exists(home / "Data" / "Angle.png"));
  // The manifest lists every file and link made, so removing what it lists leaves nothing.
  std::istringstream manifest(ReadFile(std::string(E2E_BUILD_DIR) + "/install_manifest.txt"));
  std::set<std::string> listed;
  for (std::string line; std::getline(manifest, line);) listed.insert(line);
  for (auto& entry : fs::recursive_directory_iterator(prefix))
    if (!fs::is_directory(entry.symlink_status())) {
      EXPECT_TRUE(listed.count(entry.path().string())) << entry.path() << " is not in the manifest";
    }

  int cone = 0;
  double flat = 0;
  EXPECT_TRUE(ConesDrawn(exe, "installed", true, &cone, &flat))
      << "the installed game did not find its cone texture: " << flat << " of " << cone
      << " cone pixels flat";
  EXPECT_FALSE(Said("cannot load")) << Stderr();
  StopAndExpectExitZero();
}

// ---------------------------------------------------------------------------
// Stopping the game while it starts: it ends in order, and only ever shows one window

class EarlyStopTest : public PlayTest {
 protected:
  void SetUp() override {
    PlayTest::SetUp();
    x_->WatchCreations();
  }

  // Polls the started game's /proc status until `ready` holds for it; false if it never does.
  template <class Ready>
  bool WaitForStatus(Ready ready) {
    const auto end = Clock::now() + 20s;
    const std::string status = "/proc/" + std::to_string(game_.pid()) + "/status";
    while (game_.Running() && Clock::now() < end) {
      std::ifstream in(status);
      bool stealthbox = false;
      unsigned long long blocked = 0, caught = 0;
      for (std::string line; std::getline(in, line);) {
        if (line.rfind("Name:", 0) == 0) stealthbox = line.find("stealthbox") != std::string::npos;
        if (line.rfind("SigBlk:", 0) == 0) blocked = std::stoull(line.substr(7), nullptr, 16);
        if (line.rfind("SigCgt:", 0) == 0) caught = std::stoull(line.substr(7), nullptr, 16);
      }
      if (stealthbox && ready(blocked, caught)) return true;
      std::this_thread::sleep_for(200us);
    }
    return false;
  }
  static constexpr unsigned long long Bit(int sig) { return 1ull << (sig - 1); }
  // The game has begun to load its engine library. (Counted from here, not from the
  // launch, whose first moments a sanitizer build stretches to a tenth of a second.)
  bool WaitUntilTheEngineLoads() {
    const std::string maps = "/proc/" + std::to_string(game_.pid()) + "/maps";
    return WaitForStatus([&](auto, auto) { return ReadFile(maps).find("/libZenGL.so") != std::string::npos; });
  }
  // The first moment the game can take SIGTERM without dying of it: it holds or handles
  // it. (glibc blocks every signal for a moment while it starts a thread; that is no hold.)
  bool WaitUntilSigtermIsTaken() {
    return WaitForStatus([](unsigned long long blocked, unsigned long long caught) {
      return (caught & Bit(SIGTERM)) || ((blocked & Bit(SIGTERM)) && !(blocked & Bit(SIGHUP)));
    });
  }

  // Follows the started game to its end, expecting it in order (exit code 0, with `inOrder`
  // said otherwise), having shown one window at most; `act` is called on each round with
  // the game's window once it exists (0 before) and whether it is shown.
  template <class Act>
  void FollowToEndInOrder(Act act, const std::string& inOrder) {
    std::vector<Window> created;
    std::set<Window> mapped;
    Window game = 0;
    for (auto end = Clock::now() + 30s; game_.Running() && Clock::now() < end;
         std::this_thread::sleep_for(1ms)) {
      for (Window w : x_->CreatedSinceWatch()) created.push_back(w);
      for (Window w : x_->MappedSinceWatch()) mapped.insert(w);
      for (size_t i = 0; !game && i < created.size(); ++i)
        if (x_->NameOf(created[i]) == "TEST") game = created[i];
      act(game, mapped.count(game) > 0);
    }
    const std::string ending = Ending(1s);
    for (Window w : x_->MappedSinceWatch()) mapped.insert(w);
    EXPECT_EQ(ending, "exit code 0") << inOrder << Stderr();
    EXPECT_LE(mapped.size(), 1u) << "a second window was shown";
    ExpectNoSanitizerReport();
    game_.KillGroup();
  }
};

TEST_F(EarlyStopTest, CloseRequestAsSoonAsTheWindowExistsEndsWithExitCodeZero) {
  enum When { kOnceNamed, kOnceShown, kShortlyAfterShown };
  for (When when : {kOnceNamed, kOnceShown, kShortlyAfterShown}) {
    SCOPED_TRACE("close request " + std::string(when == kOnceNamed   ? "once the window is named"
                                                : when == kOnceShown ? "once it is shown"
                                                                     : "50 ms after it is shown"));
    Start(kGame);
    bool sent = false;
    auto shownAt = Clock::time_point{};
    FollowToEndInOrder(
        [&](Window game, bool shown) {
          if (!game || sent) return;
          if (shown && shownAt == Clock::time_point{}) shownAt = Clock::now();
          const bool now = when == kOnceNamed || (when == kOnceShown && shown) ||
                           (shown && Clock::now() - shownAt >= 50ms);
          if (now) x_->CloseWindow(WindowInfo{game, "TEST"}), sent = true;
        },
        "the close request was lost or the game did not end in order\n");
    EXPECT_TRUE(sent) << "no window captioned TEST appeared\n" << Stderr();
  }
}

TEST_F(EarlyStopTest, SigtermAtAnyMomentOfStartUpEndsWithExitCodeZero) {
  // From the first moment the game can take the signal, then at times counted from the
  // start of its engine's loading: while the engine loads, while the display opens, while
  // the world loads, and once it plays.
  struct Timing {
    bool fromEngine;
    milliseconds delay;
  };
  for (Timing t : {Timing{false, 0ms}, Timing{true, 0ms}, Timing{true, 20ms}, Timing{true, 60ms},
                   Timing{true, 150ms}, Timing{true, 400ms}, Timing{true, 1000ms}}) {
    SCOPED_TRACE("SIGTERM " + std::to_string(t.delay.count()) + " ms after " +
                 (t.fromEngine ? "the engine began to load" : "the game first took the signal"));
    Start(kGame);
    ASSERT_TRUE(t.fromEngine ? WaitUntilTheEngineLoads() : WaitUntilSigtermIsTaken())
        << "the game never " << (t.fromEngine ? "loaded its engine" : "held or handled SIGTERM") << "\n"
        << Stderr();
    const auto at = Clock::now() + t.delay;
    bool sent = false;
    FollowToEndInOrder(
        [&](Window, bool) {
          if (!sent && Clock::now() >= at) game_.Signal(SIGTERM), sent = true;
        },
        "");
    EXPECT_TRUE(sent) << "the game ended before the signal\n" << Stderr();
  }
}

// A display that takes the connection and never answers (a dead ssh -X tunnel, a frozen
// X server), or stops answering later: a stop still ends the game, with a word and a
// failing exit code, once its deadline has passed. The game's part is the word, on time;
// the system's taking the process down after it can take a second on a busy machine, as it
// does after SIGKILL.
class StalledDisplayTest : public EarlyStopTest {
 protected:
  void StopAndExpectTheDeadline(int sig) {
    const auto stopped = Clock::now();
    game_.Signal(sig);
    auto saidAt = Clock::time_point{};
    const auto noteTheWord = [&] {
      if (saidAt == Clock::time_point{} && Said("did not answer while")) saidAt = Clock::now();
    };
    for (; game_.Running() && Clock::now() - stopped < 10s; std::this_thread::sleep_for(2ms)) noteTheWord();
    auto st = game_.Wait(10s);
    const auto endedAt = Clock::now();
    noteTheWord();  // said just before it ended, between two looks
    ASSERT_TRUE(st) << "still running 10 s after the stop";
    EXPECT_TRUE(st->exited && st->code != 0) << st->Describe();
    ASSERT_NE(saidAt, Clock::time_point{}) << Stderr();
    EXPECT_LT(saidAt - stopped, milliseconds(engine::kStopDeadlineMs) + 500ms) << "from the stop to its word";
    EXPECT_LT(endedAt - saidAt, 1500ms) << "from the word to the end";
  }
};

TEST_F(StalledDisplayTest, AStopEndsTheGameWhenTheDisplayNeverAnswersOrStopsAnswering) {
  // A silent server on the TCP port of a display number nobody uses.
  const int server = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  ASSERT_GE(server, 0);
  int number = 0;
  for (int n = 150; n < 250 && !number; ++n) {
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_port = htons(uint16_t(6000 + n));
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(server, reinterpret_cast<sockaddr*>(&at), sizeof at) == 0) number = n;
  }
  ASSERT_NE(number, 0) << "no free port for a display";
  ASSERT_EQ(listen(server, 4), 0);
  for (int sig : {SIGTERM, SIGINT}) {
    SCOPED_TRACE(strsignal(sig));
    Start(kGame, {{"DISPLAY", "127.0.0.1:" + std::to_string(number)}});
    pollfd waiting{server, POLLIN, 0};
    ASSERT_EQ(poll(&waiting, 1, 30000), 1) << "the game never connected\n" << Stderr();
    const int connection = accept(server, nullptr, nullptr);
    ASSERT_GE(connection, 0);
    StopAndExpectTheDeadline(sig);
    close(connection);
    game_.KillGroup();
  }
  close(server);

  // One that stops answering once the game plays (a frozen VNC server): the play tests'
  // own server stopped while the game draws.
  Play();
  ASSERT_EQ(kill(display_->pid(), SIGSTOP), 0);
  StopAndExpectTheDeadline(SIGTERM);
  kill(display_->pid(), SIGCONT);
}

// ---------------------------------------------------------------------------
// Minimised and restored: the game goes on unseen and shows where it is now

// Pixels that differ between two captures of the same window.
int Differing(const Picture& a, const Picture& b) {
  if (a.width != b.width || a.height != b.height) return a.width * a.height;
  int n = 0;
  for (size_t i = 0; i < a.pixels.size(); ++i) n += a.pixels[i] != b.pixels[i];
  return n;
}

TEST_F(PlayTest, UnmappedAndMappedAgainTheWindowShowsTheCurrentPicture) {
  Pilot& pilot = Play();
  // The guards sweep their gaze all the time: a live picture never stands still for long.
  constexpr int kMoved = 200;
  auto changesFrom = [&](const Picture& from, const std::string& name) {
    Picture p;
    const bool changed = PollUntil([&] { return Differing(from, p = pilot.Look()) > kMoved; }, 10s);
    if (!changed) artifacts_.Keep(p, name);
    return changed;
  };
  ASSERT_TRUE(changesFrom(pilot.Look(), "still-before")) << "the guards' cones do not move";

  Picture last = pilot.Look();
  artifacts_.Keep(last, "before-unmap");
  x_->Unmap(window_);
  auto viewable = [&] {
    auto now = x_->FindWindow("TEST");
    return now && now->viewable;
  };
  ASSERT_TRUE(PollUntil([&] { return !viewable(); }, 10s, 10ms)) << "the window is still mapped";
  std::this_thread::sleep_for(1s);  // a second unseen, some 58 ticks
  ASSERT_TRUE(game_.Running()) << Stderr();

  x_->Map(window_);
  // Shown again: the whole scene, not the picture of before, and alive.
  Picture back;
  const bool scene = PollUntil(
      [&] {
        back = pilot.Look();
        return FindHero(back) && back.Count(kField) > 800 * 600 / 4 && Differing(last, back) > kMoved;
      },
      10s);
  artifacts_.Keep(back, "after-map");
  EXPECT_TRUE(scene) << "no current picture in the window after it was mapped again";
  EXPECT_TRUE(changesFrom(back, "still-after")) << "the picture stands still after the window came back";

  StopAndExpectExitZero();
}

#ifdef E2E_WINE_RUN
// ---------------------------------------------------------------------------
// What only the Windows build has to prove, under Wine: the message box when ZenGL.dll
// cannot be used, the DLL search that never looks in the working folder, walking (its pace is
// measured on Linux only, where the game's timer is not shared with Wine), and the player's
// zip unpacked into an empty folder of a new Wine prefix.

class WindowsPlayTest : public PlayTest {
 protected:
  // The game refuses its engine: one message box, that text, no game window, and the
  // process waits for the player before it ends with exit code 1.
  void ExpectRefusal(const std::string& exe) {
    // Wine's own trace of the message box's text.
    Start(exe, {{"WINEDEBUG", "-all,trace+msgbox"}});
    std::optional<WindowInfo> box;
    bool sawGame = false;
    for (auto until = Clock::now() + 90s; !box && game_.Running() && Clock::now() < until;) {
      for (auto& w : x_->AllWindows()) {
        sawGame |= w.name == "TEST";
        if (w.name == "Error" && w.viewable) box = w;
      }
      std::this_thread::sleep_for(50ms);
    }
    ASSERT_TRUE(box) << "no message box; game " << (game_.Running() ? "running" : "ended") << "\n"
                     << Stderr();
    EXPECT_TRUE(Said(std::string("L\"") + kLoadError + "\"")) << Stderr();
    std::this_thread::sleep_for(500ms);
    EXPECT_TRUE(game_.Running()) << "ended before the message was dismissed";
    // Its one button, OK, sits centred at the foot of the box.
    for (int tries = 0; tries < 5 && x_->FindWindow("Error"); ++tries) {
      x_->Click(*box, box->width / 2, box->height - 22);
      PollUntil([&] { return !x_->FindWindow("Error"); }, 2s, 50ms);
    }
    EXPECT_EQ(Ending(30s), "exit code 1") << "after the message was dismissed";
    EXPECT_FALSE(sawGame || x_->FindWindow("TEST")) << "a game window was opened";
  }
};

TEST_F(WindowsPlayTest, HoldingDWalksTheHeroRight) {
  Pilot& pilot = PlayWhere(OpenAround, 2, "open ground at his start", kRowWorlds, 0s);
  auto start = pilot.Settle();
  ASSERT_TRUE(start);
  x_->Key("d", true);
  std::optional<Blob> now;
  const bool walked = Await(pilot, artifacts_.Keeping(), "walked", [&](const Picture& p) {
    now = FindHero(p);
    return now && now->left >= start->left + 30;
  });
  x_->Key("d", false);
  EXPECT_TRUE(walked) << "D held, and the hero did not walk right";
  if (now) {
    EXPECT_EQ(now->top, start->top) << "straight to the right";
  }
}

TEST_F(WindowsPlayTest, WithoutZenGLTheMessageBoxShowsAndTheExitCodeIsOne) {
  ExpectRefusal(CopyGame(*work_ / "game", false, true).exe);
}

TEST_F(WindowsPlayTest, ZenGLOnlyInTheWorkingFolderIsNeverLoaded) {
  // A complete, working engine where the player starts from: it must not be picked up.
  Install in = CopyGame(*work_ / "game", false, true);
  for (auto& file : kRuntimeFiles) fs::copy_file(kBinDir + "/" + file, cwd_ + "/" + file);
  fs::copy_file(kBinDir + "/" + kEngineFile, cwd_ + "/" + kEngineFile);
  ExpectRefusal(in.exe);
}

// Wine's loader refuses a ZenGL.dll cut inside the image it maps, and the game says so. (Cut by
// one byte only, a DLL loses the end of its COFF symbol table, which nobody maps: it plays.)
TEST_F(WindowsPlayTest, ZenGLCutShortIsRefusedWithTheMessageBox) {
  const std::string whole = ReadFile(kBinDir + "/" + kEngineFile);
  ASSERT_GT(whole.size(), 100000u);
  for (size_t bytes : {size_t(10000), whole.size() / 20, whole.size() / 2}) {
    SCOPED_TRACE(std::to_string(bytes) + " of its " + std::to_string(whole.size()) + " bytes");
    ExpectRefusal(CopyGameWithEngine(*work_ / ("cut-" + std::to_string(bytes)), whole.substr(0, bytes)).exe);
  }
}

TEST_F(WindowsPlayTest, AFifoInPlaceOfZenGLIsRefused) {
  Install in = CopyGame(*work_ / "game", false, true);
  ASSERT_EQ(mkfifo((in.bin + "/" + kEngineFile).c_str(), 0644), 0);
  ExpectRefusal(in.exe);
}

TEST_F(WindowsPlayTest, ZenGLLackingAnEntryIsRefused) {
  ExpectRefusal(CopyGameWithEngine(*work_ / "game", ReadFile(E2E_LACKING_ENGINE)).exe);
}

TEST_F(WindowsPlayTest, TheZipUnpackedInAnEmptyFolderOfANewPrefixPlays) {
  // The package as `make package-windows` makes it, into a folder of this test's own.
  const std::string out = *work_ / "package", log = *work_ / "cpack.txt";
  const std::string config = std::string(E2E_WINDOWS_BUILD) + "/CPackConfig.cmake";
  ASSERT_EQ(RunToEnd({E2E_CPACK, "--config", config, "-B", out}, 300s, "", log), "exit code 0")
      << ReadFile(log);
  std::vector<fs::path> zips;
  for (auto& e : fs::directory_iterator(out))
    if (e.path().extension() == ".zip") zips.push_back(e.path());
  ASSERT_EQ(zips.size(), 1u);
  const std::string name = zips[0].stem().string();
  EXPECT_EQ(name, std::string("stealthbox-") + E2E_VERSION + "-windows-x64");

  const std::string unpacked = *work_ / "empty";
  fs::create_directories(unpacked);
  ASSERT_EQ(RunToEnd({E2E_CMAKE, "-E", "tar", "xf", zips[0].string()}, 60s, unpacked), "exit code 0");
  // One folder inside, holding the game and nothing that needs installing.
  std::vector<std::string> top;
  for (auto& e : fs::directory_iterator(unpacked)) top.push_back(e.path().filename().string());
  ASSERT_EQ(top, std::vector<std::string>{name});
  const std::string game = unpacked + "/" + name;
  for (const char* file : {"stealthbox.exe", "ZenGL.dll", "SDL2.dll", "SDL2_image.dll", "Data/Angle.png",
                           "README.txt", "licenses/Stealthbox-LICENSE.txt", "licenses/SDL2-LICENSE.txt"})
    EXPECT_TRUE(fs::exists(game + "/" + file)) << file;

  // A new prefix is brought up first, and Wine shows its first frame late there.
  launcher_ = {E2E_WINE_RUN, *work_ / "new-prefix"};
  firstFramePatience_ = 240s;
  Pilot& pilot = Play(game + "/stealthbox.exe");
  // Wine may show a frame or two before the scene is whole: look until it is.
  int cone = 0;
  EXPECT_TRUE(Await(pilot, artifacts_.Keeping(), "unzipped", [&](const Picture& p) {
    FlatConeShare(p, &cone);
    return cone > 1500 && p.Count(kWall) > 8000;
  }, 60s)) << "view cones " << cone << " pixels, walls " << pilot.last().Count(kWall);
  x_->CloseWindow(window_);
  EXPECT_EQ(Ending(60s), "exit code 0") << "after the window was closed";
}
#endif

}  // namespace
}  // namespace e2e
