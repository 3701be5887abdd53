// SPDX-License-Identifier: Zlib
// The world: the lists of the scene, the free-place test and the push-out,
// the population at start, and the order of a tick and of a frame.
#pragma once

#include "objects/uObj.h"
#include "common/zglApi.h"
#include "world/uList.h"

class TBox;
class TEnemy;
class THero;

// Obstacles: the walls in placement order, then every box not carried.
extern TList<TObj> Solids;
// All boxes and all guards, in placement order, for the whole run.
extern TList<TBox> Boxes;
extern TList<TEnemy> Enemies;
// The one hero; in none of the lists.
extern THero* Hero;

// True when r overlaps no member of Solids.
bool IsFreePlace(Rect2D r);
// Moves obj's centre away from each solid its circle overlaps, at most three
// tenth-of-the-distance steps per solid; Rect and the bounds are left as they were.
void PushOut(TObj* obj);

// 30 walls, 7 boxes and 5 guards at random free places, and the hero at (50, 50).
void CreateWorld();
// The same population with other counts over another field (CreateWorld's
// own, and larger worlds for measuring how the tick scales).
void PopulateWorld(int walls, int boxes, int guards, int32_t fieldWidth, int32_t fieldHeight);
// One tick: the hero, his cone, each guard, each box.
void UpdateWorld();
// One frame's scene, back to front.
void DrawWorld();

// Scene building for tests and for CreateWorld: an object that the world owns
// until the process ends (or ClearWorld), not yet in any list.
TObj* NewWall();
TBox* NewBox();
TEnemy* NewGuard();
THero* NewHero();
// Empties the lists and drops every object: no world exists afterwards.
void ClearWorld();
