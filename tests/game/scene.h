// SPDX-License-Identifier: Zlib
// A fresh world on the in-process engine double for each test, with helpers
// that place objects as the population does (walls and boxes into Solids,
// boxes into Boxes, guards into Enemies).
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <cstdint>

#include "fake_engine.h"
#include "objects/uBox.h"
#include "objects/uEnemy.h"
#include "objects/uHero.h"
#include "shell/uMaterials.h"
#include "world/uRandom.h"
#include "world/uWorld.h"

// (memcpy, not std::bit_cast: the web build's C++ library predates it.)
inline uint32_t Bits(float f) {
  uint32_t bits;
  std::memcpy(&bits, &f, sizeof bits);
  return bits;
}

class SceneTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fake::Install();
    ClearWorld();
    texAngle = nullptr;
  }
  void TearDown() override {
    ClearWorld();
    SetRandomSource(nullptr);
  }

  static THero* MakeHero(float cx, float cy) {
    Hero = NewHero();
    Hero->Setup(0xAF5252, 30, cx, cy, 20, 20, 200);
    return Hero;
  }
  static TObj* MakeWall(float cx, float cy, float w, float h) {
    TObj* wall = NewWall();
    wall->Init(0x404040, cx, cy, w, h);
    Solids.Add(wall);
    return wall;
  }
  // A wall covering exactly the given rectangle.
  static TObj* MakeWallOver(Rect2D r) { return MakeWall(r.X + r.W / 2, r.Y + r.H / 2, r.W, r.H); }
  static TBox* MakeBox(float cx, float cy) {
    TBox* box = NewBox();
    box->Init(0xF0F020, cx, cy, 25, 25);
    Solids.Add(box);
    Boxes.Add(box);
    return box;
  }
  // A box taken at the hero's centre and out of Solids, as a take leaves it, after
  // `updates` updates of its own.
  static TBox* MakeCarried(float cx, float cy, int updates = 0) {
    TBox* box = MakeBox(cx, cy);
    CarryBox(box, true);
    Solids.Remove(box);
    for (int i = 0; i < updates; ++i) box->Update();
    return box;
  }
  static TEnemy* MakeGuard(float cx, float cy, int32_t range = 200) {
    TEnemy* guard = NewGuard();
    guard->Setup(0xFF2050, 30, cx, cy, 20, 20, range);
    Enemies.Add(guard);
    return guard;
  }
  // Sets the held movement keys for the next ticks.
  static void Hold(bool w, bool a, bool s, bool d) {
    fake::engine.down[keys::W] = w;
    fake::engine.down[keys::A] = a;
    fake::engine.down[keys::S] = s;
    fake::engine.down[keys::D] = d;
  }
  static void PressE() { fake::engine.pressed[keys::E] = true; }
  // One tick as the timer runs it: the world's update, then the cleared presses.
  static void Tick() {
    UpdateWorld();
    fake::engine.pressed.fill(false);
  }
};
