// SPDX-License-Identifier: Zlib
// What the play tests judge of the game at play, on whatever screen it runs: a window on
// the X server (play_test.cpp) or the page in a browser (web_play_test.cpp). Each check
// looks, acts through the pilot's screen and reports with gtest's EXPECT and ASSERT.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "pilot.h"

namespace e2e {

constexpr double kTicksPerSecond = 1000.0 / 17.0;

// Where the hero stands with room to look around, with a box in reach, or on a row that is
// open for `run` pixels ahead of him.
Goal OpenAround(const Picture& p);
Goal BoxInReach(const Picture& p);
Pilot::GoalFor OpenRow(int run);

// Worlds (seeds) whose start suits a test, found once by trying the seeds 0 to 39; the later
// ones in each list stand in should the placement ever change. Seed 15 leaves open ground to
// the right of and below his start with every guard far off, and the row he starts on open
// for 420 pixels; seeds 2, 10 and 12 also leave open ground. Seeds 7, 24 and 28 put a box
// within his reach.
extern const std::vector<uint64_t> kOpenWorlds, kBoxWorlds, kRowWorlds;

// Keeps a picture that a check judged under a name, for a person to look at.
using Keeper = std::function<void(const Picture&, const std::string& name)>;

// Waits until the screen shows what `holds` expects (see Pilot::WaitFor) and keeps the
// capture it judged under `name`.
bool Await(Pilot& pilot, const Keeper& keep, const std::string& name, const Pilot::Condition& holds,
           milliseconds deadline = kPatience);

// Asks `done` every `every` until it holds or `deadline` has passed; whether it held.
template <class Done>
bool PollUntil(Done done, milliseconds deadline, milliseconds every = milliseconds(20)) {
  for (const auto end = Clock::now() + deadline;; std::this_thread::sleep_for(every)) {
    if (done()) return true;
    if (Clock::now() >= end) return false;
  }
}

// Runs a program in a clean environment until it ends or `deadline` passes: its exit status
// ("still running" when it did not end), its standard error in `errors` when named.
std::string RunToEnd(const std::vector<std::string>& argv, milliseconds deadline, const std::string& cwd = "",
                     const std::string& errors = "");

// The boxes resting whole (not carried, nor cut by the edge of the screen).
std::vector<Blob> WholeBoxes(const Picture& p);

// A play test's kept pictures, saved with its failures and any notes (the game's stderr, the
// browser's console) under <root>/<suite>.<test>/ when it failed, or always with
// E2E_KEEP_PICTURES=1.
class Artifacts {
 public:
  void Keep(const Picture& p, const std::string& name) {
    if (!p.empty()) kept_.emplace_back(name, p);
  }
  Keeper Keeping() {
    return [this](const Picture& p, const std::string& name) { Keep(p, name); };
  }
  void SaveIfWanted(const std::string& root, const std::vector<std::pair<std::string, std::string>>& notes);

 private:
  std::vector<std::pair<std::string, Picture>> kept_;
};

// The field, walls, boxes, guards, hero and translucent, textured cones, with the pointer on
// his right (where the test put it) and his cone toward it.
void ExpectSceneInItsColours(Pilot& pilot, const Keeper& keep);
// His cone lights the side the pointer is on, and neither the other side nor the side away,
// with the pointer `reach` pixels from him. (Near him, a pointer read at twice or half its
// place would aim well off.)
// Where the field is shown smaller than the game draws it, and his square is not whole, `at`
// says where he stands.
void ExpectPointerTurnsTheCone(Pilot& pilot, const Keeper& keep, int reach = 100,
                               std::optional<Blob> at = std::nullopt);
// E takes the box in reach (carried, it covers him) and E again sets it down beside him.
void ExpectETakesABoxAndSetsItDown(Pilot& pilot, const Keeper& keep);

// D held for `run` pixels of open row, sampled on his row's band of the screen: his pace in
// ticks a second, or why the walk cannot be measured (a machine that stalled the game).
struct Pace {
  double pixelsPerSecond = 0;
  double seconds = 0;
  int samples = 0;
  std::string trouble;  // empty when measured
  double TicksPerSecond() const { return pixelsPerSecond / kStep; }
};
Pace WalkRight(Pilot& pilot, const Keeper& keep, const std::string& tag, int run);
// Judges a walk at 1000/17 ticks a second within 3 %. False when it could not be measured,
// with the reason in `trouble`: walk again in a fresh game.
bool JudgePace(const Pace& pace, int attempt, std::string& trouble);

}  // namespace e2e
