#pragma once
// A FORM: its submission attributes and its controls in document order.
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "html/layout/forms/form_controls.h"

namespace tav {

class TAttributeList;
class TSectionList;
class TRadioButtonFormControlObj;

class ThtmlForm {
public:
  // METHOD (default "Get"), ACTION, TARGET and ENCTYPE from the FORM tag;
  // null attributes make a form without them.
  ThtmlForm(TSectionList& document, const TAttributeList* attributes);
  ~ThtmlForm();
  ThtmlForm(const ThtmlForm&) = delete;
  ThtmlForm& operator=(const ThtmlForm&) = delete;

  // Takes the control; it joins the document's control list (and its tab
  // order list with a TABINDEX) and, with an ID, the name list.
  TFormControlObj& InsertControl(std::unique_ptr<TFormControlObj> control);
  // A radio button was clicked: the others of its group uncheck and lose
  // their tab stops.
  void DoRadios(TRadioButtonFormControlObj& radio);
  // A radio group: the buttons of one NAME (any case) in order, and the
  // one holding the group's tab stop (the checked one, else the first).
  struct TRadioGroup {
    std::vector<TRadioButtonFormControlObj*> Members;
    TRadioButtonFormControlObj* Holder = nullptr;
  };
  // The group of that NAME, or null while it has no member.
  TRadioGroup* FindRadioGroup(const std::u16string& name);
  // The members of a radio button's group (same NAME, any case), in order.
  const std::vector<TRadioButtonFormControlObj*>& RadioGroup(const std::u16string& name);
  void ResetControls();
  // Every control's pairs, disabled ones included.
  std::vector<std::u16string> GetFormSubmission() const;
  // With an OnFormSubmit handler: the pairs of the enabled controls and the
  // button's pair (when not empty) go to it. Without one nothing happens.
  void SubmitTheForm(const std::u16string& buttonPair);
  // Restores pairs NAME=value onto the controls.
  void SetFormData(const std::vector<std::u16string>& pairs);
  void SetSizes(TSurface& surface);

  TSectionList& MasterList;
  std::u16string Method = u"Get";
  std::u16string Action;
  std::u16string Target;
  std::u16string EncType;
  std::vector<std::unique_ptr<TFormControlObj>> ControlList;
  int NonHiddenCount = 0;

private:
  // Radio groups by lower-cased NAME, so that joining or clicking a group
  // never looks through the whole form.
  std::unordered_map<std::u16string, TRadioGroup> FRadioGroups;
};

}  // namespace tav
