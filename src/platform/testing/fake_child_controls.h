#pragma once
// Native child controls without windows, for the views' tests: they keep
// what they are told, and tests act as the user on them (focus, keys,
// typing, clicks, choosing items, mouse moves), which fires their events as
// the real ones would.
#include <memory>
#include <string>
#include <vector>

#include "platform/child_controls.h"

namespace tav::test {

struct TFakeWindowSystem;
class TFakeChild;

// What the controls of one factory share with it and with the fake window
// system (whose focus they take part in).
struct TFakeChildShared {
  TGraphicsDevice* Device = nullptr;
  std::shared_ptr<TFakeWindowSystem> System;
  std::vector<TFakeChild*> Controls;  // alive, in creation order
  std::vector<TFakeChild*> TabOrder;  // as last set, controls of this factory only
  bool WindowGone = false;
};

// The state and the user's actions every kind shares.
class TFakeChild {
public:
  virtual ~TFakeChild();
  TFakeChild(const TFakeChild&) = delete;
  TFakeChild& operator=(const TFakeChild&) = delete;

  virtual TChildControl& Control() = 0;
  bool HasFocus() const;

  // The user presses a key (virtual key code, or 0 for none) that types
  // `ch` (0 for none): OnKeyDown, then OnKeyPress, then the control's own
  // reaction (edits insert the character; Enter is a line break in a
  // multi-line edit and nothing in a one-line edit). False when a handler
  // swallowed it or the control is disabled.
  bool PressKey(int key, TShiftState shift = 0, char16_t ch = 0);
  // PressKey for every character: letters and digits with their key codes,
  // '\r' and '\n' as Enter, anything else as a character only.
  void Type(const std::u16string& text);
  // The user clicks: a check box toggles, a radio button checks (OnChange
  // when the state changed), then OnClick. Nothing when disabled.
  virtual void Click();
  void MoveMouse(int x, int y, TShiftState shift = 0);
  // The user chooses an item of a list box or drop-down list as a click on
  // it would: a single-selection list, or an extended one without Ctrl,
  // selects only it; a multiple-selection list, or an extended one with
  // Ctrl, toggles it. OnChange follows when the selection changed. Nothing
  // for other kinds or when disabled.
  virtual void ChooseItem(int /*index*/, TShiftState /*shift*/ = 0) {}

protected:
  TFakeChild(TChildControlKind kind, std::shared_ptr<TFakeChildShared> shared);
  // The control takes a typed character (after the handlers let it pass).
  virtual void Typed(char16_t) {}
  bool Live() const { return !FShared->WindowGone; }
  void TakeFocus();
  void DropFocus();

  // TChildControl's common state.
  TChildControlKind FKind;
  std::shared_ptr<TFakeChildShared> FShared;
  TRect FBounds;
  bool FVisible = false;
  TFontDesc FFont;
  TColor FColor = clNone;
  bool FFrame = true;
  bool FEnabled = true;
  bool FTabStop;

  friend class TFakeWindowHost;  // takes the focus from the control
};

// Makes fake child controls. The fake window host hands one out as its
// ChildControls(); tests find what a view made through Controls().
//
// OwnHeight: the font's cell height (Height of its metrics on the device)
// plus 6 for an edit or a drop-down list and 8 for a button. FrameInsets: 2
// on every side of a framed edit, multi-line edit or list box.
class TFakeChildControlFactory : public TChildControlFactory {
public:
  TFakeChildControlFactory(TGraphicsDevice& device, std::shared_ptr<TFakeWindowSystem> system);
  // The window goes: the controls hide and ignore the user from now on.
  ~TFakeChildControlFactory() override;

  const std::vector<TFakeChild*>& Controls() const { return FShared->Controls; }
  // The controls of one kind, in creation order.
  std::vector<TFakeChild*> ControlsOf(TChildControlKind kind) const;

  std::unique_ptr<TChildEdit> CreateEdit() override;
  std::unique_ptr<TChildMemo> CreateMemo() override;
  std::unique_ptr<TChildButton> CreateButton() override;
  std::unique_ptr<TChildToggle> CreateCheckBox() override;
  std::unique_ptr<TChildToggle> CreateRadioButton() override;
  std::unique_ptr<TChildListBox> CreateListBox(TListSelectMode mode) override;
  std::unique_ptr<TChildComboBox> CreateComboBox() override;
  std::unique_ptr<TChildPanel> CreatePanel() override;
  // Kept for tests to look at (TabOrder()); the fake moves no focus on Tab.
  void SetTabOrder(const std::vector<TChildControl*>& order) override;
  std::vector<TChildControl*> TabOrder() const;

private:
  std::shared_ptr<TFakeChildShared> FShared;
};

// The fake behind a control made by TFakeChildControlFactory.
TFakeChild& FakeOf(TChildControl& control);

}  // namespace tav::test
