#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "html/layout/list_markers.h"
#include "platform/testing/fixed_metrics_device.h"

namespace tav {
namespace {

using LB = ListBulletType;

std::string Narrow(const std::u16string& s) { return std::string(s.begin(), s.end()); }

TEST(ListMarkerText, ByTypeAndNumber) {
  struct Case {
    LB type;
    int number;
    std::u16string text;
  } cases[] = {
      {LB::lbDecimal, 7, u"7"},         {LB::lbDecimal, 123, u"123"},
      {LB::lbDecimal, 0, u"0"},         {LB::lbDecimal, -3, u"-3"},
      {LB::lbLowerAlpha, 1, u"a"},      {LB::lbLowerAlpha, 26, u"z"},
      // Past z the letters count on as a second digit, as CSS's lower-alpha.
      {LB::lbLowerAlpha, 27, u"aa"},    {LB::lbLowerAlpha, 28, u"ab"},
      {LB::lbLowerAlpha, 52, u"az"},    {LB::lbLowerAlpha, 53, u"ba"},
      {LB::lbLowerAlpha, 702, u"zz"},   {LB::lbLowerAlpha, 703, u"aaa"},
      {LB::lbUpperAlpha, 3, u"C"},      {LB::lbUpperAlpha, 1000, u"ALL"},
      {LB::lbUpperAlpha, INT_MAX, u"FXSHRXW"},
      {LB::lbLowerRoman, 1, u"i"},      {LB::lbLowerRoman, 3, u"iii"},
      {LB::lbLowerRoman, 4, u"iv"},     {LB::lbLowerRoman, 19, u"xix"},
      {LB::lbLowerRoman, 20, u"xx"},    {LB::lbLowerRoman, 25, u"xxv"},
      {LB::lbLowerRoman, 49, u"xlix"},  {LB::lbLowerRoman, 444, u"cdxliv"},
      {LB::lbUpperRoman, 14, u"XIV"},   {LB::lbUpperRoman, 9, u"IX"},
      {LB::lbUpperRoman, 1994, u"MCMXCIV"},
      {LB::lbUpperRoman, 3999, u"MMMCMXCIX"},
      // Past 3999 roman numerals would need a bar: decimal instead.
      {LB::lbUpperRoman, 4000, u"4000"}, {LB::lbLowerRoman, INT_MAX, u"2147483647"},
      // Below the tables' start: in decimal, never a read before them.
      {LB::lbLowerRoman, 0, u"0"},      {LB::lbUpperRoman, -3, u"-3"},
      {LB::lbLowerAlpha, 0, u"0"},      {LB::lbUpperAlpha, -1, u"-1"},
      {LB::lbLowerRoman, INT_MIN, u"-2147483648"},
      {LB::lbDisc, 1, u""},             {LB::lbCircle, 1, u""},
      {LB::lbSquare, 1, u""},           {LB::lbNone, 1, u""},
      {LB::lbBlank, 1, u""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Narrow(ListMarkerText(c.type, c.number)), Narrow(c.text))
        << static_cast<int>(c.type) << " " << c.number;
}

TEST(ListMarkers, BulletRectangles) {
  struct Case {
    LB type;
    TRect rect;
  } cases[] = {
      {LB::lbCircle, {84, 43, 91, 50}},
      {LB::lbDisc, {85, 44, 90, 49}},
      {LB::lbSquare, {85, 44, 90, 49}},
      {LB::lbDecimal, {}},
      {LB::lbNone, {}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(BulletRect(c.type, 100, 50), c.rect) << static_cast<int>(c.type);
}

struct MarkerFixture {
  TFixedMetricsDevice device;
  std::unique_ptr<TFixedMetricsSurface> surface = device.CreateSurface(120, 60);
  static constexpr TColor Back = clYellow;
  MarkerFixture() { surface->FillRect({0, 0, 120, 60}, Back); }
  TColor At(int x, int y) const { return surface->Pixel(x, y); }
  TMyFont Font(TColor color) {
    TMyFont f;
    f.Desc.Height = -16;  // 8 pixels a character on this device
    f.Font = device.CreateFont(f.Desc);
    f.Color = color;
    return f;
  }
};

TEST(DrawListMarker, BulletShapes) {
  const TColor back = MarkerFixture::Back;
  struct Probe {
    int x, y;
    bool ink;
  };
  struct Case {
    LB type;
    std::vector<Probe> probes;
  } cases[] = {
      // Disc and square: (25, 24) .. (30, 29); the square fills its corners.
      {LB::lbDisc, {{27, 26, true}, {25, 26, true}, {29, 26, true}, {27, 24, true}, {24, 26, false},
                    {30, 26, false}, {27, 29, false}, {25, 24, false}}},
      {LB::lbSquare, {{27, 26, true}, {25, 24, true}, {29, 28, true}, {30, 28, false},
                      {29, 29, false}, {24, 24, false}}},
      // Circle: an outline in (24, 23) .. (31, 30), hollow inside.
      {LB::lbCircle, {{27, 26, false}, {24, 26, true}, {30, 26, true}, {27, 23, true},
                      {27, 29, true}, {31, 26, false}}},
      {LB::lbNone, {{27, 26, false}, {24, 26, false}}},
  };
  for (const auto& c : cases) {
    MarkerFixture f;
    DrawListMarker(*f.surface, c.type, 1, f.Font(clRed), clBlue, 40, 30);
    for (const auto& p : c.probes)
      EXPECT_EQ(f.At(p.x, p.y), p.ink ? clBlue : back)
          << static_cast<int>(c.type) << " at " << p.x << "," << p.y;
  }
}

TEST(DrawListMarker, NumbersEndTenPixelsBeforeTheContent) {
  MarkerFixture f;
  // "iii." is 32 pixels wide: it starts at 100 - 10 - 32 = 58, on the
  // baseline, in the font's colour, with no background.
  DrawListMarker(*f.surface, LB::lbLowerRoman, 3, f.Font(clRed), clBlue, 100, 30);
  EXPECT_EQ(f.At(58, 29), clRed);
  EXPECT_EQ(f.At(57, 29), MarkerFixture::Back);
  EXPECT_EQ(f.At(88, 29), clRed);
  EXPECT_EQ(f.At(89, 29), MarkerFixture::Back);
  EXPECT_EQ(f.At(58, 18), clRed);   // the em top: baseline - 12
  EXPECT_EQ(f.At(58, 17), MarkerFixture::Back);
  EXPECT_EQ(f.At(58, 30), MarkerFixture::Back);
  EXPECT_EQ(f.At(65, 29), MarkerFixture::Back);  // between two glyphs
  // The surface's text state is as before.
  EXPECT_EQ(f.surface->TextAlign(), TA_LEFT | TA_TOP);
  EXPECT_EQ(f.surface->BkMode(), TBkMode::bkOpaque);
}

}  // namespace
}  // namespace tav
