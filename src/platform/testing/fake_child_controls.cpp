#include "platform/testing/fake_child_controls.h"

#include <algorithm>

#include "platform/control.h"
#include "platform/testing/fake_window_host.h"

namespace tav::test {

// ---------------------------------------------------------------- common part

TFakeChild::TFakeChild(TChildControlKind kind, std::shared_ptr<TFakeChildShared> shared)
    : FKind(kind), FShared(std::move(shared)), FTabStop(kind != TChildControlKind::ckPanel) {
  FShared->Controls.push_back(this);
}

TFakeChild::~TFakeChild() {
  auto& list = FShared->Controls;
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
  auto& tabs = FShared->TabOrder;
  tabs.erase(std::remove(tabs.begin(), tabs.end(), this), tabs.end());
  if (FShared->System->FocusedChild == this) FShared->System->FocusedChild = nullptr;
}

bool TFakeChild::HasFocus() const { return FShared->System->FocusedChild == this; }

void TFakeChild::TakeFocus() {
  TFakeWindowSystem& system = *FShared->System;
  if (!Live() || system.FocusedChild == this) return;
  if (TFakeWindowHost* host = system.Focused) {
    system.Focused = nullptr;
    if (host->Control()) host->Control()->HostFocusChanged(false);
  }
  if (system.FocusedChild) system.FocusedChild->DropFocus();
  system.FocusedChild = this;
  Control().DoFocus();
}

void TFakeChild::DropFocus() {
  if (FShared->System->FocusedChild != this) return;
  FShared->System->FocusedChild = nullptr;
  Control().DoBlur();
}

bool TFakeChild::PressKey(int key, TShiftState shift, char16_t ch) {
  if (!Live() || !FEnabled) return false;
  if (key != 0) {
    Control().DoKeyDown(key, shift);
    if (key == 0) return false;
  }
  if (ch != 0) {
    Control().DoKeyPress(ch);
    if (ch == 0) return false;
    Typed(ch);
  }
  return true;
}

void TFakeChild::Type(const std::u16string& text) {
  for (char16_t ch : text) {
    int key = 0;
    if (ch >= u'a' && ch <= u'z') key = ch - u'a' + 'A';
    if ((ch >= u'A' && ch <= u'Z') || (ch >= u'0' && ch <= u'9')) key = ch;
    if (ch == u'\r' || ch == u'\n') {
      key = VK_RETURN;
      ch = u'\r';
    }
    PressKey(key, 0, ch);
  }
}

void TFakeChild::Click() {
  if (Live() && FEnabled) Control().DoClick();
}

void TFakeChild::MoveMouse(int x, int y, TShiftState shift) {
  if (Live()) Control().DoMouseMove(shift, x, y);
}

namespace {

bool Framed(TChildControlKind kind) {
  return kind == TChildControlKind::ckEdit || kind == TChildControlKind::ckMemo ||
         kind == TChildControlKind::ckListBox;
}

// TChildControl on the shared state.
template <class Interface>
class TFakeChildOf : public Interface, public TFakeChild {
public:
  TFakeChildOf(TChildControlKind kind, std::shared_ptr<TFakeChildShared> shared)
      : TFakeChild(kind, std::move(shared)) {}

  TChildControl& Control() override { return *this; }
  TChildControlKind Kind() const override { return FKind; }
  void SetBounds(const TRect& r) override { FBounds = r; }
  TRect BoundsRect() const override { return FBounds; }
  void Show() override { FVisible = true; }
  void Hide() override {
    FVisible = false;
    DropFocus();
  }
  bool Visible() const override { return FVisible && Live(); }
  void SetFont(const TFontDesc& font) override { FFont = font; }
  const TFontDesc& Font() const override { return FFont; }
  void SetColor(TColor c) override { FColor = c; }
  TColor Color() const override { return FColor; }
  void SetFrame(bool frame) override { FFrame = frame; }
  bool HasFrame() const override { return FFrame; }
  void SetEnabled(bool enabled) override {
    FEnabled = enabled;
    if (!enabled) DropFocus();
  }
  bool Enabled() const override { return FEnabled; }
  void SetFocus() override { TakeFocus(); }
  bool Focused() const override { return HasFocus(); }
  void SetTabStop(bool tabStop) override {
    if (FKind != TChildControlKind::ckPanel) FTabStop = tabStop;
  }
  bool TabStop() const override { return FTabStop; }
  int OwnHeight(const TFontDesc& font) const override {
    int extra = 0;
    switch (FKind) {
      case TChildControlKind::ckEdit:
      case TChildControlKind::ckComboBox: extra = 6; break;
      case TChildControlKind::ckButton: extra = 8; break;
      default: return FBounds.Height();
    }
    return FShared->Device->CreateFont(font)->Metrics().Height + extra;
  }
  TRect FrameInsets() const override {
    if (FFrame && Framed(FKind)) return {2, 2, 2, 2};
    return {};
  }
};

class TFakeEdit : public TFakeChildOf<TChildEdit> {
public:
  using TFakeChildOf::TFakeChildOf;
  void SetText(const std::u16string& text) override {
    FText = text;
    Cut();
  }
  std::u16string Text() const override { return FText; }
  void SetPassword(bool password) override { FPassword = password; }
  bool Password() const override { return FPassword; }
  void SetMaxLength(int length) override {
    FMaxLength = std::max(0, length);
    Cut();
  }
  int MaxLength() const override { return FMaxLength; }
  void SetReadOnly(bool readOnly) override { FReadOnly = readOnly; }
  bool ReadOnly() const override { return FReadOnly; }

protected:
  void Typed(char16_t ch) override {
    if (FReadOnly || ch < u' ') return;
    if (FMaxLength > 0 && static_cast<int>(FText.size()) >= FMaxLength) return;
    FText += ch;
    DoChange();
  }

private:
  void Cut() {
    if (FMaxLength > 0 && static_cast<int>(FText.size()) > FMaxLength) FText.resize(FMaxLength);
  }

  std::u16string FText;
  bool FPassword = false;
  int FMaxLength = 0;
  bool FReadOnly = false;
};

class TFakeMemo : public TFakeChildOf<TChildMemo> {
public:
  using TFakeChildOf::TFakeChildOf;
  void SetText(const std::u16string& text) override { FText = text; }
  std::u16string Text() const override { return FText; }
  void SetWordWrap(bool wrap) override { FWrap = wrap; }
  bool WordWrap() const override { return FWrap; }
  void SetScrollBars(TMemoScrollBars bars) override { FBars = bars; }
  TMemoScrollBars ScrollBars() const override { return FBars; }
  void SetReadOnly(bool readOnly) override { FReadOnly = readOnly; }
  bool ReadOnly() const override { return FReadOnly; }

  // Without word wrap one row per line; with it, rows break after the last
  // blank that fits the client width (inside the frame) in the control's
  // font on the device, or after the last character that fits when there
  // is no such blank; a blank at the break stays on the upper row.
  std::vector<std::u16string> DisplayedLines() const override {
    std::vector<std::u16string> rows;
    const TRect insets = FrameInsets();
    const int width = FBounds.Width() - insets.Left - insets.Right;
    const TFontRef font = FShared->Device->CreateFont(FFont);
    std::u16string::size_type at = 0;
    for (;;) {
      const auto end = FText.find(u'\n', at);
      std::u16string line = FText.substr(at, end - at);
      while (FWrap && width > 0 && !line.empty()) {
        int used = 0;
        std::size_t fit = 0, blank = 0;
        while (fit < line.size() && used + font->CharAdvance(line[fit]) <= width) {
          used += font->CharAdvance(line[fit]);
          if (line[fit] == u' ') blank = fit + 1;
          ++fit;
        }
        if (fit == line.size()) break;
        if (fit < line.size() && line[fit] == u' ') blank = fit + 1;
        const std::size_t cut = blank > 0 ? blank : std::max<std::size_t>(fit, 1);
        rows.push_back(line.substr(0, cut));
        line.erase(0, cut);
      }
      rows.push_back(line);
      if (end == std::u16string::npos) break;
      at = end + 1;
    }
    return rows;
  }

protected:
  void Typed(char16_t ch) override {
    if (FReadOnly) return;
    if (ch == u'\r') ch = u'\n';
    if (ch < u' ' && ch != u'\n') return;
    FText += ch;
    DoChange();
  }

private:
  std::u16string FText;
  bool FWrap = true;
  TMemoScrollBars FBars = TMemoScrollBars::msVertical;
  bool FReadOnly = false;
};

class TFakeButton : public TFakeChildOf<TChildButton> {
public:
  using TFakeChildOf::TFakeChildOf;
  void SetCaption(const std::u16string& caption) override { FCaption = caption; }
  std::u16string Caption() const override { return FCaption; }

protected:
  // Space presses a focused button.
  void Typed(char16_t ch) override {
    if (ch == u' ') Click();
  }

private:
  std::u16string FCaption;
};

class TFakeToggle : public TFakeChildOf<TChildToggle> {
public:
  using TFakeChildOf::TFakeChildOf;
  void SetChecked(bool checked) override { FChecked = checked; }
  bool Checked() const override { return FChecked; }
  void Click() override {
    if (!Live() || !FEnabled) return;
    const bool radio = FKind == TChildControlKind::ckRadioButton;
    if (!radio || !FChecked) {
      FChecked = !FChecked;
      DoChange();
    }
    DoClick();
  }

protected:
  void Typed(char16_t ch) override {
    if (ch == u' ') Click();
  }

private:
  bool FChecked = false;
};

template <class Interface>
class TFakeItems : public TFakeChildOf<Interface> {
public:
  TFakeItems(TChildControlKind kind, std::shared_ptr<TFakeChildShared> shared,
             TListSelectMode mode)
      : TFakeChildOf<Interface>(kind, std::move(shared)), FMode(mode) {}

  void SetItems(const std::vector<std::u16string>& items) override {
    FItems = items;
    FSelected.assign(items.size(), false);
    FCurrent = -1;
    FTop = 0;
  }
  std::vector<std::u16string> Items() const override { return FItems; }
  int ItemCount() const override { return static_cast<int>(FItems.size()); }
  void SetItemIndex(int index) override {
    std::fill(FSelected.begin(), FSelected.end(), false);
    if (!Valid(index)) return;
    FSelected[index] = true;
    FCurrent = index;
  }
  int ItemIndex() const override {
    if (Valid(FCurrent) && FSelected[FCurrent]) return FCurrent;
    for (int i = 0; i < ItemCount(); ++i)
      if (FSelected[i]) return i;
    return -1;
  }

  void ChooseItem(int index, TShiftState shift) override {
    if (!this->Live() || !this->FEnabled || !Valid(index)) return;
    const std::vector<bool> before = FSelected;
    const bool toggle = FMode == TListSelectMode::lsMultiple ||
                        (FMode == TListSelectMode::lsExtended && (shift & ssCtrl));
    if (toggle) {
      FSelected[index] = !FSelected[index];
      FCurrent = index;
    } else {
      SetItemIndex(index);
    }
    if (FSelected != before) this->DoChange();
  }

protected:
  bool Valid(int index) const { return index >= 0 && index < ItemCount(); }

  TListSelectMode FMode;
  std::vector<std::u16string> FItems;
  std::vector<bool> FSelected;
  int FCurrent = -1;
  int FTop = 0;
};

class TFakeListBox : public TFakeItems<TChildListBox> {
public:
  TFakeListBox(std::shared_ptr<TFakeChildShared> shared, TListSelectMode mode)
      : TFakeItems(TChildControlKind::ckListBox, std::move(shared), mode) {}

  TListSelectMode SelectMode() const override { return FMode; }
  void SetSelected(int index, bool selected) override {
    if (!Valid(index)) return;
    if (FMode == TListSelectMode::lsSingle && selected)
      SetItemIndex(index);
    else
      FSelected[index] = selected;
  }
  bool Selected(int index) const override { return Valid(index) && FSelected[index]; }
  std::vector<int> SelectedIndices() const override {
    std::vector<int> out;
    for (int i = 0; i < ItemCount(); ++i)
      if (FSelected[i]) out.push_back(i);
    return out;
  }
  void ClearSelection() override { std::fill(FSelected.begin(), FSelected.end(), false); }
  void SetTopIndex(int index) override {
    if (Valid(index)) FTop = index;
  }
  int TopIndex() const override { return FTop; }
};

class TFakeComboBox : public TFakeItems<TChildComboBox> {
public:
  explicit TFakeComboBox(std::shared_ptr<TFakeChildShared> shared)
      : TFakeItems(TChildControlKind::ckComboBox, std::move(shared), TListSelectMode::lsSingle) {}
};

class TFakePanel : public TFakeChildOf<TChildPanel> {
public:
  using TFakeChildOf::TFakeChildOf;
};

}  // namespace

// ---------------------------------------------------------------- factory

TFakeChildControlFactory::TFakeChildControlFactory(TGraphicsDevice& device,
                                                   std::shared_ptr<TFakeWindowSystem> system)
    : FShared(std::make_shared<TFakeChildShared>()) {
  FShared->Device = &device;
  FShared->System = std::move(system);
}

TFakeChildControlFactory::~TFakeChildControlFactory() {
  for (TFakeChild* c : FShared->Controls)
    if (FShared->System->FocusedChild == c) FShared->System->FocusedChild = nullptr;
  FShared->WindowGone = true;
}

std::vector<TFakeChild*> TFakeChildControlFactory::ControlsOf(TChildControlKind kind) const {
  std::vector<TFakeChild*> out;
  for (TFakeChild* c : FShared->Controls)
    if (c->Control().Kind() == kind) out.push_back(c);
  return out;
}

std::unique_ptr<TChildEdit> TFakeChildControlFactory::CreateEdit() {
  return std::make_unique<TFakeEdit>(TChildControlKind::ckEdit, FShared);
}

std::unique_ptr<TChildMemo> TFakeChildControlFactory::CreateMemo() {
  return std::make_unique<TFakeMemo>(TChildControlKind::ckMemo, FShared);
}

std::unique_ptr<TChildButton> TFakeChildControlFactory::CreateButton() {
  return std::make_unique<TFakeButton>(TChildControlKind::ckButton, FShared);
}

std::unique_ptr<TChildToggle> TFakeChildControlFactory::CreateCheckBox() {
  return std::make_unique<TFakeToggle>(TChildControlKind::ckCheckBox, FShared);
}

std::unique_ptr<TChildToggle> TFakeChildControlFactory::CreateRadioButton() {
  return std::make_unique<TFakeToggle>(TChildControlKind::ckRadioButton, FShared);
}

std::unique_ptr<TChildListBox> TFakeChildControlFactory::CreateListBox(TListSelectMode mode) {
  return std::make_unique<TFakeListBox>(FShared, mode);
}

std::unique_ptr<TChildComboBox> TFakeChildControlFactory::CreateComboBox() {
  return std::make_unique<TFakeComboBox>(FShared);
}

std::unique_ptr<TChildPanel> TFakeChildControlFactory::CreatePanel() {
  return std::make_unique<TFakePanel>(TChildControlKind::ckPanel, FShared);
}

void TFakeChildControlFactory::SetTabOrder(const std::vector<TChildControl*>& order) {
  FShared->TabOrder.clear();
  for (TChildControl* control : order) {
    auto* fake = dynamic_cast<TFakeChild*>(control);
    const auto& mine = FShared->Controls;
    if (fake && std::find(mine.begin(), mine.end(), fake) != mine.end())
      FShared->TabOrder.push_back(fake);
  }
}

std::vector<TChildControl*> TFakeChildControlFactory::TabOrder() const {
  std::vector<TChildControl*> order;
  for (TFakeChild* c : FShared->TabOrder) order.push_back(&c->Control());
  return order;
}

TFakeChild& FakeOf(TChildControl& control) { return dynamic_cast<TFakeChild&>(control); }

}  // namespace tav::test
