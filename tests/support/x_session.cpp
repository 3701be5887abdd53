// SPDX-License-Identifier: Zlib
#include "x_session.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <thread>
#include <utility>

namespace e2e {

namespace {

// Xlib's default handler ends the process on a BadWindow, which a window that
// closes while we look at it produces routinely.
int IgnoreXErrors(Display*, XErrorEvent*) { return 0; }

// A window's property of that name as bytes; empty when it has none (or it is of another type).
std::string Property(Display* dpy, Window w, const char* name, Atom type) {
  Atom actual;
  int format;
  unsigned long n = 0, after;
  unsigned char* data = nullptr;
  XGetWindowProperty(dpy, w, XInternAtom(dpy, name, False), 0, 1024, False, type, &actual, &format, &n, &after,
                     &data);
  const std::string bytes = data ? std::string(reinterpret_cast<char*>(data), n) : "";
  if (data) XFree(data);
  return bytes;
}

// Where the window is now, and its size; false when it is gone.
bool Locate(Display* dpy, WindowInfo* w) {
  XWindowAttributes a;
  Window child;
  if (!XGetWindowAttributes(dpy, w->id, &a)) return false;
  XTranslateCoordinates(dpy, w->id, DefaultRootWindow(dpy), 0, 0, &w->x, &w->y, &child);
  w->width = a.width, w->height = a.height;
  w->viewable = a.map_state == IsViewable;
  return true;
}

std::string ReadLineWithTimeout(int fd, milliseconds timeout) {
  std::string line;
  auto end = Clock::now() + timeout;
  while (Clock::now() < end) {
    pollfd p{fd, POLLIN, 0};
    int left = int(std::chrono::duration_cast<milliseconds>(end - Clock::now()).count());
    if (poll(&p, 1, std::max(left, 1)) <= 0) continue;
    char c;
    ssize_t n = read(fd, &c, 1);
    if (n <= 0) break;
    if (c == '\n') return line;
    line += c;
  }
  return line;
}

}  // namespace

VirtualDisplay::VirtualDisplay(const std::string& screen, bool windowManager) {
  XSetErrorHandler(IgnoreXErrors);
  // Xvfb picks a free display number itself and writes it once it accepts clients.
  for (int attempt = 0; attempt < 3 && name_.empty(); ++attempt) {
    int fds[2];
    if (pipe(fds) != 0) throw std::runtime_error("pipe failed");
    SpawnOptions o;
    o.argv = {"/usr/bin/Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", screen, "-nolisten", "tcp", "-noreset"};
    o.env = CleanEnvironment();
    o.inheritFd = fds[1];
    server_ = Process(o);
    close(fds[1]);
    std::string number = ReadLineWithTimeout(fds[0], milliseconds(15000));
    close(fds[0]);
    if (number.empty() || !server_.Running()) continue;
    std::string name = ":" + number;
    if (Display* d = XOpenDisplay(name.c_str())) {
      XCloseDisplay(d);
      name_ = name;
    }
  }
  if (name_.empty()) throw std::runtime_error("could not start Xvfb (is the xvfb package installed?)");
  if (!windowManager) return;
  SpawnOptions o;
  o.argv = {"/usr/bin/openbox", "--sm-disable"};
  o.env = CleanEnvironment();
  o.env["DISPLAY"] = name_;
  o.stderrPath = "/dev/null";
  manager_ = Process(o);
  // It has taken the screen once the root names the window that says which manager it is.
  Display* d = XOpenDisplay(name_.c_str());
  for (auto until = Clock::now() + milliseconds(30000); manager_.Running();
       std::this_thread::sleep_for(milliseconds(20))) {
    if (Clock::now() > until) manager_.KillGroup();
    if (!Property(d, DefaultRootWindow(d), "_NET_SUPPORTING_WM_CHECK", AnyPropertyType).empty()) break;
  }
  XCloseDisplay(d);
  if (manager_.Running()) return;
  server_.KillGroup();
  throw std::runtime_error("openbox did not take the screen (is the openbox package installed?)");
}

VirtualDisplay::~VirtualDisplay() {
  manager_.KillGroup();
  server_.Signal(SIGTERM);
  if (!server_.Wait(milliseconds(3000))) server_.KillGroup();
}

XSession::XSession(const std::string& display) {
  XSetErrorHandler(IgnoreXErrors);
  dpy_ = XOpenDisplay(display.c_str());
  if (!dpy_) throw std::runtime_error("cannot open display " + display);
  int ev, err, major, minor;
  if (!XTestQueryExtension(dpy_, &ev, &err, &major, &minor))
    throw std::runtime_error("the X server lacks the XTEST extension");
}

XSession::~XSession() {
  ReleaseAllKeys();
  XCloseDisplay(dpy_);
}

std::string XSession::NameOf(Window w) {
  std::string name = Property(dpy_, w, "_NET_WM_NAME", XInternAtom(dpy_, "UTF8_STRING", False));
  char* wmName = nullptr;
  if (name.empty() && XFetchName(dpy_, w, &wmName) && wmName) {
    name = wmName;
    XFree(wmName);
  }
  return name;
}

std::vector<WindowInfo> XSession::AllWindows() {
  std::vector<WindowInfo> out;
  std::vector<Window> stack{DefaultRootWindow(dpy_)};
  Window root = stack[0];
  while (!stack.empty()) {
    Window w = stack.back();
    stack.pop_back();
    Window r, parent, *kids = nullptr;
    unsigned n = 0;
    if (!XQueryTree(dpy_, w, &r, &parent, &kids, &n)) continue;
    for (unsigned i = 0; i < n; ++i) stack.push_back(kids[i]);
    if (kids) XFree(kids);
    WindowInfo info{w, NameOf(w)};
    if (w != root && Locate(dpy_, &info)) out.push_back(info);
  }
  return out;
}

std::optional<WindowInfo> XSession::FindWindow(const std::string& name) {
  for (auto& w : AllWindows())
    if (w.name == name && w.viewable) return w;
  return std::nullopt;
}

std::optional<WindowInfo> XSession::WaitForWindow(const std::string& name, milliseconds timeout) {
  auto end = Clock::now() + timeout;
  do {
    if (auto w = FindWindow(name)) return w;
    std::this_thread::sleep_for(milliseconds(20));
  } while (Clock::now() < end);
  return std::nullopt;
}

WindowInfo XSession::Now(const WindowInfo& w) {
  WindowInfo now = w;
  Locate(dpy_, &now);
  return now;
}

void XSession::Resize(const WindowInfo& w, int width, int height) {
  XResizeWindow(dpy_, w.id, unsigned(width), unsigned(height));
  XSync(dpy_, False);
}

void XSession::WatchCreations() {
  XSelectInput(dpy_, DefaultRootWindow(dpy_), SubstructureNotifyMask);
  XSync(dpy_, False);
  watching_ = true;
}

// Both kinds of event come from the one queue; each is kept until asked for.
void XSession::DrainWatch() {
  XSync(dpy_, False);
  while (XPending(dpy_)) {
    XEvent e;
    XNextEvent(dpy_, &e);
    if (e.type == CreateNotify) created_.push_back(e.xcreatewindow.window);
    if (e.type == MapNotify) mapped_.push_back(e.xmap.window);
  }
}

std::vector<Window> XSession::CreatedSinceWatch() {
  DrainWatch();
  return std::exchange(created_, {});
}

std::vector<Window> XSession::MappedSinceWatch() {
  DrainWatch();
  return std::exchange(mapped_, {});
}

Picture XSession::Capture(const WindowInfo& w, int top, int rows) {
  if (rows <= 0) top = 0, rows = w.height;
  auto before = Clock::now();
  XImage* img = XGetImage(dpy_, w.id, 0, top, unsigned(w.width), unsigned(rows), AllPlanes, ZPixmap);
  // A window whose children have a visual of their own (Wine's, once resized) is read from
  // the screen where it is shown.
  if (!img)
    img = XGetImage(dpy_, DefaultRootWindow(dpy_), w.x, w.y + top, unsigned(w.width), unsigned(rows), AllPlanes,
                    ZPixmap);
  auto after = Clock::now();
  Picture p;
  p.time = before + (after - before) / 2;
  if (!img) return p;
  p.width = w.width, p.height = rows;
  p.pixels.resize(size_t(p.width) * size_t(p.height));
  const bool fast = img->bits_per_pixel == 32 && img->red_mask == 0xFF0000 && img->green_mask == 0xFF00 &&
                    img->blue_mask == 0xFF && img->byte_order == LSBFirst;
  for (int y = 0; y < p.height; ++y) {
    auto* row = reinterpret_cast<const uint32_t*>(img->data + size_t(y) * img->bytes_per_line);
    for (int x = 0; x < p.width; ++x)
      p.pixels[size_t(y) * p.width + x] = (fast ? row[x] : uint32_t(XGetPixel(img, x, y))) & 0xFFFFFFu;
  }
  XDestroyImage(img);
  return p;
}

void XSession::Focus(const WindowInfo& w) {
  XRaiseWindow(dpy_, w.id);
  XSetInputFocus(dpy_, w.id, RevertToPointerRoot, CurrentTime);
  XSync(dpy_, False);
}

void XSession::MovePointer(const WindowInfo& w, int x, int y) {
  XTestFakeMotionEvent(dpy_, DefaultScreen(dpy_), w.x + x, w.y + y, CurrentTime);
  XSync(dpy_, False);
}

void XSession::Click(const WindowInfo& w, int x, int y) {
  MovePointer(w, x, y);
  XTestFakeButtonEvent(dpy_, 1, True, CurrentTime);
  XTestFakeButtonEvent(dpy_, 1, False, CurrentTime);
  XSync(dpy_, False);
}

void XSession::Key(const std::string& keysym, bool down) {
  KeySym sym = XStringToKeysym(keysym.c_str());
  KeyCode code = sym == NoSymbol ? 0 : XKeysymToKeycode(dpy_, sym);
  if (!code) throw std::runtime_error("no key code for " + keysym);
  XTestFakeKeyEvent(dpy_, code, down ? True : False, CurrentTime);
  XSync(dpy_, False);
  auto it = std::find(held_.begin(), held_.end(), keysym);
  if (down && it == held_.end()) held_.push_back(keysym);
  if (!down && it != held_.end()) held_.erase(it);
}

void XSession::ReleaseAllKeys() {
  auto held = held_;
  for (auto& k : held) Key(k, false);
}

void XSession::CloseWindow(const WindowInfo& w) {
  XEvent e{};
  e.xclient.type = ClientMessage;
  e.xclient.window = w.id;
  e.xclient.message_type = XInternAtom(dpy_, "WM_PROTOCOLS", False);
  e.xclient.format = 32;
  e.xclient.data.l[0] = long(XInternAtom(dpy_, "WM_DELETE_WINDOW", False));
  e.xclient.data.l[1] = CurrentTime;
  XSendEvent(dpy_, w.id, False, NoEventMask, &e);
  XSync(dpy_, False);
}

void XSession::Unmap(const WindowInfo& w) {
  XUnmapWindow(dpy_, w.id);
  XSync(dpy_, False);
}

void XSession::Map(const WindowInfo& w) {
  XMapRaised(dpy_, w.id);
  XSync(dpy_, False);
}

void XSession::KillClientOf(Window w) {
  XKillClient(dpy_, w);
  XSync(dpy_, False);
}

}  // namespace e2e
