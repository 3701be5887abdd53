// SPDX-License-Identifier: Zlib
#include "engine.h"

#include <SDL_image.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "log.h"
#include "stopSignals.h"

#ifdef __EMSCRIPTEN__
#include <emscripten.h>
#endif

namespace engine {
namespace {

#ifdef __EMSCRIPTEN__
// A page's title is the page's own: the window's caption is not shown there.
constexpr bool kCaptionShown = false;
#else
constexpr bool kCaptionShown = true;
#endif

bool NonEmptyEnv(const char* name) {
  const char* v = std::getenv(name);
  return v && *v;
}

}  // namespace

Engine& Core() {
  static Engine engine;
  return engine;
}

bool IsHeadlessDriver(const char* name) {
  return name && (std::strcmp(name, "offscreen") == 0 || std::strcmp(name, "dummy") == 0 ||
                  std::strcmp(name, "evdev") == 0);
}

void ReportFatal(const std::string& reason) {
  Report("%s", reason.c_str());
  const char* named = std::getenv("SDL_VIDEODRIVER");
  const bool headless = named && *named && IsHeadlessDriver(named);
#if defined(_WIN32) || defined(__EMSCRIPTEN__)
  // A windowed program has no console, nor has a page: the box is the only place the player looks.
  const bool desktop = true;
#else
  const bool desktop = NonEmptyEnv("DISPLAY") || NonEmptyEnv("WAYLAND_DISPLAY");
#endif
  if (!headless && desktop)
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, "Error", reason.c_str(), nullptr);
}

void Engine::Register(uint32_t code, zglProc proc) {
  switch (code) {
    case zgl::kRegLoad: onLoad_ = proc; break;
    case zgl::kRegDraw: onDraw_ = proc; break;
    case zgl::kRegExit: onExit_ = proc; break;
    default: Report("zgl_Reg: callback code %u is not used by this engine; ignored", code); break;
  }
}

void Engine::SetCaption(const char* caption) {
  settings_.caption = caption ? caption : "";
  if (window_ && kCaptionShown) SDL_SetWindowTitle(window_, settings_.caption.c_str());
}

bool Engine::SetOptions(uint16_t width, uint16_t height, bool fullScreen, bool vsync) {
  if (width == 0 || height == 0 || width > kMaxSide || height > kMaxSide) {
    Report("scr_SetOptions: %ux%u is not a window size; kept %dx%d", width, height, settings_.width,
           settings_.height);
    return false;
  }
  settings_.width = width;
  settings_.height = height;
  settings_.fullScreen = fullScreen;
  settings_.vsync = vsync;
  return true;
}

void Engine::ShowCursor(bool show) {
  settings_.cursor = show;
  if (videoUp_) SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE);
}

std::string Engine::OpenDisplay() {
  if (window_) return {};
  // The loop watches SIGINT and SIGTERM itself (see Run).
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
#ifdef _WIN32
  // DPI-aware, with window sizes in scaled points: on a scaled desktop the 800 x 600 window
  // is drawn sharp at its full pixel size, and the logical size keeps the mouse in field pixels.
  SDL_SetHint(SDL_HINT_WINDOWS_DPI_AWARENESS, "permonitorv2");
  SDL_SetHint(SDL_HINT_WINDOWS_DPI_SCALING, "1");
#endif
#ifdef __EMSCRIPTEN__
  // Keys reach the game while its canvas has the focus, and leave the rest of the page alone.
  SDL_SetHint(SDL_HINT_EMSCRIPTEN_KEYBOARD_ELEMENT, "#canvas");
  // The browser hands a page its gamepads only while it is shown; SDL's own idea of the
  // window's focus (which a touch on the page's controls can take away) does not count.
  SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
#endif
  const bool driverNamed = NonEmptyEnv("SDL_VIDEODRIVER");
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return std::string("cannot start video: ") + SDL_GetError();
  videoUp_ = true;
  // What is open is closed again (the reason is read before).
  const auto fail = [this](std::string reason) {
    CloseDisplay();
    return reason;
  };
  const char* driver = SDL_GetCurrentVideoDriver();
  if (!driverNamed && IsHeadlessDriver(driver))
    return fail(std::string("no display to open the window on (SDL fell back to the '") + driver +
                "' driver); run it on a desktop, or name a video driver in SDL_VIDEODRIVER");
  if ((IMG_Init(IMG_INIT_PNG) & IMG_INIT_PNG) == 0) Report("PNG support did not start: %s", IMG_GetError());
  // Game controllers, those plugged in now and later (SDL's own table of their layouts).
#ifdef __EMSCRIPTEN__
  // Where there is no Gamepad API (node, which runs the engine's tests, has no navigator at
  // all) SDL's joystick driver would throw: no controllers there.
  const bool gamepads =
      emscripten_run_script_int("typeof navigator !== 'undefined' && typeof navigator.getGamepads === 'function'");
#else
  const bool gamepads = true;
#endif
  controllersUp_ = gamepads && SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) == 0;
  if (!controllersUp_) Report("game controllers cannot be used: %s", SDL_GetError());
  // A stop that came meanwhile ends the opening between its steps (the caller closes what
  // is open): each takes a while, the renderer's most.
  if (StopRequested()) return {};

  // One window, made hidden and already fit for an OpenGL renderer: a GL
  // renderer on a plain window would destroy it and make another, and a close
  // request sent to the first would be lost. Shown once the renderer exists.
  // Resizable: the player may make the window any size, maximise it or make it fill the
  // screen; the field keeps its shape in the middle, with bars beside or above it, and is
  // drawn at the window's own pixel size. In a page the canvas takes the size the page
  // gives it (times the display's pixel ratio).
  Uint32 windowFlags = SDL_WINDOW_ALLOW_HIGHDPI | SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE;
  if (settings_.fullScreen) windowFlags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
  const char* title = kCaptionShown ? settings_.caption.c_str() : nullptr;
  window_ = SDL_CreateWindow(title, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                             settings_.width, settings_.height, windowFlags | SDL_WINDOW_OPENGL);
  // Without OpenGL (the dummy driver, no GL library) the software renderer draws into a plain window.
  if (!window_)
    window_ = SDL_CreateWindow(title, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                               settings_.width, settings_.height, windowFlags);
  if (!window_) return fail(std::string("cannot create the window: ") + SDL_GetError());
  if (StopRequested()) return {};
  const Uint32 sync = settings_.vsync ? SDL_RENDERER_PRESENTVSYNC : 0;
  renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_ACCELERATED | sync);
  if (!renderer_) renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE | sync);
#ifdef __EMSCRIPTEN__
  // A browser without WebGL: the picture then comes from SDL's own framebuffer, as many
  // pixels as the canvas's CSS size, and would fill only a corner of a canvas of the
  // display's pixels. The canvas gets no more pixels than it shows.
  SDL_RendererInfo made;
  if (renderer_ && SDL_GetRendererInfo(renderer_, &made) == 0 && (made.flags & SDL_RENDERER_SOFTWARE) &&
      (windowFlags & SDL_WINDOW_ALLOW_HIGHDPI)) {
    SDL_DestroyRenderer(renderer_);
    SDL_DestroyWindow(window_);
    windowFlags &= ~Uint32(SDL_WINDOW_ALLOW_HIGHDPI);
    window_ = SDL_CreateWindow(title, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, settings_.width,
                               settings_.height, windowFlags);
    renderer_ = window_ ? SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE | sync) : nullptr;
  }
#endif
  if (!renderer_) return fail(std::string("cannot create the renderer: ") + SDL_GetError());
  // The field in the middle of any window, its shape kept, the mouse mapped back onto it:
  // high-density displays and resized windows scale the picture and the mouse alike.
  SDL_RenderSetLogicalSize(renderer_, settings_.width, settings_.height);
#ifndef __EMSCRIPTEN__
  SDL_SetWindowMinimumSize(window_, kSmallestSide * settings_.width / settings_.height, kSmallestSide);
#endif
  SDL_ShowCursor(settings_.cursor ? SDL_ENABLE : SDL_DISABLE);
#ifdef __EMSCRIPTEN__
  // No text is typed into the game: its keys are not handed on to the page as typing.
  SDL_StopTextInput();
#endif

  SDL_RendererInfo info;
  vsyncClaimed_ = SDL_GetRendererInfo(renderer_, &info) == 0 && (info.flags & SDL_RENDERER_PRESENTVSYNC) &&
                  !IsHeadlessDriver(driver);
  SDL_DisplayMode mode;
  const int display = SDL_GetWindowDisplayIndex(window_);
  refreshHz_ = display >= 0 && SDL_GetCurrentDisplayMode(display, &mode) == 0 ? mode.refresh_rate : 0;

  batch.Attach(renderer_);
  assets.SetRenderer(renderer_);
  input.Reset();
  input.SetField(settings_.width, settings_.height);
  SDL_ShowWindow(window_);
  return {};
}

void Engine::CloseDisplay() {
  input.Reset();  // closes the controllers
  if (controllersUp_ && !keepVideoAtExit_) {
    SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
    controllersUp_ = false;
  }
  batch.Detach();
  assets.ReleaseAll();
  assets.SetRenderer(nullptr);
  if (renderer_) SDL_DestroyRenderer(renderer_);
  if (window_) SDL_DestroyWindow(window_);
  renderer_ = nullptr;
  window_ = nullptr;
  if (videoUp_ && !keepVideoAtExit_) {
    IMG_Quit();
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    videoUp_ = false;
  }
}

bool Engine::PumpEvents() {
  SDL_Event event;
  while (SDL_PollEvent(&event)) HandleEvent(event);
  if (StopRequested()) quit_ = true;
  return !quit_;
}

void Engine::HandleEvent(const SDL_Event& event) {
  input.Handle(event);
  switch (event.type) {
    case SDL_QUIT: quit_ = true; break;
    case SDL_KEYDOWN:
      if (IsFullScreenToggle(event.key)) ToggleFullScreen();
      break;
    // The renderer lost its textures or its back buffer: what is on screen is gone.
    case SDL_RENDER_TARGETS_RESET:
    case SDL_RENDER_DEVICE_RESET: redraw_ = true; break;
    case SDL_WINDOWEVENT:
      switch (event.window.event) {
        case SDL_WINDOWEVENT_CLOSE: quit_ = true; break;
        case SDL_WINDOWEVENT_HIDDEN: hidden_ = true; break;
        case SDL_WINDOWEVENT_MINIMIZED: minimised_ = true; break;
        case SDL_WINDOWEVENT_SHOWN: hidden_ = false, redraw_ = true; break;
        case SDL_WINDOWEVENT_RESTORED:
        case SDL_WINDOWEVENT_MAXIMIZED: minimised_ = false, redraw_ = true; break;
        case SDL_WINDOWEVENT_EXPOSED:
        case SDL_WINDOWEVENT_SIZE_CHANGED:
        case SDL_WINDOWEVENT_DISPLAY_CHANGED: redraw_ = true; break;
        default: break;
      }
      break;
    default: break;
  }
}

std::string Engine::Run(Clock& clock, std::optional<uint64_t> framePeriod) {
  if (running_) {
    Report("zgl_Init: the loop is already running; ignored");
    return {};
  }
  // Watched before the display opens, which takes a while: a stop asked for
  // meanwhile still ends the game in order, before any window or callback.
  TakeStopSignals();
  std::string reason = StopRequested() ? std::string() : OpenDisplay();
  if (StopRequested()) {
    SetStopPhase(StopPhase::kClosing);
    CloseDisplay();
    GiveBackStopSignals(keepVideoAtExit_);
    return {};
  }
  if (!reason.empty()) {
    GiveBackStopSignals(false);
    return reason;
  }
  running_ = true;
  quit_ = false;
  const Uint32 flags = SDL_GetWindowFlags(window_);
  hidden_ = (flags & SDL_WINDOW_HIDDEN) != 0;
  minimised_ = (flags & SDL_WINDOW_MINIMIZED) != 0;
  redraw_ = true;  // the first frame

  SetStopPhase(StopPhase::kLoading);
  if (onLoad_) onLoad_();
  SetStopPhase(StopPhase::kPlaying);
  // Ticks count from the end of loading: the load itself is not replayed.
  timers.SetFrequency(clock.Frequency());
  timers.Start(clock.Now());
#ifdef __EMSCRIPTEN__
  // In a page the browser owns the loop: each animation frame runs one step,
  // paced by the display. This never returns; the page ends the game.
  (void)framePeriod;
  loopClock_ = &clock;
  steeredAt_ = clock.Now();
  emscripten_set_main_loop_arg(&Engine::AnimationFrame, this, 0, 1);
#else
  FramePacer pacer;
  pacer.SetPeriod(framePeriod ? *framePeriod : PacingPeriod(clock.Frequency(), vsyncClaimed_, refreshHz_));
  // A stop signal does not always cut a wait short: wait no longer than this.
  const uint64_t longestWait = std::max<uint64_t>(1, clock.Frequency() / 20);
  SDL_Event event;
  // The wait looks for events before it blocks and returns the first that
  // comes: the rest are taken here, and nothing is looked for twice.
  bool unseenEvents = true;
  uint64_t steeredAt = clock.Now();
  for (;;) {
    if (unseenEvents) PumpEvents();
    unseenEvents = false;
    steeredAt = Steer(clock, steeredAt);
    if (StopRequested()) quit_ = true;
    if (quit_) break;
    if (timers.Advance(clock.Now()) > 0) redraw_ = true;
    const uint64_t now = clock.Now();
    const bool wanted = redraw_ && Visible();
    if (wanted && now >= pacer.NextStart()) {
      pacer.Started(now);
      DrawFrame();
      // A tick due already comes before any wait: its input must be taken now.
      unseenEvents = clock.Now() >= timers.NextDue();
      continue;
    }
    uint64_t wake = std::min(timers.NextDue(), now + longestWait);
    if (wanted) wake = std::min(wake, pacer.NextStart());
    unseenEvents = clock.WaitEvent(wake, &event);
    if (unseenEvents) HandleEvent(event);
  }
  Finish();
#endif
  return {};
}

bool IsFullScreenToggle(const SDL_KeyboardEvent& key) {
#ifdef __EMSCRIPTEN__
  // The browser's own keys: the page has a button of its own.
  (void)key;
  return false;
#else
  if (key.repeat) return false;
  const SDL_Scancode code = key.keysym.scancode;
  return code == SDL_SCANCODE_F11 ||
         ((code == SDL_SCANCODE_RETURN || code == SDL_SCANCODE_KP_ENTER) && (key.keysym.mod & KMOD_ALT) &&
          !(key.keysym.mod & (KMOD_CTRL | KMOD_SHIFT | KMOD_GUI)));
#endif
}

void Engine::ToggleFullScreen() {
  if (!window_) return;
  // The desktop's own mode, on the display the window is on: the screen is not switched.
  const bool full = (SDL_GetWindowFlags(window_) & SDL_WINDOW_FULLSCREEN) != 0;
  if (SDL_SetWindowFullscreen(window_, full ? 0 : SDL_WINDOW_FULLSCREEN_DESKTOP) != 0)
    Report("cannot %s full screen: %s", full ? "leave" : "go", SDL_GetError());
  redraw_ = true;
}

uint64_t Engine::Steer(Clock& clock, uint64_t since) {
  const uint64_t now = clock.Now();
  if (now <= since) return since;
  if (input.Steer(double(now - since) / double(clock.Frequency())) && renderer_) {
    // The system pointer follows, to the middle of the field's pixel.
    int x = 0, y = 0;
    SDL_RenderLogicalToWindow(renderer_, float(input.MouseX()) + 0.5f, float(input.MouseY()) + 0.5f, &x, &y);
    SDL_WarpMouseInWindow(window_, x, y);
  }
  return now;
}

void Engine::DrawFrame() {
  redraw_ = false;
  batch.BeginFrame();
  if (onDraw_) onDraw_();
  // Under vertical sync this waits for the display's refresh.
  batch.Present();
}

void Engine::Finish() {
  if (onExit_) onExit_();
  SetStopPhase(StopPhase::kClosing);
  CloseDisplay();
  GiveBackStopSignals(keepVideoAtExit_);
  running_ = false;
}

#ifdef __EMSCRIPTEN__
void Engine::AnimationFrame(void* self) {
  Engine& e = *static_cast<Engine*>(self);
  e.PumpEvents();
  if (e.quit_) {
    emscripten_cancel_main_loop();
    e.Finish();
    return;
  }
  e.steeredAt_ = e.Steer(*e.loopClock_, e.steeredAt_);
  // A tab in the background gets no frames; when it is back, the ticks it
  // missed are made up to the timers' backlog bound, then one frame shows them.
  if (e.timers.Advance(e.loopClock_->Now()) > 0) e.redraw_ = true;
  if (e.redraw_ && e.Visible()) e.DrawFrame();
}
#endif

void Engine::ResetRegistrations() {
  settings_ = Settings{};
  onLoad_ = onDraw_ = onExit_ = nullptr;
  timers.Clear();
}

}  // namespace engine
