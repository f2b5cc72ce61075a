#include "widgets/hls_color.h"

#include <gtest/gtest.h>

namespace tav {
namespace {

TEST(HlsColor, ConvertsKnownColours) {
  struct Case {
    TColor Rgb;
    int H, L, S;
  } cases[] = {
      {RGB(255, 0, 0), 0, 120, 240},    {RGB(0, 255, 0), 80, 120, 240},
      {RGB(0, 0, 255), 160, 120, 240},  {RGB(255, 255, 255), 160, 240, 0},
      {RGB(0, 0, 0), 160, 0, 0},        {RGB(128, 128, 128), 160, 120, 0},
      {RGB(255, 255, 0), 40, 120, 240},
  };
  for (const Case& c : cases) {
    THlsColor hls = ColorRGBToHLS(c.Rgb);
    EXPECT_EQ(hls.H, c.H) << std::hex << c.Rgb;
    EXPECT_EQ(hls.L, c.L) << std::hex << c.Rgb;
    EXPECT_EQ(hls.S, c.S) << std::hex << c.Rgb;
    EXPECT_EQ(ColorHLSToRGB(hls), c.Rgb) << std::hex << c.Rgb;
  }
}

TEST(HlsColor, RoundTripStaysWithinOneStepPerChannel) {
  for (TColor rgb : {RGB(200, 100, 50), RGB(17, 230, 141), RGB(240, 240, 240), RGB(1, 2, 3)}) {
    TColor back = ColorHLSToRGB(ColorRGBToHLS(rgb));
    EXPECT_LE(std::abs(GetRValue(back) - GetRValue(rgb)), 2) << std::hex << rgb;
    EXPECT_LE(std::abs(GetGValue(back) - GetGValue(rgb)), 2) << std::hex << rgb;
    EXPECT_LE(std::abs(GetBValue(back) - GetBValue(rgb)), 2) << std::hex << rgb;
  }
}

TEST(HlsColor, AdjustLumaMovesLuminanceAndClamps) {
  TColor base = RGB(200, 100, 50);
  THlsColor h0 = ColorRGBToHLS(base);
  THlsColor lighter = ColorRGBToHLS(LighterColor(base, 20));
  THlsColor darker = ColorRGBToHLS(DarkerColor(base, 40));
  EXPECT_NEAR(lighter.L, h0.L + 20, 1);
  EXPECT_NEAR(darker.L, h0.L - 40, 1);
  EXPECT_NEAR(lighter.H, h0.H, 2);
  EXPECT_EQ(LighterColor(RGB(250, 250, 250), 20), clWhite);
  EXPECT_EQ(DarkerColor(RGB(5, 5, 5), 40), clBlack);
  // System colours are resolved before the arithmetic.
  EXPECT_EQ(ColorAdjustLuma(clBtnFace, 0), ColorHLSToRGB(ColorRGBToHLS(ColorToRGB(clBtnFace))));
}

}  // namespace
}  // namespace tav
