// SPDX-License-Identifier: Zlib
// Plays the game's own tick on random worlds with random keys and pointer
// positions, through the shell's callbacks and the tests' stand-in engine, which
// answers geometry exactly as the real library does. No sanitizer report, no NaN
// anywhere in the world, and the boxes always either carried or resting.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "fake_engine.h"
#include "objects/uBox.h"
#include "objects/uEnemy.h"
#include "objects/uHero.h"
#include "shell/uShell.h"
#include "shell/zglHeader.h"
#include "world/uRandom.h"
#include "world/uWorld.h"

namespace {

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "tick fuzz: %s\n", what);
  std::abort();
}

bool Finite(float v) { return std::isfinite(v); }
void CheckPoint(const Point2D& p, const char* what) {
  if (!Finite(p.X) || !Finite(p.Y)) Fail(what);
}

// The stand-in engine is the tests' double (keys, pointer, geometry as the real library's),
// recording nothing; its drawing reads everything it is handed, as a renderer would.
void TexFrames(Texture** t, uint16_t, uint16_t) {
  if (!t) Fail("frame size set through a null reference");
}
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

void BindStandIn() {
  fake::Install();
  fake::engine.record = false;
  auto& a = zgl::api;
  a.tex_SetFrameSize = TexFrames, a.pr2d_Rect = Rect, a.pr2d_Circle = Circle, a.pr2d_TriList = TriList;
}

// The input's bytes in order, zeros past its end.
struct Reader {
  const uint8_t* p;
  const uint8_t* end;

  bool more() const { return p < end; }
  uint8_t Byte() { return p < end ? *p++ : 0; }
  uint32_t U32() { return uint32_t(Byte()) | uint32_t(Byte()) << 8 | uint32_t(Byte()) << 16 | uint32_t(Byte()) << 24; }
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
  Reader in{data, data + size};
  BindStandIn();
  RandSeed(uint64_t(in.U32()) << 32 | in.U32());
  OnLoad();
  CheckWorld();
  constexpr uint8_t kKeys[] = {keys::W, keys::S, keys::A, keys::D, keys::E};
  for (int tick = 0; tick < 200 && in.more(); ++tick) {
    uint8_t bits = in.Byte();
    fake::Engine& input = fake::engine;
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
