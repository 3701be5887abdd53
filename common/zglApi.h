// SPDX-License-Identifier: Zlib
// The engine library's C interface: the records it exchanges and the one list
// of its 24 operations. The game's binding table, its loader, the engine's own
// exports and every test double are all generated from ZGL_OPERATIONS, so the
// sides cannot drift apart. Nothing here depends on SDL.
#pragma once

#include <cstdint>

extern "C" {

struct Point2D {
  float X, Y;
};

struct Line2D {
  float X0, Y0, X1, Y1;
};

struct Rect2D {
  float X, Y, W, H;
};

struct Circle2D {
  float CX, CY, Radius;
};

// Opaque handles; a failed load gives null, and every operation accepts null.
struct Texture;
struct Font;

typedef void (*zglProc)(void);

}  // extern "C"

static_assert(sizeof(Point2D) == 8 && sizeof(Line2D) == 16);
static_assert(sizeof(Rect2D) == 16 && sizeof(Circle2D) == 12);

// X(return type, name, (parameters), (argument names))
#define ZGL_OPERATIONS(X)                                                                         \
  X(void, zgl_Reg, (uint32_t code, zglProc proc), (code, proc))                                  \
  X(void*, timer_Add, (zglProc proc, uint32_t intervalMs), (proc, intervalMs))                   \
  X(void, wnd_SetCaption, (const char* caption), (caption))                                      \
  X(bool, scr_SetOptions,                                                                        \
    (uint16_t width, uint16_t height, uint16_t refresh, bool fullScreen, bool vsync),            \
    (width, height, refresh, fullScreen, vsync))                                                 \
  X(void, wnd_ShowCursor, (bool show), (show))                                                   \
  X(void, zgl_Init, (uint8_t fsaa, uint8_t stencilBits), (fsaa, stencilBits))                    \
  X(bool, key_Down, (uint8_t key), (key))                                                        \
  X(bool, key_Press, (uint8_t key), (key))                                                       \
  X(void, key_ClearState, (void), ())                                                            \
  X(void, mouse_ClearState, (void), ())                                                          \
  X(int32_t, mouse_X, (void), ())                                                                \
  X(int32_t, mouse_Y, (void), ())                                                                \
  X(Texture*, tex_LoadFromFile, (const char* fileName, uint32_t transparentColor, uint32_t flags), \
    (fileName, transparentColor, flags))                                                         \
  X(void, tex_SetFrameSize, (Texture * *texture, uint16_t frameWidth, uint16_t frameHeight),     \
    (texture, frameWidth, frameHeight))                                                          \
  X(Font*, font_LoadFromFile, (const char* fileName), (fileName))                                \
  X(void, pr2d_Rect,                                                                             \
    (float x, float y, float w, float h, uint32_t color, uint8_t alpha, uint32_t flags),         \
    (x, y, w, h, color, alpha, flags))                                                           \
  X(void, pr2d_Circle,                                                                           \
    (float x, float y, float radius, uint32_t color, uint8_t alpha, uint16_t segments,           \
     uint32_t flags),                                                                            \
    (x, y, radius, color, alpha, segments, flags))                                               \
  X(void, pr2d_TriList,                                                                          \
    (Texture * texture, const Point2D* points, const Point2D* texCoords, int32_t first,          \
     int32_t last, uint32_t color, uint8_t alpha, uint32_t flags),                               \
    (texture, points, texCoords, first, last, color, alpha, flags))                              \
  X(bool, col2d_Rect, (const Rect2D* a, const Rect2D* b), (a, b))                                \
  X(bool, col2d_RectVsCircle, (const Rect2D* rect, const Circle2D* circle), (rect, circle))      \
  X(bool, col2d_LineVsRect, (const Line2D* line, const Rect2D* rect, Point2D* crossing),         \
    (line, rect, crossing))                                                                      \
  X(bool, col2d_LineVsCircle, (const Line2D* line, const Circle2D* circle), (line, circle))      \
  X(float, m_Angle, (float x1, float y1, float x2, float y2), (x1, y1, x2, y2))                  \
  X(float, m_Distance, (float x1, float y1, float x2, float y2), (x1, y1, x2, y2))

// Flag bits and codes that both sides use.
namespace zgl {
constexpr uint32_t kFill = 0x010000;
constexpr uint32_t kBlend = 0x100000;
constexpr uint32_t kTexClamp = 0x2;
constexpr uint32_t kTexPow2 = 0x10;
constexpr uint32_t kTexCalcAlpha = 0x20;
constexpr uint32_t kTexLinear = 0x400;
constexpr uint32_t kNoColorKey = 0xFF000000;
constexpr uint32_t kRegLoad = 3;
constexpr uint32_t kRegDraw = 4;
constexpr uint32_t kRegExit = 6;
constexpr int kOperationCount = 24;
}  // namespace zgl
