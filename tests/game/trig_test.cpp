// SPDX-License-Identifier: Zlib
// The game's sine and cosine: accurate, and the same bits on every platform for every
// angle the game can reach (the Windows build runs these tests under Wine).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>

#include "objects/uTrig.h"

namespace {

// FNV-1a over the bits of each result.
struct Digest {
  uint64_t value = 0xcbf29ce484222325ull;
  uint64_t count = 0;
  void Add(double d) {
    uint64_t bits;
    std::memcpy(&bits, &d, sizeof bits);
    for (int i = 0; i < 8; ++i) value = (value ^ ((bits >> (8 * i)) & 0xff)) * 0x100000001b3ull;
    ++count;
  }
};

TEST(Trig, EveryAngleTheGameReachesGivesTheSameBitsOnEveryPlatform) {
  // Rays: multiples of 5 degrees, as a cone casts them, far beyond any facing.
  Digest rays;
  for (int k = -1000; k <= 1000; ++k) {
    const float r = float(double(k) * 0.017453292 * 5.0);
    rays.Add(Cos(double(r)));
    rays.Add(Sin(double(r)));
  }
  EXPECT_EQ(rays.value, 12183006245616747612u);

  // A box's hop: 0, 0.1, ... while below 2.6.
  Digest hop;
  for (float lift = 0; double(lift) < 2.6; lift = float(double(lift) + 0.1)) {
    hop.Add(Sin(double(lift)));
#ifdef __GLIBC__
    EXPECT_EQ(int64_t(Sin(double(lift)) * 35), int64_t(std::sin(double(lift)) * 35)) << lift;
#endif
  }
  EXPECT_EQ(hop.count, 27u);
  EXPECT_EQ(hop.value, 9020414582341339814u);

  // A guard's sweep, every phase it ever takes: 0.02 a tick in float32 until the step
  // no longer changes it (at 2^19, after 108 hours of play).
  Digest sweep;
  int64_t facingsOffGlibc = 0;
  for (float phase = 0;;) {
    const float next = float(double(phase) + 0.02);
    if (next == phase) break;
    phase = next;
    sweep.Add(Cos(double(phase)));
#ifdef __GLIBC__
    // The facing a guard stores is what the Linux game always stored with the C library's cosine.
    facingsOffGlibc += float(Cos(double(phase)) * 135) != float(std::cos(double(phase)) * 135);
#endif
  }
  EXPECT_EQ(facingsOffGlibc, 0);
  EXPECT_EQ(sweep.count, 22918663u);
  EXPECT_EQ(sweep.value, 11475668995905534526u);
}

TEST(Trig, WithinAUnitInTheLastPlaceOfTheTrueValue) {
  std::mt19937_64 random(17);
  std::uniform_real_distribution<double> small(-8.0, 8.0), large(-1.6e6, 1.6e6);
  for (int i = 0; i < 200000; ++i) {
    const double x = i % 2 ? small(random) : large(random);
    // Every C runtime is close to the truth for small angles; glibc's is for all of them.
#ifndef __GLIBC__
    if (std::fabs(x) > 8.0) continue;
#endif
    for (auto [ours, theirs] : {std::pair{Sin(x), std::sin(x)}, std::pair{Cos(x), std::cos(x)}}) {
      const double ulp = std::nextafter(std::fabs(theirs), INFINITY) - std::fabs(theirs);
      ASSERT_LE(std::fabs(ours - theirs), std::max(ulp, 0x1p-53)) << "x = " << x;
    }
  }
  EXPECT_EQ(Sin(0.0), 0.0);
  EXPECT_EQ(Cos(0.0), 1.0);
  EXPECT_TRUE(std::signbit(Sin(-0.0))) << "the sign of zero is kept";
  EXPECT_TRUE(std::isnan(Sin(NAN)) && std::isnan(Cos(INFINITY)));
}

}  // namespace
