// SPDX-License-Identifier: Zlib
// Steering the hero like a player: look at the screen, plan a way around the
// walls, boxes and guards on the pixels, hold the movement keys, look again.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "picture.h"
#include "x_session.h"

namespace e2e {

constexpr int kStep = 5;  // pixels the hero walks per tick along one axis
// How long a play test waits for the game to show what it expects: far beyond what a quiet
// machine needs, so that only a game that never answers fails.
constexpr milliseconds kPatience{15000};

enum class Dir { Right, Left, Down, Up };

struct Leg {
  Dir dir;
  int steps;  // ticks of walking
};

// Shortest way over the 5-pixel lattice through (sx, sy), preferring few turns,
// to the first lattice point that satisfies goal. Empty when none is reachable;
// no legs when the start already satisfies it.
using Goal = std::function<bool(int x, int y)>;
std::optional<std::vector<Leg>> PlanWay(const FreeMap& free, int sx, int sy, const Goal& goal);

class Pilot {
 public:
  explicit Pilot(Screen& screen) : screen_(screen) {}
  Pilot(XSession& x, const WindowInfo& window)
      : own_(std::make_unique<XWindowScreen>(x, window)), screen_(*own_) {}

  Screen& screen() { return screen_; }
  Picture Look() { return last_ = screen_.Capture(); }
  const Picture& last() const { return last_; }  // the latest capture, for a person to look at
  // Captures again and again until `holds` is true of one or the deadline passes: the game
  // answers when a busy machine lets it, so a verdict waits for it instead of guessing a
  // delay. last() is the capture that satisfied it, or else the latest one.
  using Condition = std::function<bool(const Picture&)>;
  bool WaitFor(const Condition& holds, milliseconds deadline = kPatience);
  // The hero's square from a fresh capture, waiting while a hop covers him.
  std::optional<Blob> Hero(Picture* seen = nullptr);
  // Waits until two captures in a row show the hero at the same place.
  std::optional<Blob> Settle(Picture* seen = nullptr);
  // Holds a key until the hero has walked about `steps` ticks in that direction,
  // or stops, or the time runs out.
  void Walk(const Leg& leg);
  // Walks until the hero stands where goal holds; replans after every leg, and starts
  // no leg once the timeout has passed (with none, only asks whether he stands there).
  using GoalFor = std::function<Goal(const Picture&)>;
  bool Reach(const GoalFor& goalFor, int margin, std::chrono::milliseconds timeout);
  void Tap(const char* key, std::chrono::milliseconds hold);

 private:
  std::unique_ptr<Screen> own_;
  Screen& screen_;
  Picture last_;
};

}  // namespace e2e
