// SPDX-License-Identifier: Zlib
// Helpers shared by the engine's tests: a window on SDL's dummy video driver
// (software renderer, no display needed), pixels read back from it, and
// throw-away folders (tests/support's) for generated images and fonts.
#pragma once

#include <SDL.h>
#include <SDL_image.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine.h"
#include "temp_dir.h"

// The 24 operations, as the game calls them (linked from the engine core).
#define ZGL_TEST_DECLARE(ret, name, params, args) extern "C" ret name params;
ZGL_OPERATIONS(ZGL_TEST_DECLARE)
#undef ZGL_TEST_DECLARE

#ifdef _WIN32
// The one POSIX call the tests make there, on Windows' C runtime.
inline int setenv(const char* name, const char* value, int) { return _putenv_s(name, value); }
#endif

namespace enginetest {

using TempDir = e2e::TempDir;

// An RGBA image filled by `pixel(x, y)` -> 0xAARRGGBB, saved as PNG.
template <typename F>
void SavePng(const std::string& path, int w, int h, F pixel) {
  SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_ARGB8888);
  ASSERT_NE(s, nullptr);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(s->pixels) + y * s->pitch)[x] = pixel(x, y);
  ASSERT_EQ(IMG_SavePNG(s, path.c_str()), 0) << IMG_GetError();
  SDL_FreeSurface(s);
}

// The engine's window opened on the dummy driver, with nothing registered.
class DisplayTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { setenv("SDL_VIDEODRIVER", "dummy", 1); }
  void SetUp() override {
    engine::Core().ResetRegistrations();
    ASSERT_EQ(engine::Core().OpenDisplay(), "");
    engine::Core().batch.BeginFrame();
  }
  void TearDown() override { engine::Core().CloseDisplay(); }

  // Draws what is pending and reads the play field back as 0x00RRGGBB.
  uint32_t Pixel(int x, int y) {
    engine::Core().batch.Flush();
    SDL_Rect r{x, y, 1, 1};
    uint32_t p = 0;
    EXPECT_EQ(SDL_RenderReadPixels(engine::Core().Renderer(), &r, SDL_PIXELFORMAT_ARGB8888, &p, 4), 0)
        << SDL_GetError();
    return p & 0xFFFFFF;
  }
};

// Each channel within `tolerance` of the expected one.
inline ::testing::AssertionResult Near(uint32_t actual, uint32_t expected, int tolerance) {
  for (int shift : {16, 8, 0}) {
    if (std::abs(int((actual >> shift) & 0xFF) - int((expected >> shift) & 0xFF)) > tolerance) {
      char text[64];
      std::snprintf(text, sizeof text, "0x%06X is not within %d of 0x%06X", actual, tolerance, expected);
      return ::testing::AssertionFailure() << text;
    }
  }
  return ::testing::AssertionSuccess();
}

}  // namespace enginetest
