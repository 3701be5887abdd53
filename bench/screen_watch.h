// SPDX-License-Identifier: Zlib
// Watches an X display from outside a program for the moment its 800 x 600
// window first shows a drawn frame: the first time a row across the window's
// middle holds a pixel that is not black. Engines clear to black before a
// frame, so black is what a window shows until its first frame is presented.
#pragma once

struct _XDisplay;

namespace screenwatch {

class Watch {
 public:
  // Connects to $DISPLAY; false when there is none.
  bool Open();
  ~Watch();
  // True once an 800 x 600 window is mapped and shows something not black.
  bool FrameShown();
  // Unmaps that window, as a window manager does when the player minimises
  // it; false while there is no such window.
  bool Unmap();

 private:
  bool FindWindow();

  _XDisplay* display_ = nullptr;
  unsigned long window_ = 0;
  int x_ = 0, y_ = 0;  // the window's place on the root window
};

}  // namespace screenwatch
