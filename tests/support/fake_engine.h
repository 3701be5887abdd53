// SPDX-License-Identifier: Zlib
// An in-process double of the engine: records every call as text, answers
// the geometry exactly as the real library does (geo::), and takes its key
// and mouse state from the test.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "common/zglApi.h"

namespace fake {

enum Op {
#define FAKE_OP(ret, name, params, args) op_##name,
  ZGL_OPERATIONS(FAKE_OP)
#undef FAKE_OP
  kOpCount
};

struct Engine {
  bool record = true;                 // off: only counts, no allocation
  std::vector<std::string> calls;
  std::array<long, kOpCount> counts{};
  std::array<bool, 256> down{};
  std::array<bool, 256> pressed{};
  int32_t mouseX = 0, mouseY = 0;
  zglProc onLoad = nullptr, onDraw = nullptr, onExit = nullptr, onTimer = nullptr;
  uintptr_t nextHandle = 1;
  bool failLoads = false;             // loads return null handles
};

extern Engine engine;

// Resets the double and binds the game's table to it.
void Install();
// Recorded calls whose text starts with prefix.
std::vector<std::string> CallsStartingWith(const std::string& prefix);
// Names of the recorded calls, without arguments.
std::vector<std::string> CallNames();

}  // namespace fake
