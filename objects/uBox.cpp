// SPDX-License-Identifier: Zlib
#include "objects/uBox.h"

#include <cmath>

#include "objects/uConvert.h"
#include "objects/uHero.h"
#include "objects/uTrig.h"
#include "world/uWorld.h"

namespace {

constexpr double kLiftEnd = 2.6;
constexpr double kLiftStep = 0.1;
constexpr double kHopHeight = 35.0;

bool Hopping(float lift) { return double(lift) < kLiftEnd; }

// Nine tenths, cut toward zero to a multiple of 0.1: the carried offset
// reaches exactly 0 after finitely many updates. 9 * a is exact in double.
float Shrink(float offset) {
  double nine = double(offset) * 10.0 - double(offset);
  return float(double(TruncToInt(nine)) / 10.0);
}

// One tenth of the whole-pixel part of what is left of the glide.
float GlideStep(float position, float target) {
  if (position == target) return position;
  int32_t left = TruncToInt(double(target) - double(position));
  return float(double(position) + double(left) / 10.0);
}

// Puts the box's corner at one place beside the hero and asks whether it is free.
bool TryDropAt(TBox* box, float dx, float dy) {
  box->Rect.X = float(double(Hero->Rect.X) + double(dx));
  box->Rect.Y = float(double(Hero->Rect.Y) + double(dy));
  return IsFreePlace(box->Rect);
}

}  // namespace

void TBox::Init(uint32_t color, float cx, float cy, float w, float h) {
  TObj::Init(color, cx, cy, w, h);
  AnchorX = Circle.CX;
  AnchorY = Circle.CY;
  // Stored as float32 this is just below 2.6: a new box takes one silent step.
  Lift = float(kLiftEnd);
}

void TBox::Update() {
  if (Held) {
    AnchorX = Shrink(AnchorX);
    AnchorY = Shrink(AnchorY);
    if (Hopping(Lift)) Lift = float(double(Lift) + kLiftStep);
    Circle.CX = float(double(Hero->Circle.CX) + double(AnchorX));
    Circle.CY = float(double(Hero->Circle.CY) + double(AnchorY));
    UpdateBounds();
  } else if (Hopping(Lift)) {
    Lift = float(double(Lift) + kLiftStep);
    Circle.CX = GlideStep(Circle.CX, AnchorX);
    Circle.CY = GlideStep(Circle.CY, AnchorY);
    UpdateBounds();
  }
  // Raised in drawing only: Rect, Bottom and the centre stay where they are.
  if (Hopping(Lift)) Top = SatAdd(Top, -int64_t(TruncToInt(Sin(double(Lift)) * kHopHeight)));
}

void CarryBox(TBox* box, bool take) {
  if (take) {
    box->Held = true;
    box->Lift = 0;
    box->AnchorX = float(double(box->Circle.CX) - double(Hero->Circle.CX));
    box->AnchorY = float(double(box->Circle.CY) - double(Hero->Circle.CY));
    Hero->Carried = box;
    return;
  }
  // Left, right, above, below; the far sides are measured with the box's size.
  const float w = box->Rect.W, h = box->Rect.H;
  const float left = float(-double(w) - 1.0), right = float(double(w) + 1.0);
  const float above = float(-double(h) - 1.0), below = float(double(h) + 1.0);
  if (!TryDropAt(box, left, 0) && !TryDropAt(box, right, 0) && !TryDropAt(box, 0, above) &&
      !TryDropAt(box, 0, below))
    return;
  box->Held = false;
  box->Lift = 0;
  box->AnchorX = float(double(box->Rect.X) + double(box->Circle.Radius));
  box->AnchorY = float(double(box->Rect.Y) + double(box->Circle.Radius));
  // The box enters Solids where it was carried and glides to its place.
  box->UpdateBounds();
  Solids.Add(box);
  Hero->Carried = nullptr;
}
