// SPDX-License-Identifier: Zlib
// Text form of an engine call, "name(arg,arg,...)", shared by the recording
// doubles of the engine so that tests compare calls as plain strings.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <type_traits>

#include "common/zglApi.h"

namespace callfmt {

inline void Put(std::string& s, bool v) { s += v ? "1" : "0"; }
template <class T>
  requires std::is_integral_v<T>
inline void Put(std::string& s, T v) {
  s += std::to_string(int64_t(v));
}
inline void Put(std::string& s, float v) {
  char b[32];
  std::snprintf(b, sizeof b, "%.9g", double(v));
  s += b;
}
inline void Put(std::string& s, const char* v) { s += v ? v : "(null)"; }
inline void Put(std::string& s, zglProc p) { s += p ? "proc" : "(null)"; }
inline void Put(std::string& s, Texture* t) { s += "tex" + std::to_string(uintptr_t(t)); }
inline void Put(std::string& s, Texture** t) {
  s += "&";
  Put(s, t ? *t : nullptr);
}
inline void Put(std::string& s, Font* f) { s += "font" + std::to_string(uintptr_t(f)); }
// A run of points is named by its first point: for a cone, the caster's centre.
inline void Put(std::string& s, const Point2D* p) {
  s += "[";
  if (p) Put(s, p->X), s += ";", Put(s, p->Y);
  s += "]";
}
inline void Put(std::string& s, Point2D*) { s += "out"; }
inline void Put(std::string& s, const Rect2D* r) {
  s += "{";
  Put(s, r->X), s += ";", Put(s, r->Y), s += ";", Put(s, r->W), s += ";", Put(s, r->H);
  s += "}";
}
inline void Put(std::string& s, const Circle2D* c) {
  s += "{";
  Put(s, c->CX), s += ";", Put(s, c->CY), s += ";", Put(s, c->Radius);
  s += "}";
}
inline void Put(std::string& s, const Line2D* l) {
  s += "{";
  Put(s, l->X0), s += ";", Put(s, l->Y0), s += ";", Put(s, l->X1), s += ";", Put(s, l->Y1);
  s += "}";
}

template <class... A>
std::string Format(const char* name, const A&... args) {
  std::string s = name;
  s += '(';
  bool first = true;
  (((first ? void() : void(s += ',')), Put(s, args), first = false), ...);
  s += ')';
  return s;
}

}  // namespace callfmt
