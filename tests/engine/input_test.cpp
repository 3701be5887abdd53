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

// A game controller made by SDL itself (a virtual one), plugged in while the game runs.
class Controller : public Input {
 protected:
  static void SetUpTestSuite() {
    DisplayTest::SetUpTestSuite();
    // The dummy video driver's window never has the focus that real play gives.
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
  }
  void SetUp() override {
    Input::SetUp();
    if (!SDL_WasInit(SDL_INIT_GAMECONTROLLER)) GTEST_SKIP() << "no Gamepad API here (node)";
    SDL_VirtualJoystickDesc desc{};
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    desc.naxes = SDL_CONTROLLER_AXIS_MAX;
    desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
    const int index = SDL_JoystickAttachVirtualEx(&desc);
    ASSERT_GE(index, 0) << SDL_GetError();
    device_ = index;
    stick_ = SDL_JoystickOpen(index);
    ASSERT_NE(stick_, nullptr) << SDL_GetError();
    Pump();
    ASSERT_EQ(Core().input.Controllers(), 1) << "plugged in while playing, it is taken at once";
  }
  void TearDown() override {
    if (stick_) SDL_JoystickClose(stick_);
    SDL_JoystickDetachVirtual(device_);
    Input::TearDown();
  }
  void Axis(SDL_GameControllerAxis axis, int16_t value) {
    SDL_JoystickSetVirtualAxis(stick_, axis, value);
    Pump();
  }
  void Button(SDL_GameControllerButton button, bool down) {
    SDL_JoystickSetVirtualButton(stick_, button, down ? SDL_PRESSED : SDL_RELEASED);
    Pump();
  }
  std::set<int> Held() {
    std::set<int> held;
    for (int k : {17, 18, 30, 31, 32}) if (key_Down(uint8_t(k))) held.insert(k);
    return held;
  }
  int device_ = -1;
  SDL_Joystick* stick_ = nullptr;
};

TEST_F(Controller, TheLeftStickAndTheDpadWalkAndTheSouthButtonTakes) {
  Axis(SDL_CONTROLLER_AXIS_LEFTX, 30000);
  EXPECT_EQ(Held(), std::set<int>({32}));
  Axis(SDL_CONTROLLER_AXIS_LEFTY, -30000);
  EXPECT_EQ(Held(), std::set<int>({17, 32})) << "a diagonal holds both keys";
  Axis(SDL_CONTROLLER_AXIS_LEFTX, -7000);
  Axis(SDL_CONTROLLER_AXIS_LEFTY, 7000);
  EXPECT_EQ(Held(), std::set<int>()) << "inside the dead zone";
  Button(SDL_CONTROLLER_BUTTON_DPAD_DOWN, true);
  EXPECT_EQ(Held(), std::set<int>({31}));
  Button(SDL_CONTROLLER_BUTTON_DPAD_DOWN, false);
  key_ClearState();
  for (int press = 0; press < 2; ++press) {
    Button(SDL_CONTROLLER_BUTTON_A, true);
    EXPECT_TRUE(key_Press(18)) << "press " << press;
    key_ClearState();
    Pump();
    EXPECT_FALSE(key_Press(18)) << "held, it is one press";
    Button(SDL_CONTROLLER_BUTTON_A, false);
  }
}

TEST_F(Controller, TheKeyboardKeepsItsKeysAndUnpluggingLetsGo) {
  Key(SDL_SCANCODE_D, true);
  Axis(SDL_CONTROLLER_AXIS_LEFTX, 30000);
  Axis(SDL_CONTROLLER_AXIS_LEFTX, 0);
  EXPECT_TRUE(key_Down(32)) << "the stick let go of a key the keyboard still holds";
  Key(SDL_SCANCODE_D, false);
  Pump();
  EXPECT_FALSE(key_Down(32));
  Axis(SDL_CONTROLLER_AXIS_LEFTY, 30000);
  Button(SDL_CONTROLLER_BUTTON_A, true);
  EXPECT_EQ(Held(), std::set<int>({18, 31}));
  SDL_JoystickClose(stick_);
  stick_ = nullptr;
  ASSERT_EQ(SDL_JoystickDetachVirtual(device_), 0);
  Pump();
  EXPECT_EQ(Held(), std::set<int>()) << "unplugged, it holds nothing";
  EXPECT_EQ(Core().input.Controllers(), 0);
}

TEST_F(Controller, TheRightStickMovesThePointerFasterTheFurtherItIsPushed) {
  MouseTo(400, 300);
  Pump();
  Axis(SDL_CONTROLLER_AXIS_RIGHTX, 16000);
  Core().input.Steer(0.5);
  const int half = mouse_X() - 400;
  Axis(SDL_CONTROLLER_AXIS_RIGHTX, 32767);
  Core().input.Steer(0.5);
  const int full = mouse_X() - 400 - half;
  EXPECT_GT(half, 0);
  EXPECT_GT(full, 4 * half) << "pushed all the way, it is much faster";
  EXPECT_EQ(mouse_Y(), 300);
  Axis(SDL_CONTROLLER_AXIS_RIGHTX, 0);
  Axis(SDL_CONTROLLER_AXIS_RIGHTY, -32767);
  Core().input.Steer(10);
  EXPECT_EQ(mouse_Y(), 0) << "kept on the field";
}

}  // namespace
