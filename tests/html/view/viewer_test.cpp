// The viewer control on the fake window system and the fixed-metrics
// device: layout passes, scroll bars, keys, wheel, the link under the
// mouse, link clicks, local pages, painting, selection and copying.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "html/base/paths.h"
#include "html/layout/block.h"
#include "html/layout/text/section.h"
#include "html/view/box_dump.h"
#include "html/view/cf_html.h"
#include "html/view/viewer.h"
#include "html_view_fixture.h"
#include "platform/clipboard.h"
#include "platform/system_values.h"
#include "platform/testing/fake_child_controls.h"
#include "platform/testing/fake_window_host.h"
#include "platform/testing/fixed_metrics_device.h"
#include "temp_folder.h"
#include "util/code_page.h"

namespace tav {
namespace {

using test::TFakeWindowHost;

using test::Paragraphs;

class HtmlViewTest : public test::HtmlViewFixture {
protected:
  HtmlViewTest() { SetClipboard(clipboard); }
  ~HtmlViewTest() override { SetClipboard(nullptr); }

  void Key(int key, TShiftState shift = 0) { view.KeyDown(key, shift); }
  std::string HtmlFormat() {
    return clipboard->GetData(clipboard->RegisterFormat(kHtmlFormatName));
  }

  std::shared_ptr<TMemoryClipboard> clipboard = std::make_shared<TMemoryClipboard>();
};

TEST_F(HtmlViewTest, EmptyPageShowsTheBackgroundWithoutScrollBars) {
  view.Clear();
  view.LoadFromString(u"");
  EXPECT_FALSE(view.ScrollBarVisible(TScrollBarKind::sbVertical));
  EXPECT_FALSE(view.ScrollBarVisible(TScrollBarKind::sbHorizontal));
  auto surface = device.CreateSurface(300, 200);
  view.PaintTo(*surface, MakeRect(0, 0, 300, 200));
  EXPECT_EQ(surface->Pixel(150, 100), ColorToRGB(clBtnFace));
  EXPECT_TRUE(errors.empty());
}

// Short documents are laid out at the full width, then narrower when they
// need the vertical bar; long ones narrower at once.
TEST_F(HtmlViewTest, LayoutPassesDependOnLengthAndHeight) {
  struct TCase {
    const char* name;
    std::u16string text;
    int passes;
    bool vbar;
  };
  std::u16string longText = Paragraphs(40);
  longText += u"<!--" + std::u16string(10000, u'x') + u"-->";
  std::u16string exactly9999 = Paragraphs(40);
  exactly9999 += u"<!--" + std::u16string(9999 - exactly9999.size() - 7, u'x') + u"-->";
  ASSERT_EQ(exactly9999.size(), 9999u);
  const TCase cases[] = {
      {"fits", u"<p>short</p>", 1, false},
      {"tall and short", Paragraphs(40), 2, true},
      {"tall, 9999 characters", exactly9999, 2, true},
      {"tall and long", longText, 1, true},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    view.LoadFromString(c.text);
    EXPECT_EQ(view.LayoutPasses(), c.passes);
    EXPECT_EQ(view.ScrollBarVisible(TScrollBarKind::sbVertical), c.vbar);
  }
}

TEST_F(HtmlViewTest, VerticalBarCoversTheDocumentAndKeysMoveWithinIt) {
  view.LoadFromString(Paragraphs(40));
  ASSERT_TRUE(view.ScrollBarVisible(TScrollBarKind::sbVertical));
  const int paintHeight = view.PaintRect().Height();
  EXPECT_EQ(paintHeight, 200 - 2);
  EXPECT_EQ(view.PaintRect().Width(), 300 - 2 - GetSystemMetrics(SM_CXVSCROLL));
  const TScrollInfo info = view.GetScrollInfo(TScrollBarKind::sbVertical);
  EXPECT_EQ(info.Max, view.DocumentHeight());
  EXPECT_EQ(info.Page, paintHeight + 1);
  const int maxPos = view.DocumentHeight() - paintHeight;

  struct TStep {
    int key;
    TShiftState shift;
    int expected;
  };
  const int large = paintHeight - 16;
  const TStep steps[] = {
      {VK_UP, 0, 0},
      {VK_DOWN, 0, 16},
      {VK_NEXT, 0, 16 + large},
      {VK_PRIOR, 0, 16},
      {VK_SPACE, 0, 16 + large},
      {VK_SPACE, ssShift, 16},
      {VK_END, ssCtrl, maxPos},
      {VK_DOWN, 0, maxPos},
      {VK_HOME, ssCtrl, 0},
  };
  for (const TStep& s : steps) {
    Key(s.key, s.shift);
    EXPECT_EQ(view.VScrollBarPosition(), s.expected) << "key " << s.key;
    EXPECT_EQ(view.GetScrollInfo(TScrollBarKind::sbVertical).Pos, s.expected);
  }
  // A small move shifts the pixels; the document follows the offset.
  host->Log().clear();
  Key(VK_DOWN);
  EXPECT_EQ(view.Document().PaintPass.YOff, 16);
  EXPECT_NE(std::find(host->Log().begin(), host->Log().end(),
                      "scroll 0,-16 in " + std::to_string(view.PaintRect().Width()) + "x" +
                          std::to_string(paintHeight)),
            host->Log().end());
}

TEST_F(HtmlViewTest, WideDocumentScrollsHorizontallyUpToTheCap) {
  // 1000 characters of 8 pixels in one preformatted line.
  view.LoadFromString(u"<pre>" + std::u16string(1000, u'w') + u"</pre>");
  EXPECT_EQ(view.ScrollWidth(), THtmlView::kMaxScrollWidth);
  EXPECT_TRUE(view.ScrollBarVisible(TScrollBarKind::sbHorizontal));
  EXPECT_FALSE(view.ScrollBarVisible(TScrollBarKind::sbVertical));
  EXPECT_EQ(view.PaintRect().Height(), 200 - 2 - GetSystemMetrics(SM_CYHSCROLL));
  Key(VK_RIGHT);
  EXPECT_EQ(view.HScrollBarPosition(), 15);
  view.ScrollBarEvent(TScrollBarKind::sbHorizontal, TScrollCode::scBottom, 0);
  EXPECT_EQ(view.HScrollBarPosition(), THtmlView::kMaxScrollWidth - view.PaintRect().Width());
  view.ScrollBarEvent(TScrollBarKind::sbHorizontal, TScrollCode::scTrack, 100000);
  EXPECT_EQ(view.HScrollBarPosition(), THtmlView::kMaxScrollWidth - view.PaintRect().Width());
}

TEST_F(HtmlViewTest, BothBarsTakeEachOthersRoom) {
  // Just taller than the room once the horizontal bar is there.
  const int barH = GetSystemMetrics(SM_CYHSCROLL);
  view.SetBounds(MakeRect(0, 0, 300, 2 + 200));
  view.LoadFromString(u"<pre>" + std::u16string(100, u'w') + u"</pre>" +
                      u"<div style=\"height:" +
                      Utf8ToText(std::to_string(200 - barH + 5)) + u"px\"></div>");
  ASSERT_GT(view.DocumentHeight(), 200 - barH);
  ASSERT_LE(view.DocumentHeight(), 200 + 40);
  EXPECT_TRUE(view.ScrollBarVisible(TScrollBarKind::sbHorizontal));
  EXPECT_TRUE(view.ScrollBarVisible(TScrollBarKind::sbVertical));
  EXPECT_EQ(view.PaintRect().Height(), 200 - barH);
  EXPECT_EQ(view.PaintRect().Width(), 300 - 2 - GetSystemMetrics(SM_CXVSCROLL));
}

TEST_F(HtmlViewTest, WheelScrollsSixteenPixelsPerLine) {
  view.LoadFromString(Paragraphs(60));
  SetWheelScrollLines(3);
  EXPECT_TRUE(view.MouseWheel(0, -WHEEL_DELTA, {}));
  EXPECT_EQ(view.VScrollBarPosition(), 48);
  SetWheelScrollLines(0);  // no line count: half the delta
  view.MouseWheel(0, -WHEEL_DELTA, {});
  EXPECT_EQ(view.VScrollBarPosition(), 48 + 60);
  view.MouseWheel(0, 10 * WHEEL_DELTA, {});
  EXPECT_EQ(view.VScrollBarPosition(), 0);
}

TEST_F(HtmlViewTest, MiddleButtonScrollsOncePastTheDeadZoneAndAnyKeyEndsIt) {
  view.LoadFromString(Paragraphs(60));
  view.MouseDown(TMouseButton::mbMiddle, 0, 100, 50);
  EXPECT_TRUE(view.MiddleScrolling());
  EXPECT_EQ(view.Cursor(), TCursorShape::crMiddleScroll);
  view.MouseMove(0, 100, 65);
  EXPECT_FALSE(view.TimerActive(THtmlView::kMiddleScrollTimer));
  view.MouseMove(0, 100, 90);
  ASSERT_TRUE(view.TimerActive(THtmlView::kMiddleScrollTimer));
  view.TimerTick(THtmlView::kMiddleScrollTimer);
  EXPECT_GT(view.VScrollBarPosition(), 0);
  int key = 'A';
  view.KeyDown(key, 0);
  EXPECT_FALSE(view.MiddleScrolling());
  EXPECT_FALSE(view.TimerActive(THtmlView::kMiddleScrollTimer));
}

TEST_F(HtmlViewTest, CursorShowsWhatIsUnderTheMouse) {
  view.LoadFromString(u"<p>plain text <a href=\"other.html\">the link</a></p>");
  // "plain text " is 11 characters: the link starts at position 11.
  const TPoint text = PointOf(2);
  const TPoint link = PointOf(13);
  view.MouseMove(0, link.X, link.Y);
  EXPECT_EQ(view.Cursor(), TCursorShape::crHandPoint);
  EXPECT_EQ(view.LinkUrl(), u"other.html");
  EXPECT_TRUE(view.TimerActive(THtmlView::kHoverTimer));
  EXPECT_EQ(host->Timers().at(THtmlView::kHoverTimer), 200u);
  view.MouseMove(0, text.X, text.Y);
  EXPECT_EQ(view.Cursor(), TCursorShape::crIBeam);
  EXPECT_EQ(view.LinkUrl(), u"");
  view.MouseMove(0, 150, 180);
  EXPECT_EQ(view.Cursor(), TCursorShape::crDefault);

  // The hover timer ends the hover once the mouse has left the view.
  view.MouseMove(0, link.X, link.Y);
  host->System().CursorInside = false;
  view.TimerTick(THtmlView::kHoverTimer);
  EXPECT_EQ(view.LinkUrl(), u"");
  EXPECT_FALSE(view.TimerActive(THtmlView::kHoverTimer));
}

TEST_F(HtmlViewTest, ClickOnHashLinkScrollsToTheNamedElement) {
  view.LoadFromString(u"<p><a href=\"#top\">go</a></p>" + Paragraphs(40) +
                      u"<p id=\"Top\">target</p>" + Paragraphs(40));
  const TPoint link = PointOf(0);
  Click(link.X, link.Y);
  const int reached = view.VScrollBarPosition();
  EXPECT_GT(reached, 0);
  EXPECT_TRUE(errors.empty());
  // The same place PositionTo finds, and the target's line is at the top.
  Key(VK_HOME, ssCtrl);
  EXPECT_TRUE(view.PositionTo(u"TOP"));
  EXPECT_EQ(view.VScrollBarPosition(), reached);
  EXPECT_FALSE(view.PositionTo(u"nowhere"));
}

// The ID of any element is a place to go to: blocks by their top, inline
// and unknown elements by where they start in the text.
TEST_F(HtmlViewTest, PositionToFindsTheIdOfAnyElement) {
  const char16_t* targets[] = {
      u"<section id=t><p>target</p></section>",
      u"<h2 id=t>target</h2>",
      u"<p id=t>target</p>",
      u"<p>before<br><span id=t>target</span></p>",
      u"<p>before<br><em id=t>target</em></p>",
      u"<p>before<br><a id=t href=x>target</a></p>",
      u"<p>before<br><foo id=t>target</foo></p>",
  };
  for (const char16_t* target : targets) {
    SCOPED_TRACE(TextToUtf8(target));
    view.LoadFromString(Paragraphs(40) + target + Paragraphs(40));
    ASSERT_TRUE(view.PositionTo(u"#T"));
    // The line that holds "target" is at the top, give or take the margin
    // above the target's block.
    int targetY = -1;
    for (TSectionBase* item : view.Document().LayoutPass.PositionList) {
      auto* section = dynamic_cast<TSection*>(item);
      if (section && section->Buff.find(u"target") != std::u16string::npos) {
        int x = 0;
        auto bitmap = device.CreateBitmap(1, 1);
        section->CursorToXY(bitmap->Canvas(),
                            section->StartCurs + static_cast<int>(section->Buff.find(u"target")),
                            x, targetY);
      }
    }
    ASSERT_GT(targetY, 0);
    EXPECT_LE(view.VScrollBarPosition(), targetY);
    EXPECT_GE(view.VScrollBarPosition(), targetY - 20);
  }
}

// An answer that is an SVG drawing shows as that picture alone; one that
// cannot be drawn as a broken picture; the text stays the document source.
TEST_F(HtmlViewTest, AnSvgAnswerShowsAsItsPicture) {
  const struct {
    const char16_t* text;
    const char* image;  // the start of the image's dump line
  } cases[] = {
      {u"<?xml version='1.0'?>\n<svg xmlns='http://www.w3.org/2000/svg' width='30' height='20'>"
       u"<rect fill=\"#00FF00\"/><text>label</text></svg>",
       "image Pos=0 ObjWidth=30 ObjHeight=20 ImageWidth=30 ImageHeight=20"},
      {u"<svg viewBox='0 0 8 4'><text>other</text></svg>",
       "image Pos=0 ObjWidth=8 ObjHeight=4 ImageWidth=8 ImageHeight=4"},
      {u"<svg><text>no size</text></svg>", "image Pos=0 ObjWidth=16 ObjHeight=16"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(TextToUtf8(c.text));
    view.LoadFromString(c.text);
    EXPECT_EQ(view.DocumentSource(), c.text);
    const std::string boxes = DumpBoxes(view.Document());
    EXPECT_NE(boxes.find(c.image), std::string::npos) << boxes;
    EXPECT_EQ(boxes.find("label"), std::string::npos) << boxes;
    EXPECT_EQ(boxes.find("other"), std::string::npos) << boxes;
  }
  // The last one shows broken, the others their drawing.
  EXPECT_NE(DumpBoxes(view.Document()).find(" broken"), std::string::npos);
  view.LoadFromString(cases[1].text);
  EXPECT_NE(DumpBoxes(view.Document()).find(" shown"), std::string::npos);
}

TEST_F(HtmlViewTest, ClickToAMissingPageReportsTheExpandedName) {
  view.LoadFromString(u"<a href=\"no_such_page.html\">away</a>");
  const TPoint link = PointOf(1);
  Click(link.X, link.Y);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0], "Can't locate file: " + HTMLExpandFilename(u"no_such_page.html"));
  // The view goes on with its page.
  EXPECT_EQ(view.DocumentSource(), u"<a href=\"no_such_page.html\">away</a>");
}

TEST_F(HtmlViewTest, ClickToAPipeOrADeviceFailsAtOnce) {
  test::TempFolder folder("tav-html-view");
  const std::string fifo = folder.File("pipe.html");
  const std::string zero = folder.File("zero.html");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  ASSERT_EQ(symlink("/dev/zero", zero.c_str()), 0);
  for (const std::string& target : {fifo, zero}) {
    SCOPED_TRACE(target);
    errors.clear();
    view.LoadFromString(u"<a href=\"" + Utf8ToText(target) + u"\">away</a>");
    const TPoint link = PointOf(1);
    const auto start = std::chrono::steady_clock::now();
    Click(link.X, link.Y);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_LT(elapsed, std::chrono::seconds(1));
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], "Can't read file: " + target);
  }
}

TEST_F(HtmlViewTest, LocalPagesAreDecodedByTheirMarkOrContent) {
  test::TempFolder folder("tav-html-view");
  struct TCase {
    const char* name;
    std::string bytes;
  };
  // Each holds the page "<p>café €</p>".
  const TCase cases[] = {
      {"utf8-bom.html", "\xEF\xBB\xBF<p>caf\xC3\xA9 \xE2\x82\xAC</p>"},
      {"utf8.html", "<p>caf\xC3\xA9 \xE2\x82\xAC</p>"},
      {"cp1252.html", "<p>caf\xE9 \x80</p>"},
      {"utf16le.html", std::string("\xFF\xFE<\0p\0>\0c\0a\0f\0\xE9\0 \0\xAC\x20<\0/\0p\0>\0", 28)},
      {"utf16be.html", std::string("\xFE\xFF\0<\0p\0>\0c\0a\0f\0\xE9\0 \x20\xAC\0<\0/\0p\0>", 28)},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = folder.File(c.name);
    ASSERT_TRUE(test::WriteFile(path, c.bytes));
    view.LoadFromFile(path);
    EXPECT_EQ(view.DocumentSource(), u"<p>caf\u00E9 \u20AC</p>");
    EXPECT_EQ(view.CurrentFile(), path);
    view.SelectAll();
    EXPECT_EQ(view.SelText().substr(0, 6), u"caf\u00E9 \u20AC");
  }
  EXPECT_THROW(view.LoadFromFile(folder.File("absent.html")), EHtmlViewError);
}

TEST_F(HtmlViewTest, LinkToALocalPageLoadsItRelativeToTheCurrentFile) {
  test::TempFolder folder("tav-html-view");
  ASSERT_TRUE(test::WriteFile(folder.File("first.html"), "<a href=\"second.html#end\">next</a>"));
  std::string second = "<p>second</p>";
  for (int i = 0; i < 40; ++i) second += "<p>more</p>";
  second += "<p id=end>end</p>";
  ASSERT_TRUE(test::WriteFile(folder.File("second.html"), second));
  view.LoadFromFile(folder.File("first.html"));
  const TPoint link = PointOf(1);
  Click(link.X, link.Y);
  EXPECT_TRUE(errors.empty());
  EXPECT_EQ(view.CurrentFile(), folder.File("second.html"));
  EXPECT_GT(view.VScrollBarPosition(), 0);
  EXPECT_NE(std::find(view.Visited().begin(), view.Visited().end(), u"second.html#end"),
            view.Visited().end());
}

TEST_F(HtmlViewTest, PaintsThroughABufferAndReportsWhenItCannotBeMade) {
  view.LoadFromString(u"<body bgcolor=\"#00FF00\"><p>text</p></body>");
  auto surface = device.CreateSurface(300, 200);
  view.PaintTo(*surface, MakeRect(0, 0, 300, 200));
  EXPECT_EQ(surface->Pixel(150, 150), 0x0000FF00u);
  // The frame shows only while the view has the focus.
  EXPECT_EQ(surface->Pixel(0, 100), ColorToRGB(clBtnFace));
  view.SetFocus();
  view.PaintTo(*surface, MakeRect(0, 0, 300, 200));
  EXPECT_EQ(surface->Pixel(0, 100), ColorToRGB(clWindowFrame));
  EXPECT_TRUE(errors.empty());

  device.Refuse = true;
  view.PaintTo(*surface, MakeRect(0, 0, 300, 200));
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0], "Out of Resources");
}

TEST_F(HtmlViewTest, DraggingSelectsAndCtrlCCopiesTextAndHtmlFormat) {
  const std::u16string page = u"<p>Hello <b>big</b> world</p><p>two</p>";
  view.LoadFromString(page);
  // Drag from the start of "Hello" to the end of "big".
  const TPoint from = PointOf(0);
  const TPoint to = PointOf(9);
  view.MouseDown(TMouseButton::mbLeft, 0, from.X - 1, from.Y);
  view.MouseMove(ssLeft, to.X - 4, to.Y);
  view.MouseUp(TMouseButton::mbLeft, 0, to.X - 4, to.Y);
  EXPECT_EQ(view.SelStart(), 0);
  EXPECT_EQ(view.SelLength(), 9);
  EXPECT_EQ(view.SelText(), u"Hello big");
  int key = 'C';
  view.KeyDown(key, ssCtrl);
  EXPECT_EQ(clipboard->GetText(), u"Hello big");
  const std::string html = HtmlFormat();
  ASSERT_FALSE(html.empty());
  auto offset = [&](const char* keyName) {
    return std::stoul(html.substr(html.find(keyName) + std::strlen(keyName), 8));
  };
  EXPECT_EQ(html.substr(offset("StartFragment:"),
                        offset("EndFragment:") - offset("StartFragment:")),
            "Hello <b>big</b>");
  EXPECT_EQ(offset("EndHTML:"), html.size());
  EXPECT_NE(html.find("<p><!--StartFragment-->Hello <b>big</b><!--EndFragment-->"),
            std::string::npos);

  // Ctrl+A selects the whole page; lines are joined with CR LF; Ctrl+Insert
  // copies too.
  key = 'A';
  view.KeyDown(key, ssCtrl);
  EXPECT_EQ(key, 0);
  EXPECT_EQ(view.SelStart(), 0);
  key = VK_INSERT;
  view.KeyDown(key, ssCtrl);
  EXPECT_EQ(clipboard->GetText().substr(0, 20), u"Hello big world\r\ntwo");
}

TEST_F(HtmlViewTest, FindExSelectsTheNextMatch) {
  view.LoadFromString(u"<p>one Two one</p>" + Paragraphs(40) + u"<p>last ONE</p>");
  EXPECT_TRUE(view.FindEx(u"one", false, false));
  EXPECT_EQ(view.SelStart(), 0);
  EXPECT_TRUE(view.FindEx(u"one", false, false));
  EXPECT_EQ(view.SelStart(), 8);
  EXPECT_TRUE(view.FindEx(u"one", false, false));
  EXPECT_EQ(view.SelText(), u"ONE");
  EXPECT_GT(view.VScrollBarPosition(), 0);
  EXPECT_FALSE(view.FindEx(u"one", false, false));
  EXPECT_FALSE(view.FindEx(u"two", true, true));
  EXPECT_TRUE(view.FindEx(u"Two", true, true));
  EXPECT_EQ(view.SelText(), u"Two");
}

TEST_F(HtmlViewTest, ClearEmptiesTheViewAndHidesTheBars) {
  view.LoadFromString(Paragraphs(60));
  Key(VK_NEXT);
  view.SelectAll();
  view.Clear();
  EXPECT_EQ(view.VScrollBarPosition(), 0);
  EXPECT_FALSE(view.ScrollBarVisible(TScrollBarKind::sbVertical));
  EXPECT_EQ(view.SelLength(), 0);
  EXPECT_EQ(view.SelText(), u"");
  EXPECT_TRUE(view.Document().LayoutPass.PositionList.empty());
}

// A page's media queries see the width of the view when it is loaded.
TEST_F(HtmlViewTest, MediaQueriesSeeTheViewsWidthAtLoad) {
  const std::u16string page =
      u"<style>@media screen and (max-width: 400px) { p { text-indent: 7px } }</style><p>x";
  auto indent = [this] {
    auto& body = dynamic_cast<TBlock&>(*view.Document().Items.at(0));
    const TProperties& p = *dynamic_cast<TBlock&>(*body.MyCell->Items.at(0)).Props;
    return TextToUtf8(AsText(p.Get(PropIndices::TextIndent)));
  };
  view.LoadFromString(page);
  EXPECT_GT(view.Document().Styles.MediaWidth, 250);
  EXPECT_LE(view.Document().Styles.MediaWidth, 300);
  EXPECT_EQ(indent(), "7px");
  view.SetBounds(MakeRect(0, 0, 800, 200));
  view.LoadFromString(page);
  EXPECT_EQ(indent(), "");
}

// Form controls become native controls in the view's window, placed where
// the page paints them (inside the view's frame) after a paint of the whole
// view; a partial paint hides nothing; scrolling moves them.
TEST_F(HtmlViewTest, FormControlsAreNativeControlsPlacedByPaints) {
  std::u16string page = u"<form><input name=a value=x></form>";
  for (int i = 0; i < 40; ++i) page += u"<p>line</p>";
  view.LoadFromString(page);
  auto surface = device.CreateSurface(300, 200);
  view.PaintTo(*surface, MakeRect(0, 0, 300, 200));
  const auto edits = host->FakeChildControls().ControlsOf(TChildControlKind::ckEdit);
  ASSERT_EQ(edits.size(), 1u);
  TChildControl& edit = edits[0]->Control();
  ASSERT_TRUE(edit.Visible());
  const TRect first = edit.BoundsRect();
  // The body margins (10, 5) inside the one-pixel frame (the control's own
  // vertical space is a pixel or two).
  EXPECT_EQ(first.Left, 1 + 10);
  EXPECT_GE(first.Top, 1 + 5);
  EXPECT_LE(first.Top, 1 + 5 + 2);
  // A paint of a strip elsewhere leaves it alone.
  view.PaintTo(*surface, MakeRect(0, 150, 300, 160));
  EXPECT_TRUE(edit.Visible());
  // Scrolled by 3 pixels and painted: it moves up with the page.
  Key(VK_DOWN);
  view.PaintTo(*surface, MakeRect(0, 0, 300, 200));
  EXPECT_TRUE(edit.Visible());
  EXPECT_EQ(edit.BoundsRect().Top, first.Top - view.VScrollBarPosition());
  // Scrolled out of sight and painted: hidden.
  Key(VK_NEXT);
  Key(VK_NEXT);
  view.PaintTo(*surface, MakeRect(0, 0, 300, 200));
  EXPECT_FALSE(edit.Visible());
}

// A PANEL becomes a native panel that the page's owner may fill and size;
// it is out of sight until a paint places it.
TEST_F(HtmlViewTest, PanelsAreNativePanelsTheOwnerMayFill) {
  std::vector<std::u16string> offered;
  view.OnPanelCreate = [&](const std::u16string& name, TChildPanel* panel,
                          const std::u16string& src, const std::u16string& type) {
    offered.push_back(name + u"|" + src + u"|" + type);
    ASSERT_NE(panel, nullptr);
    EXPECT_FALSE(panel->Visible());
    panel->SetBounds(MakeRect(0, 0, 70, 40));  // the owner's size is the natural size
  };
  view.LoadFromString(u"<panel name=p1 src=s.bin type=app/x>");
  EXPECT_EQ(offered, (std::vector<std::u16string>{u"p1|s.bin|app/x"}));
  const auto panels = host->FakeChildControls().ControlsOf(TChildControlKind::ckPanel);
  ASSERT_EQ(panels.size(), 1u);
  TChildControl& panel = panels[0]->Control();
  auto surface = device.CreateSurface(300, 200);
  view.PaintTo(*surface, MakeRect(0, 0, 300, 200));
  EXPECT_TRUE(panel.Visible());
  EXPECT_EQ(panel.BoundsRect().Width(), 70);
  EXPECT_EQ(panel.BoundsRect().Height(), 40);
  EXPECT_EQ(panel.BoundsRect().Left, 1 + 10);
  view.Clear();
  EXPECT_TRUE(host->FakeChildControls().ControlsOf(TChildControlKind::ckPanel).empty());
}

}  // namespace
}  // namespace tav
