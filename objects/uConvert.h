// SPDX-License-Identifier: Zlib
// Float-to-integer conversions of the game. A NaN or a value outside the
// int32 range never reaches a plain conversion (that would be undefined):
// NaN gives 0, and out-of-range values saturate.
#pragma once

#include <cstdint>

// Toward zero: 25.9 -> 25, -7.0 / 5 -> -1.
int32_t TruncToInt(double value);
// To nearest, ties to even: 87.5 -> 88, 88.5 -> 88, -0.5 -> 0.
int32_t RoundToInt(double value);
// a + b clamped to the int32 range.
int32_t SatAdd(int64_t a, int64_t b);
