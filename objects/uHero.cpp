// SPDX-License-Identifier: Zlib
#include "objects/uHero.h"

#include "objects/uConvert.h"
#include "shell/zglHeader.h"
#include "world/uWorld.h"

namespace {

constexpr int32_t kReach = 25;
constexpr float kSpeed = 5.0f;
constexpr float kDiagonalSpeed = 3.5f;

// The first box of Boxes whose centre lies strictly inside the hero's
// whole-pixel bounds grown by the reach; a landing box counts too.
TBox* BoxWithinReach(const THero& hero) {
  const double left = double(int64_t(hero.Left) - kReach), right = double(int64_t(hero.Right) + kReach);
  const double top = double(int64_t(hero.Top) - kReach), bottom = double(int64_t(hero.Bottom) + kReach);
  for (TBox* box : Boxes) {
    const double x = box->Circle.CX, y = box->Circle.CY;
    if (left < x && x < right && top < y && y < bottom) return box;
  }
  return nullptr;
}

}  // namespace

void THero::Update() {
  // The pointer first: the facing points from the hero toward it.
  const float pointerX = float(zgl::mouse_X());
  const float pointerY = float(zgl::mouse_Y());
  Angle = zgl::m_Angle(pointerX, pointerY, Circle.CX, Circle.CY);

  const bool up = zgl::key_Down(keys::W);
  const bool down = zgl::key_Down(keys::S);
  const bool leftKey = zgl::key_Down(keys::A);
  const bool rightKey = zgl::key_Down(keys::D);
  const int h = int(rightKey) - int(leftKey);
  const int v = int(down) - int(up);

  if (zgl::key_Press(keys::E)) {
    if (Carried) {
      CarryBox(Carried, false);
    } else if (TBox* box = BoxWithinReach(*this)) {
      CarryBox(box, true);
      // Taken before the move: it no longer blocks the hero in this tick.
      Solids.Remove(box);
    }
  }

  const float speed = (h != 0 && v != 0) ? kDiagonalSpeed : kSpeed;
  const float sx = float(double(h) * double(speed));
  const float sy = float(double(v) * double(speed));
  const float startX = Circle.CX, startY = Circle.CY;
  Circle.CX = float(double(Circle.CX) + double(sx));
  Circle.CY = float(double(Circle.CY) + double(sy));
  PushOut(this);
  UpdateBounds();
  Hidden = Carried != nullptr && Circle.CX == startX && Circle.CY == startY;
  if (Carried) Carried->Update();
}

void THero::Draw() {
  TObj::Draw();
  // The carried box is not in Solids and is drawn only here, over the hero.
  if (Carried) Carried->Draw();
}
