// SPDX-License-Identifier: Zlib
// Keyboard and mouse state, built from SDL events only: tests push events and
// real play delivers them through the same path (SDL_PushEvent does not touch
// SDL's polled keyboard or mouse state, so that state is never read here).
#pragma once

#include <SDL.h>

#include <array>
#include <cstdint>

namespace engine {

// PC scan code, set 1, of a physical key (W 17, E 18, A 30, S 31, D 32), so the
// movement keys stay in place on any layout. Keys that set 1 sends with an E0
// prefix (arrows, right Ctrl and Alt, keypad Enter, Insert/Delete/Home/End/
// PgUp/PgDn, keypad '/') carry 0x80 | code. 0 for keys without a code.
uint8_t ScanCodeOf(SDL_Scancode scancode);

// The keys and the pointer as the game reads them, from several sources at once: the
// keyboard and each game controller (in a page, its touch controls are one) hold keys of
// their own. A key is down while any source holds it, and pressed when it goes from up to
// down, whoever pressed it: letting go of a stick never releases a key the keyboard still
// holds. A controller walks with its left stick or its D-pad (the four movement keys, both
// keys of a diagonal), takes and sets down boxes with its south button (E), and moves the
// pointer with its right stick, faster the further it is pushed.
class Input {
 public:
  // The keyboard's source; controllers take the others.
  static constexpr int kKeyboard = 0;
  static constexpr int kSources = 16;
  // A stick pushed less than this far (a quarter of its travel) holds nothing.
  static constexpr int kDeadZone = 8192;
  // The pointer's speed, in field pixels a second, with a right stick pushed all the way.
  static constexpr double kPointerSpeed = 1200;
  // The movement keys and the take key, as the game reads them (PC scan codes, set 1).
  static constexpr uint8_t kUp = 17, kTake = 18, kLeft = 30, kDown = 31, kRight = 32;

  // Keyboard, mouse, focus and controller events (a controller plugged in is opened, one
  // unplugged lets go of what it held and is closed).
  void Handle(const SDL_Event& event);
  bool Down(uint8_t key) const { return holders_[key] != 0; }
  // True if the key went down since the last ClearPresses; auto-repeat does not count.
  bool Pressed(uint8_t key) const { return pressed_[key]; }
  void ClearPresses() { pressed_.fill(false); }
  // Lets go of every held key and forgets where the sticks are, as when the window loses
  // focus (a controller's events then go elsewhere).
  void ReleaseAll();
  // In play-field pixels, from the last mouse event or the right sticks.
  int32_t MouseX() const { return mouseX_; }
  int32_t MouseY() const { return mouseY_; }
  // The field the pointer is kept on when a stick moves it.
  void SetField(int width, int height) { fieldWidth_ = width, fieldHeight_ = height; }
  // Moves the pointer by `seconds` of the right sticks' push; true when it moved.
  bool Steer(double seconds);
  int Controllers() const;
  // Forgets every key and the pointer, and closes the controllers.
  void Reset();

 private:
  struct Controller {
    SDL_GameController* handle = nullptr;
    SDL_JoystickID id = -1;
    int16_t leftX = 0, leftY = 0, rightX = 0, rightY = 0;
    bool up = false, down = false, left = false, right = false, south = false;
  };
  void Hold(uint8_t key, int source, bool held);
  // Holds the keys a controller's state says, and lets go of the others.
  void Apply(int source);
  int SourceOf(SDL_JoystickID id) const;
  void Open(int deviceIndex);
  void Close(int source);

  std::array<uint16_t, 256> holders_{};  // a bit for each source that holds the key
  std::array<bool, 256> pressed_{};
  std::array<Controller, kSources> controllers_{};  // by source; the keyboard's unused
  int32_t mouseX_ = 0;
  int32_t mouseY_ = 0;
  double pointerX_ = 0, pointerY_ = 0;  // where the sticks have moved the pointer
  int fieldWidth_ = 800, fieldHeight_ = 600;
};

}  // namespace engine
