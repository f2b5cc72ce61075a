#pragma once
// The property sets of the open elements, bottom (document defaults) to
// top. Ending an element in the middle re-derives the sets above it from
// their new parents, lazily: only when one of them is read, and only as far
// up as a set actually changes.
#include <memory>
#include <string>
#include <vector>

#include "html/css/properties.h"
#include "html/css/style_list.h"

namespace tav {

class TStyleList;

class TPropStack {
public:
  TPropStack() = default;

  int Count() const { return static_cast<int>(FItems.size()); }
  bool Empty() const { return FItems.empty(); }
  // The set at `index`, re-derived first when an ending below changed it.
  TProperties& operator[](int index);
  TProperties& Last() { return (*this)[Count() - 1]; }
  // Identity (tag, class, id, pseudo-class) of the set at `index`; never
  // needs re-deriving.
  const TProperties& Identity(int index) const { return *FItems[static_cast<std::size_t>(index)]; }

  void Push(std::unique_ptr<TProperties> props);
  // A new set for an element: inherited from the top, combined with the
  // rules and the inline style, pushed.
  TProperties& PushNewProps(TStyleList& styles, const std::u16string& tag,
                            const std::u16string& cls, const std::u16string& id,
                            const std::u16string& pseudo, const std::u16string& title,
                            const TProperties* inlineStyle);
  // Removes the nearest set with this tag (never the bottom one); false when
  // there is none.
  bool PopProp(const std::u16string& tag);
  // Removes the top set (never the bottom one).
  void PopLast();
  void Clear();

  // The features (tags, classes, ids, pseudo-classes) of every set on the
  // stack, and of some that were removed: a superset, for ruling out
  // contextual rules quickly.
  const TFeatureFilter& Features() const { return FFeatures.back(); }

  // How many sets were re-derived so far (for tests of the laziness).
  long long Rederived() const { return FRederived; }

private:
  void Settle(int upTo);

  std::vector<std::unique_ptr<TProperties>> FItems;
  std::vector<TFeatureFilter> FFeatures;  // of the sets up to each index
  void AddFeatures(const TProperties& props);
  // Sets whose parent was removed, not yet re-derived.
  std::vector<bool> FStale;
  int FStaleCount = 0;
  // Sets from FDirtyFrom up have not been checked since a removal; FCarry
  // tells that the set below FDirtyFrom changed.
  int FDirtyFrom = 1 << 30;
  bool FCarry = false;
  long long FRederived = 0;
};

}  // namespace tav
