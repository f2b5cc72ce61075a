#include "textview/text_view.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/surface.h"
#include "textview/text_page.h"
#include "textview/uri_highlighter.h"

namespace tav {
namespace {

// The view as the main window sets it up, measured with the process's
// default device (no window).
struct TextViewFixture : ::testing::Test {
  TURIHighlighter highlighter;
  TTextView view;

  TextViewFixture() {
    SetUpTextPage(view, highlighter);
    view.SetBounds(MakeRect(0, 0, 600, 300));
  }

  // Widens the window to exactly `cells` whole cells of text.
  void SetCellsInWindow(int cells) {
    const int chrome = view.Width() - view.ClientWidth();
    view.SetBounds(MakeRect(0, 0, chrome + view.GutterWidth() + 2 + cells * view.CharWidth(),
                            view.Height()));
    ASSERT_EQ(view.CharsInWindow(), cells);
  }

  int GutterCellAdvance() {
    TFontDesc desc = view.Gutter().Font();
    return MeasureFontVariant(view.Device().CreateFont(desc)).Advance;
  }
};

TEST_F(TextViewFixture, ConvertsBetweenCharactersAndCells) {
  view.Lines().SetText(u"\tx\n\u4E2Dx\n\u4E2D\tx\na\u200Bb\n\U0001F600x\nab");
  ASSERT_GT(view.TextDrawer().CellsOf(U'\u4E2D'), 1);
  struct Case {
    int line, character, column;
  } cases[] = {
      {1, 2, 9},   // after a tab at the start
      {2, 2, 3},   // after a two-cell glyph
      {3, 3, 10},  // the tab stop counts the glyph as one unit of the expanded line
      {4, 3, 3},   // a zero-width glyph takes one cell
      {5, 3, 3},   // a surrogate pair takes two cells at least
      {6, 5, 5},   // past the end: a cell a character
  };
  for (const Case& c : cases) {
    EXPECT_EQ(view.BufferToDisplayPos({c.character, c.line}), (TDisplayCoord{c.column, c.line}))
        << "line " << c.line;
    EXPECT_EQ(view.DisplayToBufferPos({c.column, c.line}), (TBufferCoord{c.character, c.line}))
        << "line " << c.line;
  }
  // Columns inside a tab or a glyph fall on that character.
  for (int column = 1; column <= 8; ++column)
    EXPECT_EQ(view.DisplayToBufferPos({column, 1}).Char, 1);
  EXPECT_EQ(view.DisplayToBufferPos({2, 2}).Char, 1);
  EXPECT_EQ(view.DisplayToBufferPos({2, 5}).Char, 1);  // never inside a surrogate pair
  // Every character boundary makes the round trip (a low surrogate is not one).
  for (int line = 1; line <= view.Lines().Count(); ++line) {
    const std::u16string text = view.Lines().Get(line - 1);
    for (int ch = 1; ch <= static_cast<int>(text.size()) + 2; ++ch) {
      if (ch >= 2 && ch - 2 < static_cast<int>(text.size()) && (text[ch - 2] & 0xFC00) == 0xD800)
        continue;
      EXPECT_EQ(view.DisplayToBufferPos(view.BufferToDisplayPos({ch, line})),
                (TBufferCoord{ch, line}))
          << "line " << line << " char " << ch;
    }
  }
}

// A combining mark takes no cell when it follows a character of its line;
// at the line's start or after a tab it takes one. Clicks never land
// between a character and its marks.
TEST_F(TextViewFixture, CombiningMarksTakeNoCell) {
  EXPECT_EQ(view.TextDrawer().CellsOf(U'\u0301'), 0);
  view.Lines().SetText(
      u"e\u0301x\n\u0301x\na\t\u0301x\ne\u0301\u0308x\n\u4E2D\u0301x\n\U0001F600\uFE0Fx");
  const int wide = view.TextDrawer().CellsOf(U'\u4E2D');
  struct Case {
    int line, character, column;
  } cases[] = {
      {1, 3, 2},         // after e + acute
      {2, 2, 2},         // a mark at the start takes a cell
      {3, 4, 10},        // so does a mark after a tab
      {4, 4, 2},         // two marks over one base
      {5, 3, wide + 1},  // a mark over a wide glyph
      {6, 4, 3},         // a variation selector after a surrogate pair
  };
  for (const Case& c : cases) {
    EXPECT_EQ(view.BufferToDisplayPos({c.character, c.line}), (TDisplayCoord{c.column, c.line}))
        << "line " << c.line;
    EXPECT_EQ(view.DisplayToBufferPos({c.column, c.line}), (TBufferCoord{c.character, c.line}))
        << "line " << c.line;
    EXPECT_EQ(view.DisplayToBufferPos({c.column - 1, c.line}).Char, c.line == 3 ? 3 : 1)
        << "line " << c.line;
  }
  // Rows are counted in cells: twenty accented letters fill twenty cells.
  SetCellsInWindow(20);
  std::u16string accented;
  for (int i = 0; i < 20; ++i) accented += u"e\u0301";
  view.Lines().SetText(accented + u"\n" + accented + u"e");
  EXPECT_EQ(view.DisplayLineCount(), 3);
  EXPECT_EQ(view.BufferToDisplayPos({41, 2}), (TDisplayCoord{1, 3}));
}

// The drawer keeps cell counts per character; they follow the cell width.
TEST_F(TextViewFixture, CellCountsFollowTheCellWidth) {
  TheTextDrawer& drawer = view.TextDrawer();
  const int wide = drawer.CellsOf(U'\u4E2D');
  ASSERT_GT(wide, 1);
  EXPECT_EQ(drawer.CellsOf(U'a'), 1);
  // Cells as wide as the glyph: one cell.
  drawer.SetCharExtra(drawer.CharacterWidth(U'\u4E2D'));
  EXPECT_EQ(drawer.CellsOf(U'\u4E2D'), 1);
  EXPECT_TRUE(drawer.IsSingleCell(u'\u4E2D'));
  drawer.SetCharExtra(0);
  EXPECT_EQ(drawer.CellsOf(U'\u4E2D'), wide);
  EXPECT_FALSE(drawer.IsSingleCell(u'\u4E2D'));
}

TEST_F(TextViewFixture, ConvertsAcrossWrappedRows) {
  SetCellsInWindow(60);
  view.Lines().SetText(u"one\n" + std::u16string(150, u'x'));
  EXPECT_EQ(view.DisplayLineCount(), 4);
  EXPECT_EQ(view.BufferToDisplayPos({61, 2}), (TDisplayCoord{1, 3}));
  EXPECT_EQ(view.BufferToDisplayPos({60, 2}), (TDisplayCoord{60, 2}));
  EXPECT_EQ(view.DisplayToBufferPos({1, 4}), (TBufferCoord{121, 2}));
  EXPECT_EQ(view.LineToRow(2), 2);
  EXPECT_EQ(view.RowToLine(4), 2);
  // Pixels and cells.
  const TPoint p = view.RowColumnToPixels({5, 3});
  EXPECT_EQ(p.X, view.TextOffset() + 4 * view.CharWidth());
  EXPECT_EQ(view.PixelsToRowColumn(p.X + view.CharWidth() - 1, p.Y), (TDisplayCoord{5, 3}));
  EXPECT_EQ(view.PixelsToNearestRowColumn(p.X + view.CharWidth() - 1, p.Y),
            (TDisplayCoord{6, 3}));
}

TEST_F(TextViewFixture, GutterFitsEveryLineNumber) {
  EXPECT_EQ(view.FormatLineNumber(7), u"   7");
  EXPECT_EQ(view.GutterWidth(), 6 + 4 * GutterCellAdvance());
  // An empty buffer paints one row numbered 1.
  view.Lines().Clear();
  EXPECT_EQ(view.DisplayLineCount(), 0);
  EXPECT_EQ(view.TopLine(), 1);

  // 12,345 lines of 100 cells: five digits, and the load wraps once at the
  // new width (each line exactly ceil(100 / cells) rows).
  std::u16string text;
  for (int i = 0; i < 12345; ++i) text += std::u16string(100, u'x') + u"\n";
  view.Lines().SetText(text);
  EXPECT_EQ(view.FormatLineNumber(12345), u"12345");
  EXPECT_EQ(view.GutterWidth(), 6 + 5 * GutterCellAdvance());
  const int cells = view.CharsInWindow();
  ASSERT_GT(cells, 0);
  EXPECT_EQ(view.WordWrapPlugin()->MaxRowLength(), cells);
  EXPECT_EQ(view.DisplayLineCount(), 12345 * ((100 + cells - 1) / cells) + 1);

  view.Gutter().SetDigitCount(2);
  view.Lines().SetText(u"a");
  EXPECT_EQ(view.FormatLineNumber(1000000), u"1000000");
  EXPECT_EQ(view.FormatLineNumber(1), u" 1");
}

TEST_F(TextViewFixture, TopLineStaysWithinTheRows) {
  std::u16string text;
  for (int i = 0; i < 100; ++i) text += u"line\n";
  view.Lines().SetText(text);  // 101 lines, the last one empty
  const int rows = view.DisplayLineCount(), page = view.LinesInWindow();
  ASSERT_EQ(rows, 101);
  view.SetTopLine(1000);
  EXPECT_EQ(view.TopLine(), rows - page + 1);
  view.SetTopLine(-5);
  EXPECT_EQ(view.TopLine(), 1);
  // A load of fewer lines pulls the top line back; the selection collapses.
  view.SetTopLine(80);
  view.SetBlockBegin({1, 2});
  view.SetBlockEnd({3, 4});
  view.Lines().SetText(u"a\nb\nc");
  EXPECT_EQ(view.TopLine(), 1);
  EXPECT_FALSE(view.SelAvail());
  const TScrollInfo bar = view.GetScrollInfo(TScrollBarKind::sbVertical);
  EXPECT_TRUE(view.ScrollBarVisible(TScrollBarKind::sbVertical));
  EXPECT_FALSE(view.ScrollBarEnabled(TScrollBarKind::sbVertical));
  EXPECT_EQ(bar.Max, 3);
  view.Lines().Clear();
  EXPECT_EQ(view.GetScrollInfo(TScrollBarKind::sbVertical).Max, 1);
  EXPECT_FALSE(view.ScrollBarEnabled(TScrollBarKind::sbVertical));
}

TEST_F(TextViewFixture, ScrollBarScalesLargeRowCounts) {
  for (int rows : {100000, 1000000}) {
    view.Lines().SetText(std::u16string(static_cast<std::size_t>(rows - 1), u'\n'));
    ASSERT_EQ(view.DisplayLineCount(), rows);
    const int page = view.LinesInWindow();
    TScrollInfo bar = view.GetScrollInfo(TScrollBarKind::sbVertical);
    EXPECT_EQ(bar.Max, 32767) << rows;
    EXPECT_EQ(bar.Page, MulDiv(32767, page, rows)) << rows;
    EXPECT_TRUE(view.ScrollBarEnabled(TScrollBarKind::sbVertical));

    view.SetTopLine(rows / 2);
    EXPECT_EQ(view.GetScrollInfo(TScrollBarKind::sbVertical).Pos, MulDiv(32767, rows / 2, rows));
    // Dragging the thumb maps back proportionally and shows the hint.
    view.ScrollBarEvent(TScrollBarKind::sbVertical, TScrollCode::scTrack, 16384);
    const int expected = MulDiv(rows + page - 1, 16384, 32767);
    EXPECT_EQ(view.TopLine(), expected) << rows;
    EXPECT_EQ(view.ScrollHintText(), u"Top Line: " + [&] {
      const std::string s = std::to_string(expected);
      return std::u16string(s.begin(), s.end());
    }());
    view.ScrollBarEvent(TScrollBarKind::sbVertical, TScrollCode::scEndScroll, 0);
    EXPECT_TRUE(view.ScrollHintText().empty());

    view.ScrollBarEvent(TScrollBarKind::sbVertical, TScrollCode::scBottom, 0);
    EXPECT_EQ(view.TopLine(), rows - page + 1);
    bar = view.GetScrollInfo(TScrollBarKind::sbVertical);
    EXPECT_EQ(bar.Pos, MulDiv(32767, rows - page + 1, rows));
    view.ScrollBarEvent(TScrollBarKind::sbVertical, TScrollCode::scTrack, 32767 - bar.Page + 1);
    EXPECT_EQ(view.TopLine(), rows - page + 1) << "the thumb at the end shows the last rows";
  }
}

TEST_F(TextViewFixture, WheelScrollsThreeRowsPerNotch) {
  view.Lines().SetText(std::u16string(500, u'\n'));
  struct Case {
    const char* name;
    std::vector<int> deltas;
    TShiftState shift;
    int rows;  // how far down the text the view moves
  } cases[] = {
      {"one notch down", {-120}, 0, 3},
      {"one notch up", {120}, 0, -3},
      {"three partial notches", {-40, -40, -40}, 0, 3},
      {"partial then more back", {-50, 170}, 0, -3},
      {"two notches at once", {-240}, 0, 6},
      {"a page with Ctrl", {-120}, ssCtrl, view.LinesInWindow()},
  };
  for (const Case& c : cases) {
    TTextView fresh;
    fresh.SetBounds(view.BoundsRect());
    fresh.SetWordWrap(true);
    fresh.Lines().SetText(std::u16string(500, u'\n'));
    fresh.SetTopLine(100);
    for (int delta : c.deltas) EXPECT_TRUE(fresh.MouseWheel(c.shift, delta, {}));
    EXPECT_EQ(fresh.TopLine() - 100,
              c.shift & ssCtrl ? fresh.LinesInWindow() : c.rows) << c.name;
  }
}

TEST_F(TextViewFixture, ZeroSizedWindowDividesByNothing) {
  view.Lines().SetText(u"some text\n\tand more");
  view.SetBounds(MakeRect(0, 0, 0, 0));
  EXPECT_EQ(view.CharsInWindow(), 0);
  EXPECT_EQ(view.LinesInWindow(), 0);
  EXPECT_EQ(view.WordWrapPlugin()->RowCount(), 0);
  EXPECT_EQ(view.DisplayLineCount(), 2);  // every line one row
  EXPECT_EQ(view.BufferToDisplayPos({3, 2}).Row, 2);
  view.SetTopLine(5);
  EXPECT_EQ(view.TopLine(), 3);  // no whole row fits: the limit is rows - 0 + 1
  EXPECT_TRUE(view.MouseWheel(0, -120, {}));
  auto bitmap = view.Device().CreateBitmap(10, 10);
  EXPECT_NO_THROW(view.Paint(bitmap->Canvas(), {0, 0, 10, 10}));
}

TEST_F(TextViewFixture, PaintsWithoutAWindow) {
  view.Lines().SetText(u"see http://example.com/x \u4E2D\tend\n" + std::u16string(300, u'y') +
                       u"\n\U0001F600");
  view.SetBlockBegin({5, 1});
  view.SetBlockEnd({10, 2});
  auto bitmap = view.Device().CreateBitmap(600, 300);
  EXPECT_NO_THROW(view.Paint(bitmap->Canvas(), {0, 0, 600, 300}));
  // The gutter is painted in its colour, the text area in the window's.
  EXPECT_EQ(bitmap->GetPixel(1, 290), ColorToRGB(clBtnFace));
  EXPECT_EQ(bitmap->GetPixel(590, 290), ColorToRGB(clWindow));
}

}  // namespace
}  // namespace tav
