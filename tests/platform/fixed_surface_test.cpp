#include "platform/testing/fixed_metrics_device.h"

#include <gtest/gtest.h>

#include <climits>

#include "platform/font_cache.h"
#include "platform/testing/recording_surface.h"

namespace tav {
namespace {

constexpr TColor kInk = clBlack;

TFontDesc Font(int height, int weight = FW_NORMAL) {
  TFontDesc s;
  s.Face = u"Arial";
  s.Height = height;
  s.Weight = weight;
  return s;
}

class FixedSurfaceTest : public ::testing::Test {
protected:
  void SetUp() override {
    S = Device.CreateSurface(200, 60);
    S->SetFont(Font(-16));  // em 16: height 18, ascent 14, descent 4, width 8
    S->SetBkMode(TBkMode::bkTransparent);
  }
  // Columns of row y holding ink (black).
  std::vector<int> InkColumns(int y) const {
    std::vector<int> out;
    for (int x = 0; x < S->Size().cx; ++x)
      if (S->Pixel(x, y) == kInk) out.push_back(x);
    return out;
  }
  // Left edges of the ink boxes on row y.
  std::vector<int> GlyphStarts(int y) const {
    std::vector<int> out;
    for (int x = 0; x < S->Size().cx; ++x)
      if (S->Pixel(x, y) == kInk && (x == 0 || S->Pixel(x - 1, y) != kInk)) out.push_back(x);
    return out;
  }

  TFixedMetricsDevice Device;
  std::unique_ptr<TFixedMetricsSurface> S;
};

TEST_F(FixedSurfaceTest, MetricsFollowTheStatedRule) {
  struct TCase {
    int Height, Weight;
    int CellHeight, Ascent, Descent, Internal, Width;
  };
  for (TCase c : {TCase{-16, FW_NORMAL, 18, 14, 4, 2, 8}, TCase{18, FW_NORMAL, 18, 14, 4, 2, 8},
                  TCase{-16, FW_BOLD, 18, 14, 4, 2, 9}, TCase{-8, FW_NORMAL, 9, 7, 2, 1, 4},
                  TCase{0, FW_NORMAL, 18, 14, 4, 2, 8}}) {
    TFontRef f = Device.CreateFont(Font(c.Height, c.Weight));
    const TTextMetric& m = f->Metrics();
    EXPECT_EQ(m.Height, c.CellHeight) << c.Height;
    EXPECT_EQ(m.Ascent, c.Ascent) << c.Height;
    EXPECT_EQ(m.Descent, c.Descent) << c.Height;
    EXPECT_EQ(m.InternalLeading, c.Internal) << c.Height;
    EXPECT_EQ(f->CharAdvance(U'x'), c.Width) << c.Height;
    EXPECT_EQ(f->CharAdvance(U'\x4E2D'), 2 * c.Width) << c.Height;  // a wide character
  }
  // The same description gives the same handle.
  EXPECT_EQ(Device.CreateFont(Font(-16)), Device.CreateFont(Font(-16)));
}

// A long-lived device asked for ever new descriptions (a page's odd family
// names) keeps only about as many entries as it has live fonts, and a live
// font keeps its handle through the sweeps.
TEST(MulDiv, RoundsHalvesAwayFromZeroAndFailsOutsideTheIntRange) {
  const struct {
    int a, b, c, result;
  } cases[] = {
      {10, 96, 72, 13},  {-10, 96, 72, -13}, {3, 1, 2, 2},         {-3, 1, 2, -2},
      {3, -1, 2, -2},    {1, 1, 0, -1},      {INT_MAX, 2, 2, INT_MAX},
      {INT_MIN, 1, 1, INT_MIN}, {INT_MAX, INT_MAX, 1, -1}, {INT_MIN, 2, 1, -1},
      {INT_MIN, -1, 1, -1},
  };
  for (const auto& c : cases)
    EXPECT_EQ(MulDiv(c.a, c.b, c.c), c.result) << c.a << " * " << c.b << " / " << c.c;
}

TEST(FontCache, DropsTheEntriesOfFontsThatAreGone) {
  TFixedMetricsDevice device;
  TFontCache cache;
  const TFontRef kept = cache.Get(Font(-16), [&] { return device.CreateFont(Font(-16)); });
  for (int i = 0; i < 10000; ++i) {
    TFontDesc d = Font(-16);
    d.Face = u"Face " + std::u16string(1, static_cast<char16_t>(u'A' + i % 26)) +
             std::u16string(static_cast<std::size_t>(i / 26 % 50), u'x');
    d.Height = -(i % 7) - 1;
    cache.Get(d, [&] { return device.CreateFont(d); });  // dropped at once
    ASSERT_LT(cache.Size(), 200u) << i;
  }
  EXPECT_EQ(cache.Get(Font(-16), [&] { return device.CreateFont(Font(-16)); }), kept);
}

TEST_F(FixedSurfaceTest, MeasuringCountsLetterSpacingJustificationAndPairs) {
  EXPECT_EQ(S->GetTextExtentPoint(u"abc").cx, 24);
  EXPECT_EQ(S->GetTextExtentPoint(u"abc").cy, 18);
  S->SetTextCharacterExtra(2);
  EXPECT_EQ(S->GetTextExtentPoint(u"abc").cx, 30);
  S->SetTextCharacterExtra(0);

  // 7 extra pixels over 2 breaks: 4 then 3; a third space gets nothing.
  S->SetTextJustification(7, 2);
  std::vector<int> adv;
  S->TextAdvances(u"a b c d", adv);
  EXPECT_EQ(adv, (std::vector<int>{8, 12, 8, 11, 8, 8, 8}));
  EXPECT_EQ(S->GetTextExtentPoint(u"a b c d").cx, 56 + 7);
  S->SetTextJustification(0, 0);
  EXPECT_EQ(S->GetTextExtentPoint(u"a b c d").cx, 56);

  // A surrogate pair is one character: one advance, never split.
  std::u16string pair = u"a\U0001F600b";
  std::vector<int> partial;
  EXPECT_EQ(S->GetTextExtentExPoint(pair, 15, &partial), 1);
  EXPECT_EQ(S->GetTextExtentExPoint(pair, 16, nullptr), 3);
  EXPECT_EQ(partial, (std::vector<int>{8, 16, 16, 24}));
  EXPECT_EQ(S->GetTextExtentExPoint(u"abc", 23, nullptr), 2);
  EXPECT_EQ(S->GetTextExtentExPoint(u"abc", 24, nullptr), 3);
}

TEST_F(FixedSurfaceTest, TextLandsAtTheGivenAdvancesAndAlignment) {
  // Top alignment: ink from the em top (y + 2) to the baseline (y + 14).
  S->TextOut(10, 0, u"ab");
  EXPECT_EQ(GlyphStarts(5), (std::vector<int>{10, 18}));
  EXPECT_EQ(InkColumns(5).back(), 24);  // width 8: ink up to one pixel before the advance
  EXPECT_NE(S->Pixel(10, 2), clWhite);
  EXPECT_EQ(S->Pixel(10, 1), clWhite);
  EXPECT_EQ(S->Pixel(10, 14), clWhite);

  // Baseline alignment with explicit advances.
  S->SetTextAlign(TA_BASELINE);
  const int dx[] = {20, 10, 30};
  S->ExtTextOut(10, 50, 0, nullptr, u"xyz", dx);
  EXPECT_EQ(GlyphStarts(45), (std::vector<int>{10, 30, 40}));
  EXPECT_EQ(S->Pixel(10, 50), clWhite);
  EXPECT_EQ(S->Pixel(10, 49), kInk);

  // Right alignment ends the text at x.
  S->FillRect({0, 0, 200, 60}, clWhite);
  S->SetTextAlign(TA_RIGHT | TA_TOP);
  S->TextOut(100, 0, u"ab");
  EXPECT_EQ(GlyphStarts(5), (std::vector<int>{84, 92}));
}

TEST_F(FixedSurfaceTest, JustifiedOutputSpreadsPixelsOverSpaces) {
  S->SetTextJustification(10, 2);
  S->TextOut(0, 0, u"a b c");
  EXPECT_EQ(GlyphStarts(5), (std::vector<int>{0, 21, 42}));
  // An advance array overrides justification.
  S->FillRect({0, 0, 200, 60}, clWhite);
  const int dx[] = {8, 8, 8, 8, 8};
  S->ExtTextOut(0, 0, 0, nullptr, u"a b c", dx);
  EXPECT_EQ(GlyphStarts(5), (std::vector<int>{0, 16, 32}));
}

TEST_F(FixedSurfaceTest, OpaqueAndClippedOutput) {
  // ETO_OPAQUE fills the rectangle even in transparent mode; ETO_CLIPPED
  // keeps the ink inside it.
  S->SetBkColor(clRed);
  TRect r{10, 0, 30, 18};
  S->ExtTextOut(10, 0, ETO_OPAQUE | ETO_CLIPPED, &r, u"abcd", nullptr);
  EXPECT_EQ(S->Pixel(29, 1), clRed);
  EXPECT_EQ(S->Pixel(30, 5), clWhite);
  EXPECT_EQ(InkColumns(5).back(), 29);
  // Opaque mode without a rectangle fills the text cell.
  S->SetBkMode(TBkMode::bkOpaque);
  S->TextOut(100, 30, u"a");
  EXPECT_EQ(S->Pixel(107, 30), clRed);  // cell top, no ink there
  EXPECT_EQ(S->Pixel(108, 30), clWhite);
  EXPECT_EQ(S->Pixel(100, 47), clRed);
}

TEST_F(FixedSurfaceTest, ClipSaveAndRestore) {
  S->SetViewportOrigin({5, 0});
  int level = S->SaveDC();
  S->IntersectClipRect({10, 10, 20, 20});  // logical: device 15..25
  S->SetTextColor(clBlue);
  EXPECT_EQ(S->GetClipBox(), (TRect{10, 10, 20, 20}));
  S->FillRect({0, 0, 100, 50}, clRed);
  EXPECT_EQ(S->Pixel(15, 10), clRed);
  EXPECT_EQ(S->Pixel(24, 19), clRed);
  EXPECT_EQ(S->Pixel(14, 10), clWhite);
  EXPECT_EQ(S->Pixel(25, 19), clWhite);
  S->SaveDC();
  S->ExcludeClipRect({12, 12, 14, 14});
  S->FillRect({0, 0, 100, 50}, clLime);
  EXPECT_EQ(S->Pixel(18, 13), clRed);  // excluded: device (17..19, 12..14)
  EXPECT_EQ(S->Pixel(15, 10), clLime);

  EXPECT_TRUE(S->RestoreDC(level));  // pops both
  EXPECT_FALSE(S->RestoreDC(-1));
  EXPECT_EQ(S->TextColor(), clBlack);
  TRegion none;
  EXPECT_FALSE(S->GetClipRegion(none));
  S->FillRect({0, 0, 100, 50}, clBlue);
  EXPECT_EQ(S->Pixel(0, 0), clWhite);  // the origin was set before the save
  EXPECT_EQ(S->Pixel(5, 0), clBlue);

  // A region clip in device pixels.
  TRegion round = TRegion::Ellipse({100, 0, 140, 40});
  S->SelectClipRegion(&round);
  S->FillRect({0, 0, 200, 60}, clRed);
  EXPECT_EQ(S->Pixel(120, 20), clRed);
  EXPECT_EQ(S->Pixel(101, 1), clBlue);
  EXPECT_EQ(S->Pixel(135, 3), clWhite);
  S->SelectClipRegion(nullptr);
}

TEST_F(FixedSurfaceTest, LinesShapesAndFocusRect) {
  S->MoveTo(0, 0);
  S->LineTo(10, 0);  // end point left out
  EXPECT_EQ(S->Pixel(9, 0), clBlack);
  EXPECT_EQ(S->Pixel(10, 0), clWhite);
  S->SetPen({TPenStyle::psDot, 1, clRed});
  S->MoveTo(0, 2);
  S->LineTo(6, 2);
  EXPECT_EQ(InkColumns(2).size(), 0u);
  for (int x : {0, 2, 4}) EXPECT_EQ(S->Pixel(x, 2), clRed);
  for (int x : {1, 3, 5}) EXPECT_EQ(S->Pixel(x, 2), clWhite);

  S->SetPen({TPenStyle::psSolid, 1, clBlue});
  S->SetBrush({TBrushStyle::bsSolid, clLime});
  S->Rectangle({20, 0, 30, 10});
  EXPECT_EQ(S->Pixel(20, 0), clBlue);
  EXPECT_EQ(S->Pixel(29, 9), clBlue);
  EXPECT_EQ(S->Pixel(25, 5), clLime);
  EXPECT_EQ(S->Pixel(30, 5), clWhite);

  S->SetBrush({TBrushStyle::bsSolid, clRed});
  S->SetPen({TPenStyle::psClear, 1, clBlack});
  S->Polygon({{40, 0}, {60, 0}, {40, 20}});
  EXPECT_EQ(S->Pixel(42, 2), clRed);
  EXPECT_EQ(S->Pixel(58, 18), clWhite);

  // The focus rectangle inverts: drawing it twice leaves the pixels as they were.
  std::vector<TColor> before = S->Pixels();
  S->DrawFocusRect({70, 0, 90, 10});
  EXPECT_NE(S->Pixels(), before);
  S->DrawFocusRect({70, 0, 90, 10});
  EXPECT_EQ(S->Pixels(), before);
}

// The built-in values stay at hand for drawings that must not follow the
// desktop's colours.
TEST(SystemColours, ClassicValuesOutliveThePlatformsTable) {
  const TColor face = ClassicSysColor(COLOR_BTNFACE);
  SetSysColor(COLOR_BTNFACE, 0x123456);
  EXPECT_EQ(GetSysColor(COLOR_BTNFACE), 0x123456u);
  EXPECT_EQ(ClassicSysColor(COLOR_BTNFACE), face);
  ResetSysColors();
  EXPECT_EQ(GetSysColor(COLOR_BTNFACE), face);
  EXPECT_EQ(ClassicSysColor(-1), 0u);
  EXPECT_EQ(ClassicSysColor(COLOR_COUNT), 0u);
}

TEST_F(FixedSurfaceTest, SystemColoursResolveBeforeDrawing) {
  S->FillRect({0, 0, 4, 4}, clBtnFace);
  EXPECT_EQ(S->Pixel(1, 1), GetSysColor(COLOR_BTNFACE));
  SetSysColor(COLOR_BTNFACE, 0x123456);
  S->FillRect({0, 0, 4, 4}, clBtnFace);
  EXPECT_EQ(S->Pixel(1, 1), 0x123456u);
  ResetSysColors();
  EXPECT_EQ(ColorToRGB(clNone), clNone);
  // Black blended at 30 of 255 over white.
  S->BlendRect({10, 10, 12, 12}, clBlack, 30);
  EXPECT_EQ(S->Pixel(10, 10), RGB(225, 225, 225));
}

TEST_F(FixedSurfaceTest, MaskedAndStretchedCopies) {
  auto picture = Device.CreateBitmap(2, 2);
  picture->SetPixels({clRed, clLime, clBlue, clYellow});
  auto mask = Device.CreateMask(2, 2);
  mask->SetPixel(1, 0, clWhite);  // the lime pixel is transparent

  S->FillRect({0, 0, 200, 60}, clGray);
  S->MaskedBlt(10, 10, 2, 2, *picture, *mask, 0, 0);
  EXPECT_EQ(S->Pixel(10, 10), clRed);
  EXPECT_EQ(S->Pixel(11, 10), clGray);
  EXPECT_EQ(S->Pixel(10, 11), clBlue);
  EXPECT_EQ(S->Pixel(11, 11), clYellow);

  // Twice the size: every source pixel becomes a 2 x 2 block, the mask too.
  S->MaskedStretchBlt(20, 10, 4, 4, *picture, *mask, 0, 0, 2, 2);
  EXPECT_EQ(S->Pixel(21, 11), clRed);
  EXPECT_EQ(S->Pixel(22, 10), clGray);
  EXPECT_EQ(S->Pixel(23, 11), clGray);
  EXPECT_EQ(S->Pixel(23, 13), clYellow);

  S->StretchBlt(30, 10, 4, 2, *picture, 0, 0, 2, 1);
  EXPECT_EQ(S->Pixel(31, 11), clRed);
  EXPECT_EQ(S->Pixel(32, 10), clLime);

  // A copy within one bitmap that overlaps itself.
  auto strip = Device.CreateBitmap(4, 1);
  strip->SetPixels({clRed, clLime, clBlue, clWhite});
  strip->Canvas().BitBlt(1, 0, 3, 1, *strip, 0, 0);
  EXPECT_EQ(strip->GetPixels(), (std::vector<TColor>{clRed, clRed, clLime, clBlue}));
}

TEST_F(FixedSurfaceTest, DrawTextBreaksWordsAndMarksTheAccelerator) {
  TRect r{0, 0, 60, 0};
  // "one two three": 7 characters per 56 pixels -> "one two" / "three".
  EXPECT_EQ(S->DrawText(u"one two three", r, DT_WORDBREAK | DT_CALCRECT), 36);
  EXPECT_EQ(r, (TRect{0, 0, 56, 36}));
  // A word wider than the rectangle stays whole on its own line.
  r = {0, 0, 20, 0};
  S->DrawText(u"abcdef gh", r, DT_WORDBREAK | DT_CALCRECT);
  EXPECT_EQ(r, (TRect{0, 0, 48, 36}));

  // "&Text": the T is underlined on the row below the baseline (y 15);
  // "&&" draws one '&'.
  r = {0, 0, 200, 20};
  TRecordingSurface rec(*S);
  rec.DrawText(u"&Text", r, DT_SINGLELINE);
  EXPECT_EQ(InkColumns(15), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7}));
  EXPECT_EQ(rec.Calls()[0].Text, u"Text");
  rec.ClearCalls();
  r = {0, 20, 200, 40};
  rec.DrawText(u"A&&B", r, DT_SINGLELINE | DT_CENTER);
  ASSERT_EQ(rec.Calls().size(), 1u);
  EXPECT_EQ(rec.Calls()[0].Text, u"A&B");
  EXPECT_EQ(rec.Calls()[0].Points[0], (TPoint{88, 20}));
}

TEST_F(FixedSurfaceTest, RecordsEveryCall) {
  TRecordingSurface rec(*S);
  rec.SetTextColor(clRed);
  rec.SetBkMode(TBkMode::bkTransparent);
  rec.SetTextAlign(TA_BASELINE);
  rec.TextOut(3, 20, u"Hi");
  rec.FillRect({1, 2, 3, 4}, clBtnFace);
  rec.MoveTo(0, 0);
  rec.LineTo(5, 5);
  EXPECT_EQ(rec.Lines(),
            (std::vector<std::string>{
                "text x=3 y=20 text=\"Hi\" adv=8,8 color=0000FF mode=transparent align=baseline "
                "font=\"Arial\" height=-16",
                "fill rect=1,2,3,4 color=sys15", "line from=0,0 to=5,5 pen=000000"}));
  EXPECT_EQ(rec.Calls()[0].Font.Height, -16);
}

TEST(FixedDeviceTest, DecodesUncompressedBitmaps) {
  // A 2 x 2, 24-bit bottom-up BMP: bottom row blue, white; top row red, green.
  std::string bmp = "BM";
  auto u32 = [&](unsigned v) {
    for (int i = 0; i < 4; ++i) bmp.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
  };
  auto u16 = [&](unsigned v) {
    bmp.push_back(static_cast<char>(v & 0xFF));
    bmp.push_back(static_cast<char>(v >> 8));
  };
  u32(70); u32(0); u32(54);
  u32(40); u32(2); u32(2); u16(1); u16(24); u32(0); u32(16); u32(0); u32(0); u32(0); u32(0);
  const unsigned char rows[] = {255, 0, 0, 255, 255, 255, 0, 0,   // blue, white (BGR), padding
                                0, 0, 255, 0, 255, 0, 0, 0};      // red, green
  bmp.append(reinterpret_cast<const char*>(rows), sizeof rows);
  TFixedMetricsDevice device;
  TDecodedImage image = device.DecodeImage(bmp);
  ASSERT_TRUE(image.Bitmap);
  EXPECT_EQ(image.Bitmap->GetPixels(), (std::vector<TColor>{clRed, clLime, clBlue, clWhite}));
  EXPECT_FALSE(device.DecodeImage(bmp.substr(0, 60)).Bitmap);  // truncated
}

}  // namespace
}  // namespace tav
