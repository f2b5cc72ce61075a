// Form controls in documents on the fixed-metrics device, with and without
// the fake native controls. Controls use a 10 pt font: 14-pixel text
// height, 6-pixel characters; an edit's own height is 14 + 6.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "html/builder/builder.h"
#include "html/css/units.h"
#include "html/layout/block.h"
#include "html/layout/document.h"
#include "html/layout/forms/form.h"
#include "html/layout/forms/form_controls.h"
#include "html/layout/images/image_obj.h"
#include "html/layout/text/section.h"
#include "html/view/box_dump.h"
#include "platform/testing/fake_child_controls.h"
#include "platform/testing/fake_window_host.h"
#include "platform/testing/fixed_metrics_device.h"
#include "util/code_page.h"

namespace tav {
namespace {

using test::FakeOf;

class FormDoc : public testing::Test {
protected:
  static constexpr int Width = 400;

  void Build(const std::u16string& html) {
    Document.Clear();
    THtmlBuilder builder(Document);
    builder.Parse(u"<body marginwidth=0 marginheight=0>" + html);
  }
  void Layout(const std::u16string& html) {
    Build(html);
    int scrollWidth = 0;
    Document.DoLogic(*Surface, Width, 300, scrollWidth);
  }
  void Paint(TRect clip = {0, 0, Width, 600}) {
    Surface->FillRect({0, 0, Width, 600}, clWhite);
    Document.Draw(*Surface, clip, 6000, 0, 0);
  }
  void UseNativeControls() { Document.Windows.ChildControls = &Factory; }
  TFormControlObj& Control(std::size_t i) { return *Document.Forms.FormControlList.at(i); }
  template <class T>
  T& As(std::size_t i) {
    return dynamic_cast<T&>(Control(i));
  }
  ThtmlForm& Form(std::size_t i = 0) { return *Document.Forms.htmlFormList.at(i); }
  // Submissions go here as one line: the pairs joined with '&'.
  void RecordSubmissions() {
    Document.Forms.FormEvents.OnFormSubmit = [this](const std::u16string& action,
                                         const std::vector<std::u16string>& pairs,
                                         const std::u16string& method, const std::u16string&,
                                         const std::u16string&) {
      std::u16string line = method + u" " + action + u" ";
      for (std::size_t i = 0; i < pairs.size(); ++i) line += (i ? u"&" : u"") + pairs[i];
      Submitted.push_back(TextToUtf8(line));
    };
  }
  static std::string Joined(const std::vector<std::u16string>& pairs) {
    std::u16string r;
    for (std::size_t i = 0; i < pairs.size(); ++i) r += (i ? u"&" : u"") + pairs[i];
    return TextToUtf8(r);
  }

  TFixedMetricsDevice Device;
  std::unique_ptr<TFixedMetricsSurface> Surface = Device.CreateSurface(Width, 600);
  test::TFakeChildControlFactory Factory{Device, std::make_shared<test::TFakeWindowSystem>()};
  TSectionList Document{Device};
  std::vector<std::string> Submitted;
};

TEST_F(FormDoc, SizesPerKindWithAndWithoutNativeControls) {
  const struct {
    const char16_t* html;
    const char* kind;
    int width, height;
  } cases[] = {
      {u"<input>", "edit", 6 * 15 + 23, 20},
      {u"<input type=password size=5>", "password", 6 * 5 + 23, 20},
      {u"<input type=bogus style='width:80px;height:30px'>", "edit", 80, 30},
      {u"<input style='width:150%'>", "edit", 113, 20},  // above 100 %: dropped
      {u"<input type=submit>", "button", 6 * 6 + 20, 14 + 8},
      {u"<input type=reset value=Go style='height:40px'>", "button", 2 * 6 + 20, 40},
      {u"<input type=checkbox>", "checkbox", 13, 13},
      {u"<input type=radio>", "radio", 13, 14},
      // Scroll bar 17 + the longest option + 10.
      {u"<select><option>a<option>bbbb</select>", "combo", 17 + 24 + 10, 20},
      {u"<select size=3><option>a<option>bbbb</select>", "listbox", 51, 3 * 14 + 4},
      {u"<select multiple><option>a</select>", "listbox", 17 + 6 + 10, 14 + 4},
      // Client 10 x 6 + 5 by 3 x 14 + 5, plus the frame and the scroll bars.
      {u"<textarea rows=3 cols=10></textarea>", "textarea", 65 + 4 + 17, 47 + 4},
      {u"<textarea rows=3 cols=10 wrap=off></textarea>", "textarea", 86, 51 + 17},
      // Counts as large as an int: the sides stop at the largest control.
      {u"<input size=2147483647>", "edit", MaxControlSide, 20},
      {u"<select size=2147483647><option>a</select>", "listbox", 17 + 6 + 10, MaxControlSide},
      {u"<textarea rows=2147483647 cols=2147483647></textarea>", "textarea", MaxControlSide,
       MaxControlSide},
      {u"<textarea rows=999999999></textarea>", "textarea", 30 * 6 + 5 + 4 + 17, MaxControlSide},
      {u"<input size=2000000000>", "edit", MaxControlSide, 20},
  };
  for (bool native : {false, true}) {
    Document.Windows.ChildControls = native ? &Factory : nullptr;
    for (const auto& c : cases) {
      Layout(c.html);
      const std::string what = TextToUtf8(c.html) + (native ? " (native)" : "");
      ASSERT_EQ(Document.Forms.FormControlList.size(), 1u) << what;
      EXPECT_STREQ(Control(0).KindName(), c.kind) << what;
      EXPECT_EQ(Control(0).Width, c.width) << what;
      EXPECT_EQ(Control(0).Height, c.height) << what;
      EXPECT_EQ(Control(0).GetTheControl() != nullptr, native) << what;
    }
  }
}

TEST_F(FormDoc, SelectsBecomeListsByMultipleAndSize) {
  std::u16string twelve;
  for (int i = 0; i < 12; ++i) twelve += u"<option>o";
  Layout(u"<select>" + twelve + u"</select><select multiple>" + twelve + u"</select>");
  EXPECT_STREQ(Control(0).KindName(), "combo");
  EXPECT_EQ(As<TComboFormControlObj>(0).Options.size(), 12u);
  EXPECT_STREQ(Control(1).KindName(), "listbox");
  EXPECT_EQ(Control(1).Height, 8 * 14 + 4);  // eight rows at most
}

TEST_F(FormDoc, PercentWidthsFollowTheLine) {
  Layout(u"<input style='width:50%'><br><input style='width:1%'><br><input style='width:100%;margin:0 7px'>");
  EXPECT_EQ(Control(0).Width, 200);
  EXPECT_EQ(Control(1).Width, 10);  // at least 10 pixels
  EXPECT_EQ(Control(2).Width, Width - 14);  // the spaces stay within the line
}

TEST_F(FormDoc, FileInputIsAnEditWithABrowseButton) {
  UseNativeControls();
  Layout(u"<input type=file name=f id=pick value=x>");
  ASSERT_EQ(Document.Forms.FormControlList.size(), 2u);
  auto& edit = As<TEditFormControlObj>(0);
  auto& browse = As<TButtonFormControlObj>(1);
  EXPECT_EQ(browse.Caption, u"Browse...");
  EXPECT_TRUE(browse.FName.empty() && browse.Value.empty() && browse.FID.empty());
  EXPECT_EQ(browse.MyEdit, &edit);
  Document.Forms.FormEvents.OnFileBrowse = [](const std::u16string& now) { return now + u"/chosen"; };
  FakeOf(*browse.GetTheControl()).Click();
  EXPECT_EQ(edit.Text(), u"x/chosen");
  EXPECT_EQ(Joined(Form().GetFormSubmission()), "f=x/chosen");
  EXPECT_TRUE(Document.Links.IDNameList.count(u"PICK"));
}

TEST_F(FormDoc, RadioGroupsAreByNameWithinTheirForm) {
  UseNativeControls();
  Layout(u"<form><input type=radio name=c value=1 checked><input type=radio name=C value=2 checked>"
         u"<input type=radio name=c value=3><input type=radio name=d value=4 checked></form>"
         u"<form><input type=radio name=c value=5 checked></form>");
  auto checked = [&] {
    std::string r;
    for (TFormControlObj* c : Document.Forms.FormControlList)
      r += dynamic_cast<TToggleFormControlObj&>(*c).Checked() ? '1' : '0';
    return r;
  };
  // Two checked members: the later one wins; other names and forms keep theirs.
  EXPECT_EQ(checked(), "01011");
  EXPECT_FALSE(As<TRadioButtonFormControlObj>(0).TabStop);
  EXPECT_TRUE(As<TRadioButtonFormControlObj>(1).TabStop);
  EXPECT_FALSE(As<TRadioButtonFormControlObj>(2).TabStop);

  FakeOf(*Control(2).GetTheControl()).Click();
  EXPECT_EQ(checked(), "00111");
  EXPECT_TRUE(Control(2).GetTheControl()->TabStop());
  EXPECT_FALSE(Control(1).GetTheControl()->TabStop());

  // Arrow keys move the focus along the group and stop at its ends.
  Control(2).GetTheControl()->SetFocus();
  FakeOf(*Control(2).GetTheControl()).PressKey(VK_UP);
  EXPECT_TRUE(Control(1).GetTheControl()->Focused());
  FakeOf(*Control(1).GetTheControl()).PressKey(VK_LEFT);
  FakeOf(*Control(0).GetTheControl()).PressKey(VK_LEFT);
  EXPECT_TRUE(Control(0).GetTheControl()->Focused());

  // A reset restores the state the page was loaded with.
  Form(0).ResetControls();
  EXPECT_EQ(checked(), "01011");
}

TEST_F(FormDoc, ResetRestoresEveryKind) {
  for (bool native : {false, true}) {
    Document.Windows.ChildControls = native ? &Factory : nullptr;
    Layout(u"<form><input name=e value=start><input type=checkbox name=k checked>"
           u"<select name=s><option>a<option selected>b</select>"
           u"<select name=m multiple><option>x<option>y</select>"
           u"<textarea name=t>\nline one\nline two</textarea><input type=reset></form>");
    auto& edit = As<TEditFormControlObj>(0);
    auto& box = As<TCheckBoxFormControlObj>(1);
    auto& combo = As<TComboFormControlObj>(2);
    auto& list = As<TListBoxFormControlObj>(3);
    auto& area = As<TTextAreaFormControlObj>(4);
    EXPECT_EQ(area.Text(), u"line one\nline two");  // the first line end is not text
    const std::string loaded = Joined(Form().GetFormSubmission());
    EXPECT_EQ(loaded, "e=start&k=on&s=b&m=x&t=line one\r\nline two");
    edit.SetText(u"changed");
    box.SetChecked(false);
    combo.SetItemIndex(0);
    list.SetSelected(1, true);
    area.SetText(u"other");
    EXPECT_EQ(Joined(Form().GetFormSubmission()), "e=changed&s=a&m=x&m=y&t=other");
    if (native) FakeOf(*Control(5).GetTheControl()).Click();
    else As<TButtonFormControlObj>(5).Press();
    EXPECT_EQ(Joined(Form().GetFormSubmission()), loaded) << native;
  }
}

TEST_F(FormDoc, SubmissionPairsPerKind) {
  UseNativeControls();
  Layout(u"<form action=/go method=post>"
         u"<input name=user value=ann><input type=password name=pw>"
         u"<input type=hidden name=h value=v><input type=checkbox name=c1><input type=checkbox name=c2 value=yes checked>"
         u"<input type=radio name=r value=a><input type=radio name=r value=b checked>"
         u"<select name=one><option value=1>first<option>second</select>"
         u"<select name=many multiple><option selected>x<option>y<option selected>z</select>"
         u"<input name=off value=gone disabled><input name=kept value=here disabled=no>"
         u"<textarea name=t></textarea>"
         u"<input type=submit name=go value=Send><input type=submit></form>");
  FakeOf(*Control(1).GetTheControl()).Type(u"secret");
  auto& send = As<TButtonFormControlObj>(12);
  auto& plain = As<TButtonFormControlObj>(13);

  // Without a handler a submit does nothing at all.
  FakeOf(*send.GetTheControl()).Click();
  EXPECT_TRUE(Submitted.empty());

  RecordSubmissions();
  FakeOf(*send.GetTheControl()).Click();
  FakeOf(*plain.GetTheControl()).Click();
  const std::string pairs =
      "user=ann&pw=secret&h=v&c2=yes&r=b&one=1&many=x&many=z&kept=here&t=";
  ASSERT_EQ(Submitted.size(), 2u);
  EXPECT_EQ(Submitted[0], "post /go " + pairs + "&go=Send");
  EXPECT_EQ(Submitted[1], "post /go " + pairs);  // no name: no button pair
  // The form's own list keeps disabled controls and leaves out the button.
  EXPECT_EQ(Joined(Form().GetFormSubmission()),
            "user=ann&pw=secret&h=v&c2=yes&r=b&one=1&many=x&many=z&off=gone&kept=here&t=");

  // Enter in a one-line edit submits and is swallowed.
  Submitted.clear();
  EXPECT_FALSE(FakeOf(*Control(0).GetTheControl()).PressKey(VK_RETURN, 0, u'\r'));
  EXPECT_EQ(Submitted.size(), 1u);
}

TEST_F(FormDoc, HardWrappedTextAndImageButtonsSubmitTheirOwnWay) {
  UseNativeControls();
  RecordSubmissions();
  Layout(u"<form><textarea name=t wrap=hard cols=4>aaaa bbbb</textarea>"
         u"<input type=image name=map src='http://example.com/x.png'></form>");
  Paint();  // the multi-line edit gets its width
  ASSERT_EQ(Document.Forms.FormControlList.size(), 2u);
  auto& button = As<TImageFormControlObj>(1);
  ASSERT_NE(button.MyImage, nullptr);
  button.ImageClicked(5, 7);
  ASSERT_EQ(Submitted.size(), 1u);
  // The rows as the control shows them (the space stays at the break).
  EXPECT_EQ(Submitted[0], "Get  t=aaaa \r\nbbbb&map.x=5&map.y=7");
  // The click is forgotten once submitted.
  EXPECT_EQ(Joined(Form().GetFormSubmission()), "t=aaaa \r\nbbbb");
}

TEST_F(FormDoc, RestoredDataMatchesNamesInAnyCase) {
  Layout(u"<form><input name=e><input type=checkbox name=k value=on checked>"
         u"<input type=radio name=r value=a checked><input type=radio name=r value=b>"
         u"<select name=s><option>a<option>b</select>"
         u"<select name=m multiple><option>x<option>y<option>z</select></form>");
  Form().SetFormData({u"E=typed", u"r=B", u"s=b", u"M=y", u"m=z"});
  EXPECT_EQ(Joined(Form().GetFormSubmission()), "e=typed&r=b&s=b&m=y&m=z");
}

TEST_F(FormDoc, TabIndexControlsComeFirstInKeyOrder) {
  UseNativeControls();
  Layout(u"<input name=a><input name=b tabindex=2><input name=c tabindex=0><input name=d tabindex=1>");
  std::string order;
  for (TFormControlObj* c : FormTabSequence(Document)) order += TextToUtf8(c->FName);
  EXPECT_EQ(order, "dbac");
  EXPECT_TRUE(Document.Forms.TabOrderList.empty());
  std::vector<TChildControl*> expected;
  for (std::size_t i : {3u, 1u, 0u, 2u}) expected.push_back(Control(i).GetTheControl());
  EXPECT_EQ(Factory.TabOrder(), expected);
  // A second layout keeps the order.
  int scrollWidth = 0;
  Document.DoLogic(*Surface, Width, 300, scrollWidth);
  EXPECT_EQ(Factory.TabOrder(), expected);
}

TEST_F(FormDoc, ChangesAreReportedAtFocusLossOnlyWhenChanged) {
  UseNativeControls();
  Layout(u"<input onchange=e1 onfocus=f onblur=b><input type=checkbox onchange=c1>"
         u"<select onchange=s1><option>a<option>b</select><textarea onchange=t1></textarea>"
         u"<select multiple onchange=l1><option>a<option>b</select>");
  std::vector<std::string> log;
  auto record = [&](const char* what) {
    return [&log, what](TFormControlObj&, const std::u16string& message) {
      log.push_back(std::string(what) + " " + TextToUtf8(message));
    };
  };
  Document.Forms.FormEvents.OnObjectChange = record("change");
  Document.Forms.FormEvents.OnObjectFocus = record("focus");
  Document.Forms.FormEvents.OnObjectBlur = record("blur");
  auto fake = [&](std::size_t i) -> test::TFakeChild& { return FakeOf(*Control(i).GetTheControl()); };

  Control(0).GetTheControl()->SetFocus();
  EXPECT_TRUE(Control(0).Active);
  Control(1).GetTheControl()->SetFocus();  // nothing changed
  EXPECT_FALSE(Control(0).Active);
  EXPECT_EQ(log, (std::vector<std::string>{"focus f", "blur b"}));
  log.clear();

  fake(1).Click();
  Control(0).GetTheControl()->SetFocus();
  fake(0).Type(u"x");
  Control(2).GetTheControl()->SetFocus();
  fake(2).ChooseItem(1);
  Control(3).GetTheControl()->SetFocus();
  fake(3).Type(u"y");
  Control(4).GetTheControl()->SetFocus();
  fake(4).ChooseItem(1);
  Control(0).GetTheControl()->SetFocus();
  EXPECT_EQ(log, (std::vector<std::string>{"change c1", "focus f", "change e1", "blur b",
                                           "change s1", "change t1", "change l1", "focus f"}));
}

TEST_F(FormDoc, HiddenFieldsTakeNoRoom) {
  Layout(u"<p>ab<input type=hidden name=h value=v>cd</p>");
  auto& p = dynamic_cast<TBlock&>(*dynamic_cast<TBlock&>(*Document.Items.at(0)).MyCell->Items.at(0));
  auto& section = dynamic_cast<TSection&>(*p.MyCell->Items.at(0));
  EXPECT_EQ(section.Buff, u"abcd ");
  EXPECT_EQ(section.FormControls.Count(), 0);
  EXPECT_EQ(Form().NonHiddenCount, 0);
  EXPECT_EQ(Joined(Form().GetFormSubmission()), "h=v");
}

// display: none takes a control out of the line and makes no native
// control for it; its value is still submitted.
TEST_F(FormDoc, ControlsWithDisplayNoneTakeNoRoomAndStillSubmit) {
  UseNativeControls();
  RecordSubmissions();
  Layout(u"<form action=a><p>ab<input name=e value=v style='display:none'>"
         u"<select name=s style='display:none'><option>o</select>"
         u"<input type=checkbox name=c checked style='display:none'>"
         u"<input type=file name=f style='display:none'>"
         u"<textarea name=t style='display:none'>x</textarea>"
         u"<input type=image name=i src=none.png style='display:none'>cd</p></form>");
  auto& p = dynamic_cast<TBlock&>(*dynamic_cast<TBlock&>(
      *dynamic_cast<TBlock&>(*Document.Items.at(0)).MyCell->Items.at(0)).MyCell->Items.at(0));
  auto& section = dynamic_cast<TSection&>(*p.MyCell->Items.at(0));
  EXPECT_EQ(section.FormControls.Count(), 0);
  ASSERT_EQ(section.Lines.size(), 1u);
  EXPECT_EQ(section.Lines[0].DrawWidth, 4 * 8);
  Paint();
  for (std::size_t i = 0; i < Document.Forms.FormControlList.size(); ++i)
    EXPECT_EQ(Control(i).GetTheControl(), nullptr) << Control(i).KindName();
  EXPECT_EQ(Joined(Form().GetFormSubmission()), "e=v&s=o&c=on&f=&t=x");
}

TEST_F(FormDoc, NativeControlsArePlacedAfterThePaintAndHiddenWhenNotReached) {
  UseNativeControls();
  // One control near the top, one far below the first screen.
  Layout(u"abc<input name=top><div style='height:1000px'></div><input type=checkbox name=low>");
  TChildControl& top = *Control(0).GetTheControl();
  TChildControl& low = *Control(1).GetTheControl();
  EXPECT_FALSE(top.Visible());  // made at layout, hidden until painted
  bool visibleDuringPaint = true;
  Document.PaintPass.DrawList.AddImage([&](TSurface&) { visibleDuringPaint = top.Visible(); });
  Paint({0, 0, Width, 300});
  EXPECT_FALSE(visibleDuringPaint);
  EXPECT_TRUE(top.Visible());
  EXPECT_FALSE(low.Visible());
  // Three 8-pixel characters before it; bottom on the 18-pixel line's
  // baseline, one pixel of space below.
  EXPECT_EQ(top.BoundsRect().Left, 24);
  EXPECT_EQ(top.BoundsRect().Width(), 113);
  EXPECT_EQ(top.BoundsRect().Height(), 20);
  const int topY = top.BoundsRect().Top;

  // Scrolled down: the first control is no longer reached and hides; the
  // second shows where its line now is.
  Document.PaintPass.YOff = 900;
  Paint({0, 0, Width, 300});
  EXPECT_FALSE(top.Visible());
  EXPECT_TRUE(low.Visible());
  EXPECT_EQ(Control(1).FYValue, low.BoundsRect().Top + 900);
  Document.PaintPass.YOff = 0;
  Paint({0, 0, Width, 300});
  EXPECT_TRUE(top.Visible());
  EXPECT_EQ(top.BoundsRect().Top, topY);

  // The document's hit test knows the control.
  TLinkHit hit;
  EXPECT_EQ(Document.GetURL(*Surface, 30, topY + 5, hit) & guControl, guControl);
  EXPECT_EQ(hit.Control, &Control(0));
}

TEST_F(FormDoc, AFocusedCheckBoxGetsAFocusFrameUnlessSwitchedOff) {
  UseNativeControls();
  // Room for the frame: a line above, two characters before.
  Layout(u"<br>xx<input type=checkbox>");
  Paint();
  const TRect b = Control(0).GetTheControl()->BoundsRect();
  auto framed = [&] {
    for (int x = b.Left - 2; x < b.Right + 2; ++x)
      if (Surface->Pixel(x, b.Top - 2) != clWhite) return true;
    return false;
  };
  EXPECT_FALSE(framed());
  Control(0).GetTheControl()->SetFocus();
  Paint();
  EXPECT_TRUE(framed());
  Document.PaintPass.NoFocusRect = true;
  Paint();
  EXPECT_FALSE(framed());
}

TEST_F(FormDoc, ImitationsArePaintedWithoutNativeControls) {
  Layout(u"<input value=abc><input type=checkbox checked><input type=radio checked>"
         u"<input type=submit>");
  Paint();
  // Every control got a place and painted its box there.
  for (TFormControlObj* c : Document.Forms.FormControlList) {
    ASSERT_GT(c->DrawX, -1) << c->KindName();
    EXPECT_EQ(c->GetTheControl(), nullptr);
  }
  const TFormControlObj& edit = Control(0);
  // A white field inside a grey sunken frame, the text in black.
  EXPECT_EQ(Surface->Pixel(edit.DrawX, edit.DrawY + 5), 0x808080u);
  EXPECT_EQ(Surface->Pixel(edit.DrawX + edit.Width - 5, edit.DrawY + 5), clWhite);
  bool ink = false;
  for (int x = edit.DrawX + 3; x < edit.DrawX + 30; ++x)
    ink |= Surface->Pixel(x, edit.DrawY + edit.Height / 2) == clBlack;
  EXPECT_TRUE(ink);
  // The tick of the checked box and the dot of the radio button.
  const TFormControlObj& box = Control(1);
  EXPECT_EQ(Surface->Pixel(box.DrawX + 5, box.DrawY + 8), clBlack);
  const TFormControlObj& radio = Control(2);
  EXPECT_EQ(Surface->Pixel(radio.DrawX + 6, radio.DrawY + 6), clBlack);
  // The button's face.
  const TFormControlObj& button = Control(3);
  EXPECT_EQ(Surface->Pixel(button.DrawX + 3, button.DrawY + 3), 0xF0F0F0u);

  const std::string dump = DumpBoxes(Document);
  EXPECT_NE(dump.find("control edit Pos=0 Width=113 Height=20"), std::string::npos) << dump;
  EXPECT_NE(dump.find("control button Pos=3"), std::string::npos) << dump;
}

// A style border is painted around the control's box, outside it, with the
// native control and with the imitation alike; each style keeps its look
// (a double border leaves its middle third unpainted).
TEST_F(FormDoc, StyleBordersArePaintedAroundTheControlBox) {
  constexpr TColor red = 0x0000FF, blue = 0xFF0000;
  const struct {
    const char16_t* html;
    TColor color;
    // The colour of the 1st, 2nd and 3rd pixel outside the box.
    std::vector<TColor> outside;
  } cases[] = {
      {u"<input style='border: 2px solid red'>", red, {red, red, clWhite}},
      {u"<select style='border: 3px double blue'><option>a</select>", blue, {blue, clWhite, blue}},
      {u"<textarea rows=2 cols=4 style='border: 3px double blue'></textarea>", blue,
       {blue, clWhite, blue}},
  };
  for (bool native : {false, true}) {
    Document.Windows.ChildControls = native ? &Factory : nullptr;
    for (const auto& c : cases) {
      SCOPED_TRACE(TextToUtf8(c.html) + (native ? " native" : " imitation"));
      Layout(u"<p style='margin-left:20px; margin-top:20px'>" + std::u16string(c.html));
      Paint();
      const TFormControlObj& control = Control(0);
      if (native) {
        EXPECT_FALSE(control.GetTheControl()->HasFrame());
      }
      const int left = control.DrawX, top = control.DrawY;
      const int right = left + control.Width, bottom = top + control.Height;
      const int midX = (left + right) / 2, midY = (top + bottom) / 2;
      for (int k = 0; k < 3; ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(Surface->Pixel(left - 1 - k, midY), c.outside[static_cast<std::size_t>(k)]);
        EXPECT_EQ(Surface->Pixel(right + k, midY), c.outside[static_cast<std::size_t>(k)]);
        EXPECT_EQ(Surface->Pixel(midX, top - 1 - k), c.outside[static_cast<std::size_t>(k)]);
        EXPECT_EQ(Surface->Pixel(midX, bottom + k), c.outside[static_cast<std::size_t>(k)]);
      }
      // Nothing of the border inside the box.
      EXPECT_NE(Surface->Pixel(left, midY), c.color);
    }
  }
}

// SELECT and TEXTAREA inside PRE stand in their preformatted lines like
// any control: each line is as high as its control, and the options and
// the text area's text are no part of the lines.
TEST_F(FormDoc, SelectAndTextAreaStandInPreformattedLines) {
  Layout(u"<pre>ab<select><option>one<option>two</select>cd\nef<textarea rows=3 cols=4>x\ny"
         u"</textarea>gh</pre>");
  Paint();
  const std::string dump = DumpBoxes(Document);
  ASSERT_EQ(Document.Forms.FormControlList.size(), 2u) << dump;
  const TFormControlObj& combo = Control(0);
  const TFormControlObj& area = Control(1);
  EXPECT_STREQ(combo.KindName(), "combo");
  EXPECT_STREQ(area.KindName(), "textarea");
  EXPECT_EQ(combo.Pos, 2);
  EXPECT_EQ(area.Pos, 2);
  EXPECT_EQ(dynamic_cast<const TTextAreaFormControlObj&>(area).Text(), u"x\ny");
  EXPECT_EQ(dump.find("one"), std::string::npos) << dump;
  EXPECT_EQ(dump.find("x\\ny"), std::string::npos) << dump;
  // The controls follow two characters of their lines, and the second
  // line starts below the first control.
  EXPECT_EQ(combo.DrawX, area.DrawX);
  EXPECT_GT(combo.DrawX, 0);
  EXPECT_GE(area.DrawY, combo.DrawY + combo.Height);
  EXPECT_NE(dump.find("cd"), std::string::npos) << dump;
  EXPECT_NE(dump.find("gh"), std::string::npos) << dump;
}

// Tab indexes are ordered as numbers, then by the order the controls came,
// however large either gets: 99999 before 100000, and the 999th control
// with an index before the 1000th with the same index.
TEST_F(FormDoc, TabOrderFollowsTheNumbers) {
  Layout(u"<input name=big tabindex=100000><input name=less tabindex=99999>");
  std::string order;
  for (TFormControlObj* c : FormTabSequence(Document)) order += TextToUtf8(c->FName) + " ";
  EXPECT_EQ(order, "less big ");

  std::u16string page;
  for (int i = 1; i <= 1001; ++i) page += u"<input name=n" + Ascii(std::to_string(i)) + u" tabindex=7>";
  Layout(page);
  const auto seq = FormTabSequence(Document);
  ASSERT_EQ(seq.size(), 1001u);
  for (std::size_t i = 0; i < seq.size(); ++i)
    ASSERT_EQ(TextToUtf8(seq[i]->FName), "n" + std::to_string(i + 1));
}

// 20,000 radio buttons of one NAME, every one CHECKED: each newcomer
// unchecks the one before, so the last stays checked, alone with the tab
// stop, and building stays linear.
TEST_F(FormDoc, ALargeRadioGroupIsBuiltInLinearTime) {
  std::u16string page = u"<form>";
  for (int i = 0; i < 20000; ++i)
    page += u"<input type=radio name=" + std::u16string(i % 2 ? u"Pick" : u"pick") + u" value=v" +
            Ascii(std::to_string(i)) + u" checked>";
  const auto start = std::chrono::steady_clock::now();
  Layout(page + u"</form>");
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_LT(elapsed, std::chrono::seconds(10));
  EXPECT_EQ(Joined(Form().GetFormSubmission()), "Pick=v19999");
  int stops = 0;
  for (const auto& c : Form().ControlList)
    stops += static_cast<TRadioButtonFormControlObj&>(*c).TabStop ? 1 : 0;
  EXPECT_EQ(stops, 1);
  EXPECT_TRUE(static_cast<TRadioButtonFormControlObj&>(*Form().ControlList.back()).TabStop);
}

}  // namespace
}  // namespace tav
