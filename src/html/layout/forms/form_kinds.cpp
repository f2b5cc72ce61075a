// The kinds of form controls: what each reads from its tag, how large it
// is, what it resets to, submits and restores, and what counts as a change.
// Each keeps its state itself until it has a native control, and in the
// native control from then on.
#include <algorithm>

#include "html/css/units.h"
#include "html/layout/document.h"
#include "html/layout/forms/form.h"
#include "html/layout/forms/form_controls.h"
#include "html/layout/images/image_obj.h"
#include "html/parse/attributes.h"
#include "platform/system_values.h"

namespace tav {

namespace {

const std::u16string* Attr(const TAttributeList& attributes, Symb which) {
  const TAttribute* a = attributes.Find(which);
  return a ? &a->Name : nullptr;
}

int PositiveAttr(const TAttributeList& attributes, Symb which, int def) {
  const TAttribute* a = attributes.Find(which);
  return a && a->Value > 0 ? a->Value : def;
}

// A control side from a character or line count: SIZE, ROWS and COLS may
// be as large as an int, so the product is taken wide and clamped.
int CountExtent(long long unit, long long count, long long extra) {
  return static_cast<int>(std::clamp<long long>(unit * count + extra, 0, MaxControlSide));
}

// Line ends as "\n".
std::u16string UnixLines(const std::u16string& text) {
  std::u16string r;
  r.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'\r') {
      r += u'\n';
      if (i + 1 < text.size() && text[i + 1] == u'\n') ++i;
    } else {
      r += text[i];
    }
  }
  return r;
}

// Line ends as CR LF.
std::u16string WindowsLines(const std::u16string& text) {
  std::u16string r;
  for (char16_t c : text) {
    if (c == u'\n') r += u"\r\n";
    else r += c;
  }
  return r;
}

void ReportChange(TFormControlObj& control, bool changed) {
  const TFormEvents& events = control.MasterList.Forms.FormEvents;
  if (changed && !control.OnChangeMessage.empty() && events.OnObjectChange)
    events.OnObjectChange(control, control.OnChangeMessage);
}

// Applies the style background and frame to a native control.
void StyleNative(TChildControl& native, TColor bk, bool ownBorder) {
  if (bk != NoControlColor) native.SetColor(bk);
  native.SetFrame(ownBorder);
}

}  // namespace

// ---------------------------------------------------------------- edit

TEditFormControlObj::TEditFormControlObj(TSectionList& document, ThtmlForm& form, int pos,
                                         const TAttributeList& attributes,
                                         const TProperties& props, const std::u16string& typeName)
    : TFormControlObj(document, form, pos, attributes, props) {
  EditSize = PositiveAttr(attributes, SizeSy, 15);
  MaxLength = PositiveAttr(attributes, MaxLengthSy, 0);
  Password = typeName == u"password";
  IsFile = typeName == u"file";
  FText = Value;
}

std::unique_ptr<TChildControl> TEditFormControlObj::CreateControl(TChildControlFactory& factory) {
  auto edit = factory.CreateEdit();
  edit->SetPassword(Password);
  edit->SetMaxLength(MaxLength);
  edit->SetReadOnly(Readonly);
  edit->SetText(FText);
  StyleNative(*edit, BkColor, OwnBorder);
  return edit;
}

std::u16string TEditFormControlObj::Text() const {
  return FControl ? static_cast<TChildEdit&>(*FControl).Text() : FText;
}

void TEditFormControlObj::SetText(const std::u16string& text) {
  FText = MaxLength > 0 && static_cast<int>(text.size()) > MaxLength
              ? text.substr(0, static_cast<std::size_t>(MaxLength))
              : text;
  if (FControl) static_cast<TChildEdit&>(*FControl).SetText(FText);
}

void TEditFormControlObj::CheckChange() { ReportChange(*this, Text() != FEnterText); }

bool TEditFormControlObj::GetSubmission(int index, std::u16string& out) {
  if (index != 0) return false;
  out = FName + u"=" + Text();
  return true;
}

void TEditFormControlObj::SetData(int index, const std::u16string& value) {
  (void)index;
  SetText(value);
}

void TEditFormControlObj::SetHeightWidth(TSurface& surface) {
  (void)surface;
  const int ave = Font ? Font->Metrics().AveCharWidth : 0;
  if (PercentWidth) Width = 10;
  else Width = FWidth >= 10 ? FWidth : CountExtent(ave, EditSize, 23);
  const int own = FControl ? FControl->OwnHeight(FontDesc)
                           : (Font ? Font->Metrics().Height : 0) + ImitationEditExtra;
  Height = std::max(TextHeight(), FHeight > 0 ? FHeight : own);
}

void TEditFormControlObj::KeyDown(int& key, TShiftState shift) {
  (void)shift;
  if (key != VK_RETURN) return;
  // Enter submits the form and goes no further.
  key = 0;
  MyForm->SubmitTheForm(u"");
}

// ---------------------------------------------------------------- button

TButtonFormControlObj::TButtonFormControlObj(TSectionList& document, ThtmlForm& form, int pos,
                                             const TAttributeList& attributes,
                                             const TProperties& props, TButtonType type)
    : TFormControlObj(document, form, pos, attributes, props), WhichType(type) {
  switch (type) {
    case TButtonType::Submit: Caption = Value.empty() ? u"Submit" : Value; break;
    case TButtonType::ResetB: Caption = Value.empty() ? u"Reset" : Value; break;
    case TButtonType::Button: Caption = Value.empty() ? u"Button" : Value; break;
    case TButtonType::Browse:
      Caption = u"Browse...";
      Value.clear();
      FName.clear();
      FID.clear();
      TabIndex = 0;
      break;
  }
}

std::unique_ptr<TChildControl> TButtonFormControlObj::CreateControl(TChildControlFactory& factory) {
  auto button = factory.CreateButton();
  button->SetCaption(Caption);
  if (BkColor != NoControlColor) button->SetColor(BkColor);
  return button;
}

void TButtonFormControlObj::SetHeightWidth(TSurface& surface) {
  (void)surface;
  Width = FWidth >= 10 && !PercentWidth ? FWidth : TextWidth(Caption) + 20;
  const int text = TextHeight();
  Height = FHeight >= text ? FHeight : text + 8;
}

void TButtonFormControlObj::Press() {
  switch (WhichType) {
    case TButtonType::Submit:
      MyForm->SubmitTheForm(FName.empty() ? u"" : FName + u"=" + Value);
      break;
    case TButtonType::ResetB: MyForm->ResetControls(); break;
    case TButtonType::Browse:
      if (MyEdit && MasterList.Forms.FormEvents.OnFileBrowse)
        MyEdit->SetText(MasterList.Forms.FormEvents.OnFileBrowse(MyEdit->Text()));
      break;
    case TButtonType::Button: break;
  }
}

// ---------------------------------------------------------------- check box and radio

TToggleFormControlObj::TToggleFormControlObj(TSectionList& document, ThtmlForm& form, int pos,
                                             const TAttributeList& attributes,
                                             const TProperties& props)
    : TFormControlObj(document, form, pos, attributes, props) {
  IsChecked = attributes.Find(CheckedSy) != nullptr;
  FChecked = IsChecked;
  FormAlign = AlignmentType::ABaseline;
}

bool TToggleFormControlObj::Checked() const {
  return FControl ? static_cast<TChildToggle&>(*FControl).Checked() : FChecked;
}

void TToggleFormControlObj::SetChecked(bool checked) {
  FChecked = checked;
  if (FControl) static_cast<TChildToggle&>(*FControl).SetChecked(checked);
}

void TToggleFormControlObj::CheckChange() { ReportChange(*this, Checked() != FEnterChecked); }

bool TToggleFormControlObj::GetSubmission(int index, std::u16string& out) {
  if (index != 0) return false;
  if (Checked()) out = FName + u"=" + Value;
  return true;
}

void TToggleFormControlObj::SetData(int index, const std::u16string& value) {
  (void)index;
  if (LowerCase(value) == LowerCase(Value)) SetChecked(true);
}

TCheckBoxFormControlObj::TCheckBoxFormControlObj(TSectionList& document, ThtmlForm& form, int pos,
                                                 const TAttributeList& attributes,
                                                 const TProperties& props)
    : TToggleFormControlObj(document, form, pos, attributes, props) {
  if (!attributes.Find(ValueSy)) Value = u"on";
}

std::unique_ptr<TChildControl> TCheckBoxFormControlObj::CreateControl(TChildControlFactory& factory) {
  auto box = factory.CreateCheckBox();
  box->SetChecked(Checked());
  return box;
}

void TCheckBoxFormControlObj::SetHeightWidth(TSurface& surface) {
  (void)surface;
  Width = Height = 13;
}

void TCheckBoxFormControlObj::Clicked() {}

TRadioButtonFormControlObj::TRadioButtonFormControlObj(TSectionList& document, ThtmlForm& form,
                                                       int pos, const TAttributeList& attributes,
                                                       const TProperties& props)
    : TToggleFormControlObj(document, form, pos, attributes, props) {
  // The group's earlier members: a checked newcomer unchecks them and takes
  // the tab stop; an unchecked one joining a group is no tab stop. Of the
  // earlier members only the holder of the tab stop can be checked.
  ThtmlForm::TRadioGroup* group = form.FindRadioGroup(FName);
  if (IsChecked) {
    if (group && group->Holder) {
      TRadioButtonFormControlObj* other = group->Holder;
      other->IsChecked = false;
      other->SetChecked(false);
      other->TabStop = false;
      if (TChildControl* c = other->GetTheControl()) c->SetTabStop(false);
    }
  } else if (group && !group->Members.empty()) {
    TabStop = false;
  }
}

std::unique_ptr<TChildControl> TRadioButtonFormControlObj::CreateControl(
    TChildControlFactory& factory) {
  auto radio = factory.CreateRadioButton();
  radio->SetChecked(Checked());
  radio->SetTabStop(TabStop);
  radio->SetColor(ColorToRGB(MasterList.Looks.Background));
  return radio;
}

void TRadioButtonFormControlObj::SetHeightWidth(TSurface& surface) {
  if (surface.PixelsPerInch() < 101) {
    Width = 13;
    Height = 14;
  } else {
    Width = Height = 16;
  }
}

void TRadioButtonFormControlObj::SetData(int index, const std::u16string& value) {
  TToggleFormControlObj::SetData(index, value);
  if (Checked()) MyForm->DoRadios(*this);
}

void TRadioButtonFormControlObj::Clicked() {
  SetChecked(true);
  MyForm->DoRadios(*this);
}

void TRadioButtonFormControlObj::KeyDown(int& key, TShiftState shift) {
  (void)shift;
  const bool back = key == VK_LEFT || key == VK_UP;
  const bool forward = key == VK_RIGHT || key == VK_DOWN;
  if (!back && !forward) return;
  key = 0;
  const auto& group = MyForm->RadioGroup(FName);
  auto it = std::find(group.begin(), group.end(), this);
  if (it == group.end()) return;
  if (back && it != group.begin()) --it;
  else if (forward && it + 1 != group.end()) ++it;
  if (TChildControl* c = (*it)->GetTheControl()) c->SetFocus();
}

// ---------------------------------------------------------------- hidden and image

bool THiddenFormControlObj::GetSubmission(int index, std::u16string& out) {
  if (index != 0) return false;
  out = FName + u"=" + Value;
  return true;
}

std::unique_ptr<TChildControl> TImageFormControlObj::CreateControl(TChildControlFactory& factory) {
  return factory.CreateButton();
}

bool TImageFormControlObj::GetSubmission(int index, std::u16string& out) {
  if (!XYSet || index > 1) return false;
  const std::u16string prefix = FName.empty() ? u"" : FName + u".";
  if (index == 0) {
    out = prefix + u"x=" + Ascii(std::to_string(XPos));
  } else {
    out = prefix + u"y=" + Ascii(std::to_string(YPos));
    XYSet = false;
  }
  return true;
}

void TImageFormControlObj::KeyDown(int& key, TShiftState shift) {
  (void)shift;
  if (key != VK_RETURN) return;
  key = 0;
  ImageClicked(0, 0);
}

void TImageFormControlObj::ImageClicked(int x, int y) {
  XYSet = true;
  XPos = x;
  YPos = y;
  if (!Disabled) MyForm->SubmitTheForm(u"");
}

// ---------------------------------------------------------------- select

TSelectFormControlObj::TSelectFormControlObj(TSectionList& document, ThtmlForm& form, int pos,
                                             const TAttributeList& attributes,
                                             const TProperties& props)
    : TFormControlObj(document, form, pos, attributes, props) {}

void TSelectFormControlObj::AddOption(const std::u16string& text, const std::u16string* value,
                                      bool selected) {
  TOptionObj option;
  option.Text = text.empty() ? u" " : text;
  option.Value = value ? *value : text;
  option.Selected = selected;
  Options.push_back(std::move(option));
}

int TSelectFormControlObj::LongestOption() const {
  int longest = 3;
  for (const TOptionObj& o : Options) longest = std::max(longest, TextWidth(o.Text));
  return longest;
}

std::vector<int> TSelectFormControlObj::SelectedIndices() const {
  std::vector<int> r;
  for (int i = 0; i < static_cast<int>(Options.size()); ++i)
    if (Selected(i)) r.push_back(i);
  return r;
}

TListBoxFormControlObj::TListBoxFormControlObj(TSectionList& document, ThtmlForm& form, int pos,
                                               const TAttributeList& attributes,
                                               const TProperties& props)
    : TSelectFormControlObj(document, form, pos, attributes, props) {
  LBSize = PositiveAttr(attributes, SizeSy, 0);
  Multiple = attributes.Find(MultipleSy) != nullptr;
}

bool TSelectFormControlObj::Selected(int index) const {
  if (index < 0 || index >= static_cast<int>(Options.size())) return false;
  if (FControl) {
    if (auto* box = dynamic_cast<TChildListBox*>(FControl.get())) return box->Selected(index);
    return static_cast<TChildItemList&>(*FControl).ItemIndex() == index;
  }
  return static_cast<std::size_t>(index) < FSelected.size() && FSelected[static_cast<std::size_t>(index)];
}

std::unique_ptr<TChildControl> TListBoxFormControlObj::CreateControl(TChildControlFactory& factory) {
  auto box = factory.CreateListBox(Multiple ? TListSelectMode::lsExtended : TListSelectMode::lsSingle);
  std::vector<std::u16string> items;
  for (const TOptionObj& o : Options) items.push_back(o.Text);
  box->SetItems(items);
  for (std::size_t i = 0; i < FSelected.size(); ++i)
    if (FSelected[i]) box->SetSelected(static_cast<int>(i), true);
  box->SetTopIndex(0);
  StyleNative(*box, BkColor, OwnBorder);
  return box;
}

void TListBoxFormControlObj::SetSelected(int index, bool selected) {
  if (index < 0 || index >= static_cast<int>(Options.size())) return;
  FSelected.resize(Options.size());
  if (selected && !Multiple) std::fill(FSelected.begin(), FSelected.end(), false);
  FSelected[static_cast<std::size_t>(index)] = selected;
  if (Box()) Box()->SetSelected(index, selected);
}

void TListBoxFormControlObj::ResetToValue() {
  FSelected.assign(Options.size(), false);
  if (Box()) {
    std::vector<std::u16string> items;
    for (const TOptionObj& o : Options) items.push_back(o.Text);
    Box()->SetItems(items);
  }
  bool any = false;
  for (std::size_t i = 0; i < Options.size(); ++i)
    if (Options[i].Selected) {
      SetSelected(static_cast<int>(i), true);
      any = true;
    }
  if (!any && !Options.empty()) SetSelected(0, true);
  if (Box()) Box()->SetTopIndex(0);
}

bool TListBoxFormControlObj::GetSubmission(int index, std::u16string& out) {
  if (index < 0 || index >= static_cast<int>(Options.size())) return false;
  if (Selected(index)) out = FName + u"=" + Options[static_cast<std::size_t>(index)].Value;
  return true;
}

void TListBoxFormControlObj::SetData(int index, const std::u16string& value) {
  if (index == 0) {
    // The first match starts a new selection.
    if (Multiple) {
      FSelected.assign(Options.size(), false);
      if (Box()) Box()->ClearSelection();
    } else {
      SetSelected(0, true);
    }
  }
  for (std::size_t i = 0; i < Options.size(); ++i)
    if (Options[i].Value == value) SetSelected(static_cast<int>(i), true);
}

void TListBoxFormControlObj::SetHeightWidth(TSurface& surface) {
  (void)surface;
  const int rows = LBSize > 1 ? LBSize : std::clamp(static_cast<int>(Options.size()), 1, 8);
  if (PercentWidth) Width = 10;
  else Width = FWidth >= 10 ? FWidth : GetSystemMetrics(SM_CXVSCROLL) + LongestOption() + 10;
  const TRect insets = Insets();
  Height = FHeight >= 10 ? FHeight + insets.Top + insets.Bottom
                         : CountExtent(TextHeight(), rows, insets.Top + insets.Bottom);
}

void TListBoxFormControlObj::SaveEnterState() {
  FEnterCount = static_cast<int>(Options.size());
  FEnterSelection.assign(std::min<std::size_t>(Options.size(), 51), false);
  for (std::size_t i = 0; i < FEnterSelection.size(); ++i) FEnterSelection[i] = Selected(static_cast<int>(i));
}

void TListBoxFormControlObj::CheckChange() {
  bool changed = FEnterCount != static_cast<int>(Options.size());
  for (std::size_t i = 0; !changed && i < FEnterSelection.size(); ++i)
    changed = FEnterSelection[i] != Selected(static_cast<int>(i));
  ReportChange(*this, changed);
}

// ---------------------------------------------------------------- drop-down list

std::unique_ptr<TChildControl> TComboFormControlObj::CreateControl(TChildControlFactory& factory) {
  auto combo = factory.CreateComboBox();
  std::vector<std::u16string> items;
  for (const TOptionObj& o : Options) items.push_back(o.Text);
  combo->SetItems(items);
  combo->SetItemIndex(FIndex);
  StyleNative(*combo, BkColor, OwnBorder);
  return combo;
}

int TComboFormControlObj::ItemIndex() const {
  return FControl ? static_cast<TChildItemList&>(*FControl).ItemIndex() : FIndex;
}

void TComboFormControlObj::SetItemIndex(int index) {
  FIndex = index >= 0 && index < static_cast<int>(Options.size()) ? index : -1;
  if (FControl) static_cast<TChildItemList&>(*FControl).SetItemIndex(FIndex);
}

void TComboFormControlObj::ResetToValue() {
  if (FControl) {
    std::vector<std::u16string> items;
    for (const TOptionObj& o : Options) items.push_back(o.Text);
    static_cast<TChildItemList&>(*FControl).SetItems(items);
  }
  int index = Options.empty() ? -1 : 0;
  for (std::size_t i = 0; i < Options.size(); ++i)
    if (Options[i].Selected) {
      index = static_cast<int>(i);
      break;
    }
  SetItemIndex(index);
}

void TComboFormControlObj::CheckChange() { ReportChange(*this, ItemIndex() != FEnterIndex); }

bool TComboFormControlObj::GetSubmission(int index, std::u16string& out) {
  if (index != 0) return false;
  const int i = ItemIndex();
  if (i >= 0 && i < static_cast<int>(Options.size()))
    out = FName + u"=" + Options[static_cast<std::size_t>(i)].Value;
  return true;
}

void TComboFormControlObj::SetData(int index, const std::u16string& value) {
  (void)index;
  for (std::size_t i = 0; i < Options.size(); ++i)
    if (Options[i].Value == value) {
      SetItemIndex(static_cast<int>(i));
      return;
    }
}

void TComboFormControlObj::SetHeightWidth(TSurface& surface) {
  (void)surface;
  // A drop-down list has no frame outside its client area.
  if (PercentWidth) Width = 10;
  else if (FWidth >= 10) Width = FWidth;
  else Width = GetSystemMetrics(SM_CXVSCROLL) + LongestOption() + 10;
  const int own = FControl ? FControl->OwnHeight(FontDesc)
                           : (Font ? Font->Metrics().Height : 0) + ImitationEditExtra;
  Height = FHeight > 9 ? FHeight : own;
}

// ---------------------------------------------------------------- multi-line edit

TTextAreaFormControlObj::TTextAreaFormControlObj(TSectionList& document, ThtmlForm& form, int pos,
                                                 const TAttributeList& attributes,
                                                 const TProperties& props)
    : TFormControlObj(document, form, pos, attributes, props) {
  Rows = PositiveAttr(attributes, RowsSy, 5);
  Cols = PositiveAttr(attributes, ColsSy, 30);
  if (const std::u16string* wrap = Attr(attributes, WrapSy)) {
    const std::u16string w = LowerCase(Trim(*wrap));
    if (w == u"off") Wrap = TWrapMode::wmOff;
    else if (w == u"hard") Wrap = TWrapMode::wmHard;
  }
}

std::unique_ptr<TChildControl> TTextAreaFormControlObj::CreateControl(TChildControlFactory& factory) {
  auto memo = factory.CreateMemo();
  memo->SetWordWrap(Wrap != TWrapMode::wmOff);
  memo->SetScrollBars(Wrap == TWrapMode::wmOff ? TMemoScrollBars::msBoth : TMemoScrollBars::msVertical);
  memo->SetReadOnly(Readonly);
  memo->SetText(FText);
  StyleNative(*memo, BkColor, OwnBorder);
  return memo;
}

std::u16string TTextAreaFormControlObj::Text() const {
  return FControl ? static_cast<TChildMemo&>(*FControl).Text() : FText;
}

void TTextAreaFormControlObj::SetText(const std::u16string& text) {
  FText = UnixLines(text);
  if (FControl) static_cast<TChildMemo&>(*FControl).SetText(FText);
}

void TTextAreaFormControlObj::SetInitialText(const std::u16string& raw) {
  std::u16string text = UnixLines(raw);
  // A line end right after the start tag is not part of the text.
  if (!text.empty() && text.front() == u'\n') text.erase(0, 1);
  TheText = text;
  ResetToValue();
}

void TTextAreaFormControlObj::CheckChange() { ReportChange(*this, Text() != FEnterText); }

bool TTextAreaFormControlObj::GetSubmission(int index, std::u16string& out) {
  if (index != 0) return false;
  if (Wrap == TWrapMode::wmHard && FControl) {
    std::u16string joined;
    const auto lines = static_cast<TChildMemo&>(*FControl).DisplayedLines();
    for (std::size_t i = 0; i < lines.size(); ++i) {
      if (i > 0) joined += u"\r\n";
      joined += lines[i];
    }
    out = FName + u"=" + joined;
  } else {
    out = FName + u"=" + WindowsLines(Text());
  }
  return true;
}

void TTextAreaFormControlObj::SetData(int index, const std::u16string& value) {
  (void)index;
  SetText(value);
}

void TTextAreaFormControlObj::SetHeightWidth(TSurface& surface) {
  (void)surface;
  const TRect insets = Insets();
  const int barW = GetSystemMetrics(SM_CXVSCROLL);
  const int barH = Wrap == TWrapMode::wmOff ? GetSystemMetrics(SM_CYHSCROLL) : 0;
  if (PercentWidth) Width = 50;
  else if (FWidth >= 10) Width = FWidth;
  else Width = CountExtent(TextWidth(u"s"), Cols, 5 + insets.Left + insets.Right + barW);
  if (FHeight >= 10) Height = FHeight;
  else Height = CountExtent(TextHeight(), Rows, 5 + insets.Top + insets.Bottom + barH);
}

}  // namespace tav
