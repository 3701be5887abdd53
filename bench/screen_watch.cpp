// SPDX-License-Identifier: Zlib
#include "screen_watch.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace screenwatch {

namespace {

constexpr unsigned kWidth = 800;
constexpr unsigned kHeight = 600;

// A window may vanish between being listed and being read; that is no error here.
int IgnoreErrors(Display*, XErrorEvent*) { return 0; }

}  // namespace

bool Watch::Open() {
  display_ = XOpenDisplay(nullptr);
  if (!display_) return false;
  XSetErrorHandler(IgnoreErrors);
  return true;
}

Watch::~Watch() {
  if (display_) XCloseDisplay(display_);
}

bool Watch::FindWindow() {
  Window root = DefaultRootWindow(display_), parent = 0, *children = nullptr;
  unsigned count = 0;
  if (!XQueryTree(display_, root, &root, &parent, &children, &count)) return false;
  bool found = false;
  for (unsigned i = count; i-- > 0 && !found;) {  // topmost first
    XWindowAttributes a;
    if (!XGetWindowAttributes(display_, children[i], &a)) continue;
    if (a.map_state != IsViewable || unsigned(a.width) != kWidth ||
        unsigned(a.height) != kHeight)
      continue;
    Window child = 0;
    if (!XTranslateCoordinates(display_, children[i], root, 0, 0, &x_, &y_, &child)) continue;
    window_ = children[i];
    found = true;
  }
  if (children) XFree(children);
  return found;
}

bool Watch::FrameShown() {
  if (!window_ && !FindWindow()) return false;
  // Read through the root window: it always matches the screen's format,
  // whatever visual the program chose for its own window.
  XImage* row = XGetImage(display_, DefaultRootWindow(display_), x_, y_ + int(kHeight / 2),
                          kWidth, 1, AllPlanes, ZPixmap);
  if (!row) {
    window_ = 0;  // gone or moved: look for it again next time
    return false;
  }
  bool drawn = false;
  for (unsigned x = 0; x < kWidth && !drawn; ++x) drawn = (XGetPixel(row, int(x), 0) & 0xFFFFFF) != 0;
  XDestroyImage(row);
  return drawn;
}

bool Watch::Unmap() {
  if (!window_ && !FindWindow()) return false;
  XUnmapWindow(display_, window_);
  XSync(display_, False);
  window_ = 0;
  return true;
}

}  // namespace screenwatch
