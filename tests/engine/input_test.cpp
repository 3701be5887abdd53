// SPDX-License-Identifier: Zlib
// Keys and mouse from SDL events pushed through the engine's own event pump,
// the same path real play takes.
#include <set>

#include "engine_test_support.h"

namespace {

using engine::Core;

class Input : public enginetest::DisplayTest {
 protected:
  void Key(SDL_Scancode sc, bool down, bool repeat = false) {
    SDL_Event e{};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.key.repeat = repeat ? 1 : 0;
    e.key.keysym.scancode = sc;
    e.key.windowID = SDL_GetWindowID(Core().Window());
    ASSERT_EQ(SDL_PushEvent(&e), 1);
  }
  void Window(Uint8 what) {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.event = what;
    e.window.windowID = SDL_GetWindowID(Core().Window());
    ASSERT_EQ(SDL_PushEvent(&e), 1);
  }
  void MouseTo(int x, int y) {
    SDL_Event e{};
    e.type = SDL_MOUSEMOTION;
    e.motion.x = x;
    e.motion.y = y;
    e.motion.windowID = SDL_GetWindowID(Core().Window());
    ASSERT_EQ(SDL_PushEvent(&e), 1);
  }
  bool Pump() { return Core().PumpEvents(); }
};

TEST_F(Input, MovementKeysHaveTheirPcScanCodes) {
  const struct {
    SDL_Scancode sc;
    uint8_t code;
  } keys[] = {
      {SDL_SCANCODE_W, 17},      {SDL_SCANCODE_E, 18},     {SDL_SCANCODE_A, 30},     {SDL_SCANCODE_S, 31},
      {SDL_SCANCODE_D, 32},      {SDL_SCANCODE_Q, 16},     {SDL_SCANCODE_Z, 44},     {SDL_SCANCODE_M, 50},
      {SDL_SCANCODE_1, 2},       {SDL_SCANCODE_0, 11},     {SDL_SCANCODE_ESCAPE, 1}, {SDL_SCANCODE_RETURN, 28},
      {SDL_SCANCODE_SPACE, 57},  {SDL_SCANCODE_LSHIFT, 42}, {SDL_SCANCODE_LCTRL, 29}, {SDL_SCANCODE_TAB, 15},
      {SDL_SCANCODE_BACKSPACE, 14}, {SDL_SCANCODE_UP, 0xC8}, {SDL_SCANCODE_LEFT, 0xCB},
      {SDL_SCANCODE_RIGHT, 0xCD}, {SDL_SCANCODE_DOWN, 0xD0},
  };
  for (const auto& k : keys) {
    Key(k.sc, true);
    Pump();
    EXPECT_TRUE(key_Down(k.code)) << SDL_GetScancodeName(k.sc);
    EXPECT_TRUE(key_Press(k.code)) << SDL_GetScancodeName(k.sc);
    Key(k.sc, false);
    Pump();
    EXPECT_FALSE(key_Down(k.code)) << SDL_GetScancodeName(k.sc);
  }
  // Every letter has its own code.
  std::set<uint8_t> codes;
  for (int sc = SDL_SCANCODE_A; sc <= SDL_SCANCODE_Z; ++sc) codes.insert(engine::ScanCodeOf(SDL_Scancode(sc)));
  EXPECT_EQ(codes.size(), 26u);
  EXPECT_EQ(codes.count(0), 0u);
}

TEST_F(Input, PressIsKeptUntilClearStateAndCountsOncePerPhysicalPress) {
  Key(SDL_SCANCODE_E, true);
  Key(SDL_SCANCODE_E, false);  // pressed and let go within one frame
  Pump();
  EXPECT_FALSE(key_Down(18));
  EXPECT_TRUE(key_Press(18)) << "a quick tap is still a press";
  EXPECT_TRUE(key_Press(18)) << "reading does not consume it";
  key_ClearState();
  EXPECT_FALSE(key_Press(18));

  Key(SDL_SCANCODE_E, true);
  Pump();
  key_ClearState();
  for (int i = 0; i < 5; ++i) Key(SDL_SCANCODE_E, true, /*repeat=*/true);
  Pump();
  EXPECT_TRUE(key_Down(18));
  EXPECT_FALSE(key_Press(18)) << "auto-repeat is not a new press";
}

TEST_F(Input, LosingFocusLetsGoOfHeldKeys) {
  Key(SDL_SCANCODE_W, true);
  Key(SDL_SCANCODE_D, true);
  Pump();
  ASSERT_TRUE(key_Down(17));
  Window(SDL_WINDOWEVENT_FOCUS_LOST);
  Pump();
  EXPECT_FALSE(key_Down(17));
  EXPECT_FALSE(key_Down(32));
  // The key-up went to another window; pressing again works as usual.
  Key(SDL_SCANCODE_W, true);
  Pump();
  EXPECT_TRUE(key_Down(17));
}

TEST_F(Input, MouseFollowsEventsAndClearStateKeepsThePosition) {
  MouseTo(123, 456);
  Pump();
  EXPECT_EQ(mouse_X(), 123);
  EXPECT_EQ(mouse_Y(), 456);
  mouse_ClearState();
  key_ClearState();
  EXPECT_EQ(mouse_X(), 123);
  EXPECT_EQ(mouse_Y(), 456);
}

TEST_F(Input, ClosingTheWindowEndsTheLoop) {
  EXPECT_TRUE(Pump());
  Window(SDL_WINDOWEVENT_CLOSE);
  EXPECT_FALSE(Pump());
}

TEST_F(Input, UnknownKeysAndCodesAreHarmless) {
  Key(SDL_SCANCODE_UNKNOWN, true);
  Key(SDL_Scancode(SDL_NUM_SCANCODES - 1), true);
  Pump();
  EXPECT_EQ(engine::ScanCodeOf(SDL_Scancode(-1)), 0);
  EXPECT_EQ(engine::ScanCodeOf(SDL_Scancode(100000)), 0);
  for (int k = 0; k < 256; ++k) EXPECT_FALSE(key_Down(uint8_t(k))) << k;
}

}  // namespace
