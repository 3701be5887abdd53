// SPDX-License-Identifier: Zlib
#include "input.h"

#include <algorithm>
#include <cmath>

namespace engine {
namespace {

constexpr uint8_t kExtended = 0x80;

struct CodeTable {
  uint8_t code[SDL_NUM_SCANCODES] = {};

  constexpr CodeTable() {
    // Letters: SDL numbers them A..Z in order; set 1 follows the keyboard rows.
    constexpr uint8_t letters[26] = {30, 48, 46, 32, 18, 33, 34, 35, 23, 36, 37, 38, 50,
                                     49, 24, 25, 16, 19, 31, 20, 22, 47, 17, 45, 21, 44};
    for (int i = 0; i < 26; ++i) code[SDL_SCANCODE_A + i] = letters[i];
    // Digits 1..9 then 0, on both sides.
    for (int i = 0; i < 10; ++i) code[SDL_SCANCODE_1 + i] = uint8_t(2 + i);
    for (int i = 0; i < 10; ++i) code[SDL_SCANCODE_F1 + i] = uint8_t(59 + i);
    // The rest one by one; keys that set 1 sends with an E0 prefix carry kExtended.
    constexpr struct {
      SDL_Scancode key;
      uint8_t code;
    } others[] = {
      {SDL_SCANCODE_ESCAPE, 1}, {SDL_SCANCODE_MINUS, 12}, {SDL_SCANCODE_EQUALS, 13},
      {SDL_SCANCODE_BACKSPACE, 14}, {SDL_SCANCODE_TAB, 15}, {SDL_SCANCODE_LEFTBRACKET, 26},
      {SDL_SCANCODE_RIGHTBRACKET, 27}, {SDL_SCANCODE_RETURN, 28}, {SDL_SCANCODE_LCTRL, 29},
      {SDL_SCANCODE_SEMICOLON, 39}, {SDL_SCANCODE_APOSTROPHE, 40}, {SDL_SCANCODE_GRAVE, 41},
      {SDL_SCANCODE_LSHIFT, 42}, {SDL_SCANCODE_BACKSLASH, 43}, {SDL_SCANCODE_NONUSHASH, 43},
      {SDL_SCANCODE_COMMA, 51}, {SDL_SCANCODE_PERIOD, 52}, {SDL_SCANCODE_SLASH, 53}, {SDL_SCANCODE_RSHIFT, 54},
      {SDL_SCANCODE_KP_MULTIPLY, 55}, {SDL_SCANCODE_LALT, 56}, {SDL_SCANCODE_SPACE, 57},
      {SDL_SCANCODE_CAPSLOCK, 58}, {SDL_SCANCODE_NUMLOCKCLEAR, 69}, {SDL_SCANCODE_SCROLLLOCK, 70},
      {SDL_SCANCODE_KP_7, 71}, {SDL_SCANCODE_KP_8, 72}, {SDL_SCANCODE_KP_9, 73}, {SDL_SCANCODE_KP_MINUS, 74},
      {SDL_SCANCODE_KP_4, 75}, {SDL_SCANCODE_KP_5, 76}, {SDL_SCANCODE_KP_6, 77}, {SDL_SCANCODE_KP_PLUS, 78},
      {SDL_SCANCODE_KP_1, 79}, {SDL_SCANCODE_KP_2, 80}, {SDL_SCANCODE_KP_3, 81}, {SDL_SCANCODE_KP_0, 82},
      {SDL_SCANCODE_KP_PERIOD, 83}, {SDL_SCANCODE_NONUSBACKSLASH, 86}, {SDL_SCANCODE_F11, 87},
      {SDL_SCANCODE_F12, 88}, {SDL_SCANCODE_KP_ENTER, kExtended | 28}, {SDL_SCANCODE_RCTRL, kExtended | 29},
      {SDL_SCANCODE_KP_DIVIDE, kExtended | 53}, {SDL_SCANCODE_RALT, kExtended | 56},
      {SDL_SCANCODE_HOME, kExtended | 71}, {SDL_SCANCODE_UP, kExtended | 72},
      {SDL_SCANCODE_PAGEUP, kExtended | 73}, {SDL_SCANCODE_LEFT, kExtended | 75},
      {SDL_SCANCODE_RIGHT, kExtended | 77}, {SDL_SCANCODE_END, kExtended | 79},
      {SDL_SCANCODE_DOWN, kExtended | 80}, {SDL_SCANCODE_PAGEDOWN, kExtended | 81},
      {SDL_SCANCODE_INSERT, kExtended | 82}, {SDL_SCANCODE_DELETE, kExtended | 83},
      {SDL_SCANCODE_LGUI, kExtended | 91}, {SDL_SCANCODE_RGUI, kExtended | 92},
      {SDL_SCANCODE_APPLICATION, kExtended | 93},
    };
    for (const auto& o : others) code[o.key] = o.code;
  }
};

constexpr CodeTable kCodes;

}  // namespace

uint8_t ScanCodeOf(SDL_Scancode scancode) {
  const int i = int(scancode);
  return i >= 0 && i < SDL_NUM_SCANCODES ? kCodes.code[i] : 0;
}

void Input::Hold(uint8_t key, int source, bool held) {
  const uint16_t bit = uint16_t(1u << source);
  const bool wasDown = holders_[key] != 0;
  holders_[key] = held ? uint16_t(holders_[key] | bit) : uint16_t(holders_[key] & ~bit);
  if (!wasDown && holders_[key] != 0) pressed_[key] = true;
}

void Input::Apply(int source) {
  const Controller& c = controllers_[size_t(source)];
  Hold(kUp, source, c.up || c.leftY < -kDeadZone);
  Hold(kDown, source, c.down || c.leftY > kDeadZone);
  Hold(kLeft, source, c.left || c.leftX < -kDeadZone);
  Hold(kRight, source, c.right || c.leftX > kDeadZone);
  Hold(kTake, source, c.south);
}

void Input::ReleaseAll() {
  holders_.fill(0);
  for (Controller& c : controllers_) {
    SDL_GameController* handle = c.handle;
    const SDL_JoystickID id = c.id;
    c = Controller{};
    c.handle = handle, c.id = id;
  }
}

int Input::SourceOf(SDL_JoystickID id) const {
  for (int s = kKeyboard + 1; s < kSources; ++s)
    if (controllers_[size_t(s)].handle && controllers_[size_t(s)].id == id) return s;
  return -1;
}

int Input::Controllers() const {
  int n = 0;
  for (const Controller& c : controllers_) n += c.handle != nullptr;
  return n;
}

void Input::Open(int deviceIndex) {
  if (SourceOf(SDL_JoystickGetDeviceInstanceID(deviceIndex)) >= 0) return;  // told twice
  for (int s = kKeyboard + 1; s < kSources; ++s) {
    Controller& c = controllers_[size_t(s)];
    if (c.handle) continue;
    c = Controller{};
    c.handle = SDL_GameControllerOpen(deviceIndex);
    if (c.handle) c.id = SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(c.handle));
    return;
  }
}

void Input::Close(int source) {
  Controller& c = controllers_[size_t(source)];
  SDL_GameController* handle = c.handle;
  c = Controller{};
  Apply(source);  // lets go of all it held
  SDL_GameControllerClose(handle);
}

bool Input::Steer(double seconds) {
  double dx = 0, dy = 0;
  for (const Controller& c : controllers_) {
    if (!c.handle) continue;
    const double x = c.rightX / 32767.0, y = c.rightY / 32767.0, push = std::hypot(x, y);
    constexpr double dead = double(kDeadZone) / 32767.0;
    if (push <= dead) continue;
    // Slow near the dead zone for aiming, fast at the edge for turning around.
    const double t = std::min(1.0, (push - dead) / (1 - dead));
    dx += x / push * t * t * kPointerSpeed * seconds;
    dy += y / push * t * t * kPointerSpeed * seconds;
  }
  if (dx == 0 && dy == 0) return false;
  pointerX_ = std::clamp(pointerX_ + dx, 0.0, double(fieldWidth_ - 1));
  pointerY_ = std::clamp(pointerY_ + dy, 0.0, double(fieldHeight_ - 1));
  const int32_t x = int32_t(pointerX_), y = int32_t(pointerY_);
  const bool moved = x != mouseX_ || y != mouseY_;
  mouseX_ = x, mouseY_ = y;
  return moved;
}

void Input::Handle(const SDL_Event& event) {
  switch (event.type) {
    case SDL_KEYDOWN:
      if (event.key.repeat == 0)
        if (uint8_t code = ScanCodeOf(event.key.keysym.scancode)) Hold(code, kKeyboard, true);
      break;
    case SDL_KEYUP:
      if (uint8_t code = ScanCodeOf(event.key.keysym.scancode)) Hold(code, kKeyboard, false);
      break;
    case SDL_WINDOWEVENT:
      // No hero who walks on by himself after alt-tab: the key-up goes elsewhere.
      if (event.window.event == SDL_WINDOWEVENT_FOCUS_LOST) ReleaseAll();
      break;
    case SDL_MOUSEMOTION:
      mouseX_ = event.motion.x;
      mouseY_ = event.motion.y;
      // The system pointer following a stick says where the stick put it: what the stick
      // moved it by beyond a whole pixel is kept.
      if (mouseX_ != int32_t(pointerX_) || mouseY_ != int32_t(pointerY_)) pointerX_ = mouseX_, pointerY_ = mouseY_;
      break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      mouseX_ = event.button.x;
      mouseY_ = event.button.y;
      pointerX_ = mouseX_, pointerY_ = mouseY_;
      break;
    case SDL_CONTROLLERDEVICEADDED:
      Open(event.cdevice.which);
      break;
    case SDL_CONTROLLERDEVICEREMOVED:
      if (int s = SourceOf(event.cdevice.which); s >= 0) Close(s);
      break;
    case SDL_CONTROLLERAXISMOTION:
      if (int s = SourceOf(event.caxis.which); s >= 0) {
        Controller& c = controllers_[size_t(s)];
        switch (event.caxis.axis) {
          case SDL_CONTROLLER_AXIS_LEFTX: c.leftX = event.caxis.value; break;
          case SDL_CONTROLLER_AXIS_LEFTY: c.leftY = event.caxis.value; break;
          case SDL_CONTROLLER_AXIS_RIGHTX: c.rightX = event.caxis.value; break;
          case SDL_CONTROLLER_AXIS_RIGHTY: c.rightY = event.caxis.value; break;
          default: break;
        }
        Apply(s);
      }
      break;
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP:
      if (int s = SourceOf(event.cbutton.which); s >= 0) {
        Controller& c = controllers_[size_t(s)];
        const bool down = event.type == SDL_CONTROLLERBUTTONDOWN;
        switch (event.cbutton.button) {
          case SDL_CONTROLLER_BUTTON_DPAD_UP: c.up = down; break;
          case SDL_CONTROLLER_BUTTON_DPAD_DOWN: c.down = down; break;
          case SDL_CONTROLLER_BUTTON_DPAD_LEFT: c.left = down; break;
          case SDL_CONTROLLER_BUTTON_DPAD_RIGHT: c.right = down; break;
          case SDL_CONTROLLER_BUTTON_A: c.south = down; break;
          default: break;
        }
        Apply(s);
      }
      break;
    default:
      break;
  }
}

void Input::Reset() {
  for (int s = kKeyboard + 1; s < kSources; ++s)
    if (controllers_[size_t(s)].handle) Close(s);
  holders_.fill(0);
  pressed_.fill(false);
  mouseX_ = mouseY_ = 0;
  pointerX_ = pointerY_ = 0;
}

}  // namespace engine
