#include "html/layout/forms/form.h"

#include "html/css/units.h"
#include "html/layout/document.h"
#include "html/parse/attributes.h"

namespace tav {

ThtmlForm::ThtmlForm(TSectionList& document, const TAttributeList* attributes)
    : MasterList(document) {
  if (!attributes) return;
  for (const TAttribute& a : *attributes) {
    switch (a.Which) {
      case MethodSy: Method = a.Name; break;
      case ActionSy: Action = a.Name; break;
      case TargetSy: Target = a.Name; break;
      case EncTypeSy: EncType = a.Name; break;
      default: break;
    }
  }
}

ThtmlForm::~ThtmlForm() = default;

TFormControlObj& ThtmlForm::InsertControl(std::unique_ptr<TFormControlObj> control) {
  TFormControlObj& c = *control;
  ControlList.push_back(std::move(control));
  if (c.Kind() != TFormControlKind::fkHidden) ++NonHiddenCount;
  if (c.Kind() == TFormControlKind::fkRadio) {
    auto& radio = static_cast<TRadioButtonFormControlObj&>(c);
    TRadioGroup& group = FRadioGroups[LowerCase(radio.FName)];
    group.Members.push_back(&radio);
    if (radio.TabStop) group.Holder = &radio;
  }
  c.DocIndex = static_cast<int>(MasterList.Forms.FormControlList.size());
  MasterList.Forms.FormControlList.push_back(&c);
  if (c.TabIndex >= 1)
    MasterList.Forms.TabOrderList.emplace(
        std::make_pair(c.TabIndex, static_cast<int>(MasterList.Forms.TabOrderList.size())), &c);
  return c;
}

ThtmlForm::TRadioGroup* ThtmlForm::FindRadioGroup(const std::u16string& name) {
  auto it = FRadioGroups.find(LowerCase(name));
  return it == FRadioGroups.end() ? nullptr : &it->second;
}

const std::vector<TRadioButtonFormControlObj*>& ThtmlForm::RadioGroup(const std::u16string& name) {
  static const std::vector<TRadioButtonFormControlObj*> none;
  const TRadioGroup* group = FindRadioGroup(name);
  return group ? group->Members : none;
}

void ThtmlForm::DoRadios(TRadioButtonFormControlObj& radio) {
  TRadioGroup* group = FindRadioGroup(radio.FName);
  if (group) {
    for (TRadioButtonFormControlObj* other : group->Members) {
      if (other == &radio) continue;
      other->SetChecked(false);
      other->TabStop = false;
      if (TChildControl* c = other->GetTheControl()) c->SetTabStop(false);
    }
    group->Holder = &radio;
  }
  radio.TabStop = true;
  if (TChildControl* c = radio.GetTheControl()) c->SetTabStop(true);
}

void ThtmlForm::ResetControls() {
  for (auto& c : ControlList) c->ResetToValue();
}

namespace {

// The non-empty texts a control submits, in index order.
void AppendSubmission(TFormControlObj& control, std::vector<std::u16string>& out) {
  std::u16string text;
  for (int index = 0; control.GetSubmission(index, text); ++index) {
    if (!text.empty()) out.push_back(text);
    text.clear();
  }
}

}  // namespace

std::vector<std::u16string> ThtmlForm::GetFormSubmission() const {
  std::vector<std::u16string> pairs;
  for (const auto& c : ControlList) AppendSubmission(*c, pairs);
  return pairs;
}

void ThtmlForm::SubmitTheForm(const std::u16string& buttonPair) {
  const TFormEvents& events = MasterList.Forms.FormEvents;
  if (!events.OnFormSubmit) return;
  std::vector<std::u16string> pairs;
  for (const auto& c : ControlList)
    if (!c->Disabled) AppendSubmission(*c, pairs);
  if (!buttonPair.empty()) pairs.push_back(buttonPair);
  // The handler may load another page, which frees this form and may
  // replace the handler: it is called on copies.
  const auto submit = events.OnFormSubmit;
  const std::u16string action = Action, method = Method, encType = EncType, target = Target;
  submit(action, pairs, method, encType, target);
}

void ThtmlForm::SetFormData(const std::vector<std::u16string>& pairs) {
  for (const auto& c : ControlList) {
    c->SetDataInit();
    const std::u16string name = LowerCase(c->FName);
    int matches = 0;
    for (const std::u16string& pair : pairs) {
      const auto eq = pair.find(u'=');
      if (eq == std::u16string::npos) continue;
      if (LowerCase(pair.substr(0, eq)) != name) continue;
      c->SetData(matches++, pair.substr(eq + 1));
    }
  }
}

void ThtmlForm::SetSizes(TSurface& surface) {
  for (auto& c : ControlList) {
    // A native control made first can tell its own height and frame.
    if (c->Kind() != TFormControlKind::fkHidden && !c->DisplayNone) c->EnsureControl();
    c->SetHeightWidth(surface);
  }
}

}  // namespace tav
