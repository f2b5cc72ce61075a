#include "html/attributes.h"

#include <algorithm>

#include "html/html_units.h"
#include "html/properties.h"
#include "html/style_parser.h"

namespace tav {

TAttributeList::TAttributeList() = default;
TAttributeList::~TAttributeList() = default;

void TAttributeList::Clear() {
  FItems.clear();
  SaveID.clear();
  FIDDone = false;
  FProp.reset();
  FPropDone = false;
}

void TAttributeList::Add(TAttribute attribute) { FItems.push_back(std::move(attribute)); }

const TAttribute* TAttributeList::Find(Symb which) const {
  for (const auto& a : FItems)
    if (a.Which == which) return &a;
  return nullptr;
}

std::u16string TAttributeList::TheTitle() const {
  const TAttribute* a = Find(TitleSy);
  return a ? a->Name : std::u16string();
}

const std::u16string& TAttributeList::TheID() {
  if (!FIDDone) {
    const TAttribute* a = Find(IDSy);
    SaveID = a ? LowerCopy(TrimCopy(a->Name)) : std::u16string();
    FIDDone = true;
  }
  return SaveID;
}

std::u16string TAttributeList::TheClass() const {
  const TAttribute* a = Find(ClassSy);
  if (!a) return {};
  std::u16string s = LowerCopy(TrimCopy(a->Name));
  if (std::none_of(s.begin(), s.end(), [](char16_t c) { return IsSpace(c); })) return s;
  std::vector<std::u16string> names;
  std::u16string word;
  for (char16_t c : s) {
    if (IsSpace(c)) {
      if (!word.empty()) names.push_back(word);
      word.clear();
    } else {
      word += c;
    }
  }
  if (!word.empty()) names.push_back(word);
  std::sort(names.begin(), names.end());
  std::u16string r;
  for (const auto& n : names) {
    if (!r.empty()) r += u'.';
    r += n;
  }
  return r;
}

const TProperties* TAttributeList::TheStyle(TGraphicsDevice& device) {
  if (!FPropDone) {
    FPropDone = true;
    if (const TAttribute* a = Find(StyleSy)) {
      FProp = std::make_unique<TProperties>(device);
      ParseDeclarationList(a->Name, *FProp);
    }
  }
  return FProp.get();
}

}  // namespace tav
