// SPDX-License-Identifier: Zlib
// gtest before the X headers that pilot.h brings, whose macros clash with its names.
#include <gtest/gtest.h>

#include "play_checks.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <numbers>
#include <thread>

namespace e2e {

using namespace std::chrono_literals;

namespace {

// Where the hero's cone is judged: a ring sector around him, from just outside his square
// to well inside the cone's 200 pixels.
constexpr int kConeNear = 15, kConeFar = 60;
constexpr double kConeHalfWidth = 20;  // degrees: inside his cone's 30 on either side

struct Sample {
  double t;
  int left, top;
};


// The least-squares line through samples: where he is (pixels) against when (seconds).
struct Line {
  double slope = 0, offset = 0;
  double At(double t) const { return offset + slope * t; }
};

Line Fit(const std::vector<Sample>& s) {
  double n = double(s.size()), st = 0, sx = 0, stt = 0, stx = 0;
  for (auto& q : s) st += q.t, sx += q.left, stt += q.t * q.t, stx += q.t * q.left;
  Line l;
  l.slope = (n * stx - st * sx) / (n * stt - st * st);
  l.offset = (sx - l.slope * st) / n;
  return l;
}

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
    // Still for longer than the engine catches up on (250 ms): ticks were lost to the machine.
    if (s[i].t - lastMove > 0.2)
      return pace.trouble = "he stood still for " + std::to_string(s[i].t - lastMove) + " s", pace;
  }
  // A busy machine can hold a frame back, so that it shows him behind where the game has him,
  // but never ahead: the pace is the line along the freshest frames. The frame furthest
  // ahead of a first fit in each 50 ms, fitted; those still more than two steps below that
  // line (all held back) are dropped, and the rest fitted again.
  Line line = Fit(s);
  std::map<int, Sample> fresh;
  for (auto& q : s) {
    auto [it, added] = fresh.try_emplace(int(q.t / 0.05), q);
    if (!added && q.left - line.At(q.t) > it->second.left - line.At(it->second.t)) it->second = q;
  }
  std::vector<Sample> ahead;
  for (auto& [bin, q] : fresh) ahead.push_back(q);
  line = Fit(ahead);
  std::erase_if(ahead, [&](const Sample& q) { return q.left < line.At(q.t) - 2 * kStep; });
  if (ahead.size() < 10) return pace.trouble = "too few frames kept up with the game", pace;
  pace.pixelsPerSecond = Fit(ahead).slope;
  pace.seconds = s.back().t - s.front().t;
  pace.samples = int(s.size());
  return pace;
}

}  // namespace

bool Await(Pilot& pilot, const Keeper& keep, const std::string& name, const Pilot::Condition& holds,
           milliseconds deadline) {
  bool held = pilot.WaitFor(holds, deadline);
  keep(pilot.last(), name);
  return held;
}

std::string RunToEnd(const std::vector<std::string>& argv, milliseconds deadline, const std::string& cwd,
                     const std::string& errors) {
  Process run(SpawnOptions{argv, CleanEnvironment(), cwd, "", errors});
  return run.Wait(deadline).value_or(ExitStatus{}).Describe();
}

std::vector<Blob> WholeBoxes(const Picture& p) {
  std::vector<Blob> boxes = FindBlobs(p, kBox);
  std::erase_if(boxes, [](const Blob& b) { return b.width() != kBoxSize || b.height() != kBoxSize; });
  return boxes;
}

void Artifacts::SaveIfWanted(const std::string& root,
                             const std::vector<std::pair<std::string, std::string>>& notes) {
  auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  if (!info->result()->Failed() && !std::getenv("E2E_KEEP_PICTURES")) return;
  const std::string dir = root + "/" + info->test_suite_name() + "." + info->name();
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
  std::filesystem::create_directories(dir);
  for (auto& [name, p] : kept_) p.SavePpm(dir + "/" + name + ".ppm");
  std::ofstream failures(dir + "/failures.txt");
  const auto* result = info->result();
  for (int i = 0; i < result->total_part_count(); ++i) {
    const auto& part = result->GetTestPartResult(i);
    if (part.failed())
      failures << (part.file_name() ? part.file_name() : "?") << ":" << part.line_number() << ": "
               << part.summary() << "\n";
  }
  for (auto& [name, text] : notes) std::ofstream(dir + "/" + name) << text;
  std::cerr << "play test artifacts kept in " << dir << "\n";
}

const std::vector<uint64_t> kOpenWorlds = {15, 2, 10, 12};
const std::vector<uint64_t> kBoxWorlds = {7, 24, 28};
const std::vector<uint64_t> kRowWorlds = {15, 2, 10};

// Room to look around: open ground to his right and below him, so that no wall cuts his cone
// where it is judged, and no guard near enough for its 200-pixel cone to sweep over there.
Goal OpenAround(const Picture& p) {
  auto obstacles = std::make_shared<ObstacleMap>(p);
  auto guards = FindBlobs(p, kGuard);
  return [obstacles, guards](int x, int y) {
    constexpr int kSide = 32, kNear = kConeNear - 3, kFar = kConeFar + 5;
    if (!obstacles->Clear(x + kNear, y - kSide, x + kFar, y + kSide) ||
        !obstacles->Clear(x - kSide, y + kNear, x + kSide, y + kFar))
      return false;
    return std::none_of(guards.begin(), guards.end(), [&](const Blob& g) {
      return std::hypot(g.cx() - x, g.cy() - y) < 200 + kConeFar + 25;
    });
  };
}

// A box he can take from where he stands: its centre well inside his reach, 25 pixels
// beyond his square on every side.
Goal BoxInReach(const Picture& p) {
  return [boxes = WholeBoxes(p)](int x, int y) {
    return std::any_of(boxes.begin(), boxes.end(), [&](const Blob& b) {
      return std::fabs(x - b.cx()) <= 31 && std::fabs(y - b.cy()) <= 31;
    });
  };
}


Pilot::GoalFor OpenRow(int run) {
  return [run](const Picture& p) -> Goal {
    auto free = std::make_shared<FreeMap>(p, 2);
    return [free, run](int x, int y) { return x + run + 20 < 790 && free->FreeRow(x, x + run + 20, y); };
  };
}

void ExpectSceneInItsColours(Pilot& pilot, const Keeper& keep) {
  auto hero = pilot.Settle();
  ASSERT_TRUE(hero);
  double share = 0;
  auto coneTowardPointer = [&](const Picture& p) {
    share = 0;
    for (int a = -20; a <= 20; a += 10)
      share = std::max(share, ConeShare(p, hero->cx(), hero->cy(), a, 5, kConeNear, kConeFar));
    return share > 0.5;
  };
  EXPECT_TRUE(Await(pilot, keep, "scene", coneTowardPointer))
      << "the hero's own cone points toward the pointer on his right: share " << share;
  const Picture& p = pilot.last();

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
  const double flat = FlatConeShare(p, &cone);
  // Six cones of 13 rays and 200 pixels, though walls may cut most of them short.
  EXPECT_GT(cone, 1500) << "hardly any cone pixels";
  EXPECT_LT(flat, 0.5) << "cones drawn without their texture";
}

void ExpectPointerTurnsTheCone(Pilot& pilot, const Keeper& keep, int reach, std::optional<Blob> at) {
  auto hero = at ? at : pilot.Settle();
  ASSERT_TRUE(hero);
  const double cx = hero->cx(), cy = hero->cy();
  auto pointerAt = [&](double deg) {
    int px = int(cx) + int(std::lround(reach * std::cos(deg * std::numbers::pi / 180)));
    int py = int(cy) + int(std::lround(reach * std::sin(deg * std::numbers::pi / 180)));
    pilot.screen().MovePointer(std::clamp(px, 1, 798), std::clamp(py, 1, 598));
  };
  auto lit = [&](const Picture& p, double deg) {
    return ConeShare(p, cx, cy, deg, kConeHalfWidth, kConeNear, kConeFar);
  };

  // Right, down, right, down: each time his cone lights the side the pointer is on, and
  // neither the other side nor the side away from both.
  constexpr double kRight = 0, kDown = 90, kAway = 225;
  int turn = 0;
  for (double dir : {kRight, kDown, kRight, kDown}) {
    pointerAt(dir);
    const double other = dir == kRight ? kDown : kRight;
    double toward = 0, aside = 0, away = 0;
    auto turned = [&](const Picture& p) {
      toward = lit(p, dir), aside = lit(p, other), away = lit(p, kAway);
      return toward > 0.9 && aside < 0.05 && away < 0.05;
    };
    EXPECT_TRUE(Await(pilot, keep, std::to_string(++turn) + "-facing-" + std::to_string(int(dir)), turned))
        << "pointer at " << dir << " degrees: cone share " << toward << " there, " << aside
        << " at " << other << " degrees, " << away << " at " << kAway << " degrees";
  }
}

void ExpectETakesABoxAndSetsItDown(Pilot& pilot, const Keeper& keep) {
  Picture start;
  auto hero = pilot.Settle(&start);
  ASSERT_TRUE(hero);
  keep(start, "beside-box");
  // The box within his reach: the nearest.
  const std::vector<Blob> boxes = WholeBoxes(start);
  ASSERT_FALSE(boxes.empty());
  const auto distance = [&](const Blob& b) { return std::hypot(b.cx() - hero->cx(), b.cy() - hero->cy()); };
  const Blob target = *std::ranges::min_element(boxes, {}, distance);
  const int restingBefore = start.Count(kBox);

  // One press, held for many ticks: taken once, not taken and set down again. Carried, the
  // box covers him once its hop ends, and no yellow is left where it stood.
  pilot.Tap("e", 400ms);
  int heroPixels = 0, leftBehind = 0;
  bool boxOverHero = false;
  auto carrying = [&](const Picture& p) {
    heroPixels = p.Count(kHero);
    boxOverHero = false;
    for (auto& b : FindBlobs(p, kBox))
      boxOverHero |= b.left <= hero->left && b.top <= hero->top && b.right >= hero->right &&
                     b.bottom >= hero->bottom;
    leftBehind = 0;
    for (int y = target.top; y < target.bottom; ++y)
      for (int x = target.left; x < target.right; ++x) {
        bool onHero = std::abs(x - hero->cx()) < 14 && std::abs(y - hero->cy()) < 14;
        if (!onHero && p.at(x, y) == kBox) ++leftBehind;
      }
    return heroPixels == 0 && boxOverHero && leftBehind < 20;
  };
  EXPECT_TRUE(Await(pilot, keep, "carrying", carrying))
      << "carried, the box covers the hero (" << heroPixels << " of his pixels show, a box over "
      << "him: " << boxOverHero << ") and has left its place (" << leftBehind
      << " yellow pixels there)";

  // A second press sets it down beside him.
  pilot.Tap("e", 100ms);
  std::optional<Blob> heroAfter;
  bool besideHim = false;
  auto setDown = [&](const Picture& p) {
    heroAfter = FindHero(p);
    besideHim = heroAfter && std::ranges::any_of(WholeBoxes(p), [&](const Blob& b) {
      const double d = std::max(std::fabs(b.cx() - heroAfter->cx()), std::fabs(b.cy() - heroAfter->cy()));
      return d >= 20 && d <= 45;
    });
    return besideHim && p.Count(kHero) == kHeroSize * kHeroSize;
  };
  EXPECT_TRUE(Await(pilot, keep, "set-down", setDown))
      << "the hero shows again (" << pilot.last().Count(kHero) << " pixels) with a box resting "
      << "right beside him: " << besideHim;
  EXPECT_NEAR(pilot.last().Count(kBox), restingBefore, 2 * kBoxSize * kBoxSize)
      << "boxes are neither lost nor doubled";
}

Pace WalkRight(Pilot& pilot, const Keeper& keep, const std::string& tag, int run) {
  Screen& screen = pilot.screen();
  Picture before;
  auto start = pilot.Settle(&before);
  keep(before, "before-walk" + tag);
  Pace pace;
  if (!start) return pace.trouble = "the hero never showed", pace;

  // Held until the captures show him at the end of the open row (or a generous deadline
  // passes). Each sample's time is its frame's, or its capture's, whatever the machine does
  // meanwhile, and only his row is taken, so that samples come many times a second even when
  // it is busy.
  std::vector<Sample> samples;
  std::optional<Clock::time_point> origin;  // the first sample's: a recording keeps the page's clock
  auto sample = [&](const Picture& p) {
    auto h = FindHero(p);
    // Past the open row (the key let go late on a busy machine) he may meet what pushes him off it.
    if (!h || h->left - start->left > run) return;
    if (!origin) origin = p.time;
    samples.push_back({std::chrono::duration<double>(p.time - *origin).count(), h->left, h->top});
  };
  const int band = kHeroSize + 10, top = std::clamp(start->top - 5, 0, before.height - band);
  const bool recording = screen.Record(top, band);
  Picture p;
  screen.Key("d", true);
  for (auto end = Clock::now() + kPatience; Clock::now() < end;) {
    p = screen.Capture(top, band);
    if (!recording) sample(p);
    auto h = FindHero(p);
    if (h && h->left - start->left >= run) break;
    std::this_thread::sleep_for(2ms);  // leaves the game the processor
  }
  screen.Key("d", false);
  if (recording)
    for (const Picture& frame : screen.Recorded()) sample(frame);
  keep(p, "after-walk" + tag);
  return Measure(samples);
}

bool JudgePace(const Pace& pace, int attempt, std::string& trouble) {
  if (!pace.trouble.empty()) {
    std::cout << "walk " << attempt << " not measured: " << pace.trouble << "\n";
    trouble = pace.trouble;
    return false;
  }
  std::cout << "walked " << pace.pixelsPerSecond << " px/s over " << pace.seconds << " s ("
            << pace.samples << " frames): " << pace.TicksPerSecond() << " ticks/s\n";
  ::testing::Test::RecordProperty("ticks_per_second", std::to_string(pace.TicksPerSecond()));
  EXPECT_GE(pace.seconds, 1.0);
  EXPECT_NEAR(pace.TicksPerSecond(), kTicksPerSecond, 0.03 * kTicksPerSecond);
  return true;
}

}  // namespace e2e
