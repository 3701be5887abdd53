// SPDX-License-Identifier: Zlib
// What a play test looks at and drives: the game's 800 x 600 picture and the player's keys
// and pointer, whether the game runs in a window on an X server or in a page in a browser.
#pragma once

#include <string>
#include <vector>

#include "picture.h"

namespace e2e {

class Screen {
 public:
  virtual ~Screen() = default;
  // The picture as 0xRRGGBB pixels, time-stamped when it was taken; with rows > 0 only that
  // band from row `top` down, which is quicker to take many times a second.
  virtual Picture Capture(int top = 0, int rows = 0) = 0;
  // A key by its X keysym name ("d", "e"), pressed or released.
  virtual void Key(const std::string& key, bool down) = 0;
  virtual void MovePointer(int x, int y) = 0;  // in the game's pixels
  // The band [top, top + rows) of every frame the game draws from Record() until Recorded(),
  // each time-stamped when it was drawn: for timing a walk whatever a capture costs. A screen
  // that cannot record says false, and is captured again and again instead.
  virtual bool Record(int /*top*/, int /*rows*/) { return false; }
  virtual std::vector<Picture> Recorded() { return {}; }
};

}  // namespace e2e
