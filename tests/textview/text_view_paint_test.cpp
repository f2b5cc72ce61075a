// The text view's painting as drawing calls, and its repainting and
// scrolling as requests to a window host.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "platform/testing/fake_window_host.h"
#include "platform/testing/fixed_metrics_device.h"
#include "platform/testing/recording_surface.h"
#include "textview/text_page.h"
#include "textview/text_view.h"
#include "textview/uri_highlighter.h"

namespace tav {
namespace {

using test::TFakeWindowHost;

std::u16string U16(const std::string& s) { return std::u16string(s.begin(), s.end()); }

std::string DrawingPath(const std::string& name) {
  return std::string(TAV_TEST_DATA_DIR) + "/drawings/" + name + ".txt";
}

// A window host that keeps the window's pixels as a screen does: a scroll
// moves them and leaves the uncovered strip invalid, invalid areas move
// with the pixels, and Update paints every invalid rectangle through the
// control on its own (the partial paints a window system asks for). It
// logs the scroll bars as the control sets them.
class TScreenHost : public TFakeWindowHost {
public:
  TScreenHost(TFixedMetricsDevice& device, TControl& control)
      : TFakeWindowHost(device, control), FDevice(device) {}

  TFixedMetricsSurface& Screen() {
    const TControl& c = *Control();
    if (!FScreen || FScreen->Size().cx != c.ClientWidth() || FScreen->Size().cy != c.ClientHeight())
      FScreen = FDevice.CreateSurface(c.ClientWidth(), c.ClientHeight());
    return *FScreen;
  }
  const std::vector<TRect>& Dirty() const { return FDirty; }

  void Invalidate(const TRect* r) override {
    TFakeWindowHost::Invalidate(r);
    FDirty.push_back(r ? *r : Control()->ClientRect());
  }
  void Update() override {
    TFakeWindowHost::Update();
    std::vector<TRect> dirty;
    dirty.swap(FDirty);
    for (const TRect& r : dirty) PaintRect(r);
  }
  void ScrollPixels(int dx, int dy, const TRect& area) override {
    TFakeWindowHost::ScrollPixels(dx, dy, area);
    TFixedMetricsSurface& s = Screen();
    const TRect a = IntersectRect(area, Control()->ClientRect());
    std::vector<TColor> copy;
    for (int y = a.Top; y < a.Bottom; ++y)
      for (int x = a.Left; x < a.Right; ++x) copy.push_back(s.Pixel(x, y));
    const TRect moved = IntersectRect(a, {a.Left + dx, a.Top + dy, a.Right + dx, a.Bottom + dy});
    for (int y = moved.Top; y < moved.Bottom; ++y)
      for (int x = moved.Left; x < moved.Right; ++x)
        s.SetPixelValue(x, y, copy[static_cast<std::size_t>((y - dy - a.Top) * a.Width() +
                                                            (x - dx - a.Left))]);
    for (TRect& r : FDirty) {
      const TRect inside = IntersectRect(r, a);
      if (inside == r) r = IntersectRect({r.Left + dx, r.Top + dy, r.Right + dx, r.Bottom + dy}, a);
    }
    // The strips the pixels left.
    if (dy > 0) FDirty.push_back({a.Left, a.Top, a.Right, std::min(a.Bottom, a.Top + dy)});
    if (dy < 0) FDirty.push_back({a.Left, std::max(a.Top, a.Bottom + dy), a.Right, a.Bottom});
    if (dx > 0) FDirty.push_back({a.Left, a.Top, std::min(a.Right, a.Left + dx), a.Bottom});
    if (dx < 0) FDirty.push_back({std::max(a.Left, a.Right + dx), a.Top, a.Right, a.Bottom});
  }
  void ScrollBarsChanged() override {
    const TScrollInfo bar = Control()->GetScrollInfo(TScrollBarKind::sbVertical);
    Log().push_back("bars max=" + std::to_string(bar.Max) + " page=" + std::to_string(bar.Page) +
                    " pos=" + std::to_string(bar.Pos));
  }

  // Paints `r` into the screen as a window system's paint of that area.
  void PaintRect(const TRect& r) {
    TFixedMetricsSurface& s = Screen();
    s.SaveDC();
    Control()->PaintTo(s, r);
    s.RestoreDC();
  }

private:
  TFixedMetricsDevice& FDevice;
  std::unique_ptr<TFixedMetricsSurface> FScreen;
  std::vector<TRect> FDirty;
};

// The view set up as on the Text page, in a window of the fixed-metrics
// device: Courier New 13 px has cells 7 wide (the bold advance) and rows 14
// high; the gutter's Courier New 11 px has 5-pixel digits, so the gutter is
// 6 + 4 * 5 = 26 wide and the text starts at 28.
class TextViewPaintTest : public ::testing::Test {
protected:
  TextViewPaintTest() {
    SetUpTextPage(view, highlighter);
    host = std::make_unique<TScreenHost>(device, view);
    SetCellsAndRows(20, 4);
  }

  void SetUp() override {
    // The drawings hold these metrics.
    ASSERT_EQ(view.CharWidth(), 7);
    ASSERT_EQ(view.LineHeight(), 14);
    ASSERT_EQ(view.GutterWidth(), 26);
    ASSERT_EQ(view.TextOffset(), 28);
  }

  // Sizes the window to `cells` whole cells of text and `rows` whole rows.
  void SetCellsAndRows(int cells, int rows) {
    const int chromeX = view.Width() - view.ClientWidth();
    const int chromeY = view.Height() - view.ClientHeight();
    view.SetBounds(MakeRect(0, 0, chromeX + view.GutterWidth() + 2 + cells * view.CharWidth(),
                            chromeY + rows * view.LineHeight()));
    ASSERT_EQ(view.CharsInWindow(), cells);
    ASSERT_EQ(view.LinesInWindow(), rows);
  }

  TRect Client() const { return {0, 0, view.ClientWidth(), view.ClientHeight()}; }
  TRect TextArea() const { return {view.GutterWidth(), 0, view.ClientWidth(), view.ClientHeight()}; }
  TRect GutterArea() const { return {0, 0, view.GutterWidth(), view.ClientHeight()}; }

  // The calls of one paint of `clip`.
  std::vector<std::string> Drawn(const TRect& clip) {
    TRecordingSurface surface(device.CreateSurface(view.ClientWidth(), view.ClientHeight()));
    view.Paint(surface, clip);
    return surface.Lines();
  }
  std::vector<TDrawCall> Calls(const TRect& clip) {
    TRecordingSurface surface(device.CreateSurface(view.ClientWidth(), view.ClientHeight()));
    view.Paint(surface, clip);
    return surface.Calls();
  }
  // The calls of one paint of `clip` against the expected drawing `name`.
  // TAV_WRITE_DRAWINGS=1 writes the drawing instead (to look at, then keep).
  void ExpectDrawing(const std::string& name, const std::string& comment, const TRect& clip) {
    const std::vector<std::string> lines = Drawn(clip);
    if (std::getenv("TAV_WRITE_DRAWINGS")) {
      std::ofstream out(DrawingPath(name));
      out << comment << "\n";
      for (const std::string& line : lines) out << line << "\n";
    }
    EXPECT_EQ(lines, ReadDrawingFile(DrawingPath(name))) << name;
  }

  TFixedMetricsDevice device;
  TURIHighlighter highlighter;
  TTextView view;
  std::unique_ptr<TScreenHost> host;
};

// Runs of tokens in one style and colour, spaces included, are one call.
TEST_F(TextViewPaintTest, SpacesAroundAnIdentifierAreOneCall) {
  view.Lines().SetText(u"  word ");
  ExpectDrawing("spaces_and_identifier", "# \"  word \": a space token, a word, a space token",
                {view.GutterWidth(), 0, view.ClientWidth(), view.LineHeight()});
  const TLineLayout& layout = view.LineLayout(0);
  ASSERT_TRUE(layout.TokensValid);
  EXPECT_EQ(layout.Tokens.size(), 3u);
}

// A selection from the middle of a link past its end: the link is drawn in
// two underlined parts, the second in the selection's colours.
TEST_F(TextViewPaintTest, SelectionSplitsALinkIntoTwoUnderlinedParts) {
  view.Lines().SetText(u"go http://a.org/x ok");
  view.SetSelectionMode(TSelectionMode::smNormal);
  view.SetBlockBegin({11, 1});  // the 'a'
  view.SetBlockEnd({20, 1});    // the 'o' of "ok"
  ExpectDrawing("link_split_by_selection",
                "# \"go http://a.org/x ok\", characters 11 to 19 selected",
                {view.GutterWidth(), 0, view.ClientWidth(), view.LineHeight()});
}

// A two-cell glyph that does not fit at a row's end starts the next row and
// is drawn whole there; a tab is drawn as blanks to its stop.
TEST_F(TextViewPaintTest, WideGlyphAtARowStartAndTabsAsBlanks) {
  view.Lines().SetText(u"abcdefghijklmnopqrs\u4E2Dt\na\tb");
  ASSERT_EQ(view.BufferToDisplayPos({20, 1}), (TDisplayCoord{1, 2}));
  ExpectDrawing("wide_glyph_and_tab", "# a 19-cell line, then \u4E2D on the next row; \"a\\tb\"",
                {view.GutterWidth(), 0, view.ClientWidth(), 3 * view.LineHeight()});
}

// Combining marks are drawn after the unit they stand on with no advance; a
// mark with nothing to stand on gets a no-break space on its own cell. The
// link after an accented letter starts at the right cell.
TEST_F(TextViewPaintTest, CombiningMarksFollowTheirBaseWithNoAdvance) {
  view.Lines().SetText(u"e\u0301 http://a.org\na\t\u0301b\n\u4E2D\u0308x\u0301\n\u0301");
  ExpectDrawing("combining_marks",
                "# \"e\u0301 http://a.org\", \"a\\t\u0301b\", \"\u4E2D\u0308x\u0301\", \"\u0301\"",
                {view.GutterWidth(), 0, view.ClientWidth(), 4 * view.LineHeight()});
}

// The number stands on a line's first row; its other rows get the wrap mark.
TEST_F(TextViewPaintTest, GutterNumbersFirstRowsAndMarksContinuations) {
  view.Lines().SetText(std::u16string(45, u'x') + u"\nend");
  ExpectDrawing("gutter_wrapped_line", "# a line of 45 cells in rows of 20, then \"end\"",
                GutterArea());
}

TEST_F(TextViewPaintTest, EmptyBufferShowsLineOne) {
  view.Lines().Clear();
  ExpectDrawing("empty_buffer", "# no lines: one row numbered 1, the rest blank", Client());
}


// ---------------------------------------------------------------- repainting

// The view's whole client area painted at once, as after a tab switch.
std::vector<TColor> FullPaint(TFixedMetricsDevice& device, TControl& view) {
  auto surface = device.CreateSurface(view.ClientWidth(), view.ClientHeight());
  view.PaintTo(*surface, view.ClientRect());
  return surface->Pixels();
}

// Where two pictures first differ, for a failure message.
std::string FirstDifference(const std::vector<TColor>& a, const std::vector<TColor>& b, int width) {
  for (std::size_t i = 0; i < a.size() && i < b.size(); ++i)
    if (a[i] != b[i])
      return "first at x=" + std::to_string(static_cast<int>(i) % width) +
             " y=" + std::to_string(static_cast<int>(i) / width);
  return "sizes differ";
}

TEST_F(TextViewPaintTest, OneRowScrolledRepaintsOneRow) {
  std::u16string text;
  for (int i = 1; i <= 100; ++i) text += u"line " + U16(std::to_string(i)) + u"\n";
  view.Lines().SetText(text);
  host->Update();
  host->Log().clear();
  view.ScrollBarEvent(TScrollBarKind::sbVertical, TScrollCode::scLineDown, 0);
  // The pixels move up a row; only the uncovered strip is painted.
  EXPECT_EQ(host->Log(), (std::vector<std::string>{"scroll 0,-14 in 168x56", "update",
                                                   "bars max=101 page=4 pos=2", "update"}));
  EXPECT_TRUE(host->Screen().Pixels() == FullPaint(device, view));
  host->Log().clear();
  view.ScrollBarEvent(TScrollBarKind::sbVertical, TScrollCode::scLineUp, 0);
  EXPECT_EQ(host->Log().front(), "scroll 0,14 in 168x56");
  EXPECT_TRUE(host->Screen().Pixels() == FullPaint(device, view));
}

// One load: one merged invalidation, the bars set from the new rows, the
// selection collapsed and the top line pulled back.
TEST_F(TextViewPaintTest, OneLoadInvalidatesOnceAndRefreshesTheBars) {
  std::u16string text;
  for (int i = 1; i <= 100; ++i) text += u"line\n";
  view.Lines().SetText(text);
  view.SetTopLine(80);
  view.SetBlockBegin({1, 81});
  view.SetBlockEnd({3, 84});
  host->Update();
  host->Log().clear();
  view.Lines().SetText(u"a\nb\n" + std::u16string(50, u'x'));
  const std::vector<std::string>& log = host->Log();
  EXPECT_EQ(std::count_if(log.begin(), log.end(),
                          [](const std::string& l) { return l.rfind("invalidate", 0) == 0; }),
            1)
      << ::testing::PrintToString(log);
  EXPECT_EQ(std::find(log.begin(), log.end(), "update"), log.end()) << "nothing painted before the load ends";
  ASSERT_FALSE(log.empty());
  // Three lines, the last in three rows of 20: 5 rows in a window of 4.
  auto bars = std::find_if(log.rbegin(), log.rend(),
                           [](const std::string& l) { return l.rfind("bars", 0) == 0; });
  ASSERT_NE(bars, log.rend());
  EXPECT_EQ(*bars, "bars max=5 page=4 pos=1");
  EXPECT_EQ(view.TopLine(), 1);
  EXPECT_FALSE(view.SelAvail());
  host->Update();
  EXPECT_TRUE(host->Screen().Pixels() == FullPaint(device, view));
}

// Dragging the thumb shows "Top Line: N" over the text and scrolls under
// it; what the window shows after every step, painted in parts, is what a
// full paint draws: no number missing from the gutter, no stale hint.
TEST_F(TextViewPaintTest, ThumbDragRepaintsLikeAFullPaint) {
  SetCellsAndRows(30, 10);
  std::u16string text;
  for (int i = 1; i <= 40; ++i) {
    if (i % 7 == 3) text += u"\u4E2D\u6587\u5B57\u7B26 \u65E5\u672C\u8A9E\n";
    else if (i % 7 == 4) text += u"see http://www.example.org/index.html and\t" + std::u16string(70, u'w') + u"\n";
    else text += u"line\t" + U16(std::to_string(i)) + u"\n";
  }
  view.Lines().SetText(text);
  host->Update();
  const int rows = view.DisplayLineCount(), page = view.LinesInWindow();
  ASSERT_GT(rows, 2 * page);
  const int last = rows - page + 1;
  struct Case {
    const char* name;
    std::vector<int> positions;
  } cases[] = {
      {"row by row down and up", {}},
      {"two rows a step", {}},
      {"a page less one a step", {}},
      {"jump to the end, then back a row at a time", {}},
  };
  for (int p = 1; p <= last; ++p) cases[0].positions.push_back(p);
  for (int p = last; p >= 1; --p) cases[0].positions.push_back(p);
  for (int p = 1; p <= last; p += 2) cases[1].positions.push_back(p);
  for (int p = 1; p <= last; p += page - 1) cases[2].positions.push_back(p);
  cases[3].positions = {1, last / 2, last, last - 1, last - 2, last - 3, last};
  for (const Case& c : cases) {
    view.SetTopLine(1);
    host->Update();
    for (int pos : c.positions) {
      view.ScrollBarEvent(TScrollBarKind::sbVertical, TScrollCode::scTrack, pos);
      ASSERT_EQ(view.TopLine(), pos) << c.name;
      ASSERT_EQ(view.ScrollHintText(), u"Top Line: " + U16(std::to_string(view.RowToLine(pos))));
      ASSERT_TRUE(host->Screen().Pixels() == FullPaint(device, view))
          << c.name << ", top row " << pos << ": "
          << FirstDifference(host->Screen().Pixels(), FullPaint(device, view), view.ClientWidth());
    }
    view.ScrollBarEvent(TScrollBarKind::sbVertical, TScrollCode::scEndScroll, 0);
    EXPECT_TRUE(view.ScrollHintText().empty());
    ASSERT_TRUE(host->Screen().Pixels() == FullPaint(device, view)) << c.name << ", hint hidden";
  }
}

}  // namespace
}  // namespace tav
