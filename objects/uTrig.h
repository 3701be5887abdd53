// SPDX-License-Identifier: Zlib
// Sine and cosine of the game's own, so that a cone, a guard's sweep and a box's hop come
// out to the same bits on every platform. C runtimes differ in the last bits (Windows'
// x87-based sin and cos stray by many units near the zeros and for the sweep's large
// phases), and a guard's stored facing followed them. These use only IEEE double
// arithmetic, which every platform rounds alike, and are accurate to within one unit in
// the last place.
#pragma once

// Radians. Exact argument reduction for |x| < 2^20 * pi/2 (about 1.6 million), which
// covers every angle and phase the game reaches; beyond that, the C runtime's.
double Sin(double x);
double Cos(double x);
