#include "html/parse/attributes.h"

#include <algorithm>

#include "html/css/properties.h"
#include "html/css/style_parser.h"
#include "html/css/units.h"

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
    SaveID = a ? LowerCase(Trim(a->Name)) : std::u16string();
    FIDDone = true;
  }
  return SaveID;
}

std::u16string TAttributeList::TheClass() const {
  const TAttribute* a = Find(ClassSy);
  if (!a) return {};
  const std::u16string s = LowerCase(std::u16string(TrimView(a->Name)));
  if (std::none_of(s.begin(), s.end(), [](char16_t c) { return IsSpace(c); })) return s;
  // The names as views into the lower-cased text, sorted and joined.
  std::vector<std::u16string_view> names;
  const std::u16string_view text(s);
  for (std::size_t i = 0; i < text.size();) {
    while (i < text.size() && IsSpace(text[i])) ++i;
    std::size_t start = i;
    while (i < text.size() && !IsSpace(text[i])) ++i;
    if (i > start) names.push_back(text.substr(start, i - start));
  }
  std::sort(names.begin(), names.end());
  std::u16string r;
  r.reserve(s.size());
  for (auto n : names) {
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

std::optional<TSizeAttribute> ReadSizeAttribute(const TAttribute& a, TSizeRange percent,
                                                TSizeRange pixels, TPercentMark mark) {
  const bool isPercent = mark == TPercentMark::Anywhere
                             ? a.Name.find(u'%') != std::u16string::npos
                             : !a.Name.empty() && a.Name.back() == u'%';
  const TSizeRange& range = isPercent ? percent : pixels;
  int value = a.Value;
  if (value < range.Low) {
    if (!range.ClampLow) return std::nullopt;
    value = range.Low;
  }
  if (value > range.High) {
    if (!range.ClampHigh) return std::nullopt;
    value = range.High;
  }
  return TSizeAttribute{value, isPercent};
}

}  // namespace tav
