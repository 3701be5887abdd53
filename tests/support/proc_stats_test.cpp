// SPDX-License-Identifier: Zlib
#include "proc_stats.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace {

TEST(ProcStats, CpuTicksFromStatText) {
  struct Case {
    const char* text;
    std::optional<uint64_t> ticks;
  };
  const Case cases[] = {
      {"1234 (stealthbox) S 1 1234 1234 0 -1 4194560 500 0 0 0 250 31 0 0 20 0 4 0 1000", 281},
      // A name with spaces and parentheses must not shift the fields.
      {"77 (a) b (c) R 1 77 77 0 -1 0 0 0 0 0 7 8 0 0 20 0 1 0 5", 15},
      {"77 ((x)) R 1 77 77 0 -1 0 0 0 0 0 0 0 0 0 20 0 1 0 5\n", 0},
      {"77 (stealthbox) S 1 77 77 0 -1 0 0 0 0 0 250", std::nullopt},  // cut before stime
      {"77 (stealthbox) S 1 77 77 0 -1 0 0 0 0 0 x 31", std::nullopt},
      {"no name field at all", std::nullopt},
      {"", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(procstats::ParseCpuTicks(c.text), c.ticks) << c.text;
}

TEST(ProcStats, KilobytesFromStatusText) {
  const char* status =
      "Name:\tstealth\n"
      "VmPeak:\t  300000 kB\n"
      "VmHWMX:\t 1 kB\n"
      "VmHWM:\t   41236 kB\n"
      "VmRSS:\t   40000 kB\n"
      "Threads:\t4\n";
  EXPECT_EQ(procstats::ParseStatusKb(status, "VmHWM"), 41236u);
  EXPECT_EQ(procstats::ParseStatusKb(status, "VmRSS"), 40000u);
  EXPECT_EQ(procstats::ParseStatusKb(status, "VmSwap"), std::nullopt);
  EXPECT_EQ(procstats::ParseStatusKb(status, "Threads"), std::nullopt);  // no unit: not a size
  EXPECT_EQ(procstats::ParseStatusKb("VmHWM:\t12 MB\n", "VmHWM"), std::nullopt);
  EXPECT_EQ(procstats::ParseStatusKb("VmHWM:\n", "VmHWM"), std::nullopt);
}

TEST(ProcStats, ReadsALiveProcessAndRefusesAMissingOne) {
  EXPECT_TRUE(procstats::CpuTicks(getpid()).has_value());
  const auto peak = procstats::StatusKb(getpid(), "VmHWM");
  ASSERT_TRUE(peak.has_value());
  EXPECT_GT(*peak, 0u);
  EXPECT_FALSE(procstats::CpuTicks(-1).has_value());
  EXPECT_FALSE(procstats::StatusKb(-1, "VmHWM").has_value());
  EXPECT_GT(procstats::TicksPerSecond(), 0);
}

}  // namespace
