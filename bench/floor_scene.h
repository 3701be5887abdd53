// SPDX-License-Identifier: Zlib
// The picture of a game frame, laid out for the drawing floor: the field, 30
// walls, 7 boxes, 5 guards, the hero and the six view cones as fans of 13
// textured triangles, radius 200, unclipped. Free of SDL: the floor turns it
// into SDL calls, and tests check the layout here.
#pragma once

#include <array>
#include <cstdint>

namespace floorscene {

constexpr int kWalls = 30;
constexpr int kBoxes = 7;
constexpr int kGuards = 5;
constexpr int kLiving = kGuards + 1;  // the guards and the hero
constexpr int kRaysPerCone = 13;
constexpr int kConeVertices = kRaysPerCone * 3;
constexpr float kConeRange = 200.0f;

struct Box {
  float x, y, w, h;  // top-left corner and size, whole pixels
  uint32_t color;    // 0xRRGGBB
};

struct Vertex {
  float x, y;  // window pixels
  float u, v;  // texture coordinates, 0 to 1
};

struct Scene {
  std::array<Box, kWalls + kBoxes> solids;  // walls, then boxes
  std::array<Box, kGuards> guards;
  Box hero;
  std::array<float, kLiving> facing;  // degrees; the hero last
  std::array<std::array<Vertex, kConeVertices>, kLiving> cones;
};

// Places everything from a fixed seed, so every run draws the same picture,
// and casts the cones for the facings it chose.
void Build(uint32_t seed, Scene* scene);

// Turns every guard's cone by `degrees` (the hero's stays), as the guards'
// idle sweep does, and recasts the fans.
void Sweep(float degrees, Scene* scene);

// One fan of 13 triangles around the centre: triangle i joins the centre to
// the ends of rays i - 1 and i (triangle 0 has no area), rays 5 degrees apart
// around `facing`; the texture is a square of side 2 x range + 2 centred on it.
void CastFan(float cx, float cy, float facing, std::array<Vertex, kConeVertices>* fan);

}  // namespace floorscene
