// SPDX-License-Identifier: Zlib
// A box the hero can take, carry and set down. Resting it is an obstacle in
// Solids; carried it follows the hero and settles onto his centre. Taking and
// setting down start a hop that shows only in the drawn Top.
#pragma once

#include "objects/uObj.h"

class TBox : public TObj {
 public:
  // While carried: the centre's offset from the hero's centre. While resting:
  // the centre the box glides toward.
  float AnchorX = 0;
  float AnchorY = 0;
  // Hop phase in radians; the hop runs while Lift is below 2.6.
  float Lift = 0;
  bool Held = false;

  void Init(uint32_t color, float cx, float cy, float w, float h) override;
  // A carried box is updated twice per tick: by the hero and by the world.
  void Update() override;
};

// take true: the hero takes the box (the caller then removes it from Solids).
// take false: the box is set down at the first free place beside the hero;
// with none free, nothing changes and the hero keeps it.
void CarryBox(TBox* box, bool take);
