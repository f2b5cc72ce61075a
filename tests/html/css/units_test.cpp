#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>

#include "html/base/sat_math.h"
#include "html/css/charsets.h"
#include "html/css/color.h"
#include "html/css/units.h"
#include "platform/surface.h"

namespace tav {
namespace {

TEST(SatMulDiv, RoundsLikeMulDivAndSaturates) {
  struct Case {
    int a, b, c, expected;
  } cases[] = {
      {10, 3, 4, 8},     {-10, 3, 4, -8},  {5, 1, 2, 3},    {-5, 1, 2, -3},
      {7, 96, 72, 9},    {INT_MAX, INT_MAX, 1, INT_MAX},  {INT_MIN, INT_MAX, 1, INT_MIN},
      {INT_MIN, -1, 1, INT_MAX},  {5, 5, 0, INT_MAX},  {-5, 5, 0, INT_MIN},  {0, 5, 0, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SatMulDiv(c.a, c.b, c.c), c.expected) << c.a << "*" << c.b << "/" << c.c;
    if (c.c != 0 && std::llabs(static_cast<long long>(c.a) * c.b / c.c) < INT_MAX) {
      EXPECT_EQ(SatMulDiv(c.a, c.b, c.c), MulDiv(c.a, c.b, c.c));
    }
  }
}

TEST(HtmlColor, ReadsNamesRgbAndHex) {
  struct Case {
    std::u16string text;
    TColor color;
  } cases[] = {
      {u"Red", RGB(255, 0, 0)},
      {u" red ", RGB(255, 0, 0)},
      {u"#abc", RGB(0xAA, 0xBB, 0xCC)},
      {u"#aabbcc", RGB(0xAA, 0xBB, 0xCC)},
      {u"aabbcc", RGB(0xAA, 0xBB, 0xCC)},
      {u"rgb(100%, 0, 0)", RGB(255, 0, 0)},
      {u"rgb(300, -5, 128)", RGB(255, 0, 128)},
      {u"LightGoldenrodYellow", RGB(0xFA, 0xFA, 0xD2)},
      {u"grey", RGB(128, 128, 128)},
      {u"transparent", clNone},
      {u"buttontext", clSystemColor | 18},
      {u"threedface", clSystemColor | 15},
  };
  for (const auto& c : cases) {
    TColor got = 1;
    EXPECT_TRUE(ColorFromString(c.text, got));
    EXPECT_EQ(got, c.color) << std::string(c.text.begin(), c.text.end());
  }
}

TEST(HtmlColor, UnreadableTextLeavesTheTarget) {
  // More than six hex digits would otherwise read as a system colour.
  for (std::u16string text : {u"#FFFFFF00", u"#ff0000ff", u"nosuchcolor", u"", u"rgb(1,2)", u"#12g"}) {
    TColor c = 0x123456;
    EXPECT_FALSE(ColorFromString(text, c)) << std::string(text.begin(), text.end());
    EXPECT_EQ(c, 0x123456u);
  }
}

TEST(Lengths, EveryUnitAt96Ppi) {
  struct Case {
    std::u16string text;
    bool relative;
    int expected;
  } cases[] = {
      {u"50%", false, 100},  // of base 200
      {u"1in", false, 96},      {u"2.54cm", false, 96},  {u"25.4mm", false, 96},
      {u"72pt", false, 96},     {u"6pc", false, 96},     {u"13px", false, 13},
      {u"1.5em", false, 30},    {u"2ex", false, 20},     {u"3", false, 3},
      {u"1.5rem", false, 24},  // of the page's starting 12 pt, not the element's font
      {u"1.5", true, 300},      {u"2.5px", false, 2},    {u"3.5px", false, 4},
      {u"5furlongs", false, -7}, {u"auto", false, -7},   {u"", false, -7},
      // Hostile lengths saturate.
      {u"1e12px", false, INT_MAX}, {u"-1000000000000px", false, INT_MIN},
  };
  for (const auto& c : cases)
    EXPECT_EQ(LengthConv(c.text, c.relative, 200, 20, 10, -7, 96), c.expected)
        << std::string(c.text.begin(), c.text.end());
}

// Numbers past a double's range: a zero with a huge exponent, a digit run
// of hundreds of digits, and both together. None gives NaN, and what the
// readers build on them saturates.
TEST(Lengths, NumbersPastADoublesRange) {
  const std::u16string digits400 = u"1" + std::u16string(400, u'0');
  struct Case {
    std::u16string text;
    std::size_t used;
    double value;
  } cases[] = {
      {u"12.5px", 4, 12.5},
      {u"0e400", 5, 0},
      {u"-0e999px", 6, 0},
      {u"0.0e-400", 8, 0},
      {u"1e400", 5, HUGE_VAL},
      {u"-1e400", 6, -HUGE_VAL},
      {u"1e-400", 6, 0},
      {digits400, 401, HUGE_VAL},
      {digits400 + u"e-400", 406, 1},
      {digits400 + u"e-399px", 406, 10},
      {digits400 + u".5e-1000", 409, 0},
  };
  for (const auto& c : cases) {
    double n = -7;
    EXPECT_EQ(ReadLeadingNumber(c.text, n), c.used) << std::string(c.text.begin(), c.text.end());
    EXPECT_FALSE(std::isnan(n)) << std::string(c.text.begin(), c.text.end());
    if (std::isinf(c.value)) EXPECT_EQ(n, c.value);
    else EXPECT_NEAR(n, c.value, 1e-9 * std::max(1.0, std::fabs(c.value)));
  }
  struct Length {
    std::u16string text;
    int pixels;
  } lengths[] = {
      {u"0e400px", 0},          {u"0e400%", 0},           {u"1e400px", INT_MAX},
      {u"-1e400em", INT_MIN},   {digits400 + u"px", INT_MAX},
      {digits400 + u"e-398px", 100},
  };
  for (const auto& c : lengths)
    EXPECT_EQ(LengthConv(c.text, false, 200, 20, 10, -7, 96), c.pixels)
        << std::string(c.text.begin(), c.text.end());
  EXPECT_DOUBLE_EQ(FontSizeConv(u"0e400pt", 12, 12, 96), MinFontSize);
  EXPECT_DOUBLE_EQ(FontSizeConv(digits400 + u"e-399pt", 12, 12, 96), 10);
}

TEST(FontSizes, UnitsKeywordsAndClamp) {
  struct Case {
    std::u16string text;
    double points;
  } cases[] = {
      {u"150%", 18},     {u"larger", 15},   {u"smaller", 9},  {u"12px", 9},
      {u"1in", 72},      {u"2pc", 24},      {u"2em", 24},     {u"2ex", 12},
      {u"14pt", 14},     {u"1.5rem", 18},   {u"xx-small", 8},  {u"x-small", 10}, {u"small", 12},
      {u"medium", 14.4}, {u"large", 18},    {u"x-large", 24}, {u"xx-large", 36},
      {u"bogus", 12},    {u"1e9%", 2000},   {u"0px", 1},      {u"-5pt", 1},
  };
  for (const auto& c : cases)
    EXPECT_DOUBLE_EQ(FontSizeConv(c.text, 12, 12, 96), c.points)
        << std::string(c.text.begin(), c.text.end());
}

TEST(CharSets, NamesAndCodePages) {
  EXPECT_EQ(CharSetFromName(u"text/html; charset=Windows-1251"), 204);
  EXPECT_EQ(CharSetFromName(u"ISO-8859-2"), 31);
  EXPECT_EQ(CharSetFromName(u"Shift_JIS"), 128);
  EXPECT_EQ(CharSetFromName(u"utf-8"), -1);
  struct Case {
    int in, charSet, codePage;
  } cases[] = {{0, 0, 1252}, {1, 1, 0}, {128, 128, 932}, {31, 238, 28592}, {255, 255, 1}, {99, 99, 0}};
  for (const auto& c : cases) {
    TCharSetCodePage r = CodePageOfCharSet(c.in);
    EXPECT_EQ(r.CharSet, c.charSet) << c.in;
    EXPECT_EQ(r.CodePage, c.codePage) << c.in;
  }
  THtmlFontSizes sizes;
  sizes.Build(12);
  EXPECT_DOUBLE_EQ(sizes.Size(1, false), 8);
  EXPECT_DOUBLE_EQ(sizes.Size(7, false), 36);
  EXPECT_DOUBLE_EQ(sizes.Size(3, true), 10);
  EXPECT_DOUBLE_EQ(sizes.Size(99, true), 30);
}

}  // namespace
}  // namespace tav
