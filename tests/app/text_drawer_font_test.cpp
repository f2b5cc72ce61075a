// The text view's drawer on the window's own device with the installed
// fonts: a glyph the fixed font lacks comes from a fallback face and takes
// whole cells.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/qt/install.h"
#include "textview/text_drawer.h"

namespace tav {
namespace {

struct DrawnCells {
  std::vector<TColor> pixels;
  int width = 0;
  int height = 0;
  // Dark pixels in columns [left, right).
  int Ink(int left, int right) const {
    int count = 0;
    for (int y = 0; y < height; ++y)
      for (int x = left; x < right; ++x) {
        const TColor c = pixels[static_cast<std::size_t>(y * width + x)];
        count += GetRValue(c) + GetGValue(c) + GetBValue(c) < 3 * 128;
      }
    return count;
  }
};

// Black text on white, starting at the left edge of a four-cell bitmap.
DrawnCells Draw(TheTextDrawer& drawer, std::u16string_view text) {
  TGraphicsDevice& device = drawer.Device();
  DrawnCells result;
  result.width = 4 * drawer.CharWidth();
  result.height = drawer.CharHeight();
  std::unique_ptr<TBitmap> bitmap = device.CreateBitmap(result.width, result.height);
  drawer.BeginDrawing(bitmap->Canvas());
  drawer.SetForeColor(clBlack);
  drawer.SetBackColor(clWhite);
  drawer.ExtTextOut(0, 0, ETO_OPAQUE, {0, 0, result.width, result.height}, text);
  drawer.EndDrawing();
  result.pixels = bitmap->GetPixels();
  return result;
}

TEST(TextDrawerFonts, CjkGlyphComesFromAFallbackFaceAndTakesTwoCells) {
  TFontDesc font;
  font.Face = u"Courier New";
  font.Height = -13;
  TheTextDrawer drawer(QtDevice(), font, hfsBold);
  const int cell = drawer.CharWidth();
  ASSERT_GT(cell, 0);
  EXPECT_EQ(drawer.CellsOf(U'A'), 1);
  EXPECT_EQ(drawer.CellsOf(U'\u4E2D'), 2);

  const DrawnCells cjk = Draw(drawer, u"\u4E2D");
  // A code point of the last private-use plane: no installed face has it.
  const DrawnCells missing = Draw(drawer, u"\U0010FFFD");
  EXPECT_NE(cjk.pixels, missing.pixels) << "no fallback face draws \u4E2D";
  // The whole glyph, over both of its cells and not beyond.
  EXPECT_GT(cjk.Ink(0, cell), 0);
  EXPECT_GT(cjk.Ink(cell, 2 * cell), 0);
  EXPECT_EQ(cjk.Ink(2 * cell, 4 * cell), 0);
}

}  // namespace
}  // namespace tav
