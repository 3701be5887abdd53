// SPDX-License-Identifier: Zlib
#include "world/uWorld.h"

#include <deque>

#include "objects/uBox.h"
#include "objects/uEnemy.h"
#include "objects/uHero.h"
#include "shell/zglHeader.h"
#include "world/uRandom.h"

TList<TObj> Solids;
TList<TBox> Boxes;
TList<TEnemy> Enemies;
THero* Hero = nullptr;

namespace {

constexpr int kWallCount = 30;
constexpr int kBoxCount = 7;
constexpr int kGuardCount = 5;
constexpr int32_t kFieldWidth = 800;
constexpr int32_t kFieldHeight = 600;
constexpr float kBoxSize = 25;
constexpr float kLiveSize = 20;
constexpr int32_t kHalfAngle = 30;
constexpr int32_t kViewRange = 200;
constexpr int kPushSteps = 3;

// Each class in storage of its own: addresses never move, and every object
// is destroyed as the member it is, never through a pointer to a base.
template <class T>
struct Owned {
  T object;
};
std::deque<Owned<TObj>> wallStore;
std::deque<Owned<TBox>> boxStore;
std::deque<Owned<TEnemy>> guardStore;
std::deque<Owned<THero>> heroStore;

}  // namespace

TObj* NewWall() { return &wallStore.emplace_back().object; }
TBox* NewBox() { return &boxStore.emplace_back().object; }
TEnemy* NewGuard() { return &guardStore.emplace_back().object; }
THero* NewHero() { return &heroStore.emplace_back().object; }

void ClearWorld() {
  Solids.Clear();
  Boxes.Clear();
  Enemies.Clear();
  Hero = nullptr;
  wallStore.clear();
  boxStore.clear();
  guardStore.clear();
  heroStore.clear();
}

bool IsFreePlace(Rect2D r) {
  for (const TObj* solid : Solids)
    if (zgl::col2d_Rect(&r, &solid->Rect)) return false;
  return true;
}

void PushOut(TObj* obj) {
  for (const TObj* solid : Solids) {
    if (solid == obj) continue;
    if (!zgl::col2d_RectVsCircle(&solid->Rect, &obj->Circle)) continue;
    for (int step = 0; step < kPushSteps; ++step) {
      // Both offsets before either coordinate moves.
      const float dx = float(double(obj->Circle.CX) - double(solid->Circle.CX));
      const float dy = float(double(obj->Circle.CY) - double(solid->Circle.CY));
      obj->Circle.CX = float(double(obj->Circle.CX) + double(dx) / 10.0);
      obj->Circle.CY = float(double(obj->Circle.CY) + double(dy) / 10.0);
      if (!zgl::col2d_RectVsCircle(&solid->Rect, &obj->Circle)) break;
    }
  }
}

void PopulateWorld(int walls, int boxes, int guards, int32_t fieldWidth, int32_t fieldHeight) {
  ClearWorld();
  // Every box may rest in Solids at once; reserved so that taking and setting
  // down never allocate during play.
  Solids.Reserve(walls + boxes);
  Boxes.Reserve(boxes);
  Enemies.Reserve(guards);

  // The candidate's corner is the drawn point while the object is centred
  // there: the test covers the object moved right and down by half its size.
  for (int placed = 0; placed < walls;) {
    const int32_t x = Random(fieldWidth);
    const int32_t y = Random(fieldHeight);
    const int32_t s = 30 + Random(10);
    if (!IsFreePlace({float(x), float(y), float(s), float(s)})) continue;
    TObj* wall = NewWall();
    Solids.Add(wall);
    wall->Init(0x404040, float(x), float(y), float(s), float(s));
    ++placed;
  }
  for (int placed = 0; placed < boxes;) {
    const int32_t x = Random(fieldWidth);
    const int32_t y = Random(fieldHeight);
    if (!IsFreePlace({float(x), float(y), kBoxSize, kBoxSize})) continue;
    TBox* box = NewBox();
    box->Init(0xF0F020, float(x), float(y), kBoxSize, kBoxSize);
    Solids.Add(box);
    Boxes.Add(box);
    ++placed;
  }
  for (int placed = 0; placed < guards;) {
    const int32_t x = Random(fieldWidth);
    const int32_t y = Random(fieldHeight);
    if (!IsFreePlace({float(x), float(y), kLiveSize, kLiveSize})) continue;
    TEnemy* guard = NewGuard();
    guard->Setup(0xFF2050, kHalfAngle, float(x), float(y), kLiveSize, kLiveSize, kViewRange);
    Enemies.Add(guard);
    ++placed;
  }
  Hero = NewHero();
  Hero->Setup(0xAF5252, kHalfAngle, 50, 50, kLiveSize, kLiveSize, kViewRange);
}

void CreateWorld() { PopulateWorld(kWallCount, kBoxCount, kGuardCount, kFieldWidth, kFieldHeight); }

void UpdateWorld() {
  if (!Hero) return;
  Hero->Update();
  Hero->CastView();
  for (TEnemy* guard : Enemies) guard->Update();
  // The carried box too: its second update of the tick.
  for (TBox* box : Boxes) box->Update();
}

void DrawWorld() {
  if (!Hero) return;
  Hero->DrawView();
  for (TEnemy* guard : Enemies) guard->DrawView();
  for (TObj* solid : Solids) solid->Draw();
  for (TEnemy* guard : Enemies) guard->Draw();
  Hero->Draw();
}
