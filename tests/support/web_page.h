// SPDX-License-Identifier: Zlib
// The page played in Chromium headless: web_bridge.py serves the page's folder on 127.0.0.1
// and drives the browser through WebDriver; a test looks at the canvas's own pixels and gives
// it WebDriver's keys and pointer, as a player's would arrive.
#pragma once

#include <memory>
#include <string>

#include "child_process.h"
#include "screen.h"

namespace e2e {

class WebPage : public Screen {
 public:
  // A browser window of width x height CSS pixels at the given device pixel ratio.
  explicit WebPage(const std::string& site, double pixelRatio = 1, int width = 900, int height = 780);
  ~WebPage() override;
  WebPage(const WebPage&) = delete;
  WebPage& operator=(const WebPage&) = delete;

  void Open(const std::string& page);  // relative to the folder: "index.html?seed=7"
  std::string Eval(const std::string& script);  // the script's result as JSON
  std::string Log();                            // the browser's console since the last call
  void Click(int x, int y);                     // the left button, in the canvas's pixels

  Picture Capture(int top = 0, int rows = 0) override;
  void Key(const std::string& key, bool down) override;
  void MovePointer(int x, int y) override;
  bool Record(int top, int rows) override;
  std::vector<Picture> Recorded() override;

 private:
  std::string Ask(const std::string& command, const std::string& argument = "");
  std::unique_ptr<TempDir> dir_;
  Process bridge_;
  int link_ = -1;
};

}  // namespace e2e
