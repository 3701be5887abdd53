// SPDX-License-Identifier: Zlib
// The floor the game's whole-process cost is held against, drawn with direct SDL
// calls at the engine's frame pace. The drawing floor: the picture of a game frame,
// the grey field, walls, boxes, guards, the hero and six translucent textured cones
// (filling the cones is most of a frame's cost on a software rasteriser). With
// --idle, the idle floor: the window only cleared and presented, what any SDL2
// game costs before it draws anything.
//
//   floor [--idle] [--full-screen] [--seconds S] [--fps F]
#include <SDL.h>
#include <SDL_image.h>

#include <cstdio>
#include <string>

#include "floor_parts.h"

namespace {

void FillBox(SDL_Renderer* r, const floorbench::Box& b) {
  SDL_SetRenderDrawColor(r, Uint8(b.color >> 16), Uint8(b.color >> 8), Uint8(b.color), 255);
  const SDL_FRect rect{b.x, b.y, b.w, b.h};
  SDL_RenderFillRectF(r, &rect);
}

// The cone texture beside the executable, as the game finds its assets.
SDL_Texture* LoadCone(SDL_Renderer* r) {
  char* base = SDL_GetBasePath();
  std::string path = std::string(base ? base : "") + "Data/Angle.png";
  SDL_free(base);
  SDL_Texture* tex = IMG_LoadTexture(r, path.c_str());
  if (!tex)
    return std::fprintf(stderr, "floor_draw: cannot load %s: %s\n", path.c_str(), IMG_GetError()), nullptr;
  SDL_SetTextureBlendMode(tex, SDL_BLENDMODE_BLEND);
  SDL_SetTextureAlphaMod(tex, 255);
  // Filtered as the game asks of its textures: linear sampling costs a software
  // rasteriser a fifth to a third more per cone pixel than SDL's default nearest.
  SDL_SetTextureScaleMode(tex, SDL_ScaleModeLinear);
  return tex;
}

}  // namespace

int main(int argc, char** argv) {
  floorbench::Options options;
  if (!floorbench::ParseOptions(argc, argv, &options)) return 2;
  floorbench::Window window;
  if (!window.Open(options.idle ? "floor_idle" : "floor_draw", options.fullScreen)) return 1;
  if (options.idle) return window.Run(options, [] {});
  SDL_Renderer* r = window.Renderer();
  SDL_Texture* coneTexture = LoadCone(r);
  if (!coneTexture) return 1;

  static floorbench::Scene scene;  // sized once; nothing is allocated per frame
  floorbench::Build(20240601, &scene);
  static SDL_Vertex fan[floorbench::kConeVertices];

  const int status = window.Run(options, [&] {
    // The field: opaque light grey, as the game clears it.
    SDL_SetRenderDrawBlendMode(r, SDL_BLENDMODE_NONE);
    FillBox(r, {0, 0, 800, 600, 0xCFCFCF});
    // The cones: white, alpha 187, blended over the field, under every body.
    for (const auto& cone : scene.cones) {
      for (int i = 0; i < floorbench::kConeVertices; ++i)
        fan[i] = SDL_Vertex{{cone[i].x, cone[i].y}, {255, 255, 255, 187}, {cone[i].u, cone[i].v}};
      SDL_RenderGeometry(r, coneTexture, fan, floorbench::kConeVertices, nullptr, 0);
    }
    for (const auto& b : scene.solids) FillBox(r, b);
    for (const auto& g : scene.guards) FillBox(r, g);
    FillBox(r, scene.hero);
    floorbench::Sweep(0.5f, &scene);
  });
  SDL_DestroyTexture(coneTexture);
  return status;
}
