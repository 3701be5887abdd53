// SPDX-License-Identifier: Zlib
// The library's whole public face: the 24 operations, declared from the one
// list in zglApi.h so that a definition whose signature drifts from it does
// not compile. Everything else in the library is hidden. No exception may
// cross into the game: the loaders catch them.
#include <cstdlib>
#include <exception>
#include <new>

#include "common/zglApi.h"
#include "engine.h"
#include "geometry.h"
#include "log.h"

#ifdef _WIN32
#define ZGL_EXPORT  // ZenGL.dll's export table comes from its .def file
#else
#define ZGL_EXPORT __attribute__((visibility("default")))
#endif
#define ZGL_DECLARE(ret, name, params, args) extern "C" ZGL_EXPORT ret name params;
ZGL_OPERATIONS(ZGL_DECLARE)
#undef ZGL_DECLARE

using engine::Core;

extern "C" {

void zgl_Reg(uint32_t code, zglProc proc) { Core().Register(code, proc); }

void* timer_Add(zglProc proc, uint32_t intervalMs) { return Core().timers.Add(proc, intervalMs); }

void wnd_SetCaption(const char* caption) {
  try {
    Core().SetCaption(caption);
  } catch (const std::exception&) {
    engine::Report("wnd_SetCaption: out of memory");
  }
}

bool scr_SetOptions(uint16_t width, uint16_t height, uint16_t /*refresh*/, bool fullScreen, bool vsync) {
  return Core().SetOptions(width, height, fullScreen, vsync);
}

void wnd_ShowCursor(bool show) { Core().ShowCursor(show); }

void zgl_Init(uint8_t /*fsaa*/, uint8_t /*stencilBits*/) {
  std::string reason;
  try {
    // Outlives this call: in a page the loop goes on after zgl_Init has unwound.
    static engine::SystemClock clock;
    // The game ends the process when this returns.
    Core().KeepVideoAtExit();
    reason = Core().Run(clock);
  } catch (const std::exception& e) {
    reason = std::string("stopped: ") + e.what();
  }
  if (!reason.empty()) {
    engine::ReportFatal(reason);
    std::exit(EXIT_FAILURE);
  }
}

bool key_Down(uint8_t key) { return Core().input.Down(key); }

bool key_Press(uint8_t key) { return Core().input.Pressed(key); }

void key_ClearState(void) { Core().input.ClearPresses(); }

// Only presses are per tick; the pointer position stays.
void mouse_ClearState(void) {}

int32_t mouse_X(void) { return Core().input.MouseX(); }

int32_t mouse_Y(void) { return Core().input.MouseY(); }

Texture* tex_LoadFromFile(const char* fileName, uint32_t transparentColor, uint32_t flags) {
  try {
    return Core().assets.LoadTexture(fileName, transparentColor, flags);
  } catch (const std::exception& e) {
    engine::Report("tex_LoadFromFile: cannot load '%s': %s", fileName ? fileName : "", e.what());
    return nullptr;
  }
}

void tex_SetFrameSize(Texture** texture, uint16_t frameWidth, uint16_t frameHeight) {
  if (!texture || !*texture) return;
  (*texture)->frameWidth = frameWidth;
  (*texture)->frameHeight = frameHeight;
}

Font* font_LoadFromFile(const char* fileName) {
  try {
    return Core().assets.LoadFont(fileName);
  } catch (const std::exception& e) {
    engine::Report("font_LoadFromFile: cannot load '%s': %s", fileName ? fileName : "", e.what());
    return nullptr;
  }
}

void pr2d_Rect(float x, float y, float w, float h, uint32_t color, uint8_t alpha, uint32_t flags) {
  Core().batch.Rect(x, y, w, h, color, alpha, flags);
}

void pr2d_Circle(float x, float y, float radius, uint32_t color, uint8_t alpha, uint16_t segments,
                 uint32_t flags) {
  Core().batch.Circle(x, y, radius, color, alpha, segments, flags);
}

void pr2d_TriList(Texture* texture, const Point2D* points, const Point2D* texCoords, int32_t first, int32_t last,
                  uint32_t color, uint8_t alpha, uint32_t flags) {
  Core().batch.TriList(texture ? texture->handle : nullptr, points, texCoords, first, last, color, alpha, flags);
}

bool col2d_Rect(const Rect2D* a, const Rect2D* b) { return a && b && geo::RectVsRect(*a, *b); }

bool col2d_RectVsCircle(const Rect2D* rect, const Circle2D* circle) {
  return rect && circle && geo::RectVsCircle(*rect, *circle);
}

bool col2d_LineVsRect(const Line2D* line, const Rect2D* rect, Point2D* crossing) {
  return line && rect && geo::LineVsRect(*line, *rect, crossing);
}

bool col2d_LineVsCircle(const Line2D* line, const Circle2D* circle) {
  return line && circle && geo::LineVsCircle(*line, *circle);
}

float m_Angle(float x1, float y1, float x2, float y2) { return geo::Angle(x1, y1, x2, y2); }

float m_Distance(float x1, float y1, float x2, float y2) { return geo::Distance(x1, y1, x2, y2); }

}  // extern "C"
