// Tables built from markup and laid out on the fixed-metrics device (body
// text: 8-pixel characters, 18-pixel lines), with no body margins so that
// the table's room is the document width.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "html/builder/builder.h"
#include "html/layout/block.h"
#include "html/layout/document.h"
#include "html/layout/tables/table_block.h"
#include "html/layout/text/section.h"
#include "picture_bytes.h"
#include "platform/testing/fixed_metrics_device.h"
#include "temp_folder.h"
#include "util/code_page.h"

namespace tav {
namespace {

class TableDoc : public testing::Test {
protected:
  void Layout(const std::u16string& html, int width = 400) {
    Document.Clear();
    {
      THtmlBuilder builder(Document);
      builder.Parse(u"<body marginwidth=0 marginheight=0>" + html);
    }
    int scrollWidth = 0;
    Height = Document.DoLogic(*Surface, width, 300, scrollWidth);
  }
  void Paint() {
    Surface->FillRect({0, 0, 600, 600}, clWhite);
    Document.Draw(*Surface, {0, 0, 600, 600}, 6000, 0, 0);
  }
  static void Collect(TCellBasic& cell, std::vector<ThtmlTable*>& out) {
    for (auto& item : cell.Items) {
      if (auto* t = dynamic_cast<ThtmlTable*>(item.get())) {
        out.push_back(t);
        for (TCellObj* c : t->AllCells) Collect(*c->Cell, out);
      }
      if (auto* b = dynamic_cast<TBlock*>(item.get())) Collect(*b->MyCell, out);
    }
  }
  std::vector<ThtmlTable*> Tables() {
    std::vector<ThtmlTable*> out;
    Collect(Document, out);
    return out;
  }
  ThtmlTable& First() {
    auto all = Tables();
    if (all.empty()) throw std::runtime_error("no table");
    return *all[0];
  }
  TBlock& Body() { return dynamic_cast<TBlock&>(*Document.Items.at(0)); }
  // The blocks that hold tables, outer ones before those in their cells.
  static void CollectBlocks(TCellBasic& cell, std::vector<TTableBlock*>& out) {
    for (auto& item : cell.Items) {
      if (auto* tb = dynamic_cast<TTableBlock*>(item.get())) {
        out.push_back(tb);
        for (TCellObj* c : tb->Table->AllCells) CollectBlocks(*c->Cell, out);
      } else if (auto* b = dynamic_cast<TBlock*>(item.get())) {
        CollectBlocks(*b->MyCell, out);
      }
    }
  }
  TTableBlock& InnermostTableBlock() {
    std::vector<TTableBlock*> out;
    CollectBlocks(Document, out);
    if (out.empty()) throw std::runtime_error("no table block");
    return *out.back();
  }

  TFixedMetricsDevice Device;
  std::unique_ptr<TFixedMetricsSurface> Surface = Device.CreateSurface(600, 600);
  TSectionList Document{Device};
  int Height = 0;
};

// Column widths of whole tables: the rules picked by mode and imposed width.
TEST_F(TableDoc, ColumnWidths) {
  const char16_t* twoCols = u"<table cellspacing=0 cellpadding=0><tr><td>aaaa bbbb</td><td>cc</td></tr></table>";
  const struct {
    std::u16string html;
    int width;
    std::vector<int> widths;
  } cases[] = {
      // Wide: every column its maximum (9 and 2 characters).
      {twoCols, 400, {72, 16}},
      // Narrow (60 between minimums 48 and maximums 88): the spread of the
      // first column takes the 12 extra pixels, in proportion.
      {twoCols, 60, {44, 16}},
      // Below the minimums: the minimums, overflowing.
      {twoCols, 20, {32, 16}},
      // Spacing and padding count in every column: 2 + 2 x 1 each side.
      {u"<table><tr><td>aaaa</td><td>cc</td></tr></table>", 400, {36, 20}},
      // 100 % with a 30 % column: 120 of 400, the rest to the other.
      {u"<table width=100% cellspacing=0 cellpadding=0><tr><td width=30%>a</td><td>b</td></tr></table>",
       400, {120, 280}},
      // A pixel width raises its column in absolute mode.
      {u"<table cellspacing=0 cellpadding=0><tr><td width=100>a</td><td>b</td></tr></table>", 400, {100, 8}},
      // COLSPAN=3 in a two-column table leaves no third column.
      {u"<table cellspacing=0 cellpadding=0><tr><td colspan=3>x</td></tr><tr><td>a</td><td>bb</td></tr></table>",
       400, {8, 16}},
  };
  for (const auto& c : cases) {
    Layout(c.html, c.width);
    EXPECT_EQ(First().Widths, c.widths) << TextToUtf8(c.html) << " at " << c.width;
  }
}

TEST_F(TableDoc, SpansCutAndHolesFilled) {
  Layout(u"<table cellspacing=0 cellpadding=0>"
         u"<tr><td rowspan=2 colspan=2>big</td><td>c</td></tr>"
         u"<tr><td>d</td></tr>"
         u"<tr><td>e</td><td rowspan=2>last</td></tr></table>");
  ThtmlTable& t = First();
  EXPECT_EQ(t.NumCols, 3);
  ASSERT_EQ(t.AllCells.size(), 5u);
  const struct {
    int row, col, colSpan, rowSpan;
  } expected[] = {{0, 0, 2, 2}, {0, 2, 1, 1}, {1, 2, 1, 1}, {2, 0, 1, 1}, {2, 1, 1, 1}};
  for (std::size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(t.AllCells[i]->Row, expected[i].row) << i;
    EXPECT_EQ(t.AllCells[i]->Col, expected[i].col) << i;
    EXPECT_EQ(t.AllCells[i]->ColSpan, expected[i].colSpan) << i;
    EXPECT_EQ(t.AllCells[i]->RowSpan, expected[i].rowSpan) << i;  // the last row's span is cut
  }
  // The big cell is as tall as its two rows.
  EXPECT_EQ(t.AllCells[0]->Ht, t.Heights[0] + t.Heights[1]);
}

TEST_F(TableDoc, RowHeightsAndVerticalPlacement) {
  Layout(u"<table height=300 cellspacing=0 cellpadding=0><tr><td>a</td></tr><tr><td>b</td></tr></table>");
  EXPECT_EQ(First().Heights, (std::vector<int>{150, 150}));
  EXPECT_EQ(First().TableHeight, 300);
  // Content placed top, middle (the default) and bottom in a 100-pixel row.
  Layout(u"<table cellspacing=0 cellpadding=0><tr height=100><td valign=top>a</td><td>b</td>"
         u"<td valign=bottom>c</td></tr></table>");
  ThtmlTable& t = First();
  ASSERT_EQ(t.AllCells.size(), 3u);
  EXPECT_EQ(t.AllCells[0]->YIndent, 0);
  EXPECT_EQ(t.AllCells[1]->YIndent, (100 - 18) / 2);
  EXPECT_EQ(t.AllCells[2]->YIndent, 100 - 18);
  // The content moved with its cell.
  auto& section = dynamic_cast<TSection&>(*t.AllCells[2]->Cell->Items.at(0));
  EXPECT_EQ(section.Lines.at(0).Y, t.AllCells[2]->Y + 82);
}

TEST_F(TableDoc, CellsTouchWithoutSpacingAndHaveNoFramesWithoutBorder) {
  Layout(u"<table cellspacing=0 cellpadding=0 border=0><tr><td>ab</td><td>cd</td></tr></table>");
  ThtmlTable& t = First();
  EXPECT_EQ(t.AllCells[1]->X, t.AllCells[0]->X + t.AllCells[0]->Wd);
  Paint();
  const TColor shadow = ColorToRGB(clBtnShadow);
  for (int x = 0; x < 40; ++x) EXPECT_NE(Surface->Pixel(x, 0), shadow) << x;
}

// Frames: the sunken one-pixel frame of a cell in a bordered table (system
// colours, or BORDERCOLORLIGHT / DARK), none for an empty cell unless
// empty-cells is "show", and the outset border of the table block.
TEST_F(TableDoc, FramesAndBorders) {
  const TColor dark = ColorToRGB(clBtnShadow), light = ColorToRGB(clBtnHighlight);
  const struct {
    const char16_t* html;
    TColor top, bottom;  // of the first cell's frame
    bool framed;
  } cases[] = {
      {u"<table border=1 cellspacing=4><tr><td>ab</td></tr></table>", dark, light, true},
      {u"<table border=1 cellspacing=4 bordercolorlight=#00ff00 bordercolordark=#0000ff><tr><td>ab</td></tr></table>",
       0xFF0000, 0x00FF00, true},
      {u"<table border=1 cellspacing=4><tr><td></td></tr></table>", 0, 0, false},
      {u"<table border=1 cellspacing=4 style='empty-cells:show'><tr><td></td></tr></table>", dark, light, true},
  };
  for (const auto& c : cases) {
    Layout(c.html);
    Paint();
    TCellObj& cell = *First().AllCells.at(0);
    const int midX = cell.X + cell.Wd / 2;
    if (c.framed) {
      EXPECT_EQ(Surface->Pixel(midX, cell.Y), c.top) << TextToUtf8(c.html);
      EXPECT_EQ(Surface->Pixel(midX, cell.Y + cell.Ht - 1), c.bottom) << TextToUtf8(c.html);
    } else {
      EXPECT_EQ(Surface->Pixel(midX, cell.Y), clWhite) << TextToUtf8(c.html);
    }
  }
  // The table block's border: BORDER pixels wide, outset (lighter top-left).
  Layout(u"<table border=3 bordercolor=#808080><tr><td>x</td></tr></table>");
  auto& block = dynamic_cast<TTableBlock&>(*Body().MyCell->Items.at(0));
  EXPECT_EQ(block.BorderStyle, BorderStyleType::bssOutset);
  Paint();
  const TColor topLeft = Surface->Pixel(1, 1), bottomRight = Surface->Pixel(block.X + block.NewWidth + 1, Height - 2);
  EXPECT_NE(topLeft, clWhite);
  EXPECT_NE(topLeft, bottomRight);
}

// Background pictures: the cell's own, else the row's, else the table's,
// tiled from each cell's corner.
TEST_F(TableDoc, CellsPaintTheirBackgroundPictures) {
  test::TempFolder folder("tav-table");
  const std::string red = folder.File("red.bmp"), green = folder.File("green.bmp"),
                    blue = folder.File("blue.bmp");
  ASSERT_TRUE(test::WriteFile(red, test::MakeBmp(2, 2, std::vector<TColor>(4, 0x0000FF))));
  ASSERT_TRUE(test::WriteFile(green, test::MakeBmp(2, 2, std::vector<TColor>(4, 0x00FF00))));
  ASSERT_TRUE(test::WriteFile(blue, test::MakeBmp(2, 2, std::vector<TColor>(4, 0xFF0000))));
  const std::u16string page =
      u"<table cellspacing=0 cellpadding=4 background='" + Utf8ToText(red) + u"'>"
      u"<tr><td>a</td><td background='" + Utf8ToText(green) + u"'>b</td></tr>"
      u"<tr background='" + Utf8ToText(blue) + u"'><td>c</td><td background='missing.bmp'>d</td></tr></table>";
  Layout(page);
  Paint();
  // The last cell's own picture is missing: dropped, so the table's shows
  // through from the table block under the cells.
  const TColor expected[] = {0x0000FF, 0x00FF00, 0xFF0000, 0x0000FF};
  ThtmlTable& t = First();
  ASSERT_EQ(t.AllCells.size(), 4u);
  for (std::size_t i = 0; i < 4; ++i) {
    const TCellObj& c = *t.AllCells[i];
    // A corner of the padding, clear of the text.
    EXPECT_EQ(Surface->Pixel(c.X + 1, c.Y + 1), expected[i]) << i;
  }
}

TEST_F(TableDoc, BuilderStructure) {
  // A TD without a TR still makes a row.
  Layout(u"<table><td>a</td><td>b</td></table>");
  EXPECT_EQ(First().Rows.size(), 1u);
  EXPECT_EQ(First().NumCols, 2);
  // Text before the first cell goes into the enclosing cell, before the table.
  Layout(u"<table>stray<tr><td>x</td></tr></table>");
  ASSERT_EQ(Body().MyCell->Items.size(), 2u);
  EXPECT_NE(dynamic_cast<TSection*>(Body().MyCell->Items[0].get()), nullptr);
  EXPECT_NE(dynamic_cast<TTableBlock*>(Body().MyCell->Items[1].get()), nullptr);
  // Footer rows go after the others; a row with display none is dropped.
  Layout(u"<table><tfoot><tr><td>f</td></tr></tfoot><thead><tr><td>h</td></tr></thead>"
         u"<tr style='display:none'><td>gone</td></tr><tbody><tr><td>b</td></tr></table>");
  ThtmlTable& t = First();
  ASSERT_EQ(t.Rows.size(), 3u);
  EXPECT_EQ(t.Rows[0]->RowType, TRowType::THead);
  EXPECT_EQ(t.Rows[1]->RowType, TRowType::TBody);
  EXPECT_EQ(t.Rows[2]->RowType, TRowType::TFoot);
  EXPECT_EQ(t.HeaderRowCount, 1);
  EXPECT_EQ(t.FootStartRow, 2);
  EXPECT_TRUE(t.HeadOrFoot);
  // A caption below: the pair holds the table block, then the caption.
  Layout(u"<table><caption align=bottom>cap</caption><tr><td>x</td></tr></table>");
  auto& pair = dynamic_cast<TTableAndCaptionBlock&>(*Body().MyCell->Items.at(0));
  EXPECT_EQ(pair.TagClass, u"TableAndCaption.");
  ASSERT_EQ(pair.MyCell->Items.size(), 2u);
  EXPECT_EQ(pair.MyCell->Items[0].get(), pair.TableBlock);
  EXPECT_EQ(pair.MyCell->Items[1].get(), pair.FCaptionBlock);
  // COL widths reach the cells of their columns.
  Layout(u"<table cellspacing=0 cellpadding=0><col width=50><col span=2 width=20%><tr><td>a</td><td>b</td><td>c</td></tr></table>");
  EXPECT_EQ(First().AllCells[0]->WidthAttr, 50);
  EXPECT_EQ(First().AllCells[2]->WidthAttr, 200);
  EXPECT_TRUE(First().AllCells[2]->AsPercent);
}

TEST_F(TableDoc, ElevenNestedTablesMakeTen) {
  std::u16string html;
  for (int i = 0; i < 11; ++i) html += u"<table><tr><td>";
  html += u"deep";
  for (int i = 0; i < 11; ++i) html += u"</td></tr></table>";
  Layout(html);
  EXPECT_EQ(Tables().size(), 10u);
}

TEST_F(TableDoc, FloatingTableTakesHSpaceAsMargins) {
  Layout(u"<table align=left hspace=7 cellspacing=0 cellpadding=0><tr><td>tbl</td></tr></table>"
         u"text beside");
  auto& block = dynamic_cast<TTableBlock&>(*Body().MyCell->Items.at(0));
  EXPECT_TRUE(block.Floating());
  EXPECT_EQ(block.X, 7);
  auto& text = dynamic_cast<TSection&>(*Body().MyCell->Items.at(1));
  // Beside the 24-pixel table and its two margins.
  EXPECT_EQ(text.Lines.at(0).DrawXX, 7 + 24 + 7);
}

// A table that does not float stands where the text around it is aligned;
// ALIGN on the table wins, and ALIGN left or right floats it.
TEST_F(TableDoc, TablesTakeTheSurroundingAlignment) {
  const std::u16string tbl = u"cellspacing=0 cellpadding=0><tr><td>tbl</td></tr></table>";  // 24 wide
  const struct {
    std::u16string html;
    int x;
    bool floats;
  } cases[] = {
      {u"<table " + tbl, 0, false},
      {u"<center><table " + tbl, 188, false},
      {u"<div align=center><table " + tbl, 188, false},
      {u"<div align=right><table " + tbl, 376, false},
      {u"<div style='text-align:right'><table " + tbl, 376, false},
      {u"<div style='text-align:center'><table " + tbl, 188, false},
      // In a 200-pixel cell aligned centre.
      {u"<table width=200 cellspacing=0 cellpadding=0><tr><td align=center>x<table " + tbl, 88, false},
      // With a caption the pair is placed.
      {u"<center><table cellspacing=0 cellpadding=0><caption>c</caption><tr><td>tbl</td></tr></table>",
       188, false},
      {u"<div align=right><table align=center " + tbl, 188, false},
      {u"<center><table align=left " + tbl, 0, true},
      {u"<center><table align=right " + tbl, 376, true},
      {u"<div align=center><table style='float:left' " + tbl, 0, true},
  };
  for (const auto& c : cases) {
    Layout(c.html);
    TTableBlock& block = InnermostTableBlock();
    TBlock* placed = &block;
    if (block.HasCaption) placed = dynamic_cast<TBlockCell&>(*block.OwnerCell).OwnerBlock;
    ASSERT_NE(placed, nullptr) << TextToUtf8(c.html);
    EXPECT_EQ(block.Table->Widths, std::vector<int>{24}) << TextToUtf8(c.html);
    EXPECT_EQ(block.X, c.x) << TextToUtf8(c.html);
    EXPECT_EQ(placed->Floating(), c.floats) << TextToUtf8(c.html);
  }
}

// Hostile tables end quickly and lay out within range.
TEST_F(TableDoc, HostileTables) {
  const char16_t* cases[] = {
      u"<table></table>",
      u"<table width=100%></table>",
      u"<table><tr></tr></table>",
      u"<table><tr><td colspan=2000000000>x</td></tr></table>",
      u"<table><tr><td rowspan=2000000000>x</td></tr><tr><td>y</td></tr></table>",
      u"<table height=300 cellspacing=0 cellpadding=0><tr height=\"0%\"><td></td></tr></table>",
      u"<table width=2000000000 cellpadding=50 cellspacing=40 border=100><tr><td width=2000000000>x</td></tr></table>",
  };
  for (const char16_t* html : cases) {
    auto start = std::chrono::steady_clock::now();
    Layout(html);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2)) << TextToUtf8(html);
    ThtmlTable& t = First();
    EXPECT_GE(t.TableWidth, 0) << TextToUtf8(html);
    EXPECT_GE(t.TableHeight, 0) << TextToUtf8(html);
    for (int w : t.Widths) EXPECT_GE(w, 0) << TextToUtf8(html);
    Paint();
  }
  Layout(u"<table></table>");
  EXPECT_EQ(First().TableHeight, 2);  // only its spacing
  Layout(u"<table><tr><td colspan=2000000000>x</td></tr></table>");
  EXPECT_EQ(First().NumCols, 1);
  Layout(u"<table height=300 cellspacing=0 cellpadding=0><tr height=\"0%\"><td></td></tr></table>");
  EXPECT_EQ(First().Heights, (std::vector<int>{300}));
}

// A cell holding a long text: its maximum is far wider than the window,
// and the table still fits the window.
TEST_F(TableDoc, LongTextInOneCellFitsTheWindow) {
  std::u16string text;
  for (int i = 0; i < 60000; ++i) text += u"word ";  // 300 KB: a maximum of 2.4 M pixels
  Layout(u"<table><tr><td>" + text + u"</td></tr></table>");
  EXPECT_LE(First().TableWidth, 400);
  EXPECT_GT(First().TableHeight, 18 * 100);
}

}  // namespace
}  // namespace tav
