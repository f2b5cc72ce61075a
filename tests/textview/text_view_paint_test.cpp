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
#include "textview/text_view.h"
#include "textview/uri_highlighter.h"

namespace tav {
namespace {

using test::TFakeWindowHost;

std::string DrawingPath(const std::string& name) {
  return std::string(TAV_TEST_DATA_DIR) + "/drawings/" + name + ".txt";
}

// The view set up as on the Text page, in a window of the fixed-metrics
// device: Courier New 13 px has cells 7 wide (the bold advance) and rows 14
// high; the gutter's Courier New 11 px has 5-pixel digits, so the gutter is
// 6 + 4 * 5 = 26 wide and the text starts at 28.
class TextViewPaintTest : public ::testing::Test {
protected:
  TextViewPaintTest() {
    TTextViewFont font;
    font.Desc.Face = u"Courier New";
    font.Desc.Height = -13;
    view.SetFont(font);
    TFontDesc gutterFont;
    gutterFont.Face = u"Courier New";
    gutterFont.Height = -11;
    view.Gutter().SetFont(gutterFont, clWindowText);
    view.Gutter().SetLeftOffset(2);
    view.Gutter().SetShowLineNumbers(true);
    view.SetHighlighter(&highlighter);
    view.SetWordWrap(true);
    view.SetRightEdge(1024);
    view.SetScrollBars(TScrollStyle::ssVertical);
    view.SetReadOnly(true);
    view.SetInsertMode(false);
    host = std::make_unique<TFakeWindowHost>(device, view);
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
  std::unique_ptr<TFakeWindowHost> host;
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

}  // namespace
}  // namespace tav
