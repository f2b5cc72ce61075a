#include <gtest/gtest.h>

#include <climits>

#include "html/css/properties.h"
#include "html/layout/block_geometry.h"

namespace tav {
namespace {

// Rows by the number of auto values among margin-left, margin-right and
// width; 500 pixels available and 20 of borders and padding unless a row
// says otherwise.
TEST(FindBlockWidth, ByNumberOfAutoValues) {
  struct Case {
    const char* name;
    TWidthInput in;
    TWidthResult out;
  };
  auto In = [](int ml, int mr, int w) {
    TWidthInput in;
    in.Available = 500;
    in.Horizontal = 20;
    in.MarginLeft = ml;
    in.MarginRight = mr;
    in.Width = w;
    in.ContentMin = 50;
    in.ContentMax = 300;
    return in;
  };
  auto With = [](TWidthInput in, auto change) {
    change(in);
    return in;
  };
  const Case cases[] = {
      // None auto.
      {"given", In(10, 10, 200), {200, 10, 10}},
      {"content wider", With(In(10, 10, 100), [](auto& i) { i.ContentMin = 150; }), {150, 10, 10}},
      {"overflow hidden",
       With(In(10, 10, 100), [](auto& i) { i.ContentMin = 150; i.OverflowHidden = true; }),
       {100, 10, 10}},
      {"centred", With(In(0, 0, 200), [](auto& i) { i.CenterText = true; }), {200, 140, 140}},
      {"right", With(In(0, 0, 200), [](auto& i) { i.RightText = true; }), {200, 280, 0}},
      {"centred with margins", With(In(5, 5, 200), [](auto& i) { i.CenterText = true; }),
       {200, 5, 5}},
      {"centred float",
       With(In(0, 0, 200), [](auto& i) { i.CenterText = true; i.Floating = true; }),
       {200, 0, 0}},
      {"centred positioned",
       With(In(0, 0, 200), [](auto& i) { i.CenterText = true; i.Positioned = true; }),
       {200, 0, 0}},
      {"centred too wide", With(In(0, 0, 600), [](auto& i) { i.CenterText = true; }),
       {600, 0, 0}},
      {"right too wide", With(In(0, 0, 600), [](auto& i) { i.RightText = true; }), {600, 0, 0}},
      // One auto.
      {"width fills", In(10, 30, Auto), {440, 10, 30}},
      {"content wider than the space",
       With(In(10, 30, Auto), [](auto& i) { i.ContentMin = 600; }), {600, 10, 30}},
      {"absolute minus its left",
       With(In(10, 30, Auto), [](auto& i) { i.Absolute = i.Positioned = true; i.LeftPos = 100; }),
       {340, 10, 30}},
      {"float shrinks to content", With(In(10, 30, Auto), [](auto& i) { i.Floating = true; }),
       {300, 10, 30}},
      {"float fills at most",
       With(In(10, 30, Auto), [](auto& i) { i.Floating = true; i.ContentMax = 1000; }),
       {440, 10, 30}},
      {"float keeps its content minimum",
       With(In(0, 0, Auto), [](auto& i) { i.Floating = true; i.Available = 200; i.ContentMin = 300;
                                          i.ContentMax = 400; }),
       {300, 0, 0}},
      {"left margin takes the rest", In(Auto, 30, 200), {200, 250, 30}},
      {"right margin takes the rest", In(30, Auto, 200), {200, 30, 250}},
      {"float's right margin", With(In(30, Auto, 200), [](auto& i) { i.Floating = true; }),
       {200, 30, 0}},
      {"left margin never negative", In(Auto, 30, 600), {600, 0, 30}},
      {"right margin never negative", In(30, Auto, 600), {600, 30, 0}},
      // Two auto.
      {"auto left margin is 0", In(Auto, 30, Auto), {450, 0, 30}},
      {"auto right margin is 0", In(30, Auto, Auto), {450, 30, 0}},
      {"centred by margins", In(Auto, Auto, 200), {200, 140, 140}},
      {"centred too wide by margins", In(Auto, Auto, 600), {600, 0, 0}},
      // Three auto.
      {"all auto", In(Auto, Auto, Auto), {480, 0, 0}},
      {"all auto, wide content", With(In(Auto, Auto, Auto), [](auto& i) { i.ContentMin = 600; }),
       {600, 0, 0}},
      // max-width: the width found again as if given, margins with it.
      {"limit cuts a filling width", With(In(10, 30, Auto), [](auto& i) { i.MaxWidth = 200; }),
       {200, 10, 30}},
      {"limit cuts a given width", With(In(10, 10, 400), [](auto& i) { i.MaxWidth = 200; }),
       {200, 10, 10}},
      {"limit above the width", With(In(10, 10, 100), [](auto& i) { i.MaxWidth = 200; }),
       {100, 10, 10}},
      {"limited and centred by margins",
       With(In(Auto, Auto, Auto), [](auto& i) { i.MaxWidth = 200; }), {200, 140, 140}},
      {"limited, left margin auto", With(In(Auto, 30, Auto), [](auto& i) { i.MaxWidth = 200; }),
       {200, 250, 30}},
      {"limit below the content minimum",
       With(In(10, 10, Auto), [](auto& i) { i.MaxWidth = 20; }), {50, 10, 10}},
      {"limited float", With(In(0, 0, Auto), [](auto& i) { i.Floating = true; i.MaxWidth = 100; }),
       {100, 0, 0}},
  };
  for (const auto& c : cases) {
    const TWidthResult r = FindBlockWidth(c.in);
    EXPECT_EQ(r.Width, c.out.Width) << c.name;
    EXPECT_EQ(r.MarginLeft, c.out.MarginLeft) << c.name;
    EXPECT_EQ(r.MarginRight, c.out.MarginRight) << c.name;
  }
}

TEST(FindBlockWidth, HostileSizesSaturate) {
  TWidthInput in;
  in.Available = INT_MAX;
  in.Horizontal = -2'000'000'000;
  in.MarginLeft = in.MarginRight = in.Width = Auto;
  EXPECT_EQ(FindBlockWidth(in).Width, INT_MAX);
  in.Available = 100;
  in.Horizontal = 2'000'000'000;
  EXPECT_EQ(FindBlockWidth(in).Width, 0);
}

TEST(CollapsedMargin, MergesTwoMargins) {
  struct Case {
    int bottom, top, merged;
  } cases[] = {
      {10, 14, 14}, {14, 10, 14}, {0, 0, 0},     {0, 14, 14},  {-5, 14, 9},
      {14, -20, -6}, {-5, -8, -8}, {-8, -5, -8}, {-8, 0, -8},
  };
  for (const auto& c : cases)
    EXPECT_EQ(CollapsedMargin(c.bottom, c.top), c.merged) << c.bottom << " " << c.top;
}

}  // namespace
}  // namespace tav
