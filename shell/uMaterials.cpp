// SPDX-License-Identifier: Zlib
#include "shell/uMaterials.h"

#include "shell/zglHeader.h"

Texture* texName = nullptr;
Font* fntMain = nullptr;
Texture* texPBT = nullptr;
Texture* texPBT_g = nullptr;
Texture* texPBT1 = nullptr;
Texture* texPBT1_g = nullptr;
Texture* texPBT2 = nullptr;
Texture* texPBT2_g = nullptr;
Texture* texParticle1 = nullptr;
Texture* texParticle2 = nullptr;
Texture* texSky_m = nullptr;
Texture* texBg = nullptr;
Texture* texMtile = nullptr;
Texture* texAngle = nullptr;

namespace {

// Clamp, power-of-two size, computed alpha, linear filter: 0x432.
constexpr uint32_t kTexFlags = zgl::kTexClamp | zgl::kTexPow2 | zgl::kTexCalcAlpha | zgl::kTexLinear;

// Names are passed as written, backslash included; the engine maps it.
Texture* Load(const char* fileName) { return zgl::tex_LoadFromFile(fileName, zgl::kNoColorKey, kTexFlags); }

}  // namespace

void LoadMaterials() {
  texName = Load("Data\\Name.PNG");
  fntMain = zgl::font_LoadFromFile("Data\\font_1.zfi");
  texPBT = Load("Data\\PBT.PNG");
  texPBT_g = Load("Data\\PBT_g.PNG");
  texPBT1 = Load("Data\\PBT1.PNG");
  texPBT1_g = Load("Data\\PBT1_g.PNG");
  texPBT2 = Load("Data\\PBT2.PNG");
  texPBT2_g = Load("Data\\PBT2_g.PNG");
  texParticle1 = Load("Data\\particle1.PNG");
  texParticle2 = Load("Data\\particle2.PNG");
  zgl::tex_SetFrameSize(&texParticle1, 64, 64);
  zgl::tex_SetFrameSize(&texParticle2, 64, 64);
  texSky_m = Load("Data\\sky_m.PNG");
  zgl::tex_SetFrameSize(&texSky_m, 512, 256);
  texBg = Load("Data\\bg.PNG");
  texMtile = Load("Data\\mtile.png");
  zgl::tex_SetFrameSize(&texMtile, 64, 64);
  texAngle = Load("Data\\Angle.png");
}
