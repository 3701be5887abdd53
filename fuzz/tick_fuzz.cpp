// SPDX-License-Identifier: Zlib
// Plays the game's own tick on random worlds with random keys and pointer
// positions, through the shell's callbacks and a stand-in engine that answers
// geometry exactly as the real library does. No sanitizer report, no NaN
// anywhere in the world, and the boxes always either carried or resting.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/geometry.h"
#include "objects/uBox.h"
#include "objects/uEnemy.h"
#include "objects/uHero.h"
#include "shell/uShell.h"
#include "shell/zglHeader.h"
#include "world/uRandom.h"
#include "world/uWorld.h"

namespace {

// What the player does in one tick.
struct Input {
  bool down[256] = {};
  bool pressed[256] = {};
  int32_t mouseX = 0, mouseY = 0;
} input;

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "tick fuzz: %s\n", what);
  std::abort();
}

bool Finite(float v) { return std::isfinite(v); }
void CheckPoint(const Point2D& p, const char* what) {
  if (!Finite(p.X) || !Finite(p.Y)) Fail(what);
}

// The stand-in engine. Drawing reads everything it is handed, as a renderer would.
void Reg(uint32_t, zglProc) {}
void* TimerAdd(zglProc, uint32_t) { return nullptr; }
void SetCaption(const char*) {}
bool SetOptions(uint16_t, uint16_t, uint16_t, bool, bool) { return true; }
void ShowCursor(bool) {}
void Init(uint8_t, uint8_t) {}
bool KeyDown(uint8_t k) { return input.down[k]; }
bool KeyPress(uint8_t k) { return input.pressed[k]; }
void KeyClear() { std::memset(input.pressed, 0, sizeof input.pressed); }
void MouseClear() {}
int32_t MouseX() { return input.mouseX; }
int32_t MouseY() { return input.mouseY; }
Texture* TexLoad(const char*, uint32_t, uint32_t) { return nullptr; }
void TexFrames(Texture** t, uint16_t, uint16_t) {
  if (!t) Fail("frame size set through a null reference");
}
Font* FontLoad(const char*) { return nullptr; }
void Rect(float x, float y, float w, float h, uint32_t, uint8_t, uint32_t) {
  if (!Finite(x) || !Finite(y) || !Finite(w) || !Finite(h)) Fail("rectangle drawn off the numbers");
}
void Circle(float x, float y, float r, uint32_t, uint8_t, uint16_t, uint32_t) {
  if (!Finite(x) || !Finite(y) || !Finite(r)) Fail("circle drawn off the numbers");
}
void TriList(Texture*, const Point2D* pts, const Point2D* uv, int32_t first, int32_t last, uint32_t,
             uint8_t, uint32_t) {
  if (first < 0 || last < first) Fail("triangle range upside down");
  // Every triangle with a point in first..last is drawn whole.
  for (int32_t i = first / 3 * 3; i < (last / 3 + 1) * 3; ++i) {
    CheckPoint(pts[i], "cone vertex not finite");
    CheckPoint(uv[i], "cone texture coordinate not finite");
  }
}
bool ColRect(const Rect2D* a, const Rect2D* b) { return geo::RectVsRect(*a, *b); }
bool ColRectCircle(const Rect2D* r, const Circle2D* c) { return geo::RectVsCircle(*r, *c); }
bool ColLineRect(const Line2D* l, const Rect2D* r, Point2D* p) { return geo::LineVsRect(*l, *r, p); }
bool ColLineCircle(const Line2D* l, const Circle2D* c) { return geo::LineVsCircle(*l, *c); }

void BindStandIn() {
  zgl::api = zgl::Table{};
  auto& a = zgl::api;
  a.zgl_Reg = Reg, a.timer_Add = TimerAdd, a.wnd_SetCaption = SetCaption;
  a.scr_SetOptions = SetOptions, a.wnd_ShowCursor = ShowCursor, a.zgl_Init = Init;
  a.key_Down = KeyDown, a.key_Press = KeyPress, a.key_ClearState = KeyClear;
  a.mouse_ClearState = MouseClear, a.mouse_X = MouseX, a.mouse_Y = MouseY;
  a.tex_LoadFromFile = TexLoad, a.tex_SetFrameSize = TexFrames, a.font_LoadFromFile = FontLoad;
  a.pr2d_Rect = Rect, a.pr2d_Circle = Circle, a.pr2d_TriList = TriList;
  a.col2d_Rect = ColRect, a.col2d_RectVsCircle = ColRectCircle;
  a.col2d_LineVsRect = ColLineRect, a.col2d_LineVsCircle = ColLineCircle;
  a.m_Angle = geo::Angle, a.m_Distance = geo::Distance;
}

class Reader {
 public:
  Reader(const uint8_t* data, size_t size) : p_(data), end_(data + size) {}
  bool more() const { return p_ < end_; }
  uint8_t Byte() { return p_ < end_ ? *p_++ : 0; }
  uint32_t U32() { return uint32_t(Byte()) | uint32_t(Byte()) << 8 | uint32_t(Byte()) << 16 | uint32_t(Byte()) << 24; }

 private:
  const uint8_t* p_;
  const uint8_t* end_;
};

void CheckObject(const TObj* o) {
  if (!Finite(o->Circle.CX) || !Finite(o->Circle.CY) || !Finite(o->Rect.X) || !Finite(o->Rect.Y))
    Fail("an object's place is not finite");
}

void CheckLiving(const TLiveObj* o) {
  CheckObject(o);
  if (!Finite(o->Angle)) Fail("a facing is not finite");
  for (auto& p : o->ViewTris) CheckPoint(p, "a cone point is not finite");
}

void CheckWorld() {
  CheckLiving(Hero);
  for (int i = 0; i < Enemies.Count(); ++i) CheckLiving(Enemies[i]);
  int resting = 0;
  for (int i = 0; i < Boxes.Count(); ++i) {
    TBox* b = Boxes[i];
    CheckObject(b);
    if (b->Held != (Hero->Carried == b)) Fail("a box held by nobody, or carried but not held");
    int inSolids = 0;
    for (int j = 0; j < Solids.Count(); ++j) inSolids += Solids[j] == b;
    if (inSolids != (b->Held ? 0 : 1)) Fail("a box in Solids while carried, or lost from it");
    resting += !b->Held;
  }
  if (Solids.Count() != 30 + resting) Fail("Solids lost or gained a member");
  if (Boxes.Count() != 7 || Enemies.Count() != 5) Fail("the population changed");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Reader in(data, size);
  BindStandIn();
  RandSeed(uint64_t(in.U32()) << 32 | in.U32());
  OnLoad();
  CheckWorld();
  constexpr uint8_t kKeys[] = {keys::W, keys::S, keys::A, keys::D, keys::E};
  for (int tick = 0; tick < 200 && in.more(); ++tick) {
    uint8_t bits = in.Byte();
    for (int k = 0; k < 5; ++k) input.down[kKeys[k]] = bits >> k & 1;
    input.pressed[keys::E] = bits >> 5 & 1;
    // Mostly over the window, sometimes anywhere an int32 reaches.
    if (bits >> 6 & 1) {
      input.mouseX = int32_t(in.U32()), input.mouseY = int32_t(in.U32());
    } else if (bits >> 7 & 1) {
      input.mouseX = int32_t(in.Byte()) * 4 - 100, input.mouseY = int32_t(in.Byte()) * 3 - 100;
    }
    OnTimer();
    CheckWorld();
    if (tick % 2 == 0) OnDraw();
  }
  OnExit();
  ClearWorld();
  return 0;
}
