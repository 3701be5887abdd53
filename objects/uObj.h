// SPDX-License-Identifier: Zlib
// The root of the scene: a rectangle held three ways. The circle's centre is
// the authoritative position; Rect is what collisions and rays test; the
// whole-pixel bounds are what drawing and the hero's reach use.
#pragma once

#include <cstdint>

#include "common/zglApi.h"

class TObj {
 public:
  // Every field starts at zero; Init (or Setup for living objects) sets the rest.
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Right = 0;
  int32_t Bottom = 0;
  int32_t Width = 0;
  int32_t Height = 0;
  uint32_t Color = 0;
  Rect2D Rect = {0, 0, 0, 0};
  Circle2D Circle = {0, 0, 0};

  // The three overridable operations, in this slot order. There is no virtual
  // destructor: objects live until the process ends, the world keeps each in
  // storage of its own class and nothing is deleted through a base pointer.
  virtual void Init(uint32_t color, float cx, float cy, float w, float h);
  virtual void Update();
  virtual void Draw();

  // Rect's corner and the whole-pixel bounds from the centre and the size.
  void UpdateBounds();
};
