// The builder's form family: FORM, INPUT, SELECT with its OPTIONs and
// TEXTAREA.
#include <memory>

#include "html/builder/builder.h"
#include "html/builder/builder_values.h"
#include "html/css/units.h"

namespace tav {

void THtmlBuilder::DoForm(const TSymbSet& terms) {
  if (Depth >= MaxBlockNesting) {
    Next();
    return;
  }
  Document.Forms.htmlFormList.push_back(std::make_unique<ThtmlForm>(Document, &T.Attributes));
  CurrentForm = Document.Forms.htmlFormList.back().get();
  PushProps(u"form");
  TBlock& block = NewBlock();
  Next();
  InBlock(block, [&] { DoBody(terms + FormEndSy); });
  PopProps(u"form");
  if (T.Sy == FormEndSy) {
    CurrentForm = nullptr;
    Next();
  }
}

ThtmlForm& THtmlBuilder::CurrentFormOrNew() {
  if (!CurrentForm) {
    Document.Forms.htmlFormList.push_back(std::make_unique<ThtmlForm>(Document, nullptr));
    CurrentForm = Document.Forms.htmlFormList.back().get();
  }
  return *CurrentForm;
}

TFormControlObj& THtmlBuilder::AddControl(std::unique_ptr<TFormControlObj> control,
                                          TSection& section) {
  TFormControlObj& c = CurrentFormOrNew().InsertControl(std::move(control));
  if (c.InLine()) {
    c.Pos = static_cast<int>(section.Buff.size());
    section.FormControls.Add(&c);
    section.AddChar(FmCtlChar, T.TagIndex);
  }
  std::u16string id = UpperCase(Trim(c.FID));
  if (!id.empty()) Document.AddName(id, TIDObject{&section, c.Pos});
  return c;
}

void THtmlBuilder::ApplyInput() {
  const TAttributeList& a = T.Attributes;
  const std::u16string type = AttrText(a, TypeSy) ? LowerCase(Trim(*AttrText(a, TypeSy))) : u"";
  TProperties& props = PushProps(u"input");
  TSection& section = EnsureSection();
  ThtmlForm& form = CurrentFormOrNew();
  const int pos = static_cast<int>(section.Buff.size());
  std::unique_ptr<TFormControlObj> control;
  TImageObj* image = nullptr;
  if (type == u"submit" || type == u"reset" || type == u"button") {
    control = std::make_unique<TButtonFormControlObj>(
        Document, form, pos, a, props,
        type == u"submit" ? TButtonType::Submit : type == u"reset" ? TButtonType::ResetB : TButtonType::Button);
  } else if (type == u"radio") {
    control = std::make_unique<TRadioButtonFormControlObj>(Document, form, pos, a, props);
  } else if (type == u"checkbox") {
    control = std::make_unique<TCheckBoxFormControlObj>(Document, form, pos, a, props);
  } else if (type == u"hidden") {
    control = std::make_unique<THiddenFormControlObj>(Document, form, pos, a, props);
  } else if (type == u"image") {
    image = &section.AddImage(a, T.TagIndex);
    image->ProcessProperties(props);
    control = std::make_unique<TImageFormControlObj>(Document, form, image->Pos, a, props);
  } else {
    control = std::make_unique<TEditFormControlObj>(Document, form, pos, a, props, type);
  }
  control->ProcessProperties(props);
  TFormControlObj& added = AddControl(std::move(control), section);
  if (image) {
    auto& button = static_cast<TImageFormControlObj&>(added);
    button.MyImage = image;
    image->MyFormControl = &button;
  } else if (type == u"file") {
    // A file input is an edit followed by its Browse button.
    auto browse = std::make_unique<TButtonFormControlObj>(
        Document, form, static_cast<int>(section.Buff.size()), a, props, TButtonType::Browse);
    browse->ProcessProperties(props);
    browse->FWidth = 0;
    browse->PercentWidth = false;
    auto& button = static_cast<TButtonFormControlObj&>(AddControl(std::move(browse), section));
    button.MyEdit = static_cast<TEditFormControlObj*>(&added);
  }
  PopProps(u"input");
}

bool THtmlBuilder::DoSelect(bool inPre) {
  const TAttributeList& a = T.Attributes;
  TProperties& props = PushProps(u"select");
  TSection& section = EnsureSection();
  ThtmlForm& form = CurrentFormOrNew();
  const int pos = static_cast<int>(section.Buff.size());
  const TAttribute* size = a.Find(SizeSy);
  std::unique_ptr<TSelectFormControlObj> control;
  if (a.Find(MultipleSy) || (size && size->Value > 1))
    control = std::make_unique<TListBoxFormControlObj>(Document, form, pos, a, props);
  else
    control = std::make_unique<TComboFormControlObj>(Document, form, pos, a, props);
  control->ProcessProperties(props);
  auto& select = static_cast<TSelectFormControlObj&>(AddControl(std::move(control), section));
  PopProps(u"select");
  Next();
  // OPTIONs with their text up to the end tag; any other tag ends the list
  // and is read by the caller.
  bool open = false, selected = false, hasValue = false, closed = false;
  std::u16string text, value;
  auto flush = [&] {
    if (open) {
      std::u16string collapsed;
      for (char16_t c : text) {
        if (IsSpace(c) || c == u'\u00A0') {
          if (!collapsed.empty() && collapsed.back() != u' ') collapsed += u' ';
        } else {
          collapsed += c;
        }
      }
      select.AddOption(Trim(collapsed), hasValue ? &value : nullptr, selected);
    }
    open = false;
    text.clear();
  };
  for (;;) {
    if (T.Sy == OptionSy) {
      flush();
      open = true;
      selected = T.Attributes.Find(SelectedSy) != nullptr;
      const std::u16string* v = AttrText(T.Attributes, ValueSy);
      hasValue = v != nullptr;
      value = v ? *v : u"";
    } else if (T.Sy == TextSy) {
      if (open) text += T.LCToken.S();
    } else if (T.Sy == OptionEndSy) {
      flush();
    } else if (T.Sy == SelectEndSy) {
      flush();
      if (!inPre) Next();
      closed = true;
      break;
    } else if (T.Sy != OtherSy && T.Sy != CommandSy) {
      flush();
      break;
    }
    Next();
  }
  select.ResetToValue();
  return closed;
}

bool THtmlBuilder::DoTextArea(bool inPre) {
  TProperties& props = PushProps(u"textarea");
  TSection& section = EnsureSection();
  ThtmlForm& form = CurrentFormOrNew();
  auto control = std::make_unique<TTextAreaFormControlObj>(
      Document, form, static_cast<int>(section.Buff.size()), T.Attributes, props);
  control->ProcessProperties(props);
  auto& area = static_cast<TTextAreaFormControlObj&>(AddControl(std::move(control), section));
  PopProps(u"textarea");
  area.SetInitialText(T.ReadRawUntil(u"TEXTAREA"));
  Next();
  if (T.Sy != TextAreaEndSy) return false;
  if (!inPre) Next();
  return true;
}

}  // namespace tav
