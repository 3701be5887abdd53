// SPDX-License-Identifier: Zlib
#include "objects/uConvert.h"

#include <cmath>
#include <limits>

namespace {
constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
}  // namespace

int32_t TruncToInt(double value) {
  if (std::isnan(value)) return 0;
  // Every double in (-2^31 - 1, 2^31) truncates into range.
  if (value >= 2147483648.0) return kMax;
  if (value <= -2147483649.0) return kMin;
  return static_cast<int32_t>(value);
}

int32_t RoundToInt(double value) {
  if (std::isnan(value)) return 0;
  return TruncToInt(std::nearbyint(value));
}

int32_t SatAdd(int64_t a, int64_t b) {
  // Callers pass int32 values and small constants, so the int64 sum is exact.
  int64_t sum = a + b;
  if (sum > kMax) return kMax;
  if (sum < kMin) return kMin;
  return static_cast<int32_t>(sum);
}
