// Image map areas and the link a point leads to.
#include "html/media/image_map.h"

#include <gtest/gtest.h>

#include "html/parse/attributes.h"

namespace tav {
namespace {

std::unique_ptr<TAttributeList> Attrs(
    std::initializer_list<std::pair<Symb, std::u16string>> items) {
  auto list = std::make_unique<TAttributeList>();
  for (const auto& [which, value] : items) {
    TAttribute a;
    a.Which = which;
    a.Name = value;
    list->Add(a);
  }
  return list;
}

TMapItem Map(std::u16string shape, std::u16string coords) {
  TMapItem map;
  if (shape.empty())
    map.AddArea(*Attrs({{CoordsSy, coords}, {HrefSy, u"x"}}));
  else
    map.AddArea(*Attrs({{ShapeSy, shape}, {CoordsSy, coords}, {HrefSy, u"x"}}));
  return map;
}

TEST(ImageMapTest, Shapes) {
  struct TCase {
    std::u16string Shape, Coords;
    std::vector<TPoint> In, Out;
  };
  const TCase cases[] = {
      {u"rect", u"0,0,9,9", {{0, 0}, {9, 9}, {9, 0}}, {{10, 10}, {9, 10}, {-1, 0}}},
      {u"", u"0,0,9,9", {{9, 9}}, {{10, 10}}},       // no SHAPE: a rectangle
      {u"bogus", u"0,0,9,9", {{9, 9}}, {{10, 10}}},  // an unknown one too
      {u"circle", u"5,5,5", {{5, 5}, {0, 5}, {10, 5}, {5, 0}, {5, 10}},
       {{0, 0}, {10, 10}, {11, 5}, {5, -1}}},
      {u"CIRC", u"5 5 5", {{0, 5}, {10, 5}}, {{11, 5}}},
      {u"polygon", u"0,0,10,0,10,10,0,10", {{0, 0}, {9, 9}}, {{10, 5}, {5, 10}}},
      // An odd last number is ignored: a triangle.
      {u"poly", u"0,0,10,0,0,10,99", {{1, 1}}, {{8, 8}}},
      // A pentagram: its centre is inside by the winding rule (and would be
      // outside by the alternate one).
      {u"poly", u"50,0,80,100,0,38,100,38,20,100", {{50, 50}, {50, 10}}, {{5, 5}}},
  };
  for (const TCase& c : cases) {
    TMapItem map = Map(c.Shape, c.Coords);
    ASSERT_EQ(map.AreaCount(), 1);
    TAreaLink link;
    for (TPoint p : c.In)
      EXPECT_TRUE(map.GetURL(p.X, p.Y, link)) << std::string(c.Coords.begin(), c.Coords.end())
                                               << " at " << p.X << "," << p.Y;
    for (TPoint p : c.Out)
      EXPECT_FALSE(map.GetURL(p.X, p.Y, link)) << std::string(c.Coords.begin(), c.Coords.end())
                                                << " at " << p.X << "," << p.Y;
  }
}

TEST(ImageMapTest, TooFewNumbersGiveNoArea) {
  struct TCase {
    std::u16string Shape, Coords;
  };
  for (const TCase& c : {TCase{u"rect", u"1,2"}, TCase{u"rect", u"1,2,3"}, TCase{u"circle", u"1,2"},
                         TCase{u"poly", u"0,0,1,1,2"}, TCase{u"rect", u""},
                         TCase{u"rect", u" ,, "}})
    EXPECT_EQ(Map(c.Shape, c.Coords).AreaCount(), 0) << std::string(c.Coords.begin(), c.Coords.end());
}

TEST(ImageMapTest, CoordsNumbers) {
  constexpr int M = TMapItem::MaxAreaCoordinate;
  struct TCase {
    std::u16string Value;
    std::vector<int> Numbers;
  };
  const TCase cases[] = {
      {u" 1, 2 ,,3  4 ", {1, 2, 3, 4}},
      {u"1,x,3", {1, 0, 3}},
      {u"1.5,-2,+7", {0, -2, 7}},
      {u"99999999999,-99999999999", {M, -M}},
      {u"", {}},
      {u"1;2", {0}},
  };
  for (const TCase& c : cases) EXPECT_EQ(ParseAreaCoords(c.Value), c.Numbers);
  std::u16string many;
  for (int i = 0; i < 400; ++i) many += u"1,";
  EXPECT_EQ(ParseAreaCoords(many).size(), 301u);
}

TEST(ImageMapTest, HugeCoordinatesStayInRange) {
  TMapItem map = Map(u"circle", u"99999999999,99999999999,99999999999");
  map.AddArea(*Attrs({{CoordsSy, u"-99999999999,-99999999999,99999999999,99999999999"},
                     {HrefSy, u"r"}}));
  map.AddArea(*Attrs({{ShapeSy, u"poly"},
                     {CoordsSy, u"-99999999999,0,99999999999,0,0,99999999999"},
                     {HrefSy, u"p"}}));
  ASSERT_EQ(map.AreaCount(), 3);
  TAreaLink link;
  EXPECT_TRUE(map.GetURL(0, 0, link));
  EXPECT_TRUE(map.GetURL(-5, -5, link));
  EXPECT_EQ(link.Href, u"r");
}

TEST(ImageMapTest, FirstAreaDecides) {
  TMapItem map;
  map.AddArea(*Attrs({{ShapeSy, u"rect"}, {CoordsSy, u"0,0,4,4"}, {HrefSy, u"hidden"},
                     {NoHrefSy, u""}}));
  map.AddArea(*Attrs({{NoHrefSy, u""}, {ShapeSy, u"rect"}, {CoordsSy, u"0,0,9,9"},
                     {HrefSy, u"also hidden"}}));
  map.AddArea(*Attrs({{ShapeSy, u"rect"}, {CoordsSy, u"0,0,19,19"}, {HrefSy, u"big.html"},
                     {TargetSy, u"_blank"}, {TitleSy, u"Big"}}));
  map.AddArea(*Attrs({{ShapeSy, u"rect"}, {CoordsSy, u"0,0,29,29"}, {HrefSy, u"bigger.html"}}));
  TAreaLink link;
  EXPECT_FALSE(map.GetURL(2, 2, link));  // a NOHREF area covers the ones below it
  EXPECT_FALSE(map.GetURL(9, 9, link));
  ASSERT_TRUE(map.GetURL(10, 10, link));
  EXPECT_EQ(link.Href, u"big.html");
  EXPECT_EQ(link.Target, u"_blank");
  EXPECT_EQ(link.Title, u"Big");
  ASSERT_TRUE(map.GetURL(25, 25, link));
  EXPECT_EQ(link.Href, u"bigger.html");
  EXPECT_FALSE(map.GetURL(30, 30, link));
}

TEST(ImageMapTest, AtMostAThousandAreas) {
  TMapItem map;
  auto area = Attrs({{CoordsSy, u"0,0,1,1"}, {HrefSy, u"x"}});
  for (int i = 0; i < 1005; ++i) map.AddArea(*area);
  EXPECT_EQ(map.AreaCount(), TMapItem::MaxAreas);
}

}  // namespace
}  // namespace tav
