// SPDX-License-Identifier: Zlib
#include "pilot.h"

#include <array>
#include <climits>
#include <cmath>
#include <queue>
#include <thread>
#include <tuple>

namespace e2e {

namespace {

const char* KeyOf(Dir d) {
  static const char* const keys[] = {"d", "a", "s", "w"};  // in the order of Dir
  return keys[int(d)];
}

}  // namespace

std::optional<std::vector<Leg>> PlanWay(const FreeMap& free, int sx, int sy, const Goal& goal) {
  if (goal(sx, sy)) return std::vector<Leg>{};
  // Lattice coordinates: the hero only ever lands on points kStep apart from where he stands.
  // A border of kPad points around the picture lets him start partly off screen.
  constexpr int kPad = 4;
  const int ox = ((sx % kStep) + kStep) % kStep, oy = ((sy % kStep) + kStep) % kStep;
  const int i0 = (sx - ox) / kStep + kPad, j0 = (sy - oy) / kStep + kPad;
  const int ni = (free.width() - 1 - ox) / kStep + 1 + 2 * kPad;
  const int nj = (free.height() - 1 - oy) / kStep + 1 + 2 * kPad;
  if (i0 < 0 || j0 < 0 || i0 >= ni || j0 >= nj) return std::nullopt;
  auto X = [&](int i) { return ox + (i - kPad) * kStep; };
  auto Y = [&](int j) { return oy + (j - kPad) * kStep; };
  constexpr int kTurn = 8;  // a turn costs as much as 8 steps: fewer legs steer better
  constexpr std::array<int, 4> di{1, -1, 0, 0}, dj{0, 0, 1, -1};
  auto index = [&](int i, int j, int d) { return (size_t(j) * ni + i) * 4 + d; };
  std::vector<int> cost(size_t(ni) * nj * 4, INT_MAX);
  std::vector<int> from(cost.size(), -1);
  using Item = std::tuple<int, int, int, int>;  // cost, i, j, dir
  std::priority_queue<Item, std::vector<Item>, std::greater<>> open;
  for (int d = 0; d < 4; ++d) {
    cost[index(i0, j0, d)] = 0;
    open.push({0, i0, j0, d});
  }
  while (!open.empty()) {
    auto [c, i, j, d] = open.top();
    open.pop();
    if (c > cost[index(i, j, d)]) continue;
    const int x = X(i), y = Y(j);
    if ((i != i0 || j != j0) && goal(x, y)) {
      // Walk back to the start, merging steps into legs.
      std::vector<Leg> legs;
      int ci = i, cj = j, cd = d;
      while (ci != i0 || cj != j0) {
        if (legs.empty() || legs.back().dir != Dir(cd)) legs.push_back({Dir(cd), 0});
        ++legs.back().steps;
        int prev = from[index(ci, cj, cd)];
        int pd = prev % 4, pcell = prev / 4;
        ci = pcell % ni, cj = pcell / ni, cd = pd;
      }
      return std::vector<Leg>(legs.rbegin(), legs.rend());
    }
    for (int nd = 0; nd < 4; ++nd) {
      int a = i + di[nd], b = j + dj[nd];
      if (a < 0 || b < 0 || a >= ni || b >= nj) continue;
      if (!free.Free(X(a), Y(b))) continue;
      int nc = c + 1 + (nd != d ? kTurn : 0);
      if (nc < cost[index(a, b, nd)]) {
        cost[index(a, b, nd)] = nc;
        from[index(a, b, nd)] = int((size_t(j) * ni + i) * 4 + d);
        open.push({nc, a, b, nd});
      }
    }
  }
  return std::nullopt;
}

bool Pilot::WaitFor(const Condition& holds, milliseconds deadline) {
  const auto end = Clock::now() + deadline;
  for (;;) {
    if (holds(Look())) return true;
    if (Clock::now() >= end) return false;
    std::this_thread::sleep_for(milliseconds(5));  // not to hog a busy machine; no verdict
  }
}

std::optional<Blob> Pilot::Hero(Picture* seen) {
  std::optional<Blob> h;
  WaitFor([&](const Picture& p) { return bool(h = FindHero(p)); }, milliseconds(5000));
  if (seen) *seen = last_;
  return h;
}

std::optional<Blob> Pilot::Settle(Picture* seen) {
  std::optional<Blob> last;
  auto end = Clock::now() + milliseconds(5000);
  while (Clock::now() < end) {
    std::this_thread::sleep_for(milliseconds(40));
    Picture p;
    auto h = Hero(&p);
    if (seen) *seen = std::move(p);
    if (h && last && h->left == last->left && h->top == last->top) return h;
    if (h) last = h;
  }
  return last;  // still moving (pushed to and fro between two solids): where he was last seen
}

void Pilot::Walk(const Leg& leg) {
  auto start = Hero();
  if (!start) return;
  const bool horizontal = leg.dir == Dir::Right || leg.dir == Dir::Left;
  const int sign = (leg.dir == Dir::Right || leg.dir == Dir::Down) ? 1 : -1;
  auto along = [&](const Blob& b) { return horizontal ? b.left : b.top; };
  const int target = along(*start) + sign * leg.steps * kStep;
  screen_.Key(KeyOf(leg.dir), true);
  auto end = Clock::now() + milliseconds(leg.steps * 17 * 2 + 1000);
  int lastPos = along(*start);
  auto lastMove = Clock::now();
  while (Clock::now() < end) {
    auto h = FindHero(Look());
    if (!h) continue;
    int pos = along(*h);
    // One more tick usually passes between this frame and the game seeing the release.
    if (pos != along(*start) && (target - pos) * sign <= kStep) break;
    if (pos != lastPos) lastPos = pos, lastMove = Clock::now();
    if (Clock::now() - lastMove > milliseconds(300)) break;  // pressed against something
  }
  screen_.Key(KeyOf(leg.dir), false);
  Settle();
}

bool Pilot::Reach(const GoalFor& goalFor, int margin, milliseconds timeout) {
  auto end = Clock::now() + timeout;
  for (;;) {
    Picture p;
    auto h = Settle(&p);
    if (!h) return false;
    FreeMap free(p, margin);
    Goal goal = goalFor(p);
    int x = int(std::lround(h->cx())), y = int(std::lround(h->cy()));
    auto way = PlanWay(free, x, y, goal);
    if (!way) return false;
    if (way->empty()) return true;
    if (Clock::now() >= end) return false;
    Walk(way->front());
  }
}

void Pilot::Tap(const char* key, milliseconds hold) {
  screen_.Key(key, true);
  std::this_thread::sleep_for(hold);
  screen_.Key(key, false);
}

}  // namespace e2e
