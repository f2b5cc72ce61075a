// The viewer's hints on the fake window system: which text shows over a
// link, a picture, an image-map area and a form control; the pause before
// it shows; and what hides it (leaving, a click, a key, a scroll).
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "html/layout/forms/form_controls.h"
#include "html/layout/images/image_obj.h"
#include "html/layout/text/section.h"
#include "html/view/viewer.h"
#include "html_view_fixture.h"
#include "platform/child_controls.h"
#include "platform/system_values.h"
#include "platform/testing/fake_window_host.h"
#include "util/code_page.h"

namespace tav {
namespace {

using test::Paragraphs;

class HtmlViewHintsTest : public test::HtmlViewFixture {
protected:
  void Load(const std::u16string& page) {
    view.LoadFromString(page);
    auto surface = device.CreateSurface(300, 200);
    view.PaintTo(*surface, MakeRect(0, 0, 300, 200));
  }
  // The mouse moves to p (the window system's cursor goes along).
  void Hover(TPoint p) {
    host->System().Cursor = p;
    host->System().CursorInside = true;
    view.MouseMove(0, p.X, p.Y);
  }
  // The pause runs out.
  void Rest() {
    if (view.TimerActive(THtmlView::kHintTimer)) view.TimerTick(THtmlView::kHintTimer);
  }
  std::string Hint() { return TextToUtf8(host->System().Hint); }
  // How often a hint was shown or hidden.
  int HintLines() {
    int n = 0;
    for (const std::string& l : host->Log()) n += l.rfind("hint", 0) == 0;
    return n;
  }
  int LogCount(const std::string& line) {
    int n = 0;
    for (const std::string& l : host->Log()) n += l == line;
    return n;
  }
  // The client point (dx, dy) into the first picture, as painted.
  TPoint OnPicture(int dx, int dy) {
    for (TSectionBase* item : view.Document().LayoutPass.PositionList)
      if (auto* section = dynamic_cast<TSection*>(item))
        for (const auto& obj : section->Images.Items)
          return {obj->DrawXX + 1 + dx - view.HScrollBarPosition(),
                  obj->DrawYY + 1 + dy - view.VScrollBarPosition()};
    ADD_FAILURE() << "no picture";
    return {};
  }
  // The middle of the first form control's window, as placed by the paint.
  TPoint OnControl() {
    for (TFormControlObj* c : view.Document().Forms.FormControlList)
      if (TChildControl* control = c->GetTheControl()) {
        const TRect r = control->BoundsRect();
        return {(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2};
      }
    ADD_FAILURE() << "no control";
    return {};
  }
};

// What rests under the mouse decides the hint: a link's TITLE; a picture's
// TITLE, else its ALT (inside a link too); an image-map area's TITLE, else
// the picture's; a form control's TITLE. Titled text that is no link, and
// links and pictures without a title, show none.
TEST_F(HtmlViewHintsTest, HintIsTheTitleOfWhatIsUnderTheMouse) {
  using Where = std::function<TPoint()>;
  const auto text = [this](int pos) { return Where([this, pos] { return PointOf(pos); }); };
  const auto picture = [this](int dx, int dy) {
    return Where([this, dx, dy] { return OnPicture(dx, dy); });
  };
  const Where control = [this] { return OnControl(); };
  const std::u16string map =
      u"<img src=none.png width=100 height=40 alt=Picture usemap=#m><map name=m>"
      u"<area shape=rect coords=0,0,50,40 href=a.html title=\"Left half\">"
      u"<area shape=rect coords=50,0,100,40 href=b.html></map>";
  struct TCase {
    const char* name;
    std::u16string page;
    Where where;
    const char* hint;  // "" for none
  };
  const TCase cases[] = {
      {"link title", u"<p>see <a href=a.html title=\"Go to A\">the link</a></p>", text(6), "Go to A"},
      {"link without title", u"<p>see <a href=a.html>the link</a></p>", text(6), ""},
      {"titled text without link", u"<p title=\"Para\">plain words</p>", text(2), ""},
      {"picture alt", u"<img src=none.png width=40 height=30 alt=Word>", picture(5, 5), "Word"},
      {"picture title wins over alt",
       u"<img src=none.png width=40 height=30 alt=Word title=\"The title\">", picture(5, 5),
       "The title"},
      {"picture without either", u"<img src=none.png width=40 height=30>", picture(5, 5), ""},
      {"picture inside a titled link",
       u"<a href=a.html title=Outer><img src=none.png width=40 height=30 alt=Inner></a>",
       picture(5, 5), "Inner"},
      {"map area title", map, picture(10, 10), "Left half"},
      {"map area without title", map, picture(70, 10), "Picture"},
      {"edit title", u"<form><input size=10 title=\"Your name\"></form>", control, "Your name"},
      {"button title", u"<form><input type=submit title=\"Send it\"></form>", control, "Send it"},
      {"drop-down title", u"<form><select title=Pick><option>one</select></form>", control, "Pick"},
      {"control without title", u"<form><input size=10></form>", control, ""},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    Load(c.page);
    Hover(c.where());
    EXPECT_EQ(Hint(), "") << "shown before the pause";
    EXPECT_EQ(view.TimerActive(THtmlView::kHintTimer), *c.hint != 0);
    Rest();
    EXPECT_EQ(Hint(), c.hint);
    view.MouseLeave();
  }
  EXPECT_TRUE(errors.empty());
}

// The hint waits for the platform's pause, shows where the mouse then is,
// stays put while the mouse moves within the same link (no new pause, no
// new showing), and moves on with the mouse to another object or away.
TEST_F(HtmlViewHintsTest, PauseThenStaysForTheSameObject) {
  SetHintPause(700);
  Load(u"<p><a href=a.html title=First>first link</a> <a href=b.html title=Second>second</a> "
       u"plain</p>");
  const TPoint a1 = PointOf(1), a2 = PointOf(4), b = PointOf(13), plain = PointOf(20);
  Hover(a1);
  ASSERT_TRUE(view.TimerActive(THtmlView::kHintTimer));
  EXPECT_EQ(host->Timers().at(THtmlView::kHintTimer), 700u);
  Hover(a2);
  EXPECT_EQ(LogCount("timer 4 700"), 1) << "moving within the link restarted the pause";
  Rest();
  EXPECT_EQ(Hint(), "First");
  EXPECT_EQ(host->System().HintPos, a2);
  Hover(a1);
  EXPECT_EQ(HintLines(), 1) << "moving within the link showed the hint again";
  EXPECT_EQ(Hint(), "First");
  EXPECT_FALSE(view.TimerActive(THtmlView::kHintTimer));

  Hover(b);
  EXPECT_EQ(Hint(), "") << "another link hides the old hint at once";
  Rest();
  EXPECT_EQ(Hint(), "Second");
  Hover(plain);
  EXPECT_EQ(Hint(), "");
  EXPECT_FALSE(view.TimerActive(THtmlView::kHintTimer));

  // The mouse left the page before the pause ran out: nothing shows.
  Hover(a1);
  host->System().Cursor = TPoint{-5, -5};
  Rest();
  EXPECT_EQ(Hint(), "");

  // A selection dragged from the plain text over a link shows no hint.
  view.MouseLeave();
  Hover(plain);
  view.MouseDown(TMouseButton::mbLeft, 0, plain.X, plain.Y);
  Hover(b);
  EXPECT_FALSE(view.TimerActive(THtmlView::kHintTimer));
  Rest();
  EXPECT_EQ(Hint(), "");
  view.MouseUp(TMouseButton::mbLeft, 0, b.X, b.Y);
}

// A click, a key, a wheel turn or a scroll bar move hides the hint, and it
// does not come back while the mouse stays on the same link; leaving the
// view hides it too, and coming back starts the pause again.
TEST_F(HtmlViewHintsTest, LeaveClickKeyAndScrollHideIt) {
  struct TCase {
    const char* name;
    std::function<void(TPoint)> act;
    bool showsAgainOnReturn;
  };
  const TCase cases[] = {
      {"left click",
       [this](TPoint p) {
         view.MouseDown(TMouseButton::mbLeft, 0, p.X, p.Y);
         view.MouseUp(TMouseButton::mbLeft, 0, p.X, p.Y);
       },
       false},
      {"right press",
       [this](TPoint p) { view.MouseDown(TMouseButton::mbRight, 0, p.X, p.Y); },
       false},
      {"key",
       [this](TPoint) {
         int key = 'A';
         view.KeyDown(key, 0);
       },
       false},
      {"wheel", [this](TPoint p) { view.MouseWheel(0, -120, p); }, false},
      {"scroll bar",
       [this](TPoint) {
         view.ScrollBarEvent(TScrollBarKind::sbVertical, TScrollCode::scLineDown, 0);
       },
       false},
      {"leave", [this](TPoint) { view.MouseLeave(); }, true},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    // The link goes nowhere, so that a click leaves the page as it is.
    Load(u"<p><a href=#nowhere title=\"Link hint\">a link here</a></p>" + Paragraphs(30));
    view.SetVScrollBarPosition(0);
    const TPoint p = PointOf(2);
    Hover(p);
    Rest();
    ASSERT_EQ(Hint(), "Link hint");
    c.act(p);
    EXPECT_EQ(Hint(), "");
    // Back on (or still on) the same link, a little further along.
    Hover(PointOf(3));
    EXPECT_EQ(view.TimerActive(THtmlView::kHintTimer), c.showsAgainOnReturn);
    Rest();
    EXPECT_EQ(Hint(), c.showsAgainOnReturn ? "Link hint" : "");
    view.MouseLeave();
  }
  EXPECT_TRUE(errors.empty());
}

// A new page, or an empty view, takes the hint of the old one away.
TEST_F(HtmlViewHintsTest, LoadingAndClearingHideIt) {
  for (bool clear : {false, true}) {
    SCOPED_TRACE(clear ? "clear" : "load");
    Load(u"<p><a href=a.html title=Old>old link</a></p>");
    Hover(PointOf(1));
    Rest();
    ASSERT_EQ(Hint(), "Old");
    if (clear) view.Clear();
    else Load(u"<p><a href=a.html title=New>new link</a></p>");
    EXPECT_EQ(Hint(), "");
    EXPECT_FALSE(view.TimerActive(THtmlView::kHintTimer));
  }
}

}  // namespace
}  // namespace tav
