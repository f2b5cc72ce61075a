// Native child controls on Qt: made inside the host of their control, their
// state reaching the widgets and back, the user's actions reaching their
// events, and their lifetime against the parent's window.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/child_controls.h"
#include "platform/qt/control_host.h"

namespace tav {
namespace {

void Flush() {
  for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// A shown, active host window whose control has a one-pixel border.
class QtChildControlsTest : public testing::Test {
protected:
  void SetUp() override {
    view.SetBorder(TBorderKind::bkSingle);
    host = std::make_unique<TQtControlHost>(view);
    host->resize(400, 300);
    host->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(host.get()));
    host->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(host.get()));
    ASSERT_NE(view.ChildControls(), nullptr);
  }
  void TearDown() override {
    host.reset();
    Flush();
  }
  TChildControlFactory& Make() { return *view.ChildControls(); }
  // The widget made for the control last created.
  // (the host's own scroll bars aside).
  template <class W>
  W* Last() {
    auto all = host->findChildren<W*>(Qt::FindDirectChildrenOnly);
    for (auto it = all.rbegin(); it != all.rend(); ++it)
      if (!qobject_cast<QScrollBar*>(*it)) return *it;
    return nullptr;
  }
  // Records the events of `c` as words.
  void Record(TChildControl& c) {
    c.SetOnFocus([this](TChildControl&) { log.push_back("focus"); });
    c.SetOnBlur([this](TChildControl&) { log.push_back("blur"); });
    c.SetOnClick([this](TChildControl&) { log.push_back("click"); });
    c.SetOnChange([this](TChildControl&) { log.push_back("change"); });
  }

  TControl view;
  std::unique_ptr<TQtControlHost> host;
  std::vector<std::string> log;
};

struct KindCase {
  const char* name;
  std::function<std::unique_ptr<TChildControl>(TChildControlFactory&)> make;
  TChildControlKind kind;
  const char* widgetClass;
};

class QtChildKindTest : public QtChildControlsTest,
                        public testing::WithParamInterface<KindCase> {};

TEST_P(QtChildKindTest, LivesInsideTheHostAndFollowsBounds) {
  const KindCase& c = GetParam();
  std::unique_ptr<TChildControl> control = c.make(Make());
  EXPECT_EQ(control->Kind(), c.kind);
  QWidget* w = Last<QWidget>();
  ASSERT_NE(w, nullptr);
  EXPECT_STREQ(w->metaObject()->className(), c.widgetClass);
  EXPECT_FALSE(w->isVisible());  // hidden until shown

  control->SetBounds(MakeRect(20, 30, 120, 40));
  control->Show();
  EXPECT_TRUE(control->Visible());
  EXPECT_TRUE(w->isVisible());
  EXPECT_EQ(w->geometry(), QRect(21, 31, 120, 40));  // inside the view's border
  EXPECT_EQ(control->BoundsRect(), MakeRect(20, 30, 120, 40));
  control->Hide();
  EXPECT_FALSE(w->isVisible());

  control->SetEnabled(false);
  EXPECT_FALSE(w->isEnabled());
  control->SetColor(RGB(10, 200, 30));
  EXPECT_EQ(control->Color(), RGB(10, 200, 30));

  // The widget goes (after the current event) with the control.
  control.reset();
  Flush();
  EXPECT_EQ(Last<QWidget>(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, QtChildKindTest,
    testing::Values(
        KindCase{"Edit", [](TChildControlFactory& f) { return f.CreateEdit(); },
                 TChildControlKind::ckEdit, "QLineEdit"},
        KindCase{"Memo", [](TChildControlFactory& f) { return f.CreateMemo(); },
                 TChildControlKind::ckMemo, "QPlainTextEdit"},
        KindCase{"Button", [](TChildControlFactory& f) { return f.CreateButton(); },
                 TChildControlKind::ckButton, "QPushButton"},
        KindCase{"CheckBox", [](TChildControlFactory& f) { return f.CreateCheckBox(); },
                 TChildControlKind::ckCheckBox, "QCheckBox"},
        KindCase{"Radio", [](TChildControlFactory& f) { return f.CreateRadioButton(); },
                 TChildControlKind::ckRadioButton, "QRadioButton"},
        KindCase{"ListBox",
                 [](TChildControlFactory& f) { return f.CreateListBox(TListSelectMode::lsSingle); },
                 TChildControlKind::ckListBox, "QListWidget"},
        KindCase{"ComboBox", [](TChildControlFactory& f) { return f.CreateComboBox(); },
                 TChildControlKind::ckComboBox, "QComboBox"},
        KindCase{"Panel", [](TChildControlFactory& f) { return f.CreatePanel(); },
                 TChildControlKind::ckPanel, "QWidget"}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(QtChildControlsTest, ScrollBarsStayAboveChildren) {
  auto panel = Make().CreatePanel();
  view.SetScrollInfo(TScrollBarKind::sbVertical, {0, 999, 100, 0, 0});
  QWidget* bar = nullptr;
  for (QScrollBar* b : host->findChildren<QScrollBar*>(Qt::FindDirectChildrenOnly))
    if (b->orientation() == Qt::Vertical) bar = b;
  ASSERT_NE(bar, nullptr);
  const QObjectList& order = host->children();
  EXPECT_GT(order.indexOf(bar), order.indexOf(Last<QWidget>()));
}

TEST_F(QtChildControlsTest, EditState) {
  auto edit = Make().CreateEdit();
  QLineEdit* w = Last<QLineEdit>();
  edit->SetText(u"caf\u00E9");
  EXPECT_EQ(w->text(), QStringLiteral("caf\u00E9"));
  w->setText(QStringLiteral("typed"));
  EXPECT_EQ(edit->Text(), u"typed");

  edit->SetPassword(true);
  EXPECT_EQ(w->echoMode(), QLineEdit::Password);
  EXPECT_EQ(w->displayText(), QStringLiteral("*****"));

  edit->SetMaxLength(3);
  EXPECT_EQ(edit->Text(), u"typ");
  edit->SetMaxLength(0);
  edit->SetText(std::u16string(1000, u'x'));
  EXPECT_EQ(edit->Text().size(), 1000u);  // no limit

  edit->SetReadOnly(true);
  EXPECT_TRUE(w->isReadOnly());

  EXPECT_GT(edit->FrameInsets().Left, 0);
  edit->SetFrame(false);
  EXPECT_FALSE(w->hasFrame());
  EXPECT_EQ(edit->FrameInsets(), (TRect{}));
}

TEST_F(QtChildControlsTest, OwnHeightFollowsTheFont) {
  auto edit = Make().CreateEdit();
  auto button = Make().CreateButton();
  auto combo = Make().CreateComboBox();
  TFontDesc small, large;
  small.Height = -11;
  large.Height = -30;
  for (TChildControl* c : {static_cast<TChildControl*>(edit.get()),
                           static_cast<TChildControl*>(button.get()),
                           static_cast<TChildControl*>(combo.get())}) {
    c->SetFont(small);
    const int own = c->OwnHeight(small);
    EXPECT_GT(own, 11);
    EXPECT_GT(c->OwnHeight(large), own + 10);
    // Asking about another font leaves the control's own alone.
    EXPECT_EQ(c->OwnHeight(small), own);
  }
  QLineEdit* w = host->findChildren<QLineEdit*>(Qt::FindDirectChildrenOnly).front();
  EXPECT_EQ(w->font().pixelSize(), 11);
}

TEST_F(QtChildControlsTest, MemoStateAndDisplayedLines) {
  auto memo = Make().CreateMemo();
  QPlainTextEdit* w = Last<QPlainTextEdit>();
  memo->SetText(u"one two three four five six seven\nlast");
  EXPECT_EQ(memo->Text(), u"one two three four five six seven\nlast");
  EXPECT_EQ(w->textCursor().position(), 0);  // caret at the start
  EXPECT_EQ(w->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);

  // A narrow control wraps the first line into rows that together are it.
  memo->SetBounds(MakeRect(0, 0, 90, 200));
  const std::vector<std::u16string> rows = memo->DisplayedLines();
  ASSERT_GT(rows.size(), 3u);
  EXPECT_EQ(rows.back(), u"last");
  std::u16string joined;
  for (std::size_t i = 0; i + 1 < rows.size(); ++i) joined += rows[i];
  EXPECT_EQ(joined, u"one two three four five six seven");

  memo->SetWordWrap(false);
  memo->SetScrollBars(TMemoScrollBars::msBoth);
  EXPECT_EQ(w->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  EXPECT_EQ(memo->DisplayedLines(),
            (std::vector<std::u16string>{u"one two three four five six seven", u"last"}));
  memo->SetReadOnly(true);
  EXPECT_TRUE(w->isReadOnly());
}

TEST_F(QtChildControlsTest, ButtonAndToggleState) {
  auto button = Make().CreateButton();
  button->SetCaption(u"Save & Go");
  EXPECT_EQ(Last<QPushButton>()->text(), QStringLiteral("Save && Go"));  // no mnemonic
  EXPECT_EQ(button->Caption(), u"Save & Go");

  auto check = Make().CreateCheckBox();
  check->SetChecked(true);
  EXPECT_TRUE(Last<QCheckBox>()->isChecked());
  auto radio = Make().CreateRadioButton();
  auto other = Make().CreateRadioButton();
  radio->SetChecked(true);
  other->SetChecked(true);
  EXPECT_TRUE(radio->Checked());  // no grouping by the toolkit
}

TEST_F(QtChildControlsTest, ListBoxSelection) {
  auto single = Make().CreateListBox(TListSelectMode::lsSingle);
  single->SetItems({u"a", u"b", u"c"});
  EXPECT_EQ(Last<QListWidget>()->count(), 3);
  EXPECT_EQ(single->ItemIndex(), -1);
  single->SetSelected(1, true);
  single->SetSelected(2, true);
  EXPECT_EQ(single->SelectedIndices(), (std::vector<int>{2}));
  single->SetItemIndex(-1);
  EXPECT_EQ(single->ItemIndex(), -1);

  auto multi = Make().CreateListBox(TListSelectMode::lsExtended);
  std::vector<std::u16string> items;
  for (int i = 0; i < 30; ++i) items.push_back(u"item " + std::u16string(1, u'A' + i % 26));
  multi->SetItems(items);
  EXPECT_EQ(Last<QListWidget>()->selectionMode(), QAbstractItemView::ExtendedSelection);
  multi->SetSelected(3, true);
  multi->SetSelected(7, true);
  multi->SetSelected(28, true);
  EXPECT_EQ(multi->SelectedIndices(), (std::vector<int>{3, 7, 28}));
  EXPECT_TRUE(multi->Selected(7));
  EXPECT_FALSE(multi->Selected(99));
  multi->SetSelected(7, false);
  EXPECT_EQ(multi->ItemIndex(), 3);
  multi->SetItemIndex(5);
  EXPECT_EQ(multi->SelectedIndices(), (std::vector<int>{5}));
  multi->ClearSelection();
  EXPECT_TRUE(multi->SelectedIndices().empty());

  multi->SetBounds(MakeRect(0, 0, 100, 80));
  multi->Show();
  multi->SetTopIndex(10);
  EXPECT_EQ(multi->TopIndex(), 10);
  multi->SetTopIndex(0);
  EXPECT_EQ(multi->TopIndex(), 0);
}

TEST_F(QtChildControlsTest, ComboBoxSelection) {
  auto combo = Make().CreateComboBox();
  QComboBox* w = Last<QComboBox>();
  EXPECT_FALSE(w->isEditable());
  combo->SetItems({u"red", u"green"});
  EXPECT_EQ(combo->ItemIndex(), -1);  // Qt would pick the first
  combo->SetItemIndex(1);
  EXPECT_EQ(w->currentText(), QStringLiteral("green"));
  combo->SetItemIndex(5);
  EXPECT_EQ(combo->ItemIndex(), -1);
  EXPECT_EQ(combo->Items(), (std::vector<std::u16string>{u"red", u"green"}));
}

TEST_F(QtChildControlsTest, SettersFireNoEvents) {
  auto edit = Make().CreateEdit();
  auto memo = Make().CreateMemo();
  auto check = Make().CreateCheckBox();
  auto list = Make().CreateListBox(TListSelectMode::lsMultiple);
  auto combo = Make().CreateComboBox();
  for (TChildControl* c : std::initializer_list<TChildControl*>{edit.get(), memo.get(), check.get(),
                                                                list.get(), combo.get()})
    Record(*c);
  edit->SetText(u"x");
  memo->SetText(u"y");
  check->SetChecked(true);
  list->SetItems({u"a", u"b"});
  list->SetSelected(1, true);
  list->ClearSelection();
  combo->SetItems({u"a", u"b"});
  combo->SetItemIndex(1);
  EXPECT_TRUE(log.empty());
}

TEST_F(QtChildControlsTest, TypingFiresKeysAndChangesAndEnterCanBeSwallowed) {
  auto edit = Make().CreateEdit();
  edit->SetBounds(MakeRect(5, 5, 150, 24));
  edit->Show();
  Record(*edit);
  std::vector<int> keys;
  std::u16string chars;
  edit->SetOnKeyDown([&](TChildControl&, int& key, TShiftState) {
    keys.push_back(key);
    if (key == VK_RETURN) key = 0;  // as a form swallows Enter
  });
  edit->SetOnKeyPress([&](TChildControl&, char16_t& ch) {
    chars += ch;
    if (ch == u'q') ch = 0;
  });
  QLineEdit* w = Last<QLineEdit>();
  int returns = 0;
  QObject::connect(w, &QLineEdit::returnPressed, [&] { ++returns; });

  edit->SetFocus();
  EXPECT_TRUE(edit->Focused());
  QTest::keyClicks(w, QStringLiteral("aqb"));
  EXPECT_EQ(edit->Text(), u"ab");  // 'q' swallowed
  EXPECT_EQ(chars, u"aqb");
  EXPECT_EQ(keys, (std::vector<int>{'A', 'Q', 'B'}));
  QTest::keyClick(w, Qt::Key_Return);
  EXPECT_EQ(returns, 0);
  EXPECT_EQ(keys.back(), VK_RETURN);
  EXPECT_EQ(log, (std::vector<std::string>{"focus", "change", "change"}));
}

TEST_F(QtChildControlsTest, FocusMovesBetweenControls) {
  auto edit = Make().CreateEdit();
  auto button = Make().CreateButton();
  edit->Show();
  button->Show();
  std::vector<std::string> order;
  edit->SetOnFocus([&](TChildControl&) { order.push_back("edit in"); });
  edit->SetOnBlur([&](TChildControl&) { order.push_back("edit out"); });
  button->SetOnFocus([&](TChildControl&) { order.push_back("button in"); });
  edit->SetFocus();
  button->SetFocus();
  EXPECT_FALSE(edit->Focused());
  EXPECT_TRUE(button->Focused());
  EXPECT_EQ(order, (std::vector<std::string>{"edit in", "edit out", "button in"}));
}

TEST_F(QtChildControlsTest, TabFollowsTheOrderGiven) {
  auto a = Make().CreateEdit();
  auto b = Make().CreateCheckBox();
  auto c = Make().CreateButton();
  for (TChildControl* x : std::initializer_list<TChildControl*>{a.get(), b.get(), c.get()})
    x->Show();
  Make().SetTabOrder({c.get(), a.get(), b.get()});
  c->SetFocus();
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  EXPECT_TRUE(a->Focused());
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  EXPECT_TRUE(b->Focused());
  // A control that is no tab stop is passed over.
  a->SetTabStop(false);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
  EXPECT_TRUE(c->Focused());
}

TEST_F(QtChildControlsTest, ClicksOnTogglesAndButtons) {
  auto check = Make().CreateCheckBox();
  auto radio = Make().CreateRadioButton();
  auto button = Make().CreateButton();
  check->SetBounds(MakeRect(0, 0, 20, 20));
  radio->SetBounds(MakeRect(30, 0, 20, 20));
  button->SetBounds(MakeRect(60, 0, 80, 24));
  check->Show();
  radio->Show();
  button->Show();
  Record(*check);
  QCheckBox* c = host->findChildren<QCheckBox*>(Qt::FindDirectChildrenOnly).front();
  QTest::mouseClick(c, Qt::LeftButton, {}, c->rect().center());
  EXPECT_TRUE(check->Checked());
  EXPECT_EQ(log, (std::vector<std::string>{"focus", "change", "click"}));

  // A click checks a radio button; a second click leaves it checked.
  log.clear();
  Record(*radio);
  QRadioButton* r = Last<QRadioButton>();
  QTest::mouseClick(r, Qt::LeftButton, {}, r->rect().center());
  QTest::mouseClick(r, Qt::LeftButton, {}, r->rect().center());
  EXPECT_TRUE(radio->Checked());
  EXPECT_EQ(log, (std::vector<std::string>{"blur", "focus", "change", "click", "click"}));

  int clicks = 0;
  button->SetOnClick([&](TChildControl&) { ++clicks; });
  QTest::mouseClick(Last<QPushButton>(), Qt::LeftButton);
  QTest::keyClick(Last<QPushButton>(), Qt::Key_Space);
  EXPECT_EQ(clicks, 2);
}

TEST_F(QtChildControlsTest, ListChoicesAndMouseMoves) {
  auto list = Make().CreateListBox(TListSelectMode::lsSingle);
  list->SetItems({u"a", u"b", u"c"});
  list->SetBounds(MakeRect(10, 10, 100, 80));
  list->Show();
  Record(*list);
  std::vector<TPoint> moves;
  list->SetOnMouseMove([&](TChildControl&, TShiftState, int x, int y) { moves.push_back({x, y}); });
  QListWidget* w = Last<QListWidget>();
  const QRect second = w->visualItemRect(w->item(1));
  QTest::mouseClick(w->viewport(), Qt::LeftButton, {}, second.center());
  EXPECT_EQ(list->ItemIndex(), 1);
  EXPECT_EQ(log, (std::vector<std::string>{"focus", "change", "click"}));
  QTest::mouseMove(w->viewport(), QPoint(5, 6));
  ASSERT_FALSE(moves.empty());
  const QPoint inWidget = w->viewport()->mapTo(w, QPoint(5, 6));
  EXPECT_EQ(moves.back(), (TPoint{inWidget.x(), inWidget.y()}));

  auto combo = Make().CreateComboBox();
  combo->SetItems({u"x", u"y"});
  combo->SetItemIndex(0);
  combo->Show();
  int changes = 0;
  combo->SetOnChange([&](TChildControl&) { ++changes; });
  combo->SetFocus();
  QTest::keyClick(Last<QComboBox>(), Qt::Key_Down);
  EXPECT_EQ(combo->ItemIndex(), 1);
  EXPECT_EQ(changes, 1);
}

TEST_F(QtChildControlsTest, ControlMayBeDestroyedFromItsOwnEvent) {
  auto button = Make().CreateButton();
  button->Show();
  auto other = Make().CreateEdit();
  other->Show();
  int otherFocus = 0;
  other->SetOnFocus([&](TChildControl&) { ++otherFocus; });
  button->SetFocus();
  button->SetOnClick([&](TChildControl&) { button.reset(); });
  QTest::keyClick(Last<QPushButton>(), Qt::Key_Space);
  EXPECT_EQ(button, nullptr);
  Flush();
  EXPECT_TRUE(host->findChildren<QPushButton*>(Qt::FindDirectChildrenOnly).isEmpty());
  // The focused control went without handing the focus to its neighbour.
  EXPECT_EQ(otherFocus, 0);
}

TEST_F(QtChildControlsTest, ControlsOutliveTheirParentsWindow) {
  // A child view with its own host; its controls live inside that host.
  TControl child;
  child.SetBounds(MakeRect(10, 10, 200, 100));
  child.SetParent(&view);
  ASSERT_NE(child.ChildControls(), nullptr);
  auto edit = child.ChildControls()->CreateEdit();
  auto list = child.ChildControls()->CreateListBox(TListSelectMode::lsMultiple);
  edit->SetText(u"kept");
  list->SetItems({u"a", u"b"});
  list->SetSelected(1, true);
  edit->Show();
  edit->SetFocus();

  child.SetParent(nullptr);  // the child's window goes with the link
  Flush();
  EXPECT_TRUE(host->findChildren<QLineEdit*>().isEmpty());
  EXPECT_EQ(child.ChildControls(), nullptr);
  // Gone windows: the controls answer with what was set and do nothing.
  EXPECT_EQ(edit->Text(), u"kept");
  EXPECT_EQ(list->Items(), (std::vector<std::u16string>{u"a", u"b"}));
  EXPECT_TRUE(list->SelectedIndices().empty());
  edit->SetBounds(MakeRect(0, 0, 10, 10));
  edit->SetFont(TFontDesc{});
  edit->SetFocus();
  EXPECT_FALSE(edit->Focused());
  edit.reset();
  list.reset();
}

}  // namespace
}  // namespace tav
