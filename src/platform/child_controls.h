#pragma once
// Native child controls: edit boxes, buttons, check boxes, radio buttons,
// list boxes, drop-down lists and panels that a view places inside its own
// window (the HTML view's form fields). The window system makes them through
// the factory of the view's host (TControl::ChildControls()).
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/colors.h"
#include "platform/geometry.h"
#include "platform/keys.h"
#include "platform/surface.h"

namespace tav {

enum class TChildControlKind {
  ckEdit,         // one-line edit
  ckMemo,         // multi-line edit
  ckButton,       // push button
  ckCheckBox,
  ckRadioButton,  // checked only by a click or by its owner; never unchecks itself
  ckListBox,
  ckComboBox,     // drop-down list without typing
  ckPanel         // a plain coloured area
};

enum class TListSelectMode {
  lsSingle,    // one item at most
  lsMultiple,  // a click toggles an item
  lsExtended   // a click selects one item; Shift and Ctrl extend
};

// One window control inside a view. Geometry is in the parent control's
// client pixels. Changes made through the setters do not fire OnChange or
// OnClick; only the user's actions do. Once the parent's window is gone the
// control shows nothing, fires nothing, and its getters answer with what was
// last set through its setters (no selection in item lists).
class TChildControl {
public:
  using TNotifyEvent = std::function<void(TChildControl& sender)>;
  // Setting key (a virtual key code) to 0 swallows the key: the control does
  // not see it and no KeyPress follows. Keys the control itself has no use
  // for may go on to the parent control as its own key input.
  using TKeyEvent = std::function<void(TChildControl& sender, int& key, TShiftState shift)>;
  // Setting ch to 0 swallows the character; other changes are not applied.
  using TKeyPressEvent = std::function<void(TChildControl& sender, char16_t& ch)>;
  // x, y in the child control's own pixels.
  using TMouseMoveEvent =
      std::function<void(TChildControl& sender, TShiftState shift, int x, int y)>;

  virtual ~TChildControl() = default;
  TChildControl(const TChildControl&) = delete;
  TChildControl& operator=(const TChildControl&) = delete;

  virtual TChildControlKind Kind() const = 0;

  virtual void SetBounds(const TRect& r) = 0;
  virtual TRect BoundsRect() const = 0;
  // A new control is hidden until shown.
  virtual void Show() = 0;
  virtual void Hide() = 0;
  virtual bool Visible() const = 0;
  virtual void SetFont(const TFontDesc& font) = 0;
  virtual const TFontDesc& Font() const = 0;
  // The background (the text area of edits and lists, the face of the
  // others); clNone gives back the window system's own.
  virtual void SetColor(TColor c) = 0;
  virtual TColor Color() const = 0;
  // Edits, list boxes and drop-down lists draw a frame of their own by
  // default; without it their client area is the whole control.
  virtual void SetFrame(bool frame) = 0;
  virtual bool HasFrame() const = 0;
  virtual void SetEnabled(bool enabled) = 0;
  virtual bool Enabled() const = 0;
  virtual void SetFocus() = 0;
  virtual bool Focused() const = 0;
  // Whether Tab stops at the control (a click still focuses it).
  virtual void SetTabStop(bool tabStop) = 0;
  virtual bool TabStop() const = 0;

  // The height the window system gives this kind of control for one line of
  // text in `font` (edits, buttons, drop-down lists; the others answer with
  // their current height).
  virtual int OwnHeight(const TFontDesc& font) const = 0;
  // The pixels the frame takes on each side of the client area (Left, Top,
  // Right, Bottom); all 0 without a frame.
  virtual TRect FrameInsets() const = 0;

  void SetOnFocus(TNotifyEvent handler) { FOnFocus = std::move(handler); }
  void SetOnBlur(TNotifyEvent handler) { FOnBlur = std::move(handler); }
  void SetOnClick(TNotifyEvent handler) { FOnClick = std::move(handler); }
  void SetOnChange(TNotifyEvent handler) { FOnChange = std::move(handler); }
  void SetOnKeyDown(TKeyEvent handler) { FOnKeyDown = std::move(handler); }
  void SetOnKeyPress(TKeyPressEvent handler) { FOnKeyPress = std::move(handler); }
  void SetOnMouseMove(TMouseMoveEvent handler) { FOnMouseMove = std::move(handler); }

  // Called by implementations when the window system reports the event; an
  // empty handler is skipped. A handler may destroy the control.
  void DoFocus() { if (FOnFocus) FOnFocus(*this); }
  void DoBlur() { if (FOnBlur) FOnBlur(*this); }
  void DoClick() { if (FOnClick) FOnClick(*this); }
  void DoChange() { if (FOnChange) FOnChange(*this); }
  void DoKeyDown(int& key, TShiftState shift) { if (FOnKeyDown) FOnKeyDown(*this, key, shift); }
  void DoKeyPress(char16_t& ch) { if (FOnKeyPress) FOnKeyPress(*this, ch); }
  void DoMouseMove(TShiftState shift, int x, int y) {
    if (FOnMouseMove) FOnMouseMove(*this, shift, x, y);
  }

protected:
  TChildControl() = default;

private:
  TNotifyEvent FOnFocus, FOnBlur, FOnClick, FOnChange;
  TKeyEvent FOnKeyDown;
  TKeyPressEvent FOnKeyPress;
  TMouseMoveEvent FOnMouseMove;
};

// A one-line edit.
class TChildEdit : public TChildControl {
public:
  virtual void SetText(const std::u16string& text) = 0;
  virtual std::u16string Text() const = 0;
  // Shows '*' for every character.
  virtual void SetPassword(bool password) = 0;
  virtual bool Password() const = 0;
  // Characters the user may type at most; 0 for no limit. Text set longer
  // is cut.
  virtual void SetMaxLength(int length) = 0;
  virtual int MaxLength() const = 0;
  virtual void SetReadOnly(bool readOnly) = 0;
  virtual bool ReadOnly() const = 0;
};

enum class TMemoScrollBars { msNone, msVertical, msBoth };

// A multi-line edit. Lines are separated by "\n" in Text().
class TChildMemo : public TChildControl {
public:
  // Puts the caret at the start and scrolls to the top.
  virtual void SetText(const std::u16string& text) = 0;
  virtual std::u16string Text() const = 0;
  virtual void SetWordWrap(bool wrap) = 0;
  virtual bool WordWrap() const = 0;
  // The scroll bars shown (always, as a classic multi-line edit does, so
  // that the text width does not change as text grows).
  virtual void SetScrollBars(TMemoScrollBars bars) = 0;
  virtual TMemoScrollBars ScrollBars() const = 0;
  virtual void SetReadOnly(bool readOnly) = 0;
  virtual bool ReadOnly() const = 0;
  // The text as the control shows it: one entry per displayed row, wrapped
  // where word wrap breaks it, without line terminators.
  virtual std::vector<std::u16string> DisplayedLines() const = 0;
};

// A push button.
class TChildButton : public TChildControl {
public:
  virtual void SetCaption(const std::u16string& caption) = 0;
  virtual std::u16string Caption() const = 0;
};

// A check box or a radio button (without caption). A click on a check box
// toggles it; a click on a radio button checks it. Radio buttons are not
// grouped by the window system: their owner unchecks the others.
class TChildToggle : public TChildControl {
public:
  virtual void SetChecked(bool checked) = 0;
  virtual bool Checked() const = 0;
};

// The item list of list boxes and drop-down lists.
class TChildItemList : public TChildControl {
public:
  // Replaces the items; nothing is selected afterwards.
  virtual void SetItems(const std::vector<std::u16string>& items) = 0;
  virtual std::vector<std::u16string> Items() const = 0;
  virtual int ItemCount() const = 0;
  // The current item when it is selected, else the first selected item, else
  // -1. Setting -1 clears the selection; setting an item makes it current
  // and selects only it.
  virtual void SetItemIndex(int index) = 0;
  virtual int ItemIndex() const = 0;
};

class TChildListBox : public TChildItemList {
public:
  virtual TListSelectMode SelectMode() const = 0;
  // Selects or deselects one item (in single selection, selecting one
  // deselects the other). Out-of-range indices are ignored.
  virtual void SetSelected(int index, bool selected) = 0;
  virtual bool Selected(int index) const = 0;
  // The selected items in ascending order.
  virtual std::vector<int> SelectedIndices() const = 0;
  virtual void ClearSelection() = 0;
  // The first item shown.
  virtual void SetTopIndex(int index) = 0;
  virtual int TopIndex() const = 0;
};

class TChildComboBox : public TChildItemList {};

// A plain area in its background colour.
class TChildPanel : public TChildControl {};

// Makes child controls inside one control's window; obtained from the
// control's host. The controls belong to the caller.
class TChildControlFactory {
public:
  virtual ~TChildControlFactory() = default;
  virtual std::unique_ptr<TChildEdit> CreateEdit() = 0;
  virtual std::unique_ptr<TChildMemo> CreateMemo() = 0;
  virtual std::unique_ptr<TChildButton> CreateButton() = 0;
  virtual std::unique_ptr<TChildToggle> CreateCheckBox() = 0;
  virtual std::unique_ptr<TChildToggle> CreateRadioButton() = 0;
  virtual std::unique_ptr<TChildListBox> CreateListBox(TListSelectMode mode) = 0;
  virtual std::unique_ptr<TChildComboBox> CreateComboBox() = 0;
  virtual std::unique_ptr<TChildPanel> CreatePanel() = 0;
  // Tab goes from each control of `order` to the next (Shift+Tab back).
  // Only controls made by this factory count; the others are skipped.
  virtual void SetTabOrder(const std::vector<TChildControl*>& order) = 0;
};

}  // namespace tav
