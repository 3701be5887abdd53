// SPDX-License-Identifier: Zlib
#include "core_binding.h"

#include "engine.h"
#include "shell/uShell.h"

// The core's 24 operations, linked in from the engine's static library.
#define CORE_DECLARE(ret, name, params, args) extern "C" ret name params;
ZGL_OPERATIONS(CORE_DECLARE)
#undef CORE_DECLARE

namespace corebinding {

void Bind(zgl::Table* table) {
#define CORE_BIND(ret, name, params, args) table->name = &::name;
  ZGL_OPERATIONS(CORE_BIND)
#undef CORE_BIND
}

void RegisterGame(zglProc load, zglProc draw, zglProc timer) {
  zgl::zgl_Reg(zgl::kRegLoad, load);
  zgl::zgl_Reg(zgl::kRegDraw, draw);
  zgl::zgl_Reg(zgl::kRegExit, OnExit);
  zgl::timer_Add(timer, 17);
  zgl::wnd_SetCaption("TEST");
  zgl::scr_SetOptions(800, 600, 1, false, true);
  zgl::wnd_ShowCursor(true);
}

void DrawFrame() {
  engine::Core().batch.BeginFrame();
  OnDraw();
  engine::Core().batch.Present();
}

}  // namespace corebinding
