// SPDX-License-Identifier: Zlib
#include "input_bot.h"

#include <cmath>
#include <numbers>

#include "objects/uBox.h"
#include "objects/uHero.h"
#include "world/uWorld.h"

namespace inputbot {

namespace {

constexpr int kCarryTicks = 40;     // walking with the box
constexpr int kHideTicks = 25;      // standing still under it
constexpr int kStuckTicks = 20;     // without getting closer: wander instead
constexpr int kWanderTicks = 30;
constexpr int kMaxChaseTicks = 400;  // give up on a box that cannot be reached
// A little inside the hero's reach (his half size plus 25 pixels).
constexpr double kReach = 30;
constexpr double kMouseRadius = 120;
constexpr double kMouseTurn = 0.05;  // radians per tick

enum class Mode { Chase, Carry, Hide, Wander };

struct Bot {
  Mode mode = Mode::Chase;
  int modeTicks = 0;
  int dx = 0, dy = 0;  // held direction, -1..1 each
  bool pressE = false;
  double bestDistance = 1e30;
  int sinceBetter = 0;
  uint32_t rng = 1;
  double mouseTurn = 0;
  bool wasCarrying = false;
  Stats stats;
} bot;

uint32_t NextRandom() {
  // xorshift32: enough for picking directions, and it never allocates.
  bot.rng ^= bot.rng << 13;
  bot.rng ^= bot.rng >> 17;
  bot.rng ^= bot.rng << 5;
  return bot.rng;
}

void Enter(Mode mode) {
  bot.mode = mode;
  bot.modeTicks = 0;
  bot.bestDistance = 1e30;
  bot.sinceBetter = 0;
  if (mode == Mode::Wander || mode == Mode::Carry) {
    do {
      bot.dx = int(NextRandom() % 3) - 1;
      bot.dy = int(NextRandom() % 3) - 1;
    } while (bot.dx == 0 && bot.dy == 0);
  }
}

TBox* NearestRestingBox(double* distance) {
  TBox* best = nullptr;
  *distance = 1e30;
  const int count = Boxes.Count();
  for (int i = 0; i < count; ++i) {
    TBox* box = Boxes[i];
    if (box == Hero->Carried) continue;
    const double d = std::hypot(double(box->Circle.CX) - Hero->Circle.CX,
                                double(box->Circle.CY) - Hero->Circle.CY);
    if (d < *distance) {
      *distance = d;
      best = box;
    }
  }
  return best;
}

int Sign(double v, double deadZone) { return v > deadZone ? 1 : v < -deadZone ? -1 : 0; }

// Decides the input of the coming tick from the world as the last one left it.
void Plan() {
  bot.pressE = false;
  if (!Hero) return;
  const bool carrying = Hero->Carried != nullptr;
  if (carrying && !bot.wasCarrying) {
    ++bot.stats.takes;
    Enter(Mode::Carry);
  } else if (!carrying && bot.wasCarrying) {
    ++bot.stats.setDowns;
    Enter(Mode::Chase);
  }
  bot.wasCarrying = carrying;
  ++bot.modeTicks;

  switch (bot.mode) {
    case Mode::Chase: {
      double distance = 0;
      TBox* box = NearestRestingBox(&distance);
      if (!box) {
        Enter(Mode::Wander);
        break;
      }
      const double offX = double(box->Circle.CX) - Hero->Circle.CX;
      const double offY = double(box->Circle.CY) - Hero->Circle.CY;
      if (std::fabs(offX) < kReach && std::fabs(offY) < kReach) {  // take it
        bot.dx = bot.dy = 0;
        bot.pressE = true;
        break;
      }
      bot.dx = Sign(offX, 3);
      bot.dy = Sign(offY, 3);
      if (distance < bot.bestDistance - 0.5) {
        bot.bestDistance = distance;
        bot.sinceBetter = 0;
      } else if (++bot.sinceBetter > kStuckTicks || bot.modeTicks > kMaxChaseTicks) {
        Enter(Mode::Wander);
      }
      break;
    }
    case Mode::Carry:
      if (bot.modeTicks > kCarryTicks) Enter(Mode::Hide);
      break;
    case Mode::Hide:
      bot.dx = bot.dy = 0;
      // Set down, and keep asking while no free place lets the box go.
      if (bot.modeTicks > kHideTicks) bot.pressE = true;
      if (bot.modeTicks > kHideTicks + 30) Enter(Mode::Carry);
      break;
    case Mode::Wander:
      if (bot.modeTicks > kWanderTicks) Enter(carrying ? Mode::Hide : Mode::Chase);
      break;
  }
}

bool KeyDown(uint8_t key) {
  switch (key) {
    case keys::W: return bot.dy < 0;
    case keys::S: return bot.dy > 0;
    case keys::A: return bot.dx < 0;
    case keys::D: return bot.dx > 0;
    default: return false;
  }
}

bool KeyPress(uint8_t key) { return key == keys::E && bot.pressE; }

int32_t MouseX() {
  return Hero ? int32_t(std::lround(Hero->Circle.CX + kMouseRadius * std::cos(bot.mouseTurn))) : 0;
}

int32_t MouseY() {
  return Hero ? int32_t(std::lround(Hero->Circle.CY + kMouseRadius * std::sin(bot.mouseTurn))) : 0;
}

// The shell clears the key state after every tick: the tick is over.
void EndTick() {
  ++bot.stats.ticks;
  if (bot.dx != 0 || bot.dy != 0) ++bot.stats.walking;
  if (Hero && Hero->Hidden) ++bot.stats.hidden;
  bot.mouseTurn = std::fmod(bot.mouseTurn + kMouseTurn, 2 * std::numbers::pi);
  Plan();
}

void MouseClear() {}

}  // namespace

void Install(zgl::Table* table) {
  table->key_Down = KeyDown;
  table->key_Press = KeyPress;
  table->key_ClearState = EndTick;
  table->mouse_X = MouseX;
  table->mouse_Y = MouseY;
  table->mouse_ClearState = MouseClear;
}

void Reset(uint32_t seed) {
  bot = Bot{};
  bot.rng = seed ? seed : 1;
  Plan();
}

const Stats& GetStats() { return bot.stats; }

}  // namespace inputbot
