#pragma once
// Form controls: INPUT, SELECT and TEXTAREA elements. Each stands at one
// character position of a text section (a FmCtlChar placeholder; hidden
// fields and image buttons take none), belongs to a form, knows its size
// rules, its reset value and the name=value pairs it submits. With a
// child-control factory on the document each one gets a native control,
// made on its first sizing and placed over the painted line; without one
// (headless rendering, printing, copies) it paints an imitation of itself.
//
// Implemented over three files in this folder: form_controls.cpp (the
// common base and sizing), form_kinds.cpp (each kind's values and native
// control) and form_draw.cpp (the imitations).
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "html/css/properties.h"
#include "html/layout/window_object.h"
#include "html/paint/border_painter.h"
#include "platform/child_controls.h"

namespace tav {

class TAttributeList;
class TImageObj;
class TSectionList;
class ThtmlForm;
class TFontObj;

// BkColor when no background colour is given.
constexpr TColor NoControlColor = 0x1FFFFFFF;
// The X a control starts at and stays at until a paint places it.
constexpr int ControlOffScreenX = -4000;
// Pixels a one-line edit or drop-down list adds to its font's cell height
// when there is no native control to ask, and the frame width of the
// imitations of edits, multi-line edits and list boxes.
constexpr int ImitationEditExtra = 6;
// No control side is larger: window systems keep widget coordinates in 16
// signed bits, and SIZE, ROWS or COLS may ask for billions of pixels.
constexpr int MaxControlSide = 32767;
constexpr int ImitationFrame = 2;

// What the document's owner is told about its forms. Every handler is
// optional; without OnFormSubmit a submit does nothing.
struct TFormEvents {
  std::function<void(const std::u16string& action, const std::vector<std::u16string>& pairs,
                     const std::u16string& method, const std::u16string& encType,
                     const std::u16string& target)>
      OnFormSubmit;
  // Given the file input's text, returns the text to put there.
  std::function<std::u16string(const std::u16string& current)> OnFileBrowse;
  // The control and its ONCLICK, ONFOCUS, ONBLUR or ONCHANGE text.
  std::function<void(class TFormControlObj& control, const std::u16string& message)> OnObjectClick,
      OnObjectFocus, OnObjectBlur, OnObjectChange;
};

// One OPTION of a SELECT.
struct TOptionObj {
  std::u16string Text;   // " " when the option has no text
  std::u16string Value;  // VALUE, else the text
  bool Selected = false;  // SELECTED: the state a reset restores
};

enum class TFormControlKind {
  fkEdit, fkButton, fkCheckBox, fkRadio, fkHidden, fkImage, fkListBox, fkCombo, fkTextArea
};

class TFormControlObj : public TWindowObject {
public:
  // Reads TITLE, NAME, VALUE, ID, the script texts, TABINDEX, DISABLED and
  // READONLY and keeps every attribute as NAME=value; takes the element's
  // font and colour from `props`. The control joins no list yet: see
  // ThtmlForm::InsertControl.
  TFormControlObj(TSectionList& document, ThtmlForm& form, int pos,
                  const TAttributeList& attributes, const TProperties& props);
  ~TFormControlObj() override;
  TFormControlObj(const TFormControlObj&) = delete;
  TFormControlObj& operator=(const TFormControlObj&) = delete;

  virtual TFormControlKind Kind() const = 0;
  // The name the box dump shows ("edit", "button", ...).
  virtual const char* KindName() const = 0;

  // The native control, or null while there is none.
  virtual TChildControl* GetTheControl() const { return FControl.get(); }
  // At focus loss: reports a change since SaveEnterState when there is an
  // ONCHANGE text.
  virtual void CheckChange();
  // At focus gain: remembers the state CheckChange compares with.
  virtual void SaveEnterState() {}
  // Style: spaces, border widths, width and height, vertical alignment and
  // background colour.
  void ProcessProperties(const TProperties& props);
  // Paints an imitation of the control with its top-left at (x, y).
  virtual void Draw(TSurface& surface, int x, int y) { (void)surface, (void)x, (void)y; }
  // Paints the style border around the box whose top-left is (x, y).
  void DrawStyleBorder(TSurface& surface, int x, int y) const;
  bool HasStyleBorder() const;
  virtual void ResetToValue() {}
  // The index-th text the control submits; false when there is none.
  virtual bool GetSubmission(int index, std::u16string& out) {
    (void)index, (void)out;
    return false;
  }
  // The index-th entry of restored data naming this control.
  virtual void SetData(int index, const std::u16string& value) { (void)index, (void)value; }
  virtual void SetDataInit() {}
  // Sets Width and Height for a layout pass.
  virtual void SetHeightWidth(TSurface& surface) { (void)surface; }
  // Whether the control takes a place in its section's text: not when its
  // style hides it.
  virtual bool InLine() const { return !DisplayNone; }

  // Makes the native control when the document has a factory and there is
  // none yet; returns it (null without a factory or for hidden fields).
  TChildControl* EnsureControl();
  // Moves and shows the native control (window coordinates).
  void ShowAt(int x, int y) override;
  void HideControl();
  void HideWindow() override { HideControl(); }
  // The top of the control's box on a line, by its vertical alignment:
  // baseline and topY are the line's baseline and top (window Y).
  int BoxTop(const TFontObj* font, int baseline, int topY) const;
  // A percentage width for a line of availableWidth pixels.
  void SetPercentWidth(int availableWidth);
  // The text of "A" in the control's font: its cell height (at least 10).
  int TextHeight() const;
  int TextWidth(const std::u16string& text) const;
  bool HasFocus() const;

  TSectionList& MasterList;
  ThtmlForm* MyForm;
  int Pos;           // character position in its section
  int FYValue = 0;   // document Y of its top, from the last paint
  bool Active = false;
  std::vector<std::u16string> AttributeList;  // NAME=value of every attribute
  std::u16string FTitle;
  int CodePage = 0;
  std::u16string Value;  // VALUE
  std::u16string FName;  // NAME
  std::u16string FID;    // ID
  AlignmentType FormAlign = AlignmentType::ABottom;
  int HSpaceL = 0, HSpaceR = 0, VSpaceT = 1, VSpaceB = 1;
  int BordT = 0, BordB = 0;
  int FHeight = 0, FWidth = 0;  // style sizes; 0 when not given
  bool PercentWidth = false;    // FWidth is a percentage
  bool Disabled = false;
  bool Readonly = false;
  bool OwnBorder = true;        // false when a style border replaces it
  // display: none: no place in the line, no native control, nothing
  // painted; the value is still submitted.
  bool DisplayNone = false;
  // The style border drawn around the control's box (no side wider than 0
  // when there is none).
  TBorderSides StyleBorder;
  TColor BkColor = NoControlColor;
  std::u16string OnClickMessage, OnFocusMessage, OnBlurMessage, OnChangeMessage;
  int TabIndex = 0;    // TABINDEX when 1 or more
  int TabOrder = -1;   // place among the TABINDEX controls; -1: document order
  int DocIndex = 0;    // place in the document's control list
  // The control's outer size for layout.
  int Width = 0, Height = 0;
  // Where the last paint put it (window coordinates).
  int DrawX = ControlOffScreenX, DrawY = 0;
  TFontDesc FontDesc;
  TFontRef Font;
  TColor TextColor = clBlack;

protected:
  // Makes this kind's native control, filled from the object's state.
  virtual std::unique_ptr<TChildControl> CreateControl(TChildControlFactory& factory) = 0;
  // The user clicked the native control.
  virtual void Clicked() {}
  // A key went down in the native control; key 0 swallows it.
  virtual void KeyDown(int& key, TShiftState shift) { (void)key, (void)shift; }
  // The insets of the frame around the client area: the native control's,
  // else those of the imitation.
  TRect Insets() const;
  // Colours of the imitation's text area.
  TColor FieldColor() const { return BkColor != NoControlColor ? BkColor : clWhite; }
  // Sunken or raised 2-pixel frame, and text clipped to a rectangle.
  static void Frame3D(TSurface& surface, const TRect& r, bool sunken);
  void DrawTextIn(TSurface& surface, const TRect& r, const std::u16string& text, TColor color,
                  bool centred) const;

  std::unique_ptr<TChildControl> FControl;

private:
  void HookEvents(TChildControl& control);
  // Expires with the object: a click whose submission made the owner load
  // another page must not touch the control afterwards.
  std::shared_ptr<int> FAlive = std::make_shared<int>(0);
};

class TEditFormControlObj : public TFormControlObj {
public:
  // typeName: "text", "password", "file" or any other TYPE.
  TEditFormControlObj(TSectionList& document, ThtmlForm& form, int pos,
                      const TAttributeList& attributes, const TProperties& props,
                      const std::u16string& typeName);
  TFormControlKind Kind() const override { return TFormControlKind::fkEdit; }
  const char* KindName() const override { return Password ? "password" : "edit"; }
  void SaveEnterState() override { FEnterText = Text(); }
  void CheckChange() override;
  void Draw(TSurface& surface, int x, int y) override;
  void ResetToValue() override { SetText(Value); }
  bool GetSubmission(int index, std::u16string& out) override;
  void SetData(int index, const std::u16string& value) override;
  void SetHeightWidth(TSurface& surface) override;

  std::u16string Text() const;
  void SetText(const std::u16string& text);

  int EditSize = 15;  // SIZE in characters
  int MaxLength = 0;
  bool Password = false;
  bool IsFile = false;

protected:
  std::unique_ptr<TChildControl> CreateControl(TChildControlFactory& factory) override;
  void KeyDown(int& key, TShiftState shift) override;

private:
  std::u16string FText;
  std::u16string FEnterText;
};

enum class TButtonType { Submit, ResetB, Button, Browse };

class TButtonFormControlObj : public TFormControlObj {
public:
  TButtonFormControlObj(TSectionList& document, ThtmlForm& form, int pos,
                        const TAttributeList& attributes, const TProperties& props,
                        TButtonType type);
  TFormControlKind Kind() const override { return TFormControlKind::fkButton; }
  const char* KindName() const override { return "button"; }
  void Draw(TSurface& surface, int x, int y) override;
  void SetHeightWidth(TSurface& surface) override;
  // What a click does: submit, reset, browse or only the report.
  void Press();

  TButtonType WhichType;
  std::u16string Caption;
  TEditFormControlObj* MyEdit = nullptr;  // the file input a Browse button serves

protected:
  std::unique_ptr<TChildControl> CreateControl(TChildControlFactory& factory) override;
  void Clicked() override { Press(); }
};

// Check boxes and radio buttons.
class TToggleFormControlObj : public TFormControlObj {
public:
  TToggleFormControlObj(TSectionList& document, ThtmlForm& form, int pos,
                        const TAttributeList& attributes, const TProperties& props);
  void SaveEnterState() override { FEnterChecked = Checked(); }
  void CheckChange() override;
  void ResetToValue() override { SetChecked(IsChecked); }
  bool GetSubmission(int index, std::u16string& out) override;
  void SetData(int index, const std::u16string& value) override;

  bool Checked() const;
  void SetChecked(bool checked);

  bool IsChecked = false;  // CHECKED: the state a reset restores

private:
  bool FChecked = false;
  bool FEnterChecked = false;
};

class TCheckBoxFormControlObj : public TToggleFormControlObj {
public:
  TCheckBoxFormControlObj(TSectionList& document, ThtmlForm& form, int pos,
                          const TAttributeList& attributes, const TProperties& props);
  TFormControlKind Kind() const override { return TFormControlKind::fkCheckBox; }
  const char* KindName() const override { return "checkbox"; }
  void Draw(TSurface& surface, int x, int y) override;
  void SetDataInit() override { SetChecked(false); }
  void SetHeightWidth(TSurface& surface) override;

protected:
  std::unique_ptr<TChildControl> CreateControl(TChildControlFactory& factory) override;
  void Clicked() override;
};

class TRadioButtonFormControlObj : public TToggleFormControlObj {
public:
  TRadioButtonFormControlObj(TSectionList& document, ThtmlForm& form, int pos,
                             const TAttributeList& attributes, const TProperties& props);
  TFormControlKind Kind() const override { return TFormControlKind::fkRadio; }
  const char* KindName() const override { return "radio"; }
  void Draw(TSurface& surface, int x, int y) override;
  void SetHeightWidth(TSurface& surface) override;
  void SetData(int index, const std::u16string& value) override;

  bool TabStop = true;  // the member of its group Tab stops at

protected:
  std::unique_ptr<TChildControl> CreateControl(TChildControlFactory& factory) override;
  void Clicked() override;
  void KeyDown(int& key, TShiftState shift) override;
};

class THiddenFormControlObj : public TFormControlObj {
public:
  using TFormControlObj::TFormControlObj;
  TFormControlKind Kind() const override { return TFormControlKind::fkHidden; }
  const char* KindName() const override { return "hidden"; }
  bool GetSubmission(int index, std::u16string& out) override;
  void SetData(int index, const std::u16string& value) override {
    if (index >= 0) Value = value;
  }
  bool InLine() const override { return false; }

protected:
  std::unique_ptr<TChildControl> CreateControl(TChildControlFactory&) override { return nullptr; }
};

// INPUT TYPE=image: the picture is an image object of the section; this
// object holds the click and a 1 x 1 button out of sight that takes the
// focus.
class TImageFormControlObj : public TFormControlObj {
public:
  using TFormControlObj::TFormControlObj;
  TFormControlKind Kind() const override { return TFormControlKind::fkImage; }
  const char* KindName() const override { return "image"; }
  bool GetSubmission(int index, std::u16string& out) override;
  bool InLine() const override { return false; }
  void SetHeightWidth(TSurface&) override { Width = Height = 1; }
  // A click at (x, y) on the picture: kept for the submission, which
  // follows unless the control is disabled.
  void ImageClicked(int x, int y);

  TImageObj* MyImage = nullptr;
  bool XYSet = false;
  int XPos = 0, YPos = 0;

protected:
  std::unique_ptr<TChildControl> CreateControl(TChildControlFactory& factory) override;
  // Space (the focus control's own click) and Enter press the button from
  // the keyboard, as a click at the picture's top-left corner.
  void Clicked() override { ImageClicked(0, 0); }
  void KeyDown(int& key, TShiftState shift) override;
};

// SELECT: list boxes and drop-down lists.
class TSelectFormControlObj : public TFormControlObj {
public:
  TSelectFormControlObj(TSectionList& document, ThtmlForm& form, int pos,
                        const TAttributeList& attributes, const TProperties& props);
  // Adds an OPTION with its text, its VALUE (null: none) and whether it
  // is SELECTED.
  void AddOption(const std::u16string& text, const std::u16string* value, bool selected);
  // The longest option's width in the control's font (at least 3).
  int LongestOption() const;
  bool Selected(int index) const;
  std::vector<int> SelectedIndices() const;

  std::vector<TOptionObj> Options;

protected:
  // The selection as the model keeps it when there is no native control.
  std::vector<bool> FSelected;
};

class TListBoxFormControlObj : public TSelectFormControlObj {
public:
  TListBoxFormControlObj(TSectionList& document, ThtmlForm& form, int pos,
                         const TAttributeList& attributes, const TProperties& props);
  TFormControlKind Kind() const override { return TFormControlKind::fkListBox; }
  const char* KindName() const override { return "listbox"; }
  void SaveEnterState() override;
  void CheckChange() override;
  void Draw(TSurface& surface, int x, int y) override;
  void ResetToValue() override;
  bool GetSubmission(int index, std::u16string& out) override;
  void SetData(int index, const std::u16string& value) override;
  void SetHeightWidth(TSurface& surface) override;
  void SetSelected(int index, bool selected);

  int LBSize = 0;  // SIZE; 0: from the option count
  bool Multiple = false;

protected:
  std::unique_ptr<TChildControl> CreateControl(TChildControlFactory& factory) override;

private:
  TChildListBox* Box() const { return static_cast<TChildListBox*>(FControl.get()); }
  int FEnterCount = 0;
  std::vector<bool> FEnterSelection;  // the first 51 items
};

class TComboFormControlObj : public TSelectFormControlObj {
public:
  using TSelectFormControlObj::TSelectFormControlObj;
  TFormControlKind Kind() const override { return TFormControlKind::fkCombo; }
  const char* KindName() const override { return "combo"; }
  void SaveEnterState() override { FEnterIndex = ItemIndex(); }
  void CheckChange() override;
  void Draw(TSurface& surface, int x, int y) override;
  void ResetToValue() override;
  bool GetSubmission(int index, std::u16string& out) override;
  void SetData(int index, const std::u16string& value) override;
  void SetHeightWidth(TSurface& surface) override;

  int ItemIndex() const;
  void SetItemIndex(int index);

protected:
  std::unique_ptr<TChildControl> CreateControl(TChildControlFactory& factory) override;

private:
  int FIndex = -1;
  int FEnterIndex = -1;
};

enum class TWrapMode { wmSoft, wmOff, wmHard };

class TTextAreaFormControlObj : public TFormControlObj {
public:
  TTextAreaFormControlObj(TSectionList& document, ThtmlForm& form, int pos,
                          const TAttributeList& attributes, const TProperties& props);
  TFormControlKind Kind() const override { return TFormControlKind::fkTextArea; }
  const char* KindName() const override { return "textarea"; }
  void SaveEnterState() override { FEnterText = Text(); }
  void CheckChange() override;
  void Draw(TSurface& surface, int x, int y) override;
  void ResetToValue() override { SetText(TheText); }
  bool GetSubmission(int index, std::u16string& out) override;
  void SetData(int index, const std::u16string& value) override;
  void SetHeightWidth(TSurface& surface) override;

  // Lines separated by "\n".
  std::u16string Text() const;
  void SetText(const std::u16string& text);
  // Sets the initial text (the element's content) and resets to it.
  void SetInitialText(const std::u16string& raw);

  int Rows = 5, Cols = 30;
  TWrapMode Wrap = TWrapMode::wmSoft;
  std::u16string TheText;  // the initial text

protected:
  std::unique_ptr<TChildControl> CreateControl(TChildControlFactory& factory) override;

private:
  std::u16string FText;
  std::u16string FEnterText;
};

// The controls of one section, in position order (not owned).
class TFormControlList {
public:
  int Count() const { return static_cast<int>(Items.size()); }
  void Add(TFormControlObj* control) { Items.push_back(control); }
  TFormControlObj* FindControl(int pos) const;
  // The width at pos (without spaces) and the spaces on its sides; -1 when
  // no control stands there.
  int GetWidthAt(int pos, int& hSpaceL, int& hSpaceR) const;
  // The height at pos with the vertical spaces, and the alignment; -1 when
  // none stands there.
  int GetHeightAt(int pos, AlignmentType& align) const;
  // Characters from pos to the next control at or after it (9999 when
  // none).
  int GetControlCountAt(int pos) const;
  // Positions after pos move back by n.
  void Decrement(int pos, int n);
  // Percentage widths for a line width.
  void SetPercentWidths(int availableWidth);

  std::vector<TFormControlObj*> Items;

private:
  std::size_t LowerBound(int pos) const;
};


// Called at the start of each layout: sizes every form's controls (making
// native ones when the document has a factory) and gives the TABINDEX
// controls their places ahead of the others.
void SizeFormControls(TSectionList& document, TSurface& surface);
// A control painted on a line at window (x, y): placed after the paint
// when it has a native control, else its imitation is queued.
void PaintFormControl(TSectionList& document, TFormControlObj& control, int x, int y);
// An image button's picture painted with its top at window y: its focus
// control is placed out of sight beside that line (shown, so that it can
// take the focus) after the paint.
void PlaceImageButton(TSectionList& document, TImageFormControlObj& control, int y);
// The document's controls in tab order.
std::vector<TFormControlObj*> FormTabSequence(const TSectionList& document);

}  // namespace tav
