// The game as a player meets it: the real stealth executable and the real
// engine library, in a window on a private Xvfb server, driven by real key and
// pointer events and judged by the pixels it draws.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <numbers>
#include <numeric>
#include <thread>

#include "pilot.h"
#include "picture.h"
#include "process.h"
#include "x_session.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace e2e {
namespace {

// The same tests play the Windows build under Wine: the build names the game's folder,
// its file and the program that starts it (tests/e2e/CMakeLists.txt).
#ifndef E2E_GAME_EXE
#define E2E_GAME_EXE "stealth"
#endif
#ifndef E2E_LAUNCHER
#define E2E_LAUNCHER ""
#endif
const std::string kBinDir = E2E_BIN_DIR;
const std::string kGameExe = E2E_GAME_EXE;
constexpr double kTicksPerSecond = 1000.0 / 17.0;
constexpr const char* kLoadError = "Error while loading ZenGL";

// The game's folder copied elsewhere: the executable, and optionally its engine and assets.
struct Install {
  std::string bin;
  std::string exe;
};

Install CopyGame(const std::string& root, bool withEngine, bool withData) {
  Install in{root + "/bin", root + "/bin/" + kGameExe};
  fs::create_directories(in.bin);
  fs::copy_file(kBinDir + "/" + kGameExe, in.exe);
  if (withEngine) fs::copy_file(kBinDir + "/libZenGL.so", in.bin + "/libZenGL.so");
  if (withData) fs::copy(kBinDir + "/Data", in.bin + "/Data", fs::copy_options::recursive);
  return in;
}

// The command line that starts the game: the launcher's words ('|'-separated), then the game.
std::vector<std::string> GameCommand(const std::string& exe) {
  std::vector<std::string> argv;
  std::string launcher = E2E_LAUNCHER;
  for (size_t start = 0; start < launcher.size();) {
    size_t end = std::min(launcher.find('|', start), launcher.size());
    argv.push_back(launcher.substr(start, end - start));
    start = end + 1;
  }
  argv.push_back(exe);
  return argv;
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

// Without the cone texture every cone is white at alpha 187 over the grey field, and
// where cones overlap, that again: a few flat shades of grey and nothing between.
bool FlatConeShade(uint32_t c) {
  static const std::vector<int> layers = [] {
    std::vector<int> v;
    for (double g = 0xCF; v.size() < 8;) g += (255 - g) * 187 / 255, v.push_back(int(g));
    return v;
  }();
  int r = c >> 16, g = (c >> 8) & 0xFF, b = c & 0xFF;
  bool grey = std::abs(r - g) <= 2 && std::abs(g - b) <= 2;
  return grey && std::any_of(layers.begin(), layers.end(), [&](int v) { return std::abs(v - g) <= 2; });
}

// Share of the cone pixels that are flat shades: near 1 untextured, low with the texture.
double FlatConeShare(const Picture& p, int* cones = nullptr) {
  int cone = 0, flat = 0;
  for (uint32_t c : p.pixels)
    if (IsConePixel(c)) ++cone, flat += FlatConeShade(c);
  if (cones) *cones = cone;
  return cone ? double(flat) / cone : 0.0;
}

class PlayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    display_ = std::make_unique<VirtualDisplay>();
    x_ = std::make_unique<XSession>(display_->name());
    work_ = std::make_unique<TempDir>("play");
    cwd_ = *work_ / "cwd";
    fs::create_directories(cwd_);
  }

  void TearDown() override {
    if (x_) x_->ReleaseAllKeys();
    // E2E_KEEP_PICTURES=1 keeps them after a pass too, for a person to look at.
    if (HasFailure() || std::getenv("E2E_KEEP_PICTURES")) KeepArtifacts();
    game_.KillGroup();
  }

  void Start(const std::string& exe, bool withDisplay = true,
             std::map<std::string, std::string> extraEnv = {}) {
    SpawnOptions o;
    o.argv = GameCommand(exe);
    o.env = CleanEnvironment();
    if (withDisplay) o.env["DISPLAY"] = display_->name();
    // A leak report must not change the exit code under test; the report itself is judged.
    o.env["LSAN_OPTIONS"] = o.env["LSAN_OPTIONS"] + (o.env["LSAN_OPTIONS"].empty() ? "" : ":") + "exitcode=0";
    for (auto& [k, v] : extraEnv) o.env[k] = v;
    o.cwd = cwd_;
    o.stdoutPath = *work_ / "stdout.txt";
    o.stderrPath = *work_ / "stderr.txt";
    game_ = Process(o);
  }

  std::string Stderr() const { return ReadFile(*work_ / "stderr.txt"); }

  // Starts the game as built, from a working folder of its own, and waits for its first frames.
  WindowInfo Play(const std::string& exe = kBinDir + "/" + kGameExe) {
    Start(exe);
    // The window may be made again once the renderer starts (a GL window replaces the first
    // one): look it up until one shows the hero, which takes a while in a sanitizer build.
    std::optional<WindowInfo> w;
    Picture p;
    auto until = Clock::now() + 20s;
    while (Clock::now() < until && game_.Running()) {
      w = x_->WaitForWindow("TEST", 1s);
      if (!w) continue;
      x_->Focus(*w);
      x_->MovePointer(*w, 700, 50);
      Pilot pilot(*x_, *w);
      if (pilot.Settle(&p) && FindHero(p)) return *w;
    }
    Keep(p, "no-hero");
    ADD_FAILURE() << (w ? "the hero's square never showed" : "no window captioned TEST appeared")
                  << "; game " << (game_.Running() ? "running" : "ended") << "\n"
                  << Stderr();
    throw std::runtime_error("no game window");
  }

  // The world is random: a world in which the hero cannot get where a test needs him
  // (walled in, say) is left for a fresh one, up to three.
  WindowInfo PlayWhere(Pilot::GoalFor goalFor, int margin, const std::string& what) {
    for (int attempt = 0; attempt < 3; ++attempt) {
      if (attempt > 0) game_.KillGroup();
      WindowInfo w = Play();
      Pilot pilot(*x_, w);
      if (pilot.Reach(goalFor, margin, 30s)) return w;
      Keep(pilot.last(), "unreachable-" + std::to_string(attempt));
    }
    ADD_FAILURE() << "three worlds and " << what << " could not be reached";
    throw std::runtime_error("unreachable");
  }

  void Keep(const Picture& p, const std::string& name) {
    if (!p.empty()) kept_.emplace_back(name, p);
  }

  void KeepArtifacts() {
    auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string dir = std::string(E2E_ARTIFACTS) + "/" + info->test_suite_name() + "." + info->name();
    std::error_code ec;
    fs::remove_all(dir, ec);
    fs::create_directories(dir);
    for (auto& [name, p] : kept_) p.SavePpm(dir + "/" + name + ".ppm");
    std::ofstream failures(dir + "/failures.txt");
    const auto* result = info->result();
    for (int i = 0; i < result->total_part_count(); ++i) {
      const auto& part = result->GetTestPartResult(i);
      if (part.failed())
        failures << (part.file_name() ? part.file_name() : "?") << ":" << part.line_number() << ": "
                 << part.summary() << "\n";
    }
    fs::copy_file(*work_ / "stderr.txt", dir + "/stderr.txt", fs::copy_options::overwrite_existing,
                  ec);
    std::cerr << "play test artifacts kept in " << dir << "\n";
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

  std::unique_ptr<VirtualDisplay> display_;
  std::unique_ptr<XSession> x_;
  std::unique_ptr<TempDir> work_;
  std::string cwd_;
  Process game_;
  std::vector<std::pair<std::string, Picture>> kept_;
};

// ---------------------------------------------------------------------------
// The window and the scene

TEST_F(PlayTest, WindowShowsTheSceneInItsColours) {
  WindowInfo w = Play();
  EXPECT_EQ(w.width, 800);
  EXPECT_EQ(w.height, 600);
  Pilot pilot(*x_, w);
  Picture p;
  auto hero = pilot.Settle(&p);
  ASSERT_TRUE(hero);
  Keep(p, "scene");

  EXPECT_GT(p.Count(kField), 800 * 600 / 4) << "light-grey field";
  EXPECT_GT(p.Count(kWall), 8000) << "30 dark walls of 30 to 39 pixels";
  EXPECT_GT(p.Count(kBox), 1000) << "7 yellow boxes of 25 pixels";
  EXPECT_GT(p.Count(kGuard), 300) << "5 red guards of 20 pixels";
  const bool onScreen = hero->left >= 0 && hero->top >= 0 && hero->right <= p.width &&
                        hero->bottom <= p.height;
  if (onScreen) {
    EXPECT_EQ(p.Count(kHero), 400) << "the hero's 20-pixel square, drawn over everything";
  }

  // He starts at (50, 50) unless he stood in a wall or box and was pushed out.
  bool startsAtHome = hero->left == 40 && hero->top == 40 && hero->right == 60 && hero->bottom == 60;
  ObstacleMap obstacles(p);
  bool crowded = !obstacles.Clear(0, 0, 100, 100);
  EXPECT_TRUE(startsAtHome || crowded) << "hero at " << hero->left << "," << hero->top;

  // Translucent cones: pixels that are neither the bare field nor anything opaque,
  // both near the hero and, in shades, over much of the field.
  int cone = 0;
  for (uint32_t c : p.pixels) cone += IsConePixel(c);
  // Six cones of 13 rays and 200 pixels, though walls may cut most of them short.
  EXPECT_GT(cone, 1500) << "hardly any cone pixels";
  // (Whether the hero's own cone follows the pointer is for the pointer test: here a wall
  // beside him may cut it to nothing.)
  EXPECT_LT(FlatConeShare(p), 0.5) << "cones drawn without their texture";
  double share = 0;
  for (int a = -20; a <= 20; a += 10)
    share = std::max(share, ConeShare(p, hero->cx(), hero->cy(), a, 5, 15, 60));
  EXPECT_GT(share, 0.5) << "the hero's own cone points toward the pointer on his right";
}

// ---------------------------------------------------------------------------
// Walking: 5 pixels a tick, 1000/17 ticks a second

struct Sample {
  double t;
  int left, top;
};

struct Pace {
  double pixelsPerSecond = 0;
  double seconds = 0;
  int samples = 0;
  std::string trouble;  // why the run cannot be measured, empty when it can
};

Pace Measure(const std::vector<Sample>& all) {
  Pace pace;
  // From the first frame that shows him moving to the last; a still hero at either end says nothing.
  size_t first = 0, last = all.size();
  while (first + 1 < all.size() && all[first + 1].left == all[0].left) ++first;
  while (last > first + 1 && all[last - 1].left == all[last - 2].left) --last;
  std::vector<Sample> s(all.begin() + long(first), all.begin() + long(last));
  if (s.size() < 20) return pace.trouble = "too few frames show him walking", pace;
  double lastMove = s[0].t;
  for (size_t i = 1; i < s.size(); ++i) {
    if (s[i].top != s[0].top) return pace.trouble = "he drifted off his row", pace;
    int d = s[i].left - s[i - 1].left;
    if (d < 0) return pace.trouble = "he went backwards", pace;
    if (d % kStep != 0) return pace.trouble = "a step that is not a whole number of ticks", pace;
    if (d > 0) lastMove = s[i].t;
    if (s[i].t - lastMove > 0.15) return pace.trouble = "he stopped", pace;  // 9 ticks still
  }
  double n = double(s.size()), st = 0, sx = 0, stt = 0, stx = 0;
  for (auto& q : s) st += q.t, sx += q.left, stt += q.t * q.t, stx += q.t * q.left;
  pace.pixelsPerSecond = (n * stx - st * sx) / (n * stt - st * st);
  pace.seconds = s.back().t - s.front().t;
  pace.samples = int(s.size());
  return pace;
}

TEST_F(PlayTest, PaceHoldingDWalksRightFivePixelsEachTick) {
  constexpr int kRun = 400;  // open ground ahead: 1.36 s of walking
  std::string lastTrouble;
  for (int attempt = 0; attempt < 3; ++attempt) {
    if (attempt > 0) game_.KillGroup();  // a fresh world
    WindowInfo w = Play();
    Pilot pilot(*x_, w);
    // First walk, around what stands in the way, to a row that is open for the whole run.
    auto openRow = [&](const Picture& p) -> Goal {
      auto free = std::make_shared<FreeMap>(p, 2);
      return [free](int x, int y) { return x + kRun + 20 < 790 && free->FreeRow(x, x + kRun + 20, y); };
    };
    if (!pilot.Reach(openRow, 3, 30s)) {
      Keep(pilot.last(), "unreachable-" + std::to_string(attempt));
      lastTrouble = "no open row could be reached";
      continue;
    }
    Picture before;
    pilot.Settle(&before);
    Keep(before, "before-walk-" + std::to_string(attempt));

    std::vector<Sample> samples;
    x_->Key("d", true);
    auto t0 = Clock::now();
    Picture p;
    // Held for as long as the open row lasts, not longer.
    const auto hold = std::chrono::milliseconds(int(1000.0 * kRun / (kStep * kTicksPerSecond)));
    while (Clock::now() - t0 < hold) {
      p = pilot.Look();
      if (auto h = FindHero(p))
        samples.push_back({std::chrono::duration<double>(p.time - t0).count(), h->left, h->top});
      std::this_thread::sleep_for(4ms);
    }
    x_->Key("d", false);
    Keep(p, "after-walk-" + std::to_string(attempt));

    Pace pace = Measure(samples);
    if (!pace.trouble.empty()) {
      lastTrouble = pace.trouble;
      continue;
    }
    EXPECT_GE(pace.seconds, 1.0);
    double ticksPerSecond = pace.pixelsPerSecond / kStep;
    RecordProperty("ticks_per_second", std::to_string(ticksPerSecond));
    std::cout << "walked " << pace.pixelsPerSecond << " px/s over " << pace.seconds << " s ("
              << pace.samples << " frames): " << ticksPerSecond << " ticks/s\n";
    EXPECT_NEAR(ticksPerSecond, kTicksPerSecond, 0.03 * kTicksPerSecond)
        << pace.pixelsPerSecond << " px/s over " << pace.seconds << " s, " << pace.samples
        << " frames";
    game_.Signal(SIGTERM);
    auto st = game_.Wait(10s);
    ASSERT_TRUE(st);
    EXPECT_EQ(st->Describe(), "exit code 0");
    ExpectNoSanitizerReport();
    return;
  }
  FAIL() << "three worlds and no clean walk: " << lastTrouble;
}

// ---------------------------------------------------------------------------
// The mouse turns the hero's cone

TEST_F(PlayTest, PointerTurnsTheHerosCone) {
  // Two opposite directions whose near ground is open, so that his rays are not cut short there.
  constexpr int kR0 = 15, kR1 = 60, kSide = 21;
  auto openPair = [&](const ObstacleMap& o, int x, int y) -> int {
    bool right = o.Clear(x + kR0, y - kSide, x + kR1, y + kSide);
    bool left = o.Clear(x - kR1, y - kSide, x - kR0, y + kSide);
    bool down = o.Clear(x - kSide, y + kR0, x + kSide, y + kR1);
    bool up = o.Clear(x - kSide, y - kR1, x + kSide, y - kR0);
    return right && left ? 1 : (down && up ? 2 : 0);
  };
  auto goal = [&](const Picture& p) -> Goal {
    auto o = std::make_shared<ObstacleMap>(p);
    return [o, openPair](int x, int y) { return openPair(*o, x, y) != 0; };
  };
  WindowInfo w = PlayWhere(goal, 2, "open ground");
  Pilot pilot(*x_, w);
  Picture p;
  auto hero = pilot.Settle(&p);
  ASSERT_TRUE(hero);
  const int cx = int(hero->cx()), cy = int(hero->cy());
  const bool horizontal = openPair(ObstacleMap(p), cx, cy) == 1;
  const double a = horizontal ? 0 : 90, b = a + 180, control = a + 90;
  auto pointerAt = [&](double deg) {
    int px = cx + int(std::lround(100 * std::cos(deg * std::numbers::pi / 180)));
    int py = cy + int(std::lround(100 * std::sin(deg * std::numbers::pi / 180)));
    x_->MovePointer(w, std::clamp(px, 1, 798), std::clamp(py, 1, 598));
  };

  // Facing a, b, a, b: the hero's cone lights the same pixels each time he faces the same way,
  // whatever the guards' cones do meanwhile.
  std::vector<Picture> shots;
  for (double dir : {a, b, a, b}) {
    pointerAt(dir);
    std::this_thread::sleep_for(150ms);
    shots.push_back(pilot.Look());
    Keep(shots.back(), "facing-" + std::to_string(int(dir)) + "-" + std::to_string(shots.size()));
  }
  auto toggled = [&](double dir) {
    int open = 0, toggles = 0;
    for (int y = cy - kR1; y <= cy + kR1; ++y)
      for (int x = cx - kR1; x <= cx + kR1; ++x) {
        double dx = x + 0.5 - cx, dy = y + 0.5 - cy, r = std::hypot(dx, dy);
        double off = std::remainder(std::atan2(dy, dx) - dir * std::numbers::pi / 180, 2 * std::numbers::pi);
        if (r < kR0 || r > kR1 || std::fabs(off) > 20 * std::numbers::pi / 180 || !shots[0].inside(x, y))
          continue;
        uint32_t c0 = shots[0].at(x, y), c1 = shots[1].at(x, y), c2 = shots[2].at(x, y),
                 c3 = shots[3].at(x, y);
        if (IsObjectColour(c0)) continue;
        ++open;
        if (c0 == c2 && c1 == c3 && c0 != c1) ++toggles;
      }
    return open ? double(toggles) / open : 0.0;
  };
  EXPECT_GT(toggled(a), 0.6) << "cone toward the pointer at " << a << " degrees";
  EXPECT_GT(toggled(b), 0.6) << "cone toward the pointer at " << b << " degrees";
  EXPECT_LT(toggled(control), 0.2) << "no cone across, at " << control << " degrees";
}

// ---------------------------------------------------------------------------
// Taking a box with E and setting it down again

TEST_F(PlayTest, PressingETakesABoxAndSetsItDownBesideHim) {
  // Stand 30 pixels from a box, square in front of it, with room around him.
  auto besideBox = [&](const Picture& p) -> Goal {
    std::vector<Blob> boxes;
    for (auto& b : FindBlobs(p, kBox))
      if (b.width() == kBoxSize && b.height() == kBoxSize) boxes.push_back(b);
    return [boxes](int x, int y) {
      for (auto& b : boxes) {
        double dx = std::fabs(x - b.cx()), dy = std::fabs(y - b.cy());
        if ((dx >= 28 && dx <= 33 && dy <= 4) || (dy >= 28 && dy <= 33 && dx <= 4)) return true;
      }
      return false;
    };
  };
  WindowInfo w = PlayWhere(besideBox, 2, "a box");
  Pilot pilot(*x_, w);
  Picture start;
  auto hero = pilot.Settle(&start);
  ASSERT_TRUE(hero);
  Keep(start, "beside-box");
  // The box he stands by, and a step toward it, so that it is surely within his reach.
  std::optional<Blob> target;
  for (auto& b : FindBlobs(start, kBox))
    if (b.width() == kBoxSize && b.height() == kBoxSize &&
        (!target || std::hypot(b.cx() - hero->cx(), b.cy() - hero->cy()) <
                        std::hypot(target->cx() - hero->cx(), target->cy() - hero->cy())))
      target = b;
  ASSERT_TRUE(target);
  double dx = target->cx() - hero->cx(), dy = target->cy() - hero->cy();
  const char* toward = std::fabs(dx) > std::fabs(dy) ? (dx > 0 ? "d" : "a") : (dy > 0 ? "s" : "w");
  pilot.Tap(toward, 60ms);
  hero = pilot.Settle(&start);
  ASSERT_TRUE(hero);
  const int restingBefore = start.Count(kBox);

  // One press, held for many ticks: taken once, not taken and set down again.
  pilot.Tap("e", 400ms);
  std::this_thread::sleep_for(900ms);  // the hop ends and the box settles onto him
  Picture carrying = pilot.Look();
  Keep(carrying, "carrying");
  EXPECT_EQ(carrying.Count(kHero), 0) << "the carried box covers the hero";
  bool boxOverHero = false;
  for (auto& b : FindBlobs(carrying, kBox))
    if (b.left <= hero->left && b.top <= hero->top && b.right >= hero->right &&
        b.bottom >= hero->bottom)
      boxOverHero = true;
  EXPECT_TRUE(boxOverHero) << "a box drawn over the hero's square";
  // The box left its place: no yellow where it stood, outside the box now on him.
  int leftBehind = 0;
  for (int y = target->top; y < target->bottom; ++y)
    for (int x = target->left; x < target->right; ++x) {
      bool onHero = std::abs(x - hero->cx()) < 14 && std::abs(y - hero->cy()) < 14;
      if (!onHero && carrying.at(x, y) == kBox) ++leftBehind;
    }
  EXPECT_LT(leftBehind, 20) << "the taken box still shows where it stood";

  // A second press sets it down beside him.
  pilot.Tap("e", 100ms);
  std::this_thread::sleep_for(1000ms);  // hop and glide end
  Picture after;
  auto heroAfter = pilot.Settle(&after);
  Keep(after, "set-down");
  ASSERT_TRUE(heroAfter) << "the hero shows again once the box is down";
  EXPECT_EQ(after.Count(kHero), 400);
  bool besideHim = false;
  for (auto& b : FindBlobs(after, kBox)) {
    double d = std::max(std::fabs(b.cx() - heroAfter->cx()), std::fabs(b.cy() - heroAfter->cy()));
    if (d >= 20 && d <= 45) besideHim = true;
  }
  EXPECT_TRUE(besideHim) << "a box resting right beside the hero";
  EXPECT_NEAR(after.Count(kBox), restingBefore, 2 * kBoxSize * kBoxSize)
      << "boxes are neither lost nor doubled";
  ExpectNoSanitizerReport();
}

// ---------------------------------------------------------------------------
// Ending the game

TEST_F(PlayTest, ClosingTheWindowEndsWithExitCodeZero) {
  WindowInfo w = Play();
  std::this_thread::sleep_for(300ms);
  x_->CloseWindow(w);
  auto st = game_.Wait(10s);
  ASSERT_TRUE(st) << "still running after the window was closed";
  EXPECT_EQ(st->Describe(), "exit code 0");
  EXPECT_FALSE(x_->FindWindow("TEST"));
  ExpectNoSanitizerReport();
}

TEST_F(PlayTest, SigtermEndsWithExitCodeZero) {
  Play();
  std::this_thread::sleep_for(300ms);
  game_.Signal(SIGTERM);
  auto st = game_.Wait(10s);
  ASSERT_TRUE(st) << "still running after SIGTERM";
  EXPECT_EQ(st->Describe(), "exit code 0");
  ExpectNoSanitizerReport();
}

// ---------------------------------------------------------------------------
// The engine library: where it is looked for, and what happens without it

struct LoadFailure {
  ExitStatus status;
  bool sawGameWindow = false;
  int dialogs = 0;        // message boxes seen and dismissed
  int otherWindows = 0;   // anything else that was created
};

class EngineLoadTest : public PlayTest {
 protected:
  // Runs the game expecting it to fail to bind its engine; dismisses a message box
  // if one appears, and watches every window created meanwhile.
  LoadFailure RunToFailure(const std::string& exe, bool withDisplay,
                           std::map<std::string, std::string> env = {}) {
    LoadFailure f;
    x_->WatchCreations();
    Start(exe, withDisplay, env);
    std::map<Window, bool> created;  // window -> belongs to a message box
    std::vector<unsigned long> dialogClients;
    auto end = Clock::now() + 20s;
    auto dialogSince = Clock::time_point{};
    while (game_.Running() && Clock::now() < end) {
      for (Window w : x_->CreatedSinceWatch()) created.emplace(w, false);
      for (auto& win : x_->AllWindows()) {
        if (win.name == "TEST") f.sawGameWindow = true;
        if (win.name == "Error" && win.viewable) {
          dialogClients.push_back(win.id & ~0x1FFFFFul);  // the X client that owns it
          if (dialogSince == Clock::time_point{}) {
            ++f.dialogs;
            dialogSince = Clock::now();
            x_->CloseWindow(win);
          } else if (Clock::now() - dialogSince > 2s) {
            x_->KillClientOf(win.id);  // a box that ignores the close request
          }
        }
      }
      std::this_thread::sleep_for(20ms);
    }
    for (Window w : x_->CreatedSinceWatch()) created.emplace(w, false);
    for (auto& [w, dialog] : created) {
      bool ofDialog = std::find(dialogClients.begin(), dialogClients.end(), w & ~0x1FFFFFul) !=
                      dialogClients.end();
      if (!ofDialog) ++f.otherWindows;
    }
    auto st = game_.Wait(1s);
    if (st) f.status = *st;
    return f;
  }

  void ExpectLoadError(const LoadFailure& f) {
    EXPECT_EQ(f.status.Describe(), "exit code 1");
    EXPECT_NE(Stderr().find(kLoadError), std::string::npos) << "stderr: " << Stderr();
    EXPECT_FALSE(f.sawGameWindow) << "a game window was opened";
    EXPECT_EQ(f.otherWindows, 0) << "windows other than the message box were created";
    EXPECT_LE(f.dialogs, 1) << "more than one message box";
    ExpectNoSanitizerReport();
  }
};

TEST_F(EngineLoadTest, MissingEngineWithoutDisplayReportsOnStderrAndExitsOne) {
  Install in = CopyGame(*work_ / "game", false, true);
  LoadFailure f = RunToFailure(in.exe, false);
  ExpectLoadError(f);
  EXPECT_EQ(f.dialogs, 0);
}

TEST_F(EngineLoadTest, MissingEngineWithDisplayShowsOneMessageAndNoGameWindow) {
  Install in = CopyGame(*work_ / "game", false, true);
  LoadFailure f = RunToFailure(in.exe, true);
  ExpectLoadError(f);
  // Where a dialog program is installed (the set-up installs xmessage), the message shows as one.
  bool dialogProgram = fs::exists("/usr/bin/xmessage") || fs::exists("/usr/bin/zenity");
  if (dialogProgram) {
    EXPECT_EQ(f.dialogs, 1);
  }
}

TEST_F(EngineLoadTest, EngineInTheWorkingFolderIsNeverLoaded) {
  Install in = CopyGame(*work_ / "game", false, true);
  fs::copy_file(E2E_PLANTED, cwd_ + "/libZenGL.so");
  const std::string marker = *work_ / "planted-marker";
  LoadFailure f = RunToFailure(in.exe, true, {{"PLANTED_ENGINE_MARKER", marker}});
  ExpectLoadError(f);
  EXPECT_FALSE(fs::exists(marker)) << "the planted library was loaded: " << ReadFile(marker);
}

TEST_F(EngineLoadTest, EngineBesideTheExecutableIsLoaded) {
  // The control for the case above: the same stand-in, beside the game, is found and started.
  Install in = CopyGame(*work_ / "game", false, true);
  fs::copy_file(E2E_PLANTED, in.bin + "/libZenGL.so");
  const std::string marker = *work_ / "planted-marker";
  Start(in.exe, true, {{"PLANTED_ENGINE_MARKER", marker}});
  auto st = game_.Wait(20s);
  ASSERT_TRUE(st);
  EXPECT_EQ(st->Describe(), "exit code 0") << Stderr();
  EXPECT_EQ(ReadFile(marker), "loaded\nzgl_Init\n");
  EXPECT_EQ(Stderr().find(kLoadError), std::string::npos);
}

TEST_F(EngineLoadTest, EngineLackingAnOperationCountsAsMissing) {
  Install in = CopyGame(*work_ / "game", false, true);
  fs::copy_file(E2E_PLANTED_LACKING, in.bin + "/libZenGL.so");
  const std::string marker = *work_ / "planted-marker";
  LoadFailure f = RunToFailure(in.exe, false, {{"PLANTED_ENGINE_MARKER", marker}});
  ExpectLoadError(f);
  EXPECT_EQ(ReadFile(marker).find("zgl_Init"), std::string::npos) << "called through a half table";
}

// ---------------------------------------------------------------------------
// Assets missing or broken: the game plays on, cones drawn in flat colour

class AssetTest : public PlayTest {
 protected:
  void PlayWithAssets(const std::string& exe) {
    WindowInfo w = Play(exe);
    Pilot pilot(*x_, w);
    std::this_thread::sleep_for(1000ms);
    Picture p;
    auto hero = pilot.Settle(&p);
    ASSERT_TRUE(hero);
    Keep(p, "untextured");
    EXPECT_TRUE(game_.Running());
    int cone = 0;
    double flat = FlatConeShare(p, &cone);
    EXPECT_GT(cone, 1500) << "the cones are still drawn";
    EXPECT_GT(flat, 0.99) << "cones drawn textured without a readable texture";
    game_.Signal(SIGTERM);
    auto st = game_.Wait(10s);
    ASSERT_TRUE(st);
    EXPECT_EQ(st->Describe(), "exit code 0");
    ExpectNoSanitizerReport();
  }
};

TEST_F(AssetTest, MissingDataFolderStillPlays) {
  Install in = CopyGame(*work_ / "game", true, false);
  PlayWithAssets(in.exe);
}

TEST_F(AssetTest, CorruptImagesStillPlay) {
  Install in = CopyGame(*work_ / "game", true, false);
  PlantCorruptData(in.bin + "/Data");
  PlantCorruptData(cwd_ + "/Data");
  PlayWithAssets(in.exe);
}

// ---------------------------------------------------------------------------
// An installed game runs from any working folder

TEST_F(PlayTest, InstalledGameRunsFromAnyFolder) {
  const std::string prefix = *work_ / "prefix";
  SpawnOptions o;
  o.argv = {E2E_CMAKE, "--install", E2E_BUILD_DIR, "--prefix", prefix};
  o.env = CleanEnvironment();
  o.stdoutPath = *work_ / "install.txt";
  o.stderrPath = *work_ / "install-errors.txt";
  Process install(o);
  auto done = install.Wait(60s);
  ASSERT_TRUE(done);
  ASSERT_EQ(done->Describe(), "exit code 0") << ReadFile(*work_ / "install-errors.txt");
  // Started through the link in bin/ from a folder that holds nothing of the game.
  const std::string exe = prefix + "/bin/stealth";
  ASSERT_TRUE(fs::exists(exe));
  const fs::path home = fs::canonical(exe).parent_path();
  EXPECT_TRUE(fs::exists(home / "libZenGL.so"));
  EXPECT_TRUE(fs::exists(home / "Data" / "Angle.png"));

  WindowInfo w = Play(exe);
  Pilot pilot(*x_, w);
  std::this_thread::sleep_for(500ms);
  Picture p = pilot.Look();
  Keep(p, "installed");
  EXPECT_LT(FlatConeShare(p), 0.5) << "the installed game did not find its cone texture";
  EXPECT_EQ(Stderr().find("cannot load"), std::string::npos) << Stderr();
  game_.Signal(SIGTERM);
  auto st = game_.Wait(10s);
  ASSERT_TRUE(st);
  EXPECT_EQ(st->Describe(), "exit code 0");
  ExpectNoSanitizerReport();
}

}  // namespace
}  // namespace e2e
