#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "html/paint/border_painter.h"
#include "platform/testing/fixed_metrics_device.h"

namespace tav {
namespace {

constexpr TColor Gray = RGB(0x80, 0x80, 0x80);
constexpr TColor White = clWhite;

TBorderSides AllSides(BorderStyleType style, int width, TColor color) {
  TBorderSides s;
  s.Width.fill(width);
  s.Color.fill(color);
  s.Style.fill(style);
  return s;
}

struct Probe {
  int x, y;
  TColor color;
};

// A box 10..50 each way with 6-pixel gray borders on a white 60 x 60
// surface; each style is told apart by a few pixels.
TEST(DrawBorder, StylesByTheirPixels) {
  const TColor dark = DarkerShade(Gray), light = LighterShade(Gray);
  struct Case {
    BorderStyleType style;
    std::vector<Probe> probes;
  } cases[] = {
      {BorderStyleType::bssNone, {{30, 10, White}, {10, 30, White}, {30, 49, White}}},
      {BorderStyleType::bssSolid,
       {{30, 10, Gray}, {30, 15, Gray}, {30, 16, White}, {10, 30, Gray}, {15, 30, Gray},
        {16, 30, White}, {49, 30, Gray}, {30, 49, Gray}, {50, 30, White}, {30, 9, White},
        {10, 10, Gray}, {49, 49, Gray}}},
      // Two thirds of ink with a third of gap between.
      {BorderStyleType::bssDouble,
       {{30, 10, Gray}, {30, 11, Gray}, {30, 12, White}, {30, 13, White}, {30, 14, Gray},
        {30, 15, Gray}, {10, 30, Gray}, {12, 30, White}, {15, 30, Gray}}},
      {BorderStyleType::bssInset,
       {{30, 10, dark}, {30, 15, dark}, {10, 30, dark}, {30, 49, light}, {49, 30, light}}},
      {BorderStyleType::bssOutset,
       {{30, 10, light}, {30, 15, light}, {10, 30, light}, {30, 49, dark}, {49, 30, dark}}},
      // Sunken outer half, raised inner half; the ridge the other way round.
      {BorderStyleType::bssGroove,
       {{30, 10, dark}, {30, 14, light}, {10, 30, dark}, {14, 30, light}, {30, 49, light},
        {30, 45, dark}}},
      {BorderStyleType::bssRidge,
       {{30, 10, light}, {30, 14, dark}, {10, 30, light}, {30, 49, dark}, {30, 45, light}}},
      {BorderStyleType::bssDashed,
       {{12, 12, Gray}, {27, 12, White}, {35, 12, Gray}, {12, 45, Gray}, {45, 27, Gray}, {45, 33, White}}},
      {BorderStyleType::bssDotted,
       {{12, 12, Gray}, {18, 12, White}, {24, 12, Gray}, {30, 16, White}}},
  };
  TFixedMetricsDevice device;
  for (const auto& c : cases) {
    auto surface = device.CreateSurface(60, 60);
    DrawBorder(*surface, {10, 10, 50, 50}, AllSides(c.style, 6, Gray));
    for (const Probe& p : c.probes)
      EXPECT_EQ(surface->Pixel(p.x, p.y), p.color)
          << "style " << static_cast<int>(c.style) << " at " << p.x << "," << p.y;
    EXPECT_EQ(surface->Pixel(30, 30), White) << "style " << static_cast<int>(c.style);
  }
}

TEST(DrawBorder, SidesMeetAtMitredCorners) {
  TFixedMetricsDevice device;
  auto surface = device.CreateSurface(60, 60);
  TBorderSides s = AllSides(BorderStyleType::bssSolid, 6, clRed);
  s.Color[3] = clBlue;      // left
  s.Width[0] = 3;           // a thinner top
  const TPen pen{TPenStyle::psDash, 2, clGreen};
  const TBrush brush{TBrushStyle::bsClear, clYellow};
  surface->SetPen(pen);
  surface->SetBrush(brush);
  DrawBorder(*surface, {10, 10, 50, 50}, s);
  EXPECT_EQ(surface->Pixel(10, 11), clBlue);
  EXPECT_EQ(surface->Pixel(14, 11), clRed);
  EXPECT_EQ(surface->Pixel(11, 14), clBlue);
  EXPECT_EQ(surface->Pixel(15, 12), clRed);
  EXPECT_EQ(surface->Pixel(15, 13), clBlue);
  EXPECT_EQ(surface->Pixel(16, 13), White);
  EXPECT_EQ(surface->Pixel(11, 47), clBlue);
  EXPECT_EQ(surface->Pixel(13, 48), clRed);
  EXPECT_EQ(surface->Pixel(12, 49), clRed);
  // The caller's pen and brush are back.
  EXPECT_EQ(surface->Pen(), pen);
  EXPECT_EQ(surface->Brush(), brush);
}

TEST(DrawBorder, OmittedSidesStayUntouched) {
  TFixedMetricsDevice device;
  TBorderSides s = AllSides(BorderStyleType::bssSolid, 3, clRed);
  s.Color[3] = clBlue;   // left
  s.Color[1] = clGreen;  // right
  struct Case {
    bool omitLeft, omitRight;
  } cases[] = {{true, false}, {false, true}, {true, true}};
  for (const auto& c : cases) {
    auto surface = device.CreateSurface(60, 60);
    DrawBorder(*surface, {10, 10, 50, 50}, s, c.omitLeft, c.omitRight);
    EXPECT_EQ(surface->Pixel(11, 30), c.omitLeft ? White : clBlue);
    EXPECT_EQ(surface->Pixel(48, 30), c.omitRight ? White : clGreen);
    // Top and bottom run to the box's edge where a side is left out.
    EXPECT_EQ(surface->Pixel(10, 12), c.omitLeft ? clRed : clBlue);
    EXPECT_EQ(surface->Pixel(49, 12), c.omitRight ? clRed : clGreen);
    EXPECT_EQ(surface->Pixel(49, 49), c.omitRight ? clRed : clGreen);
    EXPECT_EQ(surface->Pixel(30, 11), clRed);
  }
}

TEST(DrawBorder, SidesWiderThanTheBoxShareIt) {
  TFixedMetricsDevice device;
  auto surface = device.CreateSurface(60, 60);
  TBorderSides s = AllSides(BorderStyleType::bssSolid, 15, clRed);
  s.Style[0] = s.Style[2] = BorderStyleType::bssNone;
  s.Color[3] = clBlue;
  // 30 pixels of left and right border in a box 20 wide: half each.
  DrawBorder(*surface, {10, 10, 30, 50}, s);
  EXPECT_EQ(surface->Pixel(10, 30), clBlue);
  EXPECT_EQ(surface->Pixel(19, 30), clBlue);
  EXPECT_EQ(surface->Pixel(20, 30), clRed);
  EXPECT_EQ(surface->Pixel(29, 30), clRed);
  EXPECT_EQ(surface->Pixel(30, 30), White);
}

TEST(DrawBorder, SystemColoursAreResolved) {
  TFixedMetricsDevice device;
  auto surface = device.CreateSurface(60, 60);
  TBorderSides s = AllSides(BorderStyleType::bssInset, 4, clBtnFace);
  s.Style[2] = BorderStyleType::bssSolid;
  s.Color[2] = clBtnShadow;
  DrawBorder(*surface, {10, 10, 50, 50}, s);
  EXPECT_EQ(surface->Pixel(30, 10), DarkerShade(GetSysColor(COLOR_BTNFACE)));
  EXPECT_EQ(surface->Pixel(49, 30), LighterShade(GetSysColor(COLOR_BTNFACE)));
  EXPECT_EQ(surface->Pixel(30, 49), GetSysColor(COLOR_BTNSHADOW));
}

TEST(DrawBorder, HugeBoxesDrawOnlyTheVisiblePart) {
  TFixedMetricsDevice device;
  for (BorderStyleType style : {BorderStyleType::bssSolid, BorderStyleType::bssDashed,
                                BorderStyleType::bssRidge}) {
    auto surface = device.CreateSurface(60, 60);
    // Only the top is on the surface.
    DrawBorder(*surface, {-1'000'000'000, 10, 1'000'000'000, 1'000'000'000},
               AllSides(style, 4, clRed));
    int inked = 0;
    for (int x = 0; x < 60; ++x) inked += surface->Pixel(x, 10) != White;
    EXPECT_GT(inked, 30) << static_cast<int>(style);
    EXPECT_EQ(surface->Pixel(30, 14), White) << static_cast<int>(style);
    EXPECT_EQ(surface->Pixel(0, 30), White) << static_cast<int>(style);
    EXPECT_EQ(surface->Pixel(59, 30), White) << static_cast<int>(style);

    // Borders of an enormous box around the surface, and huge widths.
    auto around = device.CreateSurface(60, 60);
    DrawBorder(*around, {-1'000'000'000, -1'000'000'000, 1'000'000'000, 1'000'000'000},
               AllSides(style, 4, clRed));
    DrawBorder(*around, {-5, -5, 5, 5}, AllSides(style, 2'000'000'000, clRed));
    EXPECT_EQ(around->Pixel(30, 30), White) << static_cast<int>(style);
  }
}

TEST(BorderShades, LighterAndDarkerThanTheColour) {
  for (TColor c : {Gray, clRed, clBlack, clWhite, RGB(10, 200, 90)}) {
    const TColor light = LighterShade(c), dark = DarkerShade(c);
    for (int (*channel)(TColor) : {GetRValue, GetGValue, GetBValue}) {
      EXPECT_GE(channel(light), channel(c));
      EXPECT_LE(channel(dark), channel(c));
    }
  }
  EXPECT_NE(LighterShade(Gray), Gray);
  EXPECT_NE(DarkerShade(Gray), Gray);
  EXPECT_EQ(LighterShade(clBtnFace), LighterShade(GetSysColor(COLOR_BTNFACE)));
}

}  // namespace
}  // namespace tav
