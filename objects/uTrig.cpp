// SPDX-License-Identifier: Zlib
// After the classic fdlibm method: reduce x by multiples of pi/2 held in three parts,
// then a minimax polynomial on [-pi/4, pi/4]. The build forbids fused multiply-add, so
// each product and sum is rounded exactly as written.
#include "objects/uTrig.h"

#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

// Polynomial coefficients for sin and cos on [-pi/4, pi/4].
constexpr double S1 = -0x1.5555555555549p-3;
constexpr double S2 = 0x1.111111110f8a6p-7;
constexpr double S3 = -0x1.a01a019c161d5p-13;
constexpr double S4 = 0x1.71de357b1fe7dp-19;
constexpr double S5 = -0x1.ae5e68a2b9cebp-26;
constexpr double S6 = 0x1.5d93a5acfd57cp-33;
constexpr double C1 = 0x1.555555555554cp-5;
constexpr double C2 = -0x1.6c16c16c15177p-10;
constexpr double C3 = 0x1.a01a019cb159p-16;
constexpr double C4 = -0x1.27e4f809c52adp-22;
constexpr double C5 = 0x1.1ee9ebdb4b1c4p-29;
constexpr double C6 = -0x1.8fae9be8838d4p-37;

// 2/pi, and pi/2 as a sum of 33-bit pieces with their tails.
constexpr double kInvPio2 = 0x1.45f306dc9c883p-1;
constexpr double kPio2_1 = 0x1.921fb544p+0;
constexpr double kPio2_1t = 0x1.0b4611a626331p-34;
constexpr double kPio2_2 = 0x1.0b4611a6p-34;
constexpr double kPio2_2t = 0x1.3198a2e037073p-69;
constexpr double kPio2_3 = 0x1.3198a2ep-69;
constexpr double kPio2_3t = 0x1.b839a252049c1p-104;
constexpr double kToInt = 0x1.8p52;  // adding and subtracting it rounds to a whole number

uint32_t HighWord(double x) {
  uint64_t bits;
  std::memcpy(&bits, &x, sizeof bits);
  return uint32_t(bits >> 32);
}

// sin(x + y) for |x| <= pi/4, y the tail of x.
double KernelSin(double x, double y) {
  const double z = x * x;
  const double v = z * x;
  const double r = S2 + z * (S3 + z * (S4 + z * (S5 + z * S6)));
  return x - ((z * (0.5 * y - v * r) - y) - v * S1);
}

// cos(x + y) for |x| <= pi/4, y the tail of x.
double KernelCos(double x, double y) {
  const double z = x * x;
  const double w = z * z;
  const double r = z * (C1 + z * (C2 + z * C3)) + w * w * (C4 + z * (C5 + z * C6));
  const double hz = 0.5 * z;
  const double one = 1.0 - hz;
  return one + (((1.0 - one) - hz) + (z * r - x * y));
}

// x = n * pi/2 + (y0 + y1) with |y0 + y1| <= pi/4 (about); returns n.
int Reduce(double x, double& y0, double& y1) {
  const double fn = (x * kInvPio2 + kToInt) - kToInt;
  const int n = int(fn);
  double r = x - fn * kPio2_1;
  double w = fn * kPio2_1t;
  y0 = r - w;
  // Where x lies close to a multiple of pi/2, the first piece cancels most of it: take more.
  const int exponent = int((HighWord(x) >> 20) & 0x7ff);
  if (exponent - int((HighWord(y0) >> 20) & 0x7ff) > 16) {
    double t = r;
    w = fn * kPio2_2;
    r = t - w;
    w = fn * kPio2_2t - ((t - r) - w);
    y0 = r - w;
    if (exponent - int((HighWord(y0) >> 20) & 0x7ff) > 49) {
      t = r;
      w = fn * kPio2_3;
      r = t - w;
      w = fn * kPio2_3t - ((t - r) - w);
      y0 = r - w;
    }
  }
  y1 = (r - y0) - w;
  return n;
}

constexpr uint32_t kQuarterPi = 0x3fe921fb;   // high word of pi/4
constexpr uint32_t kReducible = 0x413921fb;   // high word of 2^20 * pi/2

// The sine of x shifted on by `quarter` quarter turns: cosine is sine one quarter on.
double SinFrom(double x, int quarter) {
  double y0 = x, y1 = 0.0;
  int n = 0;
  const uint32_t high = HighWord(x) & 0x7fffffff;
  if (high > kReducible) return quarter ? std::cos(x) : std::sin(x);
  if (high > kQuarterPi) n = Reduce(x, y0, y1);
  switch ((n + quarter) & 3) {
    case 0: return KernelSin(y0, y1);
    case 1: return KernelCos(y0, y1);
    case 2: return -KernelSin(y0, y1);
    default: return -KernelCos(y0, y1);
  }
}

}  // namespace

double Sin(double x) { return SinFrom(x, 0); }

double Cos(double x) { return SinFrom(x, 1); }
