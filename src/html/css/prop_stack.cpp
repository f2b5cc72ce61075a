#include "html/css/prop_stack.h"

#include "html/css/style_list.h"

namespace tav {

TProperties& TPropStack::operator[](int index) {
  Settle(index);
  return *FItems[static_cast<std::size_t>(index)];
}

void TPropStack::Settle(int upTo) {
  if (upTo < FDirtyFrom) return;
  bool parentChanged = FCarry;
  int i = FDirtyFrom;
  for (; i <= upTo && i < Count(); ++i) {
    auto k = static_cast<std::size_t>(i);
    if (!parentChanged && !FStale[k]) continue;
    if (FStale[k]) {
      FStale[k] = false;
      --FStaleCount;
    }
    TProperties& item = *FItems[k];
    TProperties before(item);
    item.Update(*FItems[k - 1]);
    ++FRederived;
    parentChanged = !(item.SameValues(before) && item.EmSize == before.EmSize &&
                      item.FontBG == before.FontBG && item.CharSet == before.CharSet &&
                      item.CodePage == before.CodePage && item.InLink == before.InLink &&
                      item.FIArray == before.FIArray && item.PropTitle == before.PropTitle);
    if (!parentChanged && FStaleCount == 0) break;
  }
  if ((!parentChanged && FStaleCount == 0) || i >= Count()) {
    FDirtyFrom = 1 << 30;
    FCarry = false;
  } else {
    FDirtyFrom = i;
    FCarry = parentChanged;
  }
}

void TPropStack::AddFeatures(const TProperties& props) {
  TFeatureFilter f = FFeatures.empty() ? TFeatureFilter{} : FFeatures.back();
  f.AddElement(props.PropTag, props.PropClass, props.PropID, props.PropPseudo);
  FFeatures.push_back(f);
}

void TPropStack::Push(std::unique_ptr<TProperties> props) {
  if (!FItems.empty()) Settle(Count() - 1);
  AddFeatures(*props);
  FItems.push_back(std::move(props));
  FStale.push_back(false);
}

TProperties& TPropStack::PushNewProps(TStyleList& styles, const std::u16string& tag,
                                      const std::u16string& cls, const std::u16string& id,
                                      const std::u16string& pseudo, const std::u16string& title,
                                      const TProperties* inlineStyle) {
  auto props = std::make_unique<TProperties>(styles.Device());
  if (FItems.empty()) {
    if (styles.DefProp) props->CopyDefault(*styles.DefProp);
  } else {
    props->Inherit(tag, Last());
  }
  props->Combine(styles, tag, cls, id, pseudo, title, inlineStyle, this);
  if (!FItems.empty()) props->ShareFont(*FItems.back());
  AddFeatures(*props);
  FItems.push_back(std::move(props));
  FStale.push_back(false);
  return *FItems.back();
}

bool TPropStack::PopProp(const std::u16string& tag) {
  for (int i = Count() - 1; i >= 1; --i) {
    if (FItems[static_cast<std::size_t>(i)]->PropTag != tag) continue;
    if (FStale[static_cast<std::size_t>(i)]) --FStaleCount;
    FItems.erase(FItems.begin() + i);
    FStale.erase(FStale.begin() + i);
    // The filters above keep the removed set's features: still a superset.
    FFeatures.erase(FFeatures.begin() + i);
    if (i < Count()) {
      // The set that moved into the gap has a new parent.
      if (!FStale[static_cast<std::size_t>(i)]) {
        FStale[static_cast<std::size_t>(i)] = true;
        ++FStaleCount;
      }
      if (i < FDirtyFrom) {
        // Sets between i and the old dirty point were settled: no carry.
        if (FDirtyFrom != 1 << 30 && FCarry) {
          // A pending change above i must still reach its sets: mark the
          // set at the old dirty point stale instead of carrying it.
          auto d = static_cast<std::size_t>(FDirtyFrom - 1);
          if (d < FStale.size() && !FStale[d]) {
            FStale[d] = true;
            ++FStaleCount;
          }
        }
        FDirtyFrom = i;
        FCarry = false;
      }
    }
    return true;
  }
  return false;
}

void TPropStack::PopLast() {
  if (Count() <= 1) return;
  if (FStale.back()) --FStaleCount;
  FItems.pop_back();
  FStale.pop_back();
  FFeatures.pop_back();
  if (FDirtyFrom >= Count()) {
    FDirtyFrom = 1 << 30;
    FCarry = false;
  }
}

void TPropStack::Clear() {
  FItems.clear();
  FStale.clear();
  FFeatures.clear();
  FStaleCount = 0;
  FDirtyFrom = 1 << 30;
  FCarry = false;
}

}  // namespace tav
