// SPDX-License-Identifier: Zlib
#include "objects/uObj.h"

#include <algorithm>

#include "objects/uConvert.h"
#include "shell/zglHeader.h"

void TObj::Init(uint32_t color, float cx, float cy, float w, float h) {
  Circle.CX = cx;
  Circle.CY = cy;
  // Whole pixels first, then halved: a 25-wide box gets radius 12, not 12.5.
  Circle.Radius = float(TruncToInt(std::max(w, h)) / 2);
  Width = TruncToInt(w);
  Height = TruncToInt(h);
  Rect.W = float(Width);
  Rect.H = float(Height);
  Color = color;
  UpdateBounds();
}

void TObj::Update() {}

void TObj::Draw() {
  zgl::pr2d_Rect(float(Left), float(Top), float(Width), float(Height), Color, 255, zgl::kFill);
}

void TObj::UpdateBounds() {
  Rect.X = float(double(Circle.CX) - double(Width) / 2.0);
  Rect.Y = float(double(Circle.CY) - double(Height) / 2.0);
  Left = RoundToInt(Rect.X);
  Top = RoundToInt(Rect.Y);
  Right = SatAdd(Left, Width);
  Bottom = SatAdd(Top, Height);
}
