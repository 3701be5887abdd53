// SPDX-License-Identifier: Zlib
// Nothing is allocated on the heap while the game plays: not in a tick, with
// the hero walking, taking, hiding under and setting down boxes and the guards
// sighting him, on the real engine library's geometry.
#include <gtest/gtest.h>

#include "alloc_counter.h"
#include "world_setup.h"
#include "input_bot.h"
#include "objects/uEnemy.h"
#include "shell/uShell.h"
#include "world/uWorld.h"

namespace {

class NoAllocation : public testing::Test {
 protected:
  static void SetUpTestSuite() { bound_ = worldsetup::BindEngine(); }
  void SetUp() override {
    ASSERT_TRUE(alloc_counter::HookActive()) << "the allocation hook is not in effect";
    ASSERT_TRUE(bound_) << "libZenGL.so must be built beside the test";
  }
  static inline bool bound_ = false;
};

TEST_F(NoAllocation, InAnyTickOfPlay) {
  constexpr int kTicks = 3000;
  uint64_t takes = 0, setDowns = 0, hidden = 0, sightings = 0;
  for (uint64_t seed : {11u, 22u, 33u, 44u}) {
    worldsetup::BuildStandard(seed);
    for (int tick = 0; tick < kTicks; ++tick) {
      const auto counts = alloc_counter::CountIn([] { OnTimer(); });
      ASSERT_EQ(counts.Total(), 0u) << "seed " << seed << ", tick " << tick << ": " << counts.news
                                    << " new, " << counts.mallocs << " malloc";
      for (int g = 0; g < Enemies.Count(); ++g) sightings += Enemies[g]->SeenDist < Enemies[g]->ViewRange;
    }
    const auto& stats = inputbot::GetStats();
    takes += stats.takes;
    setDowns += stats.setDowns;
    hidden += stats.hidden;
  }
  // The ticks above must have gone through the paths that could allocate.
  EXPECT_GT(takes, 0u);
  EXPECT_GT(setDowns, 0u);
  EXPECT_GT(hidden, 0u);
  EXPECT_GT(sightings, 0u);
}

TEST_F(NoAllocation, InTicksOfACrowdedWorld) {
  worldsetup::BuildScaled(10, 5);
  for (int tick = 0; tick < 200; ++tick) {
    const auto counts = alloc_counter::CountIn([] { OnTimer(); });
    ASSERT_EQ(counts.Total(), 0u) << "tick " << tick;
  }
}

}  // namespace
