// SPDX-License-Identifier: Zlib
// The engine's one instance: the window options and callbacks the game
// records first, the window and renderer that zgl_Init opens, and the loop
// that runs events, due timers and frames until the window is closed or the
// process is told to stop.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <optional>
#include <string>

#include "common/zglApi.h"
#include "assets.h"
#include "batch.h"
#include "clock.h"
#include "input.h"
#include "timers.h"

namespace engine {

struct Settings {
  std::string caption;
  int width = 800;
  int height = 600;
  bool fullScreen = false;
  bool vsync = true;
  bool cursor = true;
};

class Engine {
 public:
  static constexpr int kMaxSide = 16384;
  // The window is never made smaller than this on its short side.
  static constexpr int kSmallestSide = 150;

  void Register(uint32_t code, zglProc proc);
  void SetCaption(const char* caption);
  // False (and nothing changed) for a size of 0 or above kMaxSide.
  bool SetOptions(uint16_t width, uint16_t height, bool fullScreen, bool vsync);
  void ShowCursor(bool show);

  // Opens the window and renderer: "" on success (or when a stop came meanwhile,
  // which leaves the opening half done for CloseDisplay), else the reason. Without a
  // display SDL would fall back to an invisible window; that counts as a
  // failure unless the user named a video driver in SDL_VIDEODRIVER.
  std::string OpenDisplay();
  void CloseDisplay();
  // Handles every pending event; false once the window was closed or
  // SIGINT/SIGTERM arrived.
  bool PumpEvents();
  // Input, quit, and what the window's state means for the next frame.
  void HandleEvent(const SDL_Event& event);
  void RequestQuit() { quit_ = true; }
  // Full screen on the window's display, or back to the window as it was (F11, Alt+Enter).
  void ToggleFullScreen();
  // For the process's own last run: the window goes, but the video system is
  // left for the process's end to close. On X, SDL may have just posted a
  // wake-up message to the window over a second connection; closing that
  // connection after the window is gone can receive the server's complaint,
  // which Xlib's default handler answers by ending the process with exit
  // code 1 instead of the game's 0.
  void KeepVideoAtExit() { keepVideoAtExit_ = true; }

  // The window's whole life: open, load callback, loop, exit callback,
  // release. "" once it has run; otherwise why the window could not be
  // opened, and no callback was called. `framePeriod` overrides the pacing
  // (clock ticks between frame starts; 0 for none).
  //
  // The picture changes only when a timer ticks, so the loop draws a frame
  // only when it can differ from the one on screen: the first, after a tick,
  // and after the window was exposed, resized, shown, restored or moved to
  // another display. Between those it waits for the next tick or the next
  // event. A minimised or hidden window is not drawn; its timers go on.
  std::string Run(Clock& clock, std::optional<uint64_t> framePeriod = std::nullopt);

  bool Running() const { return running_; }
  SDL_Window* Window() const { return window_; }
  SDL_Renderer* Renderer() const { return renderer_; }
  // Forgets callbacks, timers and options (tests start each case afresh).
  void ResetRegistrations();

  Input input;
  TimerSet timers;
  Batch batch;
  Assets assets;

 private:
  // Not hidden, not minimised: drawing can be seen.
  bool Visible() const { return !hidden_ && !minimised_; }
  // One frame: the back buffer cleared, the draw callback, the present.
  void DrawFrame();
  // The right sticks move the pointer for the time since `since`; returns now.
  uint64_t Steer(Clock& clock, uint64_t since);
  // The exit callback, then everything the loop opened is released.
  void Finish();
#ifdef __EMSCRIPTEN__
  // One step of the loop, run by each of the page's animation frames.
  static void AnimationFrame(void* self);
  Clock* loopClock_ = nullptr;
  uint64_t steeredAt_ = 0;
#endif

  Settings settings_;
  zglProc onLoad_ = nullptr;
  zglProc onDraw_ = nullptr;
  zglProc onExit_ = nullptr;
  SDL_Window* window_ = nullptr;
  SDL_Renderer* renderer_ = nullptr;
  bool videoUp_ = false;
  bool controllersUp_ = false;
  bool keepVideoAtExit_ = false;
  bool vsyncClaimed_ = false;
  int refreshHz_ = 0;
  bool running_ = false;
  bool quit_ = false;
  bool redraw_ = false;  // the next frame would differ from the one on screen
  bool hidden_ = false;
  bool minimised_ = false;
};

Engine& Core();

// The reason on stderr, and in a message box where a display exists.
void ReportFatal(const std::string& reason);

// Video drivers that show nothing to anybody.
bool IsHeadlessDriver(const char* name);

// F11, or Alt+Enter, pressed (not repeated): full screen on or off. Never in a page,
// whose browser has its own keys for it.
bool IsFullScreenToggle(const SDL_KeyboardEvent& key);

}  // namespace engine
