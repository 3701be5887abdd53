// SPDX-License-Identifier: Zlib
// Whole-pixel bounds, sizes and the guarded float-to-integer conversions.
#include <cmath>
#include <cstring>
#include <limits>
#include <utility>

#include "objects/uConvert.h"
#include "scene.h"

namespace {

struct BoundsCase {
  float cx, w;
  float rectX;
  int32_t left, right;
};

class ObjBounds : public SceneTest, public ::testing::WithParamInterface<BoundsCase> {};

TEST_P(ObjBounds, RoundHalvesToEvenAndKeepTheWidth) {
  const BoundsCase& c = GetParam();
  TObj* obj = MakeWall(c.cx, 300, c.w, c.w);
  EXPECT_EQ(obj->Rect.X, c.rectX);
  EXPECT_EQ(obj->Left, c.left);
  EXPECT_EQ(obj->Right, c.right);
  EXPECT_EQ(obj->Right - obj->Left, obj->Width);
  EXPECT_EQ(obj->Bottom - obj->Top, obj->Height);
}

INSTANTIATE_TEST_SUITE_P(Centres, ObjBounds,
                         ::testing::Values(BoundsCase{100, 25, 87.5f, 88, 113},
                                           BoundsCase{101, 25, 88.5f, 88, 113},
                                           BoundsCase{50, 20, 40, 40, 60},
                                           BoundsCase{12, 25, -0.5f, 0, 25},
                                           BoundsCase{11, 25, -1.5f, -2, 23}));

TEST_F(SceneTest, InitTruncatesSizesAndHalvesTheWholeRadius) {
  struct {
    float w, h;
    int32_t width, height;
    float radius;
  } cases[] = {{30, 20, 30, 20, 15}, {25.9f, 25.9f, 25, 25, 12}, {25, 25, 25, 25, 12}, {39, 39, 39, 39, 19}};
  for (const auto& c : cases) {
    TObj* obj = MakeWall(100, 100, c.w, c.h);
    EXPECT_EQ(obj->Width, c.width);
    EXPECT_EQ(obj->Height, c.height);
    EXPECT_EQ(obj->Rect.W, float(c.width));
    EXPECT_EQ(obj->Circle.Radius, c.radius);
  }
}

TEST_F(SceneTest, PlainObjectDrawsItsWholePixelSquareAndUpdateChangesNothing) {
  TObj* obj = MakeWall(101, 50, 25, 25);
  const TObj before = *obj;
  obj->Update();
  EXPECT_EQ(std::memcmp(&before.Rect, &obj->Rect, sizeof(Rect2D)), 0);
  EXPECT_EQ(before.Left, obj->Left);
  EXPECT_EQ(before.Top, obj->Top);
  fake::engine.calls.clear();
  obj->Draw();
  EXPECT_EQ(fake::engine.calls, (std::vector<std::string>{"pr2d_Rect(88,38,25,25,4210752,255,65536)"}));
}

TEST(Convert, NeverConvertsNanOrOutOfRangeValuesPlainly) {
  const double inf = std::numeric_limits<double>::infinity();
  const int32_t max = std::numeric_limits<int32_t>::max(), min = std::numeric_limits<int32_t>::min();
  using Row = std::pair<double, int32_t>;
  for (auto [x, truncated] : {Row{std::nan(""), 0}, Row{inf, max}, Row{-inf, min}, Row{2147483647.9, max},
                              Row{-2147483648.9, min}, Row{-0.98, 0}, Row{-1.4, -1}})
    EXPECT_EQ(TruncToInt(x), truncated) << x;
  for (auto [x, rounded] : {Row{std::nan(""), 0}, Row{1e300, max}, Row{2.5, 2}, Row{3.5, 4}})
    EXPECT_EQ(RoundToInt(x), rounded) << x;
  EXPECT_EQ(SatAdd(max, 25), max);
  EXPECT_EQ(SatAdd(min, -25), min);
}

TEST_F(SceneTest, ObjectAtTheEdgeOfTheFloatRangeKeepsSaneBounds) {
  TObj* obj = MakeWall(3e38f, -3e38f, 30, 30);
  EXPECT_EQ(obj->Left, std::numeric_limits<int32_t>::max());
  EXPECT_EQ(obj->Right, std::numeric_limits<int32_t>::max());
  EXPECT_EQ(obj->Top, std::numeric_limits<int32_t>::min());
}

}  // namespace
