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

class Input {
 public:
  void Handle(const SDL_Event& event);
  bool Down(uint8_t key) const { return down_[key]; }
  // True if the key went down since the last ClearPresses; auto-repeat does not count.
  bool Pressed(uint8_t key) const { return pressed_[key]; }
  void ClearPresses() { pressed_.fill(false); }
  // Lets go of every held key, as when the window loses focus.
  void ReleaseAll() { down_.fill(false); }
  // In play-field pixels, from the last mouse event.
  int32_t MouseX() const { return mouseX_; }
  int32_t MouseY() const { return mouseY_; }
  void Reset();

 private:
  std::array<bool, 256> down_{};
  std::array<bool, 256> pressed_{};
  int32_t mouseX_ = 0;
  int32_t mouseY_ = 0;
};

}  // namespace engine
