// SPDX-License-Identifier: Zlib
#include "input.h"

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
    code[SDL_SCANCODE_ESCAPE] = 1;
    code[SDL_SCANCODE_MINUS] = 12;
    code[SDL_SCANCODE_EQUALS] = 13;
    code[SDL_SCANCODE_BACKSPACE] = 14;
    code[SDL_SCANCODE_TAB] = 15;
    code[SDL_SCANCODE_LEFTBRACKET] = 26;
    code[SDL_SCANCODE_RIGHTBRACKET] = 27;
    code[SDL_SCANCODE_RETURN] = 28;
    code[SDL_SCANCODE_LCTRL] = 29;
    code[SDL_SCANCODE_SEMICOLON] = 39;
    code[SDL_SCANCODE_APOSTROPHE] = 40;
    code[SDL_SCANCODE_GRAVE] = 41;
    code[SDL_SCANCODE_LSHIFT] = 42;
    code[SDL_SCANCODE_BACKSLASH] = 43;
    code[SDL_SCANCODE_NONUSHASH] = 43;
    code[SDL_SCANCODE_COMMA] = 51;
    code[SDL_SCANCODE_PERIOD] = 52;
    code[SDL_SCANCODE_SLASH] = 53;
    code[SDL_SCANCODE_RSHIFT] = 54;
    code[SDL_SCANCODE_KP_MULTIPLY] = 55;
    code[SDL_SCANCODE_LALT] = 56;
    code[SDL_SCANCODE_SPACE] = 57;
    code[SDL_SCANCODE_CAPSLOCK] = 58;
    for (int i = 0; i < 10; ++i) code[SDL_SCANCODE_F1 + i] = uint8_t(59 + i);
    code[SDL_SCANCODE_NUMLOCKCLEAR] = 69;
    code[SDL_SCANCODE_SCROLLLOCK] = 70;
    code[SDL_SCANCODE_KP_7] = 71;
    code[SDL_SCANCODE_KP_8] = 72;
    code[SDL_SCANCODE_KP_9] = 73;
    code[SDL_SCANCODE_KP_MINUS] = 74;
    code[SDL_SCANCODE_KP_4] = 75;
    code[SDL_SCANCODE_KP_5] = 76;
    code[SDL_SCANCODE_KP_6] = 77;
    code[SDL_SCANCODE_KP_PLUS] = 78;
    code[SDL_SCANCODE_KP_1] = 79;
    code[SDL_SCANCODE_KP_2] = 80;
    code[SDL_SCANCODE_KP_3] = 81;
    code[SDL_SCANCODE_KP_0] = 82;
    code[SDL_SCANCODE_KP_PERIOD] = 83;
    code[SDL_SCANCODE_NONUSBACKSLASH] = 86;
    code[SDL_SCANCODE_F11] = 87;
    code[SDL_SCANCODE_F12] = 88;
    code[SDL_SCANCODE_KP_ENTER] = kExtended | 28;
    code[SDL_SCANCODE_RCTRL] = kExtended | 29;
    code[SDL_SCANCODE_KP_DIVIDE] = kExtended | 53;
    code[SDL_SCANCODE_RALT] = kExtended | 56;
    code[SDL_SCANCODE_HOME] = kExtended | 71;
    code[SDL_SCANCODE_UP] = kExtended | 72;
    code[SDL_SCANCODE_PAGEUP] = kExtended | 73;
    code[SDL_SCANCODE_LEFT] = kExtended | 75;
    code[SDL_SCANCODE_RIGHT] = kExtended | 77;
    code[SDL_SCANCODE_END] = kExtended | 79;
    code[SDL_SCANCODE_DOWN] = kExtended | 80;
    code[SDL_SCANCODE_PAGEDOWN] = kExtended | 81;
    code[SDL_SCANCODE_INSERT] = kExtended | 82;
    code[SDL_SCANCODE_DELETE] = kExtended | 83;
    code[SDL_SCANCODE_LGUI] = kExtended | 91;
    code[SDL_SCANCODE_RGUI] = kExtended | 92;
    code[SDL_SCANCODE_APPLICATION] = kExtended | 93;
  }
};

constexpr CodeTable kCodes;

}  // namespace

uint8_t ScanCodeOf(SDL_Scancode scancode) {
  const int i = int(scancode);
  return i >= 0 && i < SDL_NUM_SCANCODES ? kCodes.code[i] : 0;
}

void Input::Handle(const SDL_Event& event) {
  switch (event.type) {
    case SDL_KEYDOWN:
      if (event.key.repeat == 0) {
        if (uint8_t code = ScanCodeOf(event.key.keysym.scancode)) {
          down_[code] = true;
          pressed_[code] = true;
        }
      }
      break;
    case SDL_KEYUP:
      if (uint8_t code = ScanCodeOf(event.key.keysym.scancode)) down_[code] = false;
      break;
    case SDL_WINDOWEVENT:
      // No hero who walks on by himself after alt-tab: the key-up goes elsewhere.
      if (event.window.event == SDL_WINDOWEVENT_FOCUS_LOST) ReleaseAll();
      break;
    case SDL_MOUSEMOTION:
      mouseX_ = event.motion.x;
      mouseY_ = event.motion.y;
      break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      mouseX_ = event.button.x;
      mouseY_ = event.button.y;
      break;
    default:
      break;
  }
}

void Input::Reset() {
  down_.fill(false);
  pressed_.fill(false);
  mouseX_ = mouseY_ = 0;
}

}  // namespace engine
