#include "platform/region.h"

#include <gtest/gtest.h>

namespace tav {
namespace {

struct THit {
  int X, Y;
  bool Inside;
};

TEST(RegionTest, RectangleHoldsLeftAndTopEdgesOnly) {
  TRegion r = TRegion::Rect({10, 20, 30, 25});
  for (THit h : {THit{10, 20, true}, THit{29, 24, true}, THit{30, 20, false},
                 THit{10, 25, false}, THit{9, 22, false}, THit{15, 19, false}})
    EXPECT_EQ(r.Contains(h.X, h.Y), h.Inside) << h.X << "," << h.Y;
  EXPECT_TRUE(TRegion::Rect({5, 5, 5, 10}).IsEmpty());
}

// An image-map circle at (50, 50) with radius 10 is the ellipse bounded by
// (40, 40) - (61, 61).
TEST(RegionTest, CircleOfAnImageMap) {
  TRegion c = TRegion::Ellipse({40, 40, 61, 61});
  for (THit h : {THit{50, 50, true}, THit{60, 50, true}, THit{40, 50, true},
                 THit{50, 40, true}, THit{50, 60, true}, THit{61, 50, false},
                 THit{39, 50, false}, THit{57, 57, true}, THit{58, 58, false},
                 THit{40, 40, false}, THit{60, 60, false}})
    EXPECT_EQ(c.Contains(h.X, h.Y), h.Inside) << h.X << "," << h.Y;
}

TEST(RegionTest, PolygonFillRules) {
  // A five-pointed star drawn in one stroke: its centre is covered twice,
  // so it is inside by winding and outside by alternate filling.
  std::vector<TPoint> star{{50, 0}, {79, 90}, {2, 35}, {97, 35}, {21, 90}};
  EXPECT_TRUE(TRegion::Polygon(star, TFillMode::fmWinding).Contains(50, 50));
  EXPECT_FALSE(TRegion::Polygon(star, TFillMode::fmAlternate).Contains(50, 50));
  // A point of the star is inside either way; outside is outside.
  EXPECT_TRUE(TRegion::Polygon(star, TFillMode::fmAlternate).Contains(50, 10));
  EXPECT_FALSE(TRegion::Polygon(star, TFillMode::fmWinding).Contains(5, 80));

  // A concave L: the notch is outside.
  std::vector<TPoint> l{{0, 0}, {10, 0}, {10, 5}, {5, 5}, {5, 10}, {0, 10}};
  TRegion lr = TRegion::Polygon(l);
  EXPECT_TRUE(lr.Contains(2, 8));
  EXPECT_TRUE(lr.Contains(8, 2));
  EXPECT_FALSE(lr.Contains(8, 8));
  EXPECT_FALSE(lr.Contains(10, 2));  // right edge excluded
  EXPECT_TRUE(TRegion::Polygon({{0, 0}, {5, 5}}).IsEmpty());
}

TEST(RegionTest, CombinationsOfTwoRectangles) {
  TRegion a = TRegion::Rect({0, 0, 10, 10});
  TRegion b = TRegion::Rect({5, 5, 15, 15});
  struct TCase {
    TRegionOp Op;
    bool InA, InBoth, InB, Outside;
  };
  for (TCase c : {TCase{TRegionOp::roAnd, false, true, false, false},
                  TCase{TRegionOp::roOr, true, true, true, false},
                  TCase{TRegionOp::roXor, true, false, true, false},
                  TCase{TRegionOp::roDiff, true, false, false, false}}) {
    TRegion r = TRegion::Combine(a, b, c.Op);
    EXPECT_EQ(r.Contains(2, 2), c.InA) << static_cast<int>(c.Op);
    EXPECT_EQ(r.Contains(7, 7), c.InBoth) << static_cast<int>(c.Op);
    EXPECT_EQ(r.Contains(12, 12), c.InB) << static_cast<int>(c.Op);
    EXPECT_EQ(r.Contains(12, 2), c.Outside) << static_cast<int>(c.Op);
    EXPECT_TRUE(r.IsRectangular());
  }
  EXPECT_TRUE(TRegion::Combine(a, TRegion::Rect({20, 20, 30, 30}), TRegionOp::roAnd).IsEmpty());
}

// The rectangle list and the point test describe the same pixels, for every
// kind of shape, also after an offset.
TEST(RegionTest, RectListMatchesPointTests) {
  std::vector<TRegion> shapes{
      TRegion::Ellipse({3, 2, 40, 23}),
      TRegion::Polygon({{50, 0}, {79, 90}, {2, 35}, {97, 35}, {21, 90}}, TFillMode::fmWinding),
      TRegion::Combine(TRegion::Ellipse({0, 0, 30, 30}), TRegion::Rect({10, 10, 20, 40}),
                       TRegionOp::roXor)
          .Offset(7, -3)};
  for (const TRegion& shape : shapes) {
    std::vector<TRect> rects = shape.Rects();
    TRect b = shape.Bounds().Inflate(2, 2);
    for (int y = b.Top; y < b.Bottom; ++y)
      for (int x = b.Left; x < b.Right; ++x) {
        int count = 0;
        for (const TRect& r : rects) count += r.Contains(x, y) ? 1 : 0;
        ASSERT_EQ(count, shape.Contains(x, y) ? 1 : 0) << x << "," << y;
      }
  }
}

}  // namespace
}  // namespace tav
