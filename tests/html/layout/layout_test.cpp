// Blocks laid out: margins collapsed at creation, widths, floats, clearance,
// list markers and rules, on the fixed-metrics device (default text: 16-pixel
// em, 18-pixel lines, 8-pixel characters; body margins 10 and 5).
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <string>

#include "html/builder/builder.h"
#include "html/css/units.h"
#include "html/layout/block.h"
#include "html/layout/document.h"
#include "html/layout/text/section.h"
#include "platform/testing/fixed_metrics_device.h"
#include "platform/testing/recording_surface.h"
#include "util/code_page.h"

namespace tav {
namespace {

class HtmlLayout : public testing::Test {
protected:
  static constexpr int Width = 400;

  void Layout(const std::u16string& html) {
    Document.Clear();
    THtmlBuilder builder(Document);
    builder.Parse(html);
    int scrollWidth = 0;
    Height = Document.DoLogic(*Surface, Width, 300, scrollWidth);
    ScrollWidth = scrollWidth;
  }
  TBlock& Body() { return dynamic_cast<TBlock&>(*Document.Items.at(0)); }
  // The item at a path of indices below the body.
  TSectionBase& At(std::initializer_list<int> path) {
    TSectionBase* item = &Body();
    for (int i : path) item = dynamic_cast<TBlock&>(*item).MyCell->Items.at(static_cast<std::size_t>(i)).get();
    return *item;
  }
  TBlock& BlockAt(std::initializer_list<int> path) { return dynamic_cast<TBlock&>(At(path)); }
  TSection& SectionAt(std::initializer_list<int> path) { return dynamic_cast<TSection&>(At(path)); }

  TFixedMetricsDevice Device;
  std::unique_ptr<TFixedMetricsSurface> Surface = Device.CreateSurface(Width, 300);
  TSectionList Document{Device};
  int Height = 0;
  int ScrollWidth = 0;
};

// Vertical margins merge when a block is made: (margin of the earlier
// block's bottom, this block's top) after collapsing.
TEST_F(HtmlLayout, VerticalMarginsCollapseAtCreation) {
  const struct {
    const char16_t* html;
    int first;       // index of the earlier block in the body
    int second;      // index of the later block
    int bottom;      // the earlier block's bottom margin afterwards
    int top;         // the later block's top margin afterwards
  } cases[] = {
      {u"<p>a<p>b", 0, 1, 0, 14},
      {u"<p style='margin-bottom:30px'>a<p>b", 0, 1, 0, 30},
      {u"<p style='margin-bottom:-10px'>a<p>b", 0, 1, 0, 4},
      {u"<p style='margin-bottom:-10px'>a<p style='margin-top:-20px'>b", 0, 1, 0, -20},
      // An absolutely positioned block is passed over.
      {u"<p>a<div style='position:absolute'>x</div><p>b", 0, 2, 0, 14},
      // So is one fixed to the window: it stands as it would with the page
      // at its top.
      {u"<p>a<div style='position:fixed; top:0'>x</div><p>b", 0, 2, 0, 14},
      // A float keeps its margins, and so does the block before it.
      {u"<p>a<div style='float:left;margin-top:9px'>f</div>", 0, 1, 14, 9},
  };
  for (const auto& c : cases) {
    Layout(c.html);
    EXPECT_EQ(BlockAt({c.first}).MarginBottom, c.bottom) << TextToUtf8(c.html);
    EXPECT_EQ(BlockAt({c.second}).MarginTop, c.top) << TextToUtf8(c.html);
  }
}

TEST_F(HtmlLayout, FirstBlockMarginsAgainstTheBody) {
  const struct {
    const char16_t* html;
    int top;
  } cases[] = {
      {u"<p>first", 0},                              // automatic: dropped
      {u"<div style='margin-top:8px'>x</div>", 3},   // less the body's 5
      {u"<div style='margin-top:3px'>x</div>", 0},
  };
  for (const auto& c : cases) {
    Layout(c.html);
    EXPECT_EQ(BlockAt({0}).MarginTop, c.top) << TextToUtf8(c.html);
  }
  // A paragraph at the top of a DIV has no top margin; its bottom margin
  // moves to the DIV.
  Layout(u"<div><p>in a div</p></div>after");
  EXPECT_EQ(BlockAt({0, 0}).MarginTop, 0);
  EXPECT_EQ(BlockAt({0, 0}).ContentTop, BlockAt({0}).ContentTop);
  EXPECT_EQ(BlockAt({0, 0}).MarginBottom, 0);
  EXPECT_EQ(BlockAt({0}).MarginBottom, 14);
}

TEST_F(HtmlLayout, TwoParagraphsAreOneParagraphMarginApart) {
  Layout(u"<p>one<p>two");
  EXPECT_EQ(BlockAt({0}).ContentTop, 5);
  EXPECT_EQ(BlockAt({1}).ContentTop - BlockAt({0}).ContentBot, 14);
  EXPECT_EQ(SectionAt({1, 0}).Lines.at(0).LineHt, 18);
}

TEST_F(HtmlLayout, BlockWidthsAndPlaces) {
  const struct {
    const char16_t* html;
    int x;
    int width;
  } cases[] = {
      {u"<div>x</div>", 10, 380},
      {u"<div style='width:200px;margin-left:auto;margin-right:auto'>c</div>", 100, 200},
      {u"<div style='width:200px;margin-left:auto'>r</div>", 190, 200},
      {u"<div style='width:50%;padding:0 5px'>h</div>", 15, 190},
      // Wider than the space: the block starts at the left, never before it.
      {u"<div style='width:600px;margin:0 auto'>w</div>", 10, 600},
      {u"<div style='float:right;width:100px'>f</div>", 290, 100},
  };
  for (const auto& c : cases) {
    Layout(c.html);
    EXPECT_EQ(BlockAt({0}).X, c.x) << TextToUtf8(c.html);
    EXPECT_EQ(BlockAt({0}).NewWidth, c.width) << TextToUtf8(c.html);
  }
}

// max-width in pixels, percent and em: no wider than the limit, margins as
// for a given width; a limited block also asks less room of a table cell.
TEST_F(HtmlLayout, MaxWidthLimitsBlocks) {
  const struct {
    const char16_t* html;
    int x;
    int width;
  } cases[] = {
      {u"<div style='max-width:200px'>x</div>", 10, 200},
      {u"<div style='max-width:50%'>x</div>", 10, 190},
      {u"<div style='max-width:none'>x</div>", 10, 380},
      {u"<div style='max-width:500px'>x</div>", 10, 380},
      {u"<div style='width:300px;max-width:100px'>x</div>", 10, 100},
      {u"<div style='max-width:200px;margin:0 auto'>x</div>", 100, 200},
      {u"<div style='max-width:200px;margin-left:auto;padding:0 5px'>x</div>", 185, 200},
      {u"<div style='max-width:4px'>wide</div>", 10, 32},  // never below the content
      {u"<div style='float:right;max-width:100px'>some words that wrap</div>", 290, 100},
  };
  for (const auto& c : cases) {
    Layout(c.html);
    EXPECT_EQ(BlockAt({0}).X, c.x) << TextToUtf8(c.html);
    EXPECT_EQ(BlockAt({0}).NewWidth, c.width) << TextToUtf8(c.html);
  }
  // An em is what it is for the block's other lengths.
  Layout(u"<div style='max-width:10em;padding-right:10em'>x</div>");
  EXPECT_GT(BlockAt({0}).NewWidth, 0);
  EXPECT_EQ(BlockAt({0}).NewWidth, BlockAt({0}).MargArray[static_cast<std::size_t>(PropIndices::PaddingRight)]);
  Layout(u"<table cellspacing=0 cellpadding=0><tr><td><div style='max-width:100px'>"
         u"some words in a limited block</div></td></tr></table>");
  EXPECT_EQ(BlockAt({0}).NewWidth, 100);
}

TEST_F(HtmlLayout, FloatsNarrowLinesAndClearMovesBelowThem) {
  Layout(u"<div style='float:left;width:50px;height:40px'>f</div>"
         u"aaa bbb ccc ddd eee fff ggg hhh iii jjj kkk lll mmm nnn ooo ppp qqq rrr sss ttt uuu"
         u"<br clear=left>below");
  TBlock& flt = BlockAt({0});
  EXPECT_EQ(flt.SectionHeight, 0);
  const int floatBottom = flt.ContentBot;
  TSection& text = SectionAt({1});
  ASSERT_GE(text.Lines.size(), 3u);
  for (const LineRec& line : text.Lines) {
    if (line.Y + line.LineHt <= floatBottom) {
      EXPECT_EQ(line.DrawXX, 50) << line.Y;
    } else if (line.Y >= floatBottom) {
      EXPECT_EQ(line.DrawXX, 0) << line.Y;
    }
  }
  TSection& below = SectionAt({2});
  ASSERT_FALSE(below.Lines.empty());
  const LineRec& last = below.Lines.back();
  EXPECT_GE(last.Y, floatBottom);
}

// Where an item's content starts: a block's content top, a section's
// first line of text, or a floating picture's top.
int ContentStart(TSectionBase& item) {
  if (auto* block = dynamic_cast<TBlock*>(&item)) return block->ContentTop;
  auto& section = dynamic_cast<TSection&>(item);
  for (const auto& obj : section.Images.Items)
    if (obj->Floating()) return obj->FloatY;
  for (const LineRec& line : section.Lines)
    if (line.Ln > 0) return line.Y;
  return -1;
}

// BR CLEAR moves whatever follows it below the floats on the cleared side,
// whether text, a block, a table or a floating picture comes next.
TEST_F(HtmlLayout, BrClearMovesTheNextItemBelowTheFloats) {
  const std::u16string left = u"<div style='float:left;width:50px;height:60px'>f</div>";
  const std::u16string right = u"<div style='float:right;width:50px;height:90px'>g</div>";
  const struct {
    std::u16string floats;
    const char16_t* clear;
    const char16_t* next;
    int below;  // the float bottom the next item must start at or below; 0: beside
  } cases[] = {
      {left, u"left", u"text", 65},
      {left, u"left", u"<p>para</p>", 65},
      {left, u"all", u"<h2>head</h2>", 65},
      {left, u"left", u"<hr>", 65},
      {left, u"all", u"<div>div</div>", 65},
      {left, u"left", u"<table><tr><td>cell</td></tr></table>", 65},
      {left, u"left", u"<img align=left width=20 height=20>", 65},
      {left, u"all", u"\n<p>after a line end</p>", 65},
      {right, u"right", u"<p>para</p>", 95},
      {right, u"all", u"<div>div</div>", 95},
      // The other side's float does not hold the next item back.
      {right, u"left", u"<p>para</p>", 0},
      {left, u"right", u"<div>div</div>", 0},
      {left + right, u"left", u"<p>para</p>", 65},
      {left + right, u"all", u"<table><tr><td>cell</td></tr></table>", 95},
  };
  for (const auto& c : cases) {
    const std::u16string html = c.floats + u"a<br clear=" + c.clear + u">" + c.next;
    Layout(html);
    const int floats = c.floats == left + right ? 2 : 1;
    TSectionBase& next = At({floats + 1});
    const int start = ContentStart(next);
    if (c.below > 0) {
      EXPECT_GE(start, c.below) << TextToUtf8(html);
    } else {
      EXPECT_LT(start, 60) << TextToUtf8(html);
    }
  }
  // Two breaks clearing one side each clear both.
  Layout(left + right + u"a<br clear=left><br clear=right><p>para</p>");
  EXPECT_GE(ContentStart(At({3})), 95);
  // Without floats the break adds no room between paragraphs.
  Layout(u"<p>one</p><br clear=all><p>two</p>");
  EXPECT_EQ(BlockAt({1}).ContentTop - BlockAt({0}).ContentBot, 14);
}

// display: none on a picture, a form control or a table: the page lays
// out and paints as if the element were not there.
TEST_F(HtmlLayout, DisplayNoneElementsTakeNoRoomAndDrawNothing) {
  // What a page paints: every drawn character with its place, and every
  // other drawing call.
  auto painted = [&](const std::u16string& html) {
    Layout(html);
    TRecordingSurface rec(*Surface);
    Document.Draw(rec, TRect{0, 0, Width, 300}, 6000, 0, 0);
    std::vector<std::string> out{"height " + std::to_string(Height) + " width " +
                                 std::to_string(ScrollWidth)};
    for (const TDrawCall& c : rec.Calls()) {
      if (c.Kind != TDrawCall::TKind::dcText) {
        out.push_back(c.Describe());
        continue;
      }
      int x = c.Points.empty() ? 0 : c.Points[0].X;
      for (std::size_t i = 0; i < c.Text.size(); ++i) {
        out.push_back(TextToUtf8(c.Text.substr(i, 1)) + " at " + std::to_string(x));
        if (i < c.Advances.size()) x += c.Advances[i];
      }
    }
    return out;
  };
  const struct {
    const char16_t* hidden;
    const char16_t* shown;  // the same page without the hidden element
  } cases[] = {
      {u"<p>a<img width=40 height=30 style='display:none'>b<p>after", u"<p>ab<p>after"},
      {u"<p>a<img align=left width=40 height=30 style='display:none'>b<p>after", u"<p>ab<p>after"},
      {u"<p>a<img width=40 height=30 style='float:right;display:none'>b<p>after", u"<p>ab<p>after"},
      {u"<p>a<img border=3 width=40 height=30 style='display:none'>b<p>after", u"<p>ab<p>after"},
      {u"<p>a<input value=v style='display:none'>b<p>after", u"<p>ab<p>after"},
      {u"<p>a<input type=submit style='display:none'>b<p>after", u"<p>ab<p>after"},
      {u"<p>a<select style='display:none'><option>o</select>b<p>after", u"<p>ab<p>after"},
      {u"<p>a<textarea style='display:none'>t</textarea>b<p>after", u"<p>ab<p>after"},
      {u"<p>a<input type=image style='display:none'>b<p>after", u"<p>ab<p>after"},
      {u"<p>ab<table border=1 style='display:none'><tr><td>cell</td></tr></table><p>after",
       u"<p>ab<p>after"},
      {u"<p>ab<table border=1 style='display:none'><caption>c</caption><tr><td>x</td></tr></table>"
       u"<p>after",
       u"<p>ab<p>after"},
      // Nor does a hidden table widen the table it stands in.
      {u"<table border=1><tr><td>ab<table style='display:none'><caption>a caption wider than "
       u"ab</caption><tr><td>x</td></tr></table></td></tr></table>",
       u"<table border=1><tr><td>ab</td></tr></table>"},
      {u"<table border=1><tr><td>ab<img width=300 height=10 style='display:none'></td></tr></table>",
       u"<table border=1><tr><td>ab</td></tr></table>"},
      // A box fixed to the window and parked outside it is left out: a
      // slide-out menu, a skip link.
      {u"<style>.menu{position:fixed;left:-310px;width:300px;background:#eee}</style>"
       u"<p>ab<div class=menu><ul><li>a menu item wider than its box</ul></div><p>after",
       u"<p>ab<p>after"},
      {u"<p>ab<a href='#main' style='position:fixed; top: -300%'>Skip to content</a><p>after",
       u"<p>ab<p>after"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(painted(c.hidden), painted(c.shown)) << TextToUtf8(c.hidden);
  }
}

TEST_F(HtmlLayout, ListItemsCarryTheirMarkerBaseline) {
  Layout(u"<ol type=i><li>one<li></ol><ul><li>a<ul><li>b</ul></ul>");
  auto& first = dynamic_cast<TBlockLI&>(At({0, 0}));
  const LineRec& line = SectionAt({0, 0, 0}).Lines.at(0);
  EXPECT_EQ(first.FirstLineHt, line.Y + line.SpaceBefore + line.LineHt - line.Descent);
  // An empty item still has a line and a baseline.
  auto& empty = dynamic_cast<TBlockLI&>(At({0, 1}));
  EXPECT_GT(empty.FirstLineHt, first.FirstLineHt);
  // A nested list right after an item's text has no top margin.
  EXPECT_EQ(BlockAt({1, 0, 1}).MarginTop, 0);
}

TEST_F(HtmlLayout, RulesTakeSizeWidthAndAlignment) {
  const struct {
    const char16_t* html;
    int left;
    int width;
    int size;
  } cases[] = {
      {u"<hr>", 0, 380, 2},
      {u"<hr size=5 width=50%>", 95, 190, 5},
      {u"<hr width=100 align=left>", 0, 100, 2},
      {u"<hr width=100 align=right size=99>", 280, 100, 20},
  };
  for (const auto& c : cases) {
    Layout(c.html);
    auto& hr = dynamic_cast<THRBlock&>(BlockAt({0}));
    ASSERT_NE(hr.Line, nullptr);
    EXPECT_EQ(hr.Line->XLeft, c.left) << TextToUtf8(c.html);
    EXPECT_EQ(hr.Line->Width, c.width) << TextToUtf8(c.html);
    EXPECT_EQ(hr.Line->VSize, c.size) << TextToUtf8(c.html);
  }
}

// Box values in em are the block's own: 2em on 24 pt text is 64 pixels,
// the same length its text indent takes, so a hanging indent fits inside
// the padding.
TEST_F(HtmlLayout, BlockEmValuesUseTheBlocksFont) {
  Layout(u"<p style='font-size:24pt; margin-left:2em; padding-left:1em; text-indent:-1em'>Hang</p>");
  TBlock& p = BlockAt({0});
  EXPECT_EQ(p.MargArray[static_cast<std::size_t>(PropIndices::MarginLeft)], 64);
  EXPECT_EQ(p.MargArray[static_cast<std::size_t>(PropIndices::PaddingLeft)], 32);
  EXPECT_EQ(SectionAt({0, 0}).FirstLineIndent, -32);
}

// white-space at 400 pixels: a text of 20 words (800 pixels) wraps under
// normal and pre-wrap and stays one line under nowrap and pre.
TEST_F(HtmlLayout, WhiteSpaceDecidesWrapping) {
  const struct {
    const char16_t* value;
    bool wraps;
  } cases[] = {{u"normal", true}, {u"nowrap", false}, {u"pre", false}, {u"pre-wrap", true}};
  std::u16string words;
  for (int i = 0; i < 20; ++i) words += u"word  ";
  for (const auto& c : cases) {
    Layout(u"<div style='white-space:" + std::u16string(c.value) + u"'>" + words + u"</div>");
    TSection& s = SectionAt({0, 0});
    if (c.wraps) {
      EXPECT_GT(s.Lines.size(), 1u) << TextToUtf8(c.value);
      EXPECT_LE(ScrollWidth, Width) << TextToUtf8(c.value);
    } else {
      EXPECT_EQ(s.Lines.size(), 1u) << TextToUtf8(c.value);
      EXPECT_GT(ScrollWidth, Width) << TextToUtf8(c.value);
    }
  }
}

// z-index 2147483647 saturates instead of wrapping, and such a block paints
// after the flow.
TEST_F(HtmlLayout, HugeZIndexPaintsAboveTheFlow) {
  Layout(u"<div style='position:relative;z-index:2147483647'>top</div><p>flow</p>"
         u"<div style='position:relative;z-index:-5'>under</div>");
  TBlock& body = Body();
  EXPECT_EQ(BlockAt({0}).ZIndex, INT_MAX);
  EXPECT_EQ(BlockAt({2}).ZIndex, -50);
  auto surface = Device.CreateSurface(Width, 300);
  Document.Draw(*surface, TRect{0, 0, Width, 300}, 6000, 0, 0);
  ASSERT_EQ(body.DrawList.size(), 3u);
  EXPECT_EQ(body.DrawList[0], &At({2}));
  EXPECT_EQ(body.DrawList[1], &At({1}));
  EXPECT_EQ(body.DrawList[2], &At({0}));
}

// Margins at the int limit beside borders and padding end at the limit
// instead of wrapping to the far left, and what stands there still paints.
TEST_F(HtmlLayout, HugeMarginsBesideBordersAndPaddingSaturate) {
  const char16_t* styles[] = {
      u"margin-left:99999999999px;padding-left:4px;border:3px solid",
      u"margin-right:99999999999px;padding-right:4px;border:3px solid",
      u"float:left;margin-left:99999999999px;margin-right:99999999999px;padding:4px",
      u"float:right;margin-right:99999999999px;border-right:9px solid",
  };
  for (const char16_t* style : styles) {
    Layout(u"<div style='" + std::u16string(style) + u"'>x<hr><hr noshade>"
           u"<table border=1><tr><td>cell</table><ul><li>item</ul></div><p>after</p>");
    Document.Draw(*Surface, TRect{0, 0, Width, 300}, 6000, 0, 0);
    TBlock& div = BlockAt({0});
    EXPECT_GE(div.X, 0) << TextToUtf8(style);
    EXPECT_GE(div.ContentLeft, 0) << TextToUtf8(style);
    EXPECT_GE(ScrollWidth, 0) << TextToUtf8(style);
    int min = 0, max = 0;
    div.MinMaxWidth(*Surface, min, max);
    EXPECT_GE(min, 0) << TextToUtf8(style);
    EXPECT_GE(max, min) << TextToUtf8(style);
  }
}

TEST_F(HtmlLayout, BulletsAreDrawnLeftOfTheContent) {
  Layout(u"<ul><li>x</ul>");
  auto& li = dynamic_cast<TBlockLI&>(At({0, 0}));
  auto surface = Device.CreateSurface(Width, 100);
  surface->FillRect(TRect{0, 0, Width, 100}, clWhite);
  Document.Draw(*surface, TRect{0, 0, Width, 100}, 6000, 0, 0);
  // The disc fills (X-15, baseline-6)..(X-10, baseline-1).
  const int x = li.X, base = li.FirstLineHt;
  EXPECT_NE(surface->Pixel(x - 13, base - 4), clWhite);
  EXPECT_EQ(surface->Pixel(x - 20, base - 4), clWhite);
  EXPECT_EQ(surface->Pixel(x - 5, base - 4), clWhite);
}

// A long page scrolled to its middle paints the paragraphs under the
// window and no others.
TEST_F(HtmlLayout, PaintingVisitsOnlyTheChildrenNearTheClip) {
  std::u16string html;
  for (int i = 0; i < 2000; ++i) html += u"<p>paragraph " + Ascii(std::to_string(i));
  html += u"<div style='position:relative;z-index:3'>on top</div>";
  Layout(html);
  // Each paragraph is one 18-pixel line 14 pixels after the one before.
  Document.PaintPass.YOff = BlockAt({1000}).ContentTop;
  TRecordingSurface rec(*Surface);
  Document.Draw(rec, TRect{0, 0, Width, 100}, 6000, 0, 0);
  std::vector<std::u16string> texts;
  for (const TDrawCall& c : rec.Calls())
    if (c.Kind == TDrawCall::TKind::dcText) texts.push_back(c.Text);
  ASSERT_FALSE(texts.empty());
  EXPECT_LE(texts.size(), 8u);
  EXPECT_NE(std::find(texts.begin(), texts.end(), u"paragraph 1000"), texts.end());
  EXPECT_EQ(std::find(texts.begin(), texts.end(), u"paragraph 990"), texts.end());
}

// The link under a point is found through each cell's index of its items:
// on a long page, inside table cells moved to their rows, beside a float
// that reaches above its line, and again after a layout at another width.
TEST_F(HtmlLayout, LinksAreFoundWhereTheyAreDrawn) {
  std::u16string html = u"<img src=none.png width=30 height=300 align=left>";
  for (int i = 0; i < 1500; ++i) {
    const std::u16string n = Ascii(std::to_string(i));
    html += i % 100 == 50 ? u"<table><tr><td>x<td>y<tr><td>z<td><a href='#c" + n + u"'>c" + n +
                                u"</a></table>"
                          : u"<p><a href='#p" + n + u"'>p" + n + u"</a>";
  }
  for (int width : {Width, 250}) {
    Document.Clear();
    {
      THtmlBuilder builder(Document);
      builder.Parse(html);
    }
    int scrollWidth = 0;
    Document.DoLogic(*Surface, width, 300, scrollWidth);
    int found = 0;
    for (TSectionBase* s : Document.LayoutPass.PositionList) {
      auto* section = dynamic_cast<TSection*>(s);
      if (!section || section->Buff.empty() || (section->Buff[0] != u'p' && section->Buff[0] != u'c'))
        continue;
      int x = 0, y = 0;
      ASSERT_TRUE(section->CursorToXY(*Surface, section->StartCurs, x, y));
      TLinkHit hit;
      ASSERT_EQ(Document.GetURL(*Surface, x + 2, y + 5, hit) & guUrl, guUrl)
          << "width " << width << " at " << y;
      EXPECT_EQ(hit.Url, u"#" + Trim(section->Buff)) << "width " << width;
      ++found;
    }
    EXPECT_EQ(found, 1500);
  }
}

}  // namespace
}  // namespace tav
