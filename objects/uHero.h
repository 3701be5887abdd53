// SPDX-License-Identifier: Zlib
// The player's square: faces the mouse, walks with W, A, S, D, takes and sets
// down a box with E, and hides under a carried box while standing still.
#pragma once

#include "objects/uBox.h"
#include "objects/uLiveObj.h"

class THero : public TLiveObj {
 public:
  TBox* Carried = nullptr;
  // Carrying a box and not moved in this tick's update: no ray sees him.
  bool Hidden = false;

  void Update() override;
  void Draw() override;
};

// Scan codes (set 1) of the keys the hero reads.
namespace keys {
constexpr uint8_t W = 17;
constexpr uint8_t E = 18;
constexpr uint8_t A = 30;
constexpr uint8_t S = 31;
constexpr uint8_t D = 32;
}  // namespace keys
