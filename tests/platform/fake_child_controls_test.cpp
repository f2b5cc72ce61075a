// The fake child controls: the user's actions the views' tests rely on, and
// the focus they share with the fake window host.
#include "platform/testing/fake_child_controls.h"

#include <gtest/gtest.h>

#include "platform/control.h"
#include "platform/testing/fake_window_host.h"
#include "platform/testing/fixed_metrics_device.h"

namespace tav::test {
namespace {

class TFocusProbe : public TControl {
public:
  std::vector<std::string> Log;
  void FocusGained() override { Log.push_back("view in"); }
  void FocusLost() override { Log.push_back("view out"); }
};

class FakeChildControlsTest : public testing::Test {
protected:
  TChildControlFactory& Make() { return *view.ChildControls(); }
  void Record(TChildControl& c, const std::string& name) {
    c.SetOnFocus([this, name](TChildControl&) { view.Log.push_back(name + " in"); });
    c.SetOnBlur([this, name](TChildControl&) { view.Log.push_back(name + " out"); });
    c.SetOnClick([this, name](TChildControl&) { view.Log.push_back(name + " click"); });
    c.SetOnChange([this, name](TChildControl&) { view.Log.push_back(name + " change"); });
  }

  TFixedMetricsDevice device;
  TFocusProbe view;
  TFakeWindowHost host{device, view};
};

TEST_F(FakeChildControlsTest, FocusIsSharedWithTheViews) {
  auto edit = Make().CreateEdit();
  auto button = Make().CreateButton();
  Record(*edit, "edit");
  Record(*button, "button");
  view.SetFocus();
  edit->SetFocus();
  button->SetFocus();
  view.SetFocus();
  EXPECT_EQ(view.Log, (std::vector<std::string>{"view in", "view out", "edit in", "edit out",
                                                "button in", "button out", "view in"}));
  EXPECT_FALSE(button->Focused());
  // Hiding or disabling the focused control takes the focus from it.
  edit->SetFocus();
  edit->Hide();
  EXPECT_FALSE(edit->Focused());
  EXPECT_EQ(view.Log.back(), "edit out");
  // A control that goes while focused leaves no dangling focus.
  button->SetFocus();
  button.reset();
  EXPECT_EQ(host.System().FocusedChild, nullptr);
  EXPECT_EQ(host.FakeChildControls().Controls().size(), 1u);
}

TEST_F(FakeChildControlsTest, TabOrderKeepsOnlyLiveControlsOfTheFactory) {
  auto a = Make().CreateEdit();
  auto b = Make().CreateButton();
  TControl other;
  TFakeWindowHost otherHost(device, other);
  auto foreign = other.ChildControls()->CreateEdit();
  Make().SetTabOrder({b.get(), foreign.get(), a.get()});
  EXPECT_EQ(host.FakeChildControls().TabOrder(), (std::vector<TChildControl*>{b.get(), a.get()}));
  b.reset();
  EXPECT_EQ(host.FakeChildControls().TabOrder(), (std::vector<TChildControl*>{a.get()}));
}

TEST_F(FakeChildControlsTest, TypingHonoursHandlersLimitsAndReadOnly) {
  auto edit = Make().CreateEdit();
  Record(*edit, "edit");
  edit->SetOnKeyDown([](TChildControl&, int& key, TShiftState) {
    if (key == VK_RETURN) key = 0;
  });
  edit->SetOnKeyPress([](TChildControl&, char16_t& ch) {
    if (ch == u'!') ch = 0;
  });
  TFakeChild& fake = FakeOf(*edit);
  edit->SetMaxLength(4);
  fake.Type(u"ab!c\rdef");
  EXPECT_EQ(edit->Text(), u"abcd");  // '!' and Enter swallowed, then the limit
  EXPECT_FALSE(fake.PressKey(VK_RETURN, 0, u'\r'));
  EXPECT_EQ(std::count(view.Log.begin(), view.Log.end(), "edit change"), 4);
  edit->SetReadOnly(true);
  edit->SetMaxLength(0);
  fake.Type(u"x");
  EXPECT_EQ(edit->Text(), u"abcd");

  auto memo = Make().CreateMemo();
  FakeOf(*memo).Type(u"a\rb");
  EXPECT_EQ(memo->Text(), u"a\nb");  // Enter breaks the line in a multi-line edit
}

TEST_F(FakeChildControlsTest, ClicksOnTogglesAndLists) {
  auto check = Make().CreateCheckBox();
  auto radio = Make().CreateRadioButton();
  Record(*check, "check");
  Record(*radio, "radio");
  FakeOf(*check).Click();
  FakeOf(*check).Click();
  FakeOf(*radio).Click();
  FakeOf(*radio).Click();  // stays checked
  EXPECT_FALSE(check->Checked());
  EXPECT_TRUE(radio->Checked());
  EXPECT_EQ(view.Log, (std::vector<std::string>{"check change", "check click", "check change",
                                                "check click", "radio change", "radio click",
                                                "radio click"}));
  radio->SetEnabled(false);
  FakeOf(*radio).Click();
  EXPECT_EQ(view.Log.back(), "radio click");
  EXPECT_EQ(view.Log.size(), 7u);

  struct ChooseCase {
    TListSelectMode mode;
    TShiftState shift;
    std::vector<int> selected;  // after choosing 1, 3 and 3 again
  };
  for (const ChooseCase& c : {ChooseCase{TListSelectMode::lsSingle, 0, {3}},
                              ChooseCase{TListSelectMode::lsMultiple, 0, {1}},
                              ChooseCase{TListSelectMode::lsExtended, 0, {3}},
                              ChooseCase{TListSelectMode::lsExtended, ssCtrl, {1}}}) {
    auto list = Make().CreateListBox(c.mode);
    list->SetItems({u"a", u"b", u"c", u"d"});
    int changes = 0;
    list->SetOnChange([&](TChildControl&) { ++changes; });
    for (int i : {1, 3, 3}) FakeOf(*list).ChooseItem(i, c.shift);
    EXPECT_EQ(list->SelectedIndices(), c.selected) << static_cast<int>(c.mode);
    // A choice that leaves the selection as it was is no change.
    EXPECT_EQ(changes, c.selected == std::vector<int>{3} ? 2 : 3);
  }
}

TEST_F(FakeChildControlsTest, MemoWrapsAtItsClientWidth) {
  auto memo = Make().CreateMemo();
  TFontDesc font;
  font.Height = -16;  // 8 pixels a character on the fixed-metrics device
  memo->SetFont(font);
  memo->SetBounds(MakeRect(0, 0, 4 + 8 * 8, 100));  // 8 characters inside the frame
  memo->SetText(u"one two three\nabcdefghijkl");
  EXPECT_EQ(memo->DisplayedLines(),
            (std::vector<std::u16string>{u"one two ", u"three", u"abcdefgh", u"ijkl"}));
  memo->SetWordWrap(false);
  EXPECT_EQ(memo->DisplayedLines(),
            (std::vector<std::u16string>{u"one two three", u"abcdefghijkl"}));
}

TEST_F(FakeChildControlsTest, WindowGoneSilencesControls) {
  TControl other;
  auto host2 = std::make_unique<TFakeWindowHost>(device, other);
  auto check = host2->ChildControls()->CreateCheckBox();
  check->Show();
  int events = 0;
  check->SetOnClick([&](TChildControl&) { ++events; });
  host2.reset();
  FakeOf(*check).Click();
  check->SetFocus();
  EXPECT_EQ(events, 0);
  EXPECT_FALSE(check->Visible());
  EXPECT_FALSE(check->Focused());
}

}  // namespace
}  // namespace tav::test
