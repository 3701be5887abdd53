// SPDX-License-Identifier: Zlib
#include "objects/uEnemy.h"

#include <cmath>

#include "objects/uTrig.h"
#include "shell/zglHeader.h"

namespace {

constexpr double kSweepStep = 0.02;
constexpr double kSweepAmplitude = 135.0;
constexpr int kMarkSpacing = 10;
constexpr int kMarkRise = 10;
constexpr float kMarkRadius = 4;
constexpr uint16_t kMarkSegments = 20;

}  // namespace

void TEnemy::Update() {
  CastView();
  if (AlertExpired()) {
    SweepPhase = float(double(SweepPhase) + kSweepStep);
    Angle = float(Cos(double(SweepPhase)) * kSweepAmplitude);
  }
  // Signed tests in this order: a range below 100 shows marks with no sighting.
  if (SeenDist < 50)
    AlertLevel = 3;
  else if (SeenDist < 100)
    AlertLevel = 2;
  else if (SeenDist < ViewRange)
    AlertLevel = 1;
  else
    AlertLevel = 0;
}

void TEnemy::Draw() {
  TObj::Draw();
  for (int32_t j = 0; j < AlertLevel; ++j)
    zgl::pr2d_Circle(float(int64_t(Left) + int64_t(kMarkSpacing) * j), float(int64_t(Top) - kMarkRise),
                     kMarkRadius, 0xFFFFFF, 255, kMarkSegments, zgl::kFill);
}
