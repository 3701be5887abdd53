// SPDX-License-Identifier: Zlib
// The page played in a browser: web_bridge.py serves the page's folder on 127.0.0.1 and
// drives Chromium headless, or Firefox or WebKitGTK on a private Xvfb; a test looks at the
// field in the canvas's own pixels and gives it keys and a pointer, as a player's would
// arrive, from the keyboard and mouse, from touches or from a gamepad.
#pragma once

#include <memory>
#include <string>

#include "child_process.h"
#include "screen.h"
#include "x_session.h"

namespace e2e {

class WebPage : public Screen {
 public:
  // A browser ("chromium", "firefox", "webkit") whose page is width x height CSS pixels at
  // the given device pixel ratio.
  explicit WebPage(const std::string& site, double pixelRatio = 1, int width = 1024, int height = 768,
                   const std::string& browser = "chromium");
  ~WebPage() override;
  WebPage(const WebPage&) = delete;
  WebPage& operator=(const WebPage&) = delete;

  void Open(const std::string& page);  // relative to the folder: "index.html?seed=7"
  std::string Eval(const std::string& script);  // the script's result as JSON
  std::string Log();                            // the browser's console since the last call
  void Click(int x, int y);                     // the left button (or a tap), in the game's pixels
  // The page's size from now on, as a window, a zoom or a phone (with touch) makes it.
  void Size(int width, int height, double pixelRatio, bool phone = false);
  // What the keys and the pointer that follow are given by: "keyboard", "touch" (the page's
  // stick and button, a finger on the field) or "pad" (a standard gamepad stubbed into the
  // page, asked for before the page is opened).
  void Hands(const std::string& hands) { Ask("input", hands); }

  Picture Capture(int top = 0, int rows = 0) override;
  void Key(const std::string& key, bool down) override;
  void MovePointer(int x, int y) override;
  bool Record(int top, int rows) override;
  std::vector<Picture> Recorded() override;

 private:
  std::string Ask(const std::string& command, const std::string& argument = "");
  std::unique_ptr<TempDir> dir_;
  std::unique_ptr<VirtualDisplay> display_;
  Process bridge_;
  int link_ = -1;
};

}  // namespace e2e
