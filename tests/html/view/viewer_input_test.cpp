// The viewer's input around form controls on the fake window system:
// image buttons (clicks, their focus control, Enter and Space), drag
// selection that keeps scrolling while the mouse rests past an edge, and
// mouse moves reported by native controls.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "html/layout/forms/form_controls.h"
#include "html/layout/images/image_obj.h"
#include "html/view/viewer.h"
#include "html_view_fixture.h"
#include "platform/testing/fake_child_controls.h"
#include "platform/testing/fake_window_host.h"
#include "platform/testing/fixed_metrics_device.h"
#include "util/code_page.h"

namespace tav {
namespace {

using test::FakeOf;
using test::TFakeWindowHost;

using test::Paragraphs;

class HtmlViewInputTest : public test::HtmlViewFixture {
protected:

  // Loads a page; its submissions are recorded, one line of pairs joined
  // with '&' each.
  void Load(const std::u16string& page) {
    view.OnFormSubmit =
        [this](const std::u16string& action, const std::vector<std::u16string>& pairs,
               const std::u16string&, const std::u16string&, const std::u16string&) {
          std::u16string line = action + u" ";
          for (std::size_t i = 0; i < pairs.size(); ++i) line += (i ? u"&" : u"") + pairs[i];
          submitted.push_back(TextToUtf8(line));
        };
    view.LoadFromString(page);
    Paint();
  }
  void Paint() {
    if (!surface) surface = device.CreateSurface(300, 200);
    surface->FillRect(MakeRect(0, 0, 300, 200), clWhite);
    view.PaintTo(*surface, MakeRect(0, 0, 300, 200));
  }
  TImageFormControlObj& ImageButton() {
    for (TFormControlObj* c : view.Document().Forms.FormControlList)
      if (c->Kind() == TFormControlKind::fkImage) return static_cast<TImageFormControlObj&>(*c);
    throw std::runtime_error("no image button");
  }
  // The client point (dx, dy) into the image button's picture, as painted.
  TPoint OnPicture(int dx, int dy) {
    const TImageObj& image = *ImageButton().MyImage;
    return {image.DrawXX + 1 + dx - view.HScrollBarPosition(),
            image.DrawYY + 1 + dy - view.VScrollBarPosition()};
  }
  void Press(TPoint p) { view.MouseDown(TMouseButton::mbLeft, 0, p.X, p.Y); }
  void Release(TPoint p) { view.MouseUp(TMouseButton::mbLeft, 0, p.X, p.Y); }

  std::unique_ptr<TFixedMetricsSurface> surface;
  std::vector<std::string> submitted;
};

// A click on an image button submits its form with the point on the
// picture; a disabled one records the point but submits nothing. The press
// selects nothing, and a release elsewhere is no click.
TEST_F(HtmlViewInputTest, ImageButtonClickSubmitsThePointOnThePicture) {
  struct TCase {
    const char16_t* input;
    bool releaseOnPicture;
    std::vector<std::string> expected;
  };
  const TCase cases[] = {
      {u"<input type=image name=go src=none.gif width=40 height=30>", true,
       {"act q=v&go.x=5&go.y=7"}},
      {u"<input type=image src=none.gif width=40 height=30>", true, {"act q=v&x=5&y=7"}},
      {u"<input type=image name=go disabled src=none.gif width=40 height=30>", true, {}},
      {u"<input type=image name=go src=none.gif width=40 height=30>", false, {}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(TextToUtf8(c.input));
    submitted.clear();
    Load(u"<form action=act>text before <input type=hidden name=q value=v>" +
         std::u16string(c.input) + u" and after</form>");
    const TPoint at = OnPicture(5, 7);
    Press(at);
    // Dragging from the picture across the text selects nothing.
    view.MouseMove(ssLeft, 2, 8);
    Release(c.releaseOnPicture ? at : TPoint{2, 8});
    EXPECT_EQ(submitted, c.expected);
    EXPECT_EQ(view.SelLength(), 0);
    // The click point is forgotten once submitted.
    std::u16string pair;
    EXPECT_EQ(ImageButton().GetSubmission(0, pair), c.releaseOnPicture && c.expected.empty());
  }
  EXPECT_TRUE(errors.empty());
}

// The image button's focus control is shown out of sight while the picture
// is painted and is in the tab order; with the focus the picture gets a
// focus frame (none with htNoFocusRect), and Enter or Space submits.
TEST_F(HtmlViewInputTest, FocusedImageButtonShowsItAndEnterOrSpaceSubmits) {
  for (const bool noFocusRect : {false, true}) {
    SCOPED_TRACE(noFocusRect ? "htNoFocusRect" : "focus frame");
    submitted.clear();
    view.htOptions = noFocusRect ? THtmlViewOptions{htNoFocusRect} : THtmlViewOptions{0};
    Load(u"<form action=act><input name=t value=a>"
         u"<input type=image name=go src=none.gif width=40 height=30></form>");
    TChildControl* focus = ImageButton().GetTheControl();
    ASSERT_NE(focus, nullptr);
    EXPECT_TRUE(focus->Visible());
    EXPECT_LT(focus->BoundsRect().Right, 0);
    const auto order = host->FakeChildControls().TabOrder();
    ASSERT_EQ(order.size(), 2u);
    EXPECT_EQ(order[1], focus);

    const std::vector<TColor> before = surface->Pixels();
    focus->SetFocus();  // as Tab from the edit does
    EXPECT_GT(host->InvalidateCount(), 0);
    Paint();
    const std::vector<TColor> after = surface->Pixels();
    // The frame runs around the picture's box.
    const TPoint corner = OnPicture(0, 0);
    int changed = 0;
    for (int x = corner.X; x < corner.X + 40; ++x)
      changed += before[static_cast<std::size_t>(corner.Y * 300 + x)] !=
                 after[static_cast<std::size_t>(corner.Y * 300 + x)];
    if (noFocusRect) EXPECT_EQ(changed, 0);
    else EXPECT_GE(changed, 15);

    EXPECT_FALSE(FakeOf(*focus).PressKey(VK_RETURN));
    FakeOf(*focus).PressKey(VK_SPACE, 0, u' ');
    EXPECT_EQ(submitted, (std::vector<std::string>{"act t=a&go.x=0&go.y=0",
                                                   "act t=a&go.x=0&go.y=0"}));
    // Scrolled out of sight and painted, it hides like the other controls.
    view.LoadFromString(Paragraphs(60) + u"<form><input type=image src=none.gif></form>");
    Paint();
    EXPECT_FALSE(ImageButton().GetTheControl()->Visible());
  }
  EXPECT_TRUE(errors.empty());
}

// Dragging a selection past the bottom (or the top) scrolls at once and
// then on every tick of the repeat timer while the mouse rests there,
// extending the selection; moving back inside or releasing stops it.
TEST_F(HtmlViewInputTest, DragPastAnEdgeKeepsScrollingOnTimerTicks) {
  struct TCase {
    const char* name;
    int start;    // scroll position before the drag
    int pressY;   // client y of the press
    int outsideY; // client y the mouse rests at
    int step;     // the scroll per tick
  };
  const TCase cases[] = {
      {"below the bottom", 0, 20, 250, THtmlView::kVSmallChange},
      {"above the top", 400, 150, -30, -THtmlView::kVSmallChange},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    Load(Paragraphs(80));
    view.SetVScrollBarPosition(c.start);
    ASSERT_EQ(view.VScrollBarPosition(), c.start);
    view.MouseDown(TMouseButton::mbLeft, 0, 20, c.pressY);
    view.MouseMove(ssLeft, 20, c.outsideY);
    EXPECT_EQ(view.VScrollBarPosition(), c.start + c.step);
    ASSERT_EQ(host->Timers().count(THtmlView::kSelectScrollTimer), 1u);
    EXPECT_EQ(host->Timers().at(THtmlView::kSelectScrollTimer), THtmlView::kSelectScrollTimerMs);
    int selected = view.SelLength();
    for (int tick = 2; tick <= 4; ++tick) {
      view.TimerTick(THtmlView::kSelectScrollTimer);
      EXPECT_EQ(view.VScrollBarPosition(), c.start + tick * c.step);
      EXPECT_GT(view.SelLength(), selected);
      selected = view.SelLength();
    }
    // Back inside: the timer stops; out again and released: stopped too.
    view.MouseMove(ssLeft, 20, 100);
    EXPECT_EQ(host->Timers().count(THtmlView::kSelectScrollTimer), 0u);
    view.MouseMove(ssLeft, 20, c.outsideY);
    EXPECT_EQ(host->Timers().count(THtmlView::kSelectScrollTimer), 1u);
    view.MouseUp(TMouseButton::mbLeft, 0, 20, c.outsideY);
    EXPECT_EQ(host->Timers().count(THtmlView::kSelectScrollTimer), 0u);
    const int at = view.VScrollBarPosition();
    view.TimerTick(THtmlView::kSelectScrollTimer);
    EXPECT_EQ(view.VScrollBarPosition(), at);
  }
  // A lost capture ends the drag as well.
  view.MouseDown(TMouseButton::mbLeft, 0, 20, 20);
  view.MouseMove(ssLeft, 20, 250);
  view.CaptureLost();
  EXPECT_EQ(host->Timers().count(THtmlView::kSelectScrollTimer), 0u);
  EXPECT_TRUE(errors.empty());
}

// A mouse move that a native control reports is a move over the view at
// that point: onto the control it ends the link hover, and past the
// control's right edge (the control's own pixels) it finds the link there.
TEST_F(HtmlViewInputTest, MouseMovesOverNativeControlsReachTheHoverLogic) {
  std::vector<std::u16string> covered;
  view.OnHotSpotCovered = [&](const std::u16string& url) { covered.push_back(url); };
  Load(u"<input size=2><a href=next.html>a link</a>");
  const auto edits = host->FakeChildControls().ControlsOf(TChildControlKind::ckEdit);
  ASSERT_EQ(edits.size(), 1u);
  TChildControl& edit = edits[0]->Control();
  const TRect box = edit.BoundsRect();
  const int linkX = box.Right + 8;
  const int midY = (box.Top + box.Bottom) / 2;
  view.MouseMove(0, linkX, midY);
  ASSERT_EQ(view.LinkUrl(), u"next.html");
  FakeOf(edit).MoveMouse(2, 2);
  EXPECT_EQ(view.LinkUrl(), u"");
  FakeOf(edit).MoveMouse(linkX - box.Left, midY - box.Top);
  EXPECT_EQ(view.LinkUrl(), u"next.html");
  EXPECT_EQ(covered, (std::vector<std::u16string>{u"next.html", u"", u"next.html"}));
  EXPECT_TRUE(errors.empty());
}

// An owner whose submit handler loads another page frees the form while
// its button is still reporting the click: nothing of the old control is
// used afterwards (no click report for it), and the new page stands.
TEST_F(HtmlViewInputTest, SubmitHandlerMayLoadAnotherPage) {
  struct TCase {
    const char16_t* control;
    TChildControlKind kind;
    std::string pairs;
  };
  const TCase cases[] = {
      {u"<input type=submit name=s value=Go onclick=clicked>", TChildControlKind::ckButton,
       "s=Go"},
      {u"<input type=image name=go src=none.gif onclick=clicked>", TChildControlKind::ckButton,
       "go.x=0&go.y=0"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(TextToUtf8(c.control));
    std::vector<std::string> pairs;
    int clickReports = 0;
    view.LoadFromString(u"<p>old</p>");
    view.OnObjectClick = [&](TFormControlObj&, const std::u16string&) { ++clickReports; };
    view.OnFormSubmit = [&](const std::u16string& action, const std::vector<std::u16string>& list,
                            const std::u16string& method, const std::u16string&,
                            const std::u16string&) {
      std::u16string line;
      for (std::size_t i = 0; i < list.size(); ++i) line += (i ? u"&" : u"") + list[i];
      pairs.push_back(TextToUtf8(line));
      view.LoadFromString(u"<p>next page</p>");
      // The texts handed over outlive the form they came from.
      EXPECT_EQ(action, u"act");
      EXPECT_EQ(method, u"Get");
    };
    view.LoadFromString(u"<form action=act>" + std::u16string(c.control) + u"</form>");
    Paint();
    const auto buttons = host->FakeChildControls().ControlsOf(c.kind);
    ASSERT_EQ(buttons.size(), 1u);
    buttons[0]->Click();
    EXPECT_EQ(pairs, (std::vector<std::string>{c.pairs}));
    EXPECT_EQ(clickReports, 0);
    EXPECT_TRUE(view.Document().Forms.FormControlList.empty());
    EXPECT_EQ(view.DocumentSource(), u"<p>next page</p>");
  }
  EXPECT_TRUE(errors.empty());
}

}  // namespace
}  // namespace tav
