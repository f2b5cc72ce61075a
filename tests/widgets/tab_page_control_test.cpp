#include "widgets/tab_page_control.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/testing/fake_window_host.h"
#include "platform/testing/fixed_metrics_device.h"
#include "platform/testing/recording_surface.h"
#include "widgets/hls_color.h"
#include "widgets/tab_errors.h"

namespace tav {
namespace {

using test::TFakeWindowHost;

// The main window's font is Tahoma at 11 pixels, whose line is 13 pixels
// high; the fixed-metrics font of em height 12 has the same line height.
// Bold characters are 7 pixels wide, so "Text" and "HTML" are 28 wide and
// their cells 28 + 2 + 4 + 2 * (19 div 2) = 52.
TFontDesc WindowFont() {
  TFontDesc f;
  f.Face = u"Tahoma";
  f.Height = -12;
  return f;
}

void ConfigureLikeMainWindow(TTabPageControl& pc) {
  pc.SetFont(WindowFont());
  pc.SetMultiLine(true);
  pc.SetAlignTabs(true);
  pc.SetBoldCurrentTab(true);
  pc.SetUseColoredTabs(true);
  pc.SetHotTrackStyle(THotTrackStyle::htsTabBar);
  TTabColors colors = pc.TabColors();
  colors.HighlightBar = clRed;
  pc.SetTabColors(colors);
  pc.SetUseGradients(false);
}

// A control that takes the focus, to stand for the view on a page.
class TFocusable : public TControl {
public:
  TFocusable() { SetTabStop(true); }
};

class TabPageControlTest : public ::testing::Test {
protected:
  TabPageControlTest() {
    ConfigureLikeMainWindow(pc);
    host = std::make_unique<TFakeWindowHost>(device, pc);
    text = &pc.AddPage(u"Text");
    html = &pc.AddPage(u"HTML");
    pc.SetBounds({0, 0, 400, 300});
    pc.SetActivePageIndex(0);
    pc.SetOnChanging([this](TCustomTabStrip&, int index, bool& allow) {
      log.push_back("changing " + std::to_string(index));
      allow = allowChange;
    });
    pc.SetOnChange([this](TCustomTabStrip&) { log.push_back("change"); });
    pc.SetOnPageChange([this](TCustomTabStrip&) { log.push_back("pagechange"); });
    pc.SetOnTabClick([this](TCustomTabStrip&) { log.push_back("tabclick"); });
  }

  // The control as the window would show it: painted off screen and copied.
  std::unique_ptr<TFixedMetricsSurface> Painted() {
    auto surface = device.CreateSurface(pc.Width(), pc.Height());
    pc.Paint(*surface, {0, 0, pc.Width(), pc.Height()});
    return surface;
  }
  // The drawing calls themselves, without the off-screen step.
  std::unique_ptr<TRecordingSurface> Drawn() {
    auto surface = std::make_unique<TRecordingSurface>(device.CreateSurface(pc.Width(), pc.Height()));
    pc.DrawStrip(*surface);
    return surface;
  }
  const TDrawCall* TextCall(const TRecordingSurface& s, const std::u16string& text) {
    for (const TDrawCall& c : s.Calls())
      if (c.Kind == TDrawCall::TKind::dcText && c.Text == text) return &c;
    return nullptr;
  }
  void Click(const TRect& tab) {
    pc.MouseDown(TMouseButton::mbLeft, ssLeft, tab.Left + 10, tab.Top + 10);
    pc.MouseUp(TMouseButton::mbLeft, ssLeft, tab.Left + 10, tab.Top + 10);
  }

  TFixedMetricsDevice device;
  TTabPageControl pc;
  std::unique_ptr<TFakeWindowHost> host;
  TTabPageSheet* text = nullptr;
  TTabPageSheet* html = nullptr;
  std::vector<std::string> log;
  bool allowChange = true;
};

// ---------------------------------------------------------------- layout

TEST_F(TabPageControlTest, WideControlHasOneRowStretchedOverItsWidth) {
  EXPECT_EQ(pc.FixedDimension(), 19);
  EXPECT_EQ(pc.RowCount(), 1);
  EXPECT_EQ(pc.StripHeight(), 19);
  // Cells of 52 overlapping by 19 div 2 - 1 = 8 span 96; the 304 free
  // pixels go 152 to each.
  EXPECT_EQ(pc.TabRect(0), (TRect{0, 0, 204, 19}));
  EXPECT_EQ(pc.TabRect(1), (TRect{196, 0, 400, 19}));
  EXPECT_EQ(pc.CardRect(0), (TRect{0, 19, 400, 300}));
  EXPECT_EQ(pc.PageRect(), (TRect{1, 20, 398, 298}));
  EXPECT_EQ(text->BoundsRect(), pc.PageRect());
  EXPECT_TRUE(text->Visible());
  EXPECT_FALSE(html->Visible());

  // Hidden pages follow the card too, and tell what lies on them.
  TRect seen;
  html->SetOnResize([&](TTabPageSheet& page) { seen = page.ClientRect(); });
  pc.SetBounds({0, 0, 300, 200});
  EXPECT_EQ(seen, (TRect{0, 0, 297, 178}));
}

TEST_F(TabPageControlTest, CellSizesWithoutStretching) {
  pc.SetAlignTabs(false);
  EXPECT_EQ(pc.TabRect(0), (TRect{0, 0, 52, 19}));
  EXPECT_EQ(pc.TabRect(1), (TRect{44, 0, 96, 19}));
  // An empty caption is as wide as "A"; a margin moves the first tab.
  text->SetCaption(u"");
  pc.SetMargin(3);
  EXPECT_EQ(pc.TabRect(0), (TRect{3, 0, 3 + 7 + 24, 19}));
  // The accelerator mark takes no room.
  text->SetCaption(u"&Text");
  EXPECT_EQ(pc.TabRect(0).Width(), 52);
}

TEST_F(TabPageControlTest, NarrowControlWrapsIntoTwoRows) {
  pc.SetBounds({0, 0, 96, 300});
  EXPECT_EQ(pc.RowCount(), 1);
  pc.SetBounds({0, 0, 95, 300});
  ASSERT_EQ(pc.RowCount(), 2);
  EXPECT_EQ(pc.StripHeight(), 19 + 14);
  // "Text" is current, so its row lies next to the card; the far row is
  // 19 - 5 = 14 pixels higher and drawn 5 pixels to the right. Each row is
  // 95 - 5 wide, stretched by its single tab.
  EXPECT_EQ(pc.Tabs()[0].Row, 0);
  EXPECT_EQ(pc.Tabs()[1].Row, 1);
  EXPECT_EQ(pc.TabRect(0), (TRect{0, 14, 90, 33}));
  EXPECT_EQ(pc.TabRect(1), (TRect{5, 0, 95, 19}));
  EXPECT_EQ(pc.TabRect(0).Top - pc.TabRect(1).Top, 14);
  EXPECT_EQ(pc.CardRect(0), (TRect{0, 33, 90, 300}));
  EXPECT_EQ(pc.CardRect(1), (TRect{5, 19, 95, 286}));
  EXPECT_EQ(text->BoundsRect(), (TRect{1, 34, 88, 298}));

  // Selecting the far tab brings its row next to the card.
  pc.SetTabIndex(1);
  EXPECT_EQ(pc.Tabs()[1].Row, 0);
  EXPECT_EQ(pc.Tabs()[0].Row, 1);
  EXPECT_EQ(pc.TabRect(1), (TRect{0, 14, 90, 33}));
  EXPECT_EQ(pc.TabRect(0), (TRect{5, 0, 95, 19}));
  EXPECT_TRUE(html->Visible());
  EXPECT_FALSE(text->Visible());

  // The rotation survives a new layout; widening gives one row again.
  pc.SetBounds({0, 0, 94, 300});
  EXPECT_EQ(pc.Tabs()[1].Row, 0);
  pc.SetBounds({0, 0, 400, 300});
  EXPECT_EQ(pc.RowCount(), 1);
  EXPECT_EQ(pc.TabRect(1), (TRect{196, 0, 400, 19}));
}

TEST_F(TabPageControlTest, RowCountAllowsForTheNarrowerRows) {
  // Three cells of 52 need two rows of 100 but three rows of 95.
  pc.AddPage(u"Text");
  pc.SetAlignTabs(false);
  pc.SetBounds({0, 0, 100, 300});
  EXPECT_EQ(pc.RowCount(), 3);
  EXPECT_EQ(pc.StripHeight(), 19 + 2 * 14);
  // Selecting the farthest tab turns the rows: row r goes to (r + 3 - 2) mod 3.
  pc.SetTabIndex(2);
  EXPECT_EQ(pc.Tabs()[2].Row, 0);
  EXPECT_EQ(pc.Tabs()[0].Row, 1);
  EXPECT_EQ(pc.Tabs()[1].Row, 2);
  EXPECT_EQ(pc.TabRect(1), (TRect{10, 0, 62, 19}));
  EXPECT_EQ(pc.TabRect(2), (TRect{0, 28, 52, 47}));
  // Without MultiLine the tabs stay in one row past the edge.
  pc.SetMultiLine(false);
  EXPECT_EQ(pc.RowCount(), 1);
  EXPECT_EQ(pc.TabRect(2), (TRect{88, 0, 140, 19}));
}

TEST_F(TabPageControlTest, CellIsNeverWiderThanTheRow) {
  pc.SetBounds({0, 0, 30, 100});
  EXPECT_EQ(pc.RowCount(), 2);
  EXPECT_EQ(pc.TabRect(0), (TRect{0, 14, 25, 33}));
  pc.SetBounds({0, 0, 0, 0});  // a hidden, empty control lays out and paints safely
  auto surface = device.CreateSurface(1, 1);
  pc.Paint(*surface, {0, 0, 1, 1});
}

TEST_F(TabPageControlTest, HiddenTabIsSkippedAndTabIndexCountsVisibleTabs) {
  TTabPageSheet& third = pc.AddPage(u"Third");
  html->SetTabVisible(false);
  ASSERT_EQ(pc.TabCount(), 2);
  EXPECT_EQ(pc.Tabs()[1].Caption, u"Third");
  EXPECT_EQ(pc.TabIndexOfPage(*html), -1);
  EXPECT_EQ(pc.PageOfTab(1), &third);

  pc.SetActivePage(&third);
  EXPECT_EQ(pc.TabIndex(), 1);
  EXPECT_EQ(pc.ActivePageIndex(), 2);
  pc.SetTabIndex(0);
  EXPECT_EQ(pc.ActivePage(), text);
  // A page whose tab is hidden cannot be selected.
  pc.SetActivePage(html);
  EXPECT_EQ(pc.ActivePage(), text);
  EXPECT_FALSE(html->Visible());

  html->SetTabVisible(true);
  EXPECT_EQ(pc.TabCount(), 3);
  EXPECT_EQ(pc.TabIndex(), 0);
  EXPECT_EQ(pc.TabIndexOfPage(third), 2);
}

TEST_F(TabPageControlTest, PageIndexReordersTabsAndKeepsTheActivePage) {
  html->SetPageIndex(0);
  EXPECT_EQ(&pc.Pages(0), html);
  EXPECT_EQ(pc.Tabs()[0].Caption, u"HTML");
  EXPECT_EQ(pc.ActivePage(), text);
  EXPECT_EQ(pc.TabIndex(), 1);
  EXPECT_EQ(text->PageIndex(), 1);
}

TEST_F(TabPageControlTest, RemovingTheActivePageActivatesTheNextOne) {
  pc.AddPage(u"Third");
  std::unique_ptr<TTabPageSheet> removed = pc.RemovePage(*text);
  ASSERT_TRUE(removed);
  EXPECT_EQ(removed->PageControl(), nullptr);
  EXPECT_EQ(pc.PageCount(), 2);
  EXPECT_EQ(pc.ActivePage(), html);
  EXPECT_TRUE(html->Visible());
  EXPECT_EQ(pc.TabIndex(), 0);
}

// ---------------------------------------------------------------- errors

TEST_F(TabPageControlTest, MisuseRaisesTheMessages) {
  struct Case {
    int Index;
    const char* Message;
  } cases[] = {
      {2, "2 is an invalid PageIndex value. PageIndex must be between 0 and 1"},
      {-1, "-1 is an invalid PageIndex value. PageIndex must be between 0 and 1"},
  };
  for (const Case& c : cases) {
    try {
      text->SetPageIndex(c.Index);
      ADD_FAILURE() << "no error for " << c.Index;
    } catch (const ETabControlError& e) {
      EXPECT_STREQ(e.what(), c.Message);
    }
  }
  EXPECT_EQ(&pc.Pages(0), text);
  for (bool visible : {true, false}) {
    try {
      html->SetVisible(visible);
      ADD_FAILURE() << "no error";
    } catch (const ETabControlError& e) {
      EXPECT_STREQ(e.what(), "You cannot change the Visible property of a page");
    }
  }
  EXPECT_FALSE(html->Visible());
}

// A surface that cannot save its drawing state.
class TNoSaveSurface : public TFixedMetricsSurface {
public:
  using TFixedMetricsSurface::TFixedMetricsSurface;
  int SaveDC() override { return 0; }
};

TEST_F(TabPageControlTest, PaintingReportsAStateThatCannotBeSaved) {
  TNoSaveSurface surface(device, 400, 300, false);
  try {
    pc.DrawStrip(surface);
    ADD_FAILURE() << "no error";
  } catch (const ETabControlError& e) {
    EXPECT_STREQ(e.what(), "Error saving device context");
  }
}

// ---------------------------------------------------------------- painting

// The whole strip as the main window draws it (two tabs, the first current),
// call by call; drawings/main_window_strip.txt is the expected drawing.
TEST_F(TabPageControlTest, StripDrawsAsTheExpectedDrawing) {
  EXPECT_EQ(Drawn()->Lines(),
            ReadDrawingFile(std::string(TAV_TEST_DATA_DIR) + "/drawings/main_window_strip.txt"));
}

TEST_F(TabPageControlTest, CurrentTabHasRedBarAndBoldCaption) {
  auto drawn = Drawn();
  const TDrawCall* textCaption = TextCall(*drawn, u"Text");
  const TDrawCall* htmlCaption = TextCall(*drawn, u"HTML");
  ASSERT_TRUE(textCaption && htmlCaption);
  EXPECT_TRUE(textCaption->Font.Bold());
  EXPECT_FALSE(htmlCaption->Font.Bold());

  auto shown = Painted();
  // The bar covers the six top rows of the current tab only.
  EXPECT_EQ(shown->Pixel(20, 0), clRed);
  EXPECT_EQ(shown->Pixel(20, 5), clRed);
  EXPECT_NE(shown->Pixel(20, 6), clRed);
  EXPECT_NE(shown->Pixel(300, 2), clRed);
  // The bar follows the slant: beyond it lies the other tab.
  EXPECT_NE(shown->Pixel(203, 1), clRed);

  pc.SetTabIndex(1);
  shown = Painted();
  EXPECT_EQ(shown->Pixel(300, 2), clRed);
  EXPECT_NE(shown->Pixel(20, 2), clRed);
  drawn = Drawn();
  EXPECT_FALSE(TextCall(*drawn, u"Text")->Font.Bold());
  EXPECT_TRUE(TextCall(*drawn, u"HTML")->Font.Bold());
}

TEST_F(TabPageControlTest, TabsAndCardTakeThePageColours) {
  const TColor textColour = RGB(200, 100, 50), htmlColour = RGB(40, 90, 160);
  text->SetColor(textColour);
  html->SetColor(htmlColour);
  auto shown = Painted();
  // The current tab and the card in the page's colour; the other tab
  // lightened by 20 luminance steps.
  EXPECT_EQ(shown->Pixel(20, 12), textColour);
  EXPECT_EQ(shown->Pixel(200, 150), textColour);
  EXPECT_EQ(shown->Pixel(220, 12), LighterColor(htmlColour, 20));
  // The current tab opens into the card; the other sits on its frame.
  EXPECT_EQ(shown->Pixel(100, 19), textColour);
  EXPECT_EQ(shown->Pixel(300, 19), ColorToRGB(clBtnShadow));
  // A soft shadow right of and below the card's frame.
  TColor face = ColorToRGB(clBtnFace);
  TColor shadow = shown->Pixel(399, 150);
  EXPECT_LT(GetRValue(shadow), GetRValue(face));
  EXPECT_GT(GetRValue(shadow), 180);
  EXPECT_EQ(shown->Pixel(398, 150), ColorToRGB(clBtnShadow));
  EXPECT_LT(GetGValue(shown->Pixel(200, 299)), GetGValue(face));
}

TEST_F(TabPageControlTest, GradientEndsInButtonFaceWhenTheTabIsNearlyWhite) {
  pc.SetUseGradients(true);
  TTabColors colors = pc.TabColors();
  colors.Shadow = RGB(10, 20, 30);
  pc.SetTabColors(colors);
  struct Case {
    TColor Page;
    TColor End;
  } cases[] = {
      {RGB(40, 90, 160), DarkerColor(RGB(40, 90, 160), 40)},
      {clBtnFace, RGB(10, 20, 30)},           // lightened to white
      {RGB(200, 210, 240), RGB(10, 20, 30)},  // hue 150, lightened to 227
      // As light, but its hue is far from white's.
      {RGB(240, 200, 200), DarkerColor(RGB(240, 200, 200), 40)},
  };
  for (const Case& c : cases) {
    html->SetColor(c.Page);
    auto shown = Painted();
    // The other tab runs from the lightened page colour at its top to the
    // end colour in its last row; the current tab stays flat.
    EXPECT_EQ(shown->Pixel(220, 18), c.End) << std::hex << c.Page;
    EXPECT_NE(shown->Pixel(220, 1), c.End) << std::hex << c.Page;
    EXPECT_EQ(shown->Pixel(20, 18), ColorToRGB(clBtnFace));
  }
}

TEST_F(TabPageControlTest, PaintsFarRowsFirstAndTheCardLast) {
  pc.SetBounds({0, 0, 95, 300});
  auto drawn = Drawn();
  const auto& calls = drawn->Calls();
  auto find = [&](TDrawCall::TKind kind, auto match) {
    for (size_t i = 0; i < calls.size(); ++i)
      if (calls[i].Kind == kind && match(calls[i])) return static_cast<int>(i);
    return -1;
  };
  auto polygonAt = [](TPoint p) {
    return [p](const TDrawCall& c) { return !c.Points.empty() && c.Points[0] == p; };
  };
  auto fillOf = [](TRect r) { return [r](const TDrawCall& c) { return c.Rect == r; }; };
  int farTab = find(TDrawCall::TKind::dcPolygon, polygonAt({5, 19}));
  int farCard = find(TDrawCall::TKind::dcFillRect, fillOf({5, 19, 94, 285}));
  int currentTab = find(TDrawCall::TKind::dcPolygon, polygonAt({0, 33}));
  int card = find(TDrawCall::TKind::dcFillRect, fillOf({0, 33, 89, 299}));
  ASSERT_GE(farTab, 0);
  EXPECT_LT(farTab, farCard);
  EXPECT_LT(farCard, currentTab);
  EXPECT_LT(currentTab, card);
}

TEST_F(TabPageControlTest, FocusRectangleOnlyWhileFocused) {
  auto countFocusRects = [&] {
    auto drawn = Drawn();
    int n = 0;
    for (const TDrawCall& c : drawn->Calls())
      if (c.Kind == TDrawCall::TKind::dcFocusRect) {
        EXPECT_EQ(c.Rect, pc.TabTextRect(pc.TabRect(pc.TabIndex())));
        ++n;
      }
    return n;
  };
  EXPECT_EQ(countFocusRects(), 0);
  pc.SetFocus();
  EXPECT_EQ(countFocusRects(), 1);
}

// ---------------------------------------------------------------- mouse

TEST_F(TabPageControlTest, TabAtPosTestsTheCurrentTabFirst) {
  // (198, 15) lies under the slant of "Text" and on the left edge of "HTML".
  EXPECT_EQ(pc.TabAtPos(198, 15), 0);
  EXPECT_EQ(pc.TabAtPos(202, 2), 1);  // right of the slant's top
  EXPECT_EQ(pc.TabAtPos(100, 25), -1);
  pc.SetTabIndex(1);
  EXPECT_EQ(pc.TabAtPos(198, 15), 1);
}

TEST_F(TabPageControlTest, ClickOnCurrentTabFocusesAndRaisesTabClickOnly) {
  EXPECT_FALSE(pc.Focused());
  Click(pc.TabRect(0));
  EXPECT_TRUE(pc.Focused());
  EXPECT_EQ(log, (std::vector<std::string>{"tabclick"}));
}

TEST_F(TabPageControlTest, ClickOnOtherTabRunsTheChangeStep) {
  Click(pc.TabRect(1));
  EXPECT_EQ(log, (std::vector<std::string>{"changing 1", "change", "pagechange", "tabclick"}));
  EXPECT_EQ(pc.TabIndex(), 1);
  EXPECT_EQ(pc.ActivePage(), html);
  EXPECT_TRUE(html->Visible());
  EXPECT_FALSE(text->Visible());
  EXPECT_EQ(html->BoundsRect(), pc.PageRect());
  Click(pc.TabRect(0));
  EXPECT_EQ(pc.Children().back(), text);  // brought to the front
}

TEST_F(TabPageControlTest, OnChangingCanRefuse) {
  allowChange = false;
  Click(pc.TabRect(1));
  pc.SetActivePage(html);
  int key = VK_RIGHT;
  pc.KeyDown(key, 0);
  EXPECT_EQ(log, (std::vector<std::string>{"changing 1", "changing 1", "changing 1", "tabclick"}));
  EXPECT_EQ(pc.TabIndex(), 0);
  EXPECT_EQ(pc.ActivePage(), text);
  EXPECT_TRUE(text->Visible());
  EXPECT_FALSE(html->Visible());
}

TEST_F(TabPageControlTest, DisabledTabIgnoresClicks) {
  html->SetTabEnabled(false);
  Click(pc.TabRect(1));
  pc.SetTabIndex(1);
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(pc.TabIndex(), 0);
}

TEST_F(TabPageControlTest, HotTrackingTimerClearsTheHotTab) {
  const TRect htmlTab = pc.TabRect(1);
  host->System().Cursor = {htmlTab.Left + 30, 10};
  host->System().CursorInside = true;
  pc.MouseMove(0, htmlTab.Left + 30, 10);
  EXPECT_EQ(pc.HotIndex(), 1);
  EXPECT_EQ(host->Timers().at(TCustomTabStrip::kHotTrackTimer), 60u);

  // Hot tab's bar in its colour darkened by 40 steps.
  TColor hotBar = DarkerColor(clBtnFace, 40);
  EXPECT_EQ(Painted()->Pixel(htmlTab.Left + 30, 2), hotBar);

  pc.TimerTick(TCustomTabStrip::kHotTrackTimer);
  EXPECT_EQ(pc.HotIndex(), 1);  // still over it

  host->ResetInvalidateCount();
  host->System().Cursor = {100, 150};  // over the card
  pc.TimerTick(TCustomTabStrip::kHotTrackTimer);
  EXPECT_EQ(pc.HotIndex(), -1);
  EXPECT_EQ(host->Timers().count(TCustomTabStrip::kHotTrackTimer), 0u);
  EXPECT_GT(host->InvalidateCount(), 0);
  EXPECT_NE(Painted()->Pixel(htmlTab.Left + 30, 2), hotBar);

  // Leaving the control clears it too; over the current tab the hot
  // colour wins over the red bar.
  pc.MouseMove(0, 20, 10);
  EXPECT_EQ(pc.HotIndex(), 0);
  EXPECT_EQ(Painted()->Pixel(20, 2), hotBar);
  host->System().CursorInside = false;
  pc.TimerTick(TCustomTabStrip::kHotTrackTimer);
  EXPECT_EQ(pc.HotIndex(), -1);
  EXPECT_EQ(Painted()->Pixel(20, 2), clRed);
}

// ---------------------------------------------------------------- keys

TEST_F(TabPageControlTest, KeysMoveBetweenSelectableTabs) {
  // Four tabs, the third disabled.
  pc.AddPage(u"C").SetTabEnabled(false);
  pc.AddPage(u"D");
  struct Case {
    int From;
    int Key;
    TShiftState Shift;
    int To;
    bool TabClick;
  } cases[] = {
      {0, VK_RIGHT, 0, 1, true},       {1, VK_RIGHT, 0, 3, true},
      {3, VK_RIGHT, 0, 0, true},       {1, VK_DOWN, 0, 3, true},
      {0, VK_LEFT, 0, 3, true},        {3, VK_UP, 0, 1, true},
      {3, VK_HOME, 0, 0, true},        {0, VK_END, 0, 3, true},
      {1, VK_TAB, ssCtrl, 3, false},   {3, VK_TAB, ssCtrl, 0, false},
      {0, VK_TAB, ssCtrl | ssShift, 3, false},
      {1, VK_TAB, 0, 1, false},        {1, VK_RIGHT, ssAlt, 1, false},
  };
  for (const Case& c : cases) {
    pc.SetTabIndex(c.From);
    log.clear();
    int key = c.Key;
    pc.KeyDown(key, c.Shift);
    EXPECT_EQ(pc.TabIndex(), c.To) << "from " << c.From << " key " << c.Key;
    bool clicked = !log.empty() && log.back() == "tabclick";
    EXPECT_EQ(clicked, c.TabClick) << "from " << c.From << " key " << c.Key;
  }
}

TEST_F(TabPageControlTest, CtrlTabFromInsideAPageMovesTheFocusAlong) {
  TFocusable inText, inHtml;
  inText.SetParent(text);
  inHtml.SetParent(html);
  inText.SetFocus();
  ASSERT_TRUE(pc.ContainsFocus());

  EXPECT_TRUE(pc.DialogKey(VK_TAB, ssCtrl));
  EXPECT_EQ(pc.ActivePage(), html);
  EXPECT_TRUE(inHtml.Focused());
  EXPECT_TRUE(pc.DialogKey(VK_TAB, ssCtrl | ssShift));
  EXPECT_EQ(pc.ActivePage(), text);
  EXPECT_TRUE(inText.Focused());

  EXPECT_FALSE(pc.DialogKey(VK_TAB, 0));
  EXPECT_FALSE(pc.DialogKey(VK_RIGHT, ssCtrl));
  inText.SetParent(nullptr);  // the focus is no longer inside
  EXPECT_FALSE(pc.DialogKey(VK_TAB, ssCtrl));
  EXPECT_EQ(pc.ActivePage(), text);
}

TEST_F(TabPageControlTest, AcceleratorSelectsItsTab) {
  text->SetCaption(u"Te&xt");
  html->SetCaption(u"H&&T&ML");
  EXPECT_TRUE(pc.DialogChar(u'm'));
  EXPECT_EQ(pc.TabIndex(), 1);
  EXPECT_FALSE(pc.DialogChar(u't'));  // "&&" is a literal '&'
  EXPECT_EQ(pc.TabIndex(), 1);
  EXPECT_TRUE(pc.DialogChar(u'X'));
  EXPECT_EQ(pc.TabIndex(), 0);
  EXPECT_EQ(log, (std::vector<std::string>{"changing 1", "change", "pagechange", "changing 0",
                                           "change", "pagechange"}));
}

}  // namespace
}  // namespace tav
