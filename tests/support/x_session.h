// SPDX-License-Identifier: Zlib
// The player's side of the screen: a private Xvfb server, the windows on it,
// real input through the XTest extension and real pixels through XGetImage.
#pragma once

#include <X11/Xlib.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "picture.h"
#include "child_process.h"
#include "screen.h"

namespace e2e {

// An Xvfb server on a free display number, answering before the constructor returns; with a
// window manager (openbox) that has taken the screen, when asked.
class VirtualDisplay {
 public:
  explicit VirtualDisplay(const std::string& screen = "1024x768x24", bool windowManager = false);
  ~VirtualDisplay();
  const std::string& name() const { return name_; }  // ":N"
  pid_t pid() const { return server_.pid(); }

 private:
  Process server_, manager_;
  std::string name_;
};

struct WindowInfo {
  Window id = 0;
  std::string name;
  int x = 0, y = 0, width = 0, height = 0;  // in root coordinates
  bool viewable = false;
};

// One client connection, used by a test to look at and drive the game.
class XSession {
 public:
  explicit XSession(const std::string& display);
  ~XSession();
  XSession(const XSession&) = delete;
  XSession& operator=(const XSession&) = delete;

  // Every window below the root, depth first, with WM_NAME or _NET_WM_NAME.
  std::vector<WindowInfo> AllWindows();
  std::optional<WindowInfo> FindWindow(const std::string& name);
  std::optional<WindowInfo> WaitForWindow(const std::string& name, std::chrono::milliseconds timeout);
  WindowInfo Now(const WindowInfo& w);  // where the window is now, and its size
  void Resize(const WindowInfo& w, int width, int height);

  // Watching top-level windows as they are created, so that even a short-lived
  // window is noticed.
  void WatchCreations();
  std::vector<Window> CreatedSinceWatch();  // drains pending events
  std::vector<Window> MappedSinceWatch();   // likewise, the windows mapped (shown)
  std::string NameOf(Window w);

  // The window's contents as 0xRRGGBB pixels; the time stamp is taken halfway
  // through the round trip. With rows > 0, only that band from row `top` down: quicker,
  // for a test that samples one part of the window many times a second.
  Picture Capture(const WindowInfo& w, int top = 0, int rows = 0);

  void Focus(const WindowInfo& w);
  void MovePointer(const WindowInfo& w, int x, int y);  // window coordinates
  void Click(const WindowInfo& w, int x, int y);  // the left button, at window coordinates
  void Key(const std::string& keysym, bool down);
  void ReleaseAllKeys();
  void CloseWindow(const WindowInfo& w);  // WM_DELETE_WINDOW, as a window manager sends it
  // As a window manager does on minimising the window and restoring it.
  void Unmap(const WindowInfo& w);
  void Map(const WindowInfo& w);
  void KillClientOf(Window w);

 private:
  Display* dpy_ = nullptr;
  bool watching_ = false;
  void DrainWatch();
  std::vector<Window> created_, mapped_;
  std::vector<std::string> held_;
};

// One window of a session, as the screen a play test looks at: the field in it, whatever
// size the window has now.
class XWindowScreen : public Screen {
 public:
  XWindowScreen(XSession& x, const WindowInfo& window) : x_(x), window_(window) {}
  Picture Capture(int top, int rows) override {
    const WindowInfo w = x_.Now(window_);
    if (w.width == 800 && w.height == 600) return x_.Capture(w, top, rows);
    return FieldOf(x_.Capture(w), top, rows);
  }
  void Key(const std::string& key, bool down) override { x_.Key(key, down); }
  void MovePointer(int x, int y) override {
    const WindowInfo w = x_.Now(window_);
    const FieldPlace f = FieldPlace::In(w.width, w.height);
    x_.MovePointer(w, f.ShownX(x), f.ShownY(y));
  }

 private:
  XSession& x_;
  WindowInfo window_;
};

}  // namespace e2e
