// SPDX-License-Identifier: Zlib
// Every asset of the game, loaded once and held until the process ends. Only
// the cone texture is drawn; the others are loaded and kept.
#pragma once

#include "common/zglApi.h"

extern Texture* texName;
extern Font* fntMain;
extern Texture* texPBT;
extern Texture* texPBT_g;
extern Texture* texPBT1;
extern Texture* texPBT1_g;
extern Texture* texPBT2;
extern Texture* texPBT2_g;
extern Texture* texParticle1;
extern Texture* texParticle2;
extern Texture* texSky_m;
extern Texture* texBg;
extern Texture* texMtile;
extern Texture* texAngle;

// The 18 engine calls in their fixed order; results are stored unchecked.
void LoadMaterials();
