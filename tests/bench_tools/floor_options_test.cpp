// SPDX-License-Identifier: Zlib
#include <gtest/gtest.h>

#include <vector>

#include "floor_window.h"

namespace {

bool Parse(std::vector<const char*> args, floorwin::Options* out) {
  args.insert(args.begin(), "floor");
  return floorwin::ParseOptions(int(args.size()), const_cast<char**>(args.data()), out);
}

TEST(FloorOptions, ReadsTimeAndPace) {
  floorwin::Options o;
  ASSERT_TRUE(Parse({}, &o));
  EXPECT_EQ(o.seconds, 0);  // until closed
  EXPECT_EQ(o.fps, 0);      // the engine's pace
  ASSERT_TRUE(Parse({"--seconds", "10", "--fps", "300"}, &o));
  EXPECT_EQ(o.seconds, 10);
  EXPECT_EQ(o.fps, 300);
}

TEST(FloorOptions, RefusesBadInput) {
  const std::vector<std::vector<const char*>> bad = {
      {"--seconds"},         {"--seconds", "ten"}, {"--seconds", "-1"}, {"--fps", "nan"},
      {"--fps", "inf"},      {"--fps", "60x"},     {"--fps", ""},       {"--speed", "2"},
      {"--seconds", "1e999"}};
  for (const auto& args : bad) {
    floorwin::Options o;
    EXPECT_FALSE(Parse(args, &o)) << args[0] << " " << (args.size() > 1 ? args[1] : "");
  }
}

}  // namespace
