// SPDX-License-Identifier: Zlib
#include "shell/uShell.h"

#include "shell/uMaterials.h"
#include "shell/uSignals.h"
#include "shell/zglHeader.h"
#include "world/uRandom.h"
#include "world/uWorld.h"

namespace {

constexpr uint32_t kTimerIntervalMs = 17;
constexpr uint16_t kFieldWidth = 800;
constexpr uint16_t kFieldHeight = 600;

}  // namespace

void OnLoad() {
  // The window is open, so the engine watches for a stop now; one held since
  // start-up ends the game after this load.
  ReleaseStopSignals();
  CreateWorld();
  LoadMaterials();
}

void OnDraw() {
  // Cleared by drawing: a light-grey, almost opaque rectangle over the field.
  zgl::pr2d_Rect(0, 0, kFieldWidth, kFieldHeight, 0xCFCFCF, 240, zgl::kFill);
  DrawWorld();
}

void OnExit() {}

void OnTimer() {
  UpdateWorld();
  // A press is reported in exactly one tick.
  zgl::key_ClearState();
  zgl::mouse_ClearState();
}

int RunGame(std::optional<uint64_t> seed) {
  if (seed)
    RandSeed(*seed);
  else
    Randomize();
  if (!LoadEngine("ZenGL.dll", true)) return 1;
  zgl::zgl_Reg(zgl::kRegLoad, OnLoad);
  zgl::zgl_Reg(zgl::kRegDraw, OnDraw);
  zgl::zgl_Reg(zgl::kRegExit, OnExit);
  zgl::timer_Add(OnTimer, kTimerIntervalMs);
  zgl::wnd_SetCaption("TEST");
  zgl::scr_SetOptions(kFieldWidth, kFieldHeight, 1, false, true);
  zgl::wnd_ShowCursor(true);
  // Runs the engine until it shuts down.
  zgl::zgl_Init(0, 0);
  return 0;
}
