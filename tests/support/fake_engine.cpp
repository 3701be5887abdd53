// SPDX-License-Identifier: Zlib
// One double of the engine in two builds: linked into a test binary it binds
// the game's table directly (Install); built as a shared library
// (FAKE_SHARED) it exports the 24 names for LoadEngine and writes each call
// to the file named by FAKE_ZGL_LOG.
#include "fake_engine.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <type_traits>

#include "engine/geometry.h"

#ifdef FAKE_SHARED
#include <dlfcn.h>
#include <unistd.h>
#else
#include "shell/zglHeader.h"
#endif

// Text form of an engine call, "name(arg,arg,...)", so that tests compare calls as plain strings.
namespace callfmt {
namespace {

void Put(std::string& s, bool v) { s += v ? "1" : "0"; }
template <class T>
  requires std::is_integral_v<T>
void Put(std::string& s, T v) {
  s += std::to_string(int64_t(v));
}
void Put(std::string& s, float v) {
  char b[32];
  std::snprintf(b, sizeof b, "%.9g", double(v));
  s += b;
}
void Put(std::string& s, const char* v) { s += v ? v : "(null)"; }
void Put(std::string& s, zglProc p) { s += p ? "proc" : "(null)"; }
void Put(std::string& s, Texture* t) { s += "tex" + std::to_string(uintptr_t(t)); }
void Put(std::string& s, Texture** t) {
  s += "&";
  Put(s, t ? *t : nullptr);
}
// A run of points is named by its first point: for a cone, the caster's centre.
void Put(std::string& s, const Point2D* p) {
  s += "[";
  if (p) Put(s, p->X), s += ";", Put(s, p->Y);
  s += "]";
}
void Put(std::string& s, Point2D*) { s += "out"; }
// A shape by its fields, "{a;b;...}".
template <class... F>
void PutFields(std::string& s, F... fields) {
  const char* between = "{";
  ((s += between, Put(s, fields), between = ";"), ...);
  s += "}";
}
void Put(std::string& s, const Rect2D* r) { PutFields(s, r->X, r->Y, r->W, r->H); }
void Put(std::string& s, const Circle2D* c) { PutFields(s, c->CX, c->CY, c->Radius); }
void Put(std::string& s, const Line2D* l) { PutFields(s, l->X0, l->Y0, l->X1, l->Y1); }

template <class... A>
std::string Format(const char* name, const A&... args) {
  std::string s = name;
  s += '(';
  bool first = true;
  (((first ? void() : void(s += ',')), Put(s, args), first = false), ...);
  s += ')';
  return s;
}

}  // namespace
}  // namespace callfmt

namespace fake {

Engine engine;

namespace {

#ifdef FAKE_SHARED
FILE* logFile = nullptr;
char lastLine[256];

void Log(const std::string& line) {
  if (!logFile) return;
  // Runs of one geometry test collapse into one line.
  if (line.compare(0, std::string::npos, lastLine) == 0) return;
  std::snprintf(lastLine, sizeof lastLine, "%s", line.c_str());
  std::fprintf(logFile, "%s\n", line.c_str());
  std::fflush(logFile);
}

bool IsGeometry(int op) {
  return op == op_col2d_Rect || op == op_col2d_RectVsCircle || op == op_col2d_LineVsRect ||
         op == op_col2d_LineVsCircle || op == op_m_Angle || op == op_m_Distance;
}

__attribute__((constructor)) void OpenLog() {
  const char* path = std::getenv("FAKE_ZGL_LOG");
  // The game tries the library in a child process first: only the game's own loading is logged.
  const char* game = std::getenv("FAKE_ZGL_PID");
  if (!path || (game && std::to_string(getpid()) != game)) return;
  logFile = std::fopen(path, "a");
  Dl_info info{};
  dladdr(reinterpret_cast<void*>(&OpenLog), &info);
  // The game hands the loader /proc/<pid>/fd/<n> of its private copy of the file it
  // checked, a memory file named after that file ("/memfd:<path> (deleted)").
  std::string file = "?";
  char link[4096];
  const ssize_t n = info.dli_fname ? readlink(info.dli_fname, link, sizeof link - 1) : -1;
  if (n > 0) file.assign(link, size_t(n));
  if (file.rfind("/memfd:", 0) == 0) file = file.substr(7, file.rfind(" (deleted)") - 7);
  Log("loaded " + file);
}
#endif

struct Recorder {
  int op;
  const char* name;
  template <class... A>
  void operator()(const A&... args) const {
    ++engine.counts[size_t(op)];
#ifdef FAKE_SHARED
    Log(IsGeometry(op) ? std::string(name) : callfmt::Format(name, args...));
#else
    if (engine.record) engine.calls.push_back(callfmt::Format(name, args...));
#endif
  }
};

Texture* NewTexture() { return engine.failLoads ? nullptr : reinterpret_cast<Texture*>(engine.nextHandle++); }

void Impl_zgl_Reg(uint32_t code, zglProc proc) {
  if (code == zgl::kRegLoad) engine.onLoad = proc;
  if (code == zgl::kRegDraw) engine.onDraw = proc;
  if (code == zgl::kRegExit) engine.onExit = proc;
}
void* Impl_timer_Add(zglProc proc, uint32_t) {
  engine.onTimer = proc;
  return &engine;
}
void Impl_wnd_SetCaption(const char*) {}
bool Impl_scr_SetOptions(uint16_t, uint16_t, uint16_t, bool, bool) { return true; }
void Impl_wnd_ShowCursor(bool) {}
void Impl_zgl_Init(uint8_t, uint8_t) {
  int ticks = 0;
#ifdef FAKE_SHARED
  // A short scripted session: D held throughout, E pressed in the second tick.
  const char* count = std::getenv("FAKE_ZGL_TICKS");
  ticks = count ? std::atoi(count) : 3;
  engine.mouseX = 400, engine.mouseY = 300;
  engine.down[32] = true;
#endif
  if (engine.onLoad) engine.onLoad();
  for (int t = 0; t < ticks; ++t) {
#ifdef FAKE_SHARED
    engine.pressed[18] = t == 1;
#endif
    if (engine.onTimer) engine.onTimer();
    if (engine.onDraw) engine.onDraw();
  }
  if (engine.onExit) engine.onExit();
}
bool Impl_key_Down(uint8_t key) { return engine.down[key]; }
bool Impl_key_Press(uint8_t key) { return engine.pressed[key]; }
void Impl_key_ClearState() { engine.pressed.fill(false); }
void Impl_mouse_ClearState() {}
int32_t Impl_mouse_X() { return engine.mouseX; }
int32_t Impl_mouse_Y() { return engine.mouseY; }
Texture* Impl_tex_LoadFromFile(const char*, uint32_t, uint32_t) { return NewTexture(); }
void Impl_tex_SetFrameSize(Texture**, uint16_t, uint16_t) {}
Font* Impl_font_LoadFromFile(const char*) {
  return engine.failLoads ? nullptr : reinterpret_cast<Font*>(engine.nextHandle++);
}
void Impl_pr2d_Rect(float, float, float, float, uint32_t, uint8_t, uint32_t) {}
void Impl_pr2d_Circle(float, float, float, uint32_t, uint8_t, uint16_t, uint32_t) {}
void Impl_pr2d_TriList(Texture*, const Point2D*, const Point2D*, int32_t, int32_t, uint32_t, uint8_t,
                       uint32_t) {}
bool Impl_col2d_Rect(const Rect2D* a, const Rect2D* b) { return geo::RectVsRect(*a, *b); }
bool Impl_col2d_RectVsCircle(const Rect2D* r, const Circle2D* c) { return geo::RectVsCircle(*r, *c); }
bool Impl_col2d_LineVsRect(const Line2D* l, const Rect2D* r, Point2D* crossing) {
  return geo::LineVsRect(*l, *r, crossing);
}
bool Impl_col2d_LineVsCircle(const Line2D* l, const Circle2D* c) { return geo::LineVsCircle(*l, *c); }
float Impl_m_Angle(float x1, float y1, float x2, float y2) { return geo::Angle(x1, y1, x2, y2); }
float Impl_m_Distance(float x1, float y1, float x2, float y2) { return geo::Distance(x1, y1, x2, y2); }

}  // namespace

#define FAKE_ENTRY(ret, name, params, args) \
  ret Fake_##name params {                  \
    Recorder{op_##name, #name} args;        \
    return Impl_##name args;                \
  }
ZGL_OPERATIONS(FAKE_ENTRY)
#undef FAKE_ENTRY

#ifndef FAKE_SHARED
void Install() {
  engine = Engine{};
#define FAKE_BIND(ret, name, params, args) zgl::api.name = &Fake_##name;
  ZGL_OPERATIONS(FAKE_BIND)
#undef FAKE_BIND
}

std::vector<std::string> CallsStartingWith(const std::string& prefix) {
  std::vector<std::string> out;
  for (const std::string& c : engine.calls)
    if (c.compare(0, prefix.size(), prefix) == 0) out.push_back(c);
  return out;
}

std::vector<std::string> CallNames() {
  std::vector<std::string> out;
  for (const std::string& c : engine.calls) out.push_back(c.substr(0, c.find('(')));
  return out;
}
#endif

}  // namespace fake

#ifdef FAKE_SHARED
// The exported names. A build that defines one name as another (for example
// -Dm_Distance=m_Distance_absent) lacks that entry point.
#define FAKE_EXPORT(ret, name, params, args) \
  extern "C" __attribute__((visibility("default"))) ret name params { return fake::Fake_##name args; }
ZGL_OPERATIONS(FAKE_EXPORT)
#undef FAKE_EXPORT
#endif
