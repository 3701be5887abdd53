// SPDX-License-Identifier: Zlib
// A guard: sweeps its gaze through +-135 degrees while idle, turns toward a
// sighted hero and holds that facing for 100 ticks, and shows up to three
// marks by how close it sees him in the current tick.
#pragma once

#include "objects/uLiveObj.h"

class TEnemy : public TLiveObj {
 public:
  float SweepPhase = 0;    // radians; advances only while no alert is left
  int32_t AlertLevel = 0;  // marks drawn, 0 to 3

  void Update() override;
  void Draw() override;
};
