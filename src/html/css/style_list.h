#pragma once
// The document's style rules: the built-in sheet, rules from STYLE elements
// and linked sheets, keyed by their selectors, and the contextual rules
// indexed by the element they style.
#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "html/css/charsets.h"
#include "html/css/media_query.h"
#include "html/css/properties.h"

namespace tav {

// One compound selector: tag, classes (sorted), pseudo-class, id. Child is
// set when the next part to the right must be its direct child.
struct TSelectorPart {
  std::u16string Tag;
  std::vector<std::u16string> Classes;
  std::u16string Pseudo;
  std::u16string Id;
  bool Child = false;
  // tag, '.class', ':pseudo', '#id'.
  std::u16string Canonical() const;
  std::u16string JoinedClasses() const;
};
TSelectorPart ParseSelectorPart(std::u16string_view compound);

// A small Bloom filter over element features (tag, classes, id,
// pseudo-class): a contextual rule is only matched against the stack when
// every feature its ancestors need may be present there.
struct TFeatureFilter {
  std::array<std::uint64_t, 4> Bits{};
  void Add(char16_t kind, std::u16string_view name);
  void AddPart(const TSelectorPart& part);
  void AddElement(const std::u16string& tag, const std::u16string& joinedClasses,
                  const std::u16string& id, const std::u16string& pseudo);
  void Merge(const TFeatureFilter& other) {
    for (std::size_t i = 0; i < Bits.size(); ++i) Bits[i] |= other.Bits[i];
  }
  bool MayContain(const TFeatureFilter& needed) const {
    for (std::size_t i = 0; i < Bits.size(); ++i)
      if ((Bits[i] & needed.Bits[i]) != needed.Bits[i]) return false;
    return true;
  }
};

// A selector turned into its key, with its parts kept for matching.
struct TSelectorKey {
  std::u16string Key;
  bool Contextual = false;
  TSelectorPart Subject;
  std::vector<TSelectorPart> Ancestors;  // nearest first, at most 9
};

// A contextual rule: the subject with up to nine ancestors.
struct TContextRule {
  std::u16string Key;
  TSelectorPart Subject;
  std::u16string SubjectClasses;  // joined
  std::vector<TSelectorPart> Ancestors;
  TFeatureFilter Needed;  // what the ancestors need
  std::unique_ptr<TProperties> Props;
};

// What the viewer builds the built-in sheet with.
struct TStyleDefaults {
  std::u16string FontName = kDefaultFontName;
  std::u16string PreFontName = kDefaultPreFontName;
  int MarginWidth = 10;
  int MarginHeight = 5;
  int CharSet = 1;
  bool UnderlineLinks = true;
  TColor HoverColor = kDefaultLinkColor;
  TColor VisitedColor = kDefaultVisitedColor;
  TColor LinkColor = kDefaultLinkColor;
  TColor TextColor = clSystemColor | 18;  // button text
  double DefFontSize = kDefaultFontSize;
  bool operator==(const TStyleDefaults&) const = default;
};

class TStyleList {
public:
  explicit TStyleList(TGraphicsDevice& device);
  ~TStyleList();

  TGraphicsDevice& Device() const { return *FDevice; }

  void Clear();
  // Clears the list and adds the built-in sheet. The sheet is built once
  // for each set of defaults and pixel density and shared from then on: a
  // list copies a built-in rule only when it changes it.
  void Initialize(const TStyleDefaults& defaults);

  // Turns a lower-cased, trimmed selector into its key; a contextual
  // selector takes the next sequence number.
  TSelectorKey MakeKey(const std::u16string& selector);
  // Sets one property of the rule for a key (created when missing).
  void AddModifyProp(const TSelectorKey& key, const std::u16string& name,
                     const std::u16string& value);
  // The same for a selector text (made into its key first).
  void AddModifyProp(const std::u16string& selector, const std::u16string& name,
                     const std::u16string& value);

  // The rule for a simple key, or null.
  const TProperties* Find(const std::u16string& key) const;
  // The contextual rules whose subject leads with `lead` (a tag, a tag with
  // its classes 'li.x', '.class' or ':pseudo'), in key order; null when none.
  const std::vector<const TContextRule*>* ContextRules(const std::u16string& lead) const;
  int RuleCount() const;
  // Whether any simple rule's key names a class or an id: lookups of such
  // keys are skipped when none does.
  bool HasClassRules() const { return FHasClassRules; }
  bool HasIdRules() const { return FHasIdRules; }

  // What an element with this tag, class list (joined), id and
  // pseudo-class looks at, in the order the rules apply: the simple rules
  // found under its keys, then the contextual rules of the buckets its
  // subject may lead (their subjects and ancestors are still to be checked).
  // Pages repeat a few such identities many times, so a plan is kept until
  // the rules change. The reference is good until the next call.
  struct TMatchPlan {
    std::vector<const TProperties*> Simple;
    std::vector<const std::vector<const TContextRule*>*> Context;
    // The element's single classes (when several) and its full class list.
    std::vector<std::u16string> Classes;
  };
  const TMatchPlan& Plan(const std::u16string& tag, const std::u16string& cls,
                         const std::u16string& id, const std::u16string& pseudo) const;

  // The state fonts of the last link that had no inline style and whose
  // states no contextual rule could reach, with what they were made from:
  // its identity, its own font values (family, size, style, weight,
  // decoration, colour) and background, and the sizes they were resolved
  // with. A following link with the same inputs shares them. Dropped
  // whenever a rule changes.
  struct TLinkFontsMemo {
    std::u16string Tag, Class, Id;
    std::array<TPropValue, 6> Values;
    TColor Background = clNone;
    double DefFontSize = 0;
    int PixelsPerInch = 0;
    std::shared_ptr<const TFontInfoArray> Fonts;
  };
  TLinkFontsMemo& LinkFontsMemo() const { return FLinkFonts; }

  // The width in pixels the document is built for, set by whoever builds
  // it (0: not known); media queries are tested against it. Kept by Clear.
  int MediaWidth = 0;
  // MediaWidth with the pixels of one em (the default font size).
  TMediaView MediaView() const;

  const TProperties* DefProp = nullptr;
  int SeqNo = 10;
  // Turned on by a rule for ':hover' (the document tracks the mouse then).
  bool LinksActive = false;
  double DefFontSize = kDefaultFontSize;
  THtmlFontSizes FontSizes;

private:
  void AddBuiltInSheet(const TStyleDefaults& defaults);
  // Clears the list and shares every rule of `from`.
  void ShareRules(const TStyleList& from);
  // The rule for a key, made when missing, and this list's own to change.
  TProperties& Rule(const std::u16string& key);
  void SetRuleProperty(const TSelectorKey& key, const std::u16string& name,
                       const std::u16string& value);

  TGraphicsDevice* FDevice;
  // The simple rules by key. The map and its rules may be shared with the
  // built-in sheet (and other lists made from it): a shared map is copied
  // before it changes, and a shared rule before it is written.
  using TRuleMap = std::unordered_map<std::u16string, std::shared_ptr<TProperties>>;
  std::shared_ptr<TRuleMap> FRules;
  TRuleMap& OwnRules();
  bool FHasClassRules = false;
  bool FHasIdRules = false;
  // Rules by the lead of their subject; each bucket owns its rules by key
  // and keeps them in key order in a flat list for scanning. Shared like
  // the simple rules; copied whole before a contextual rule changes.
  struct TBucket {
    std::map<std::u16string, std::unique_ptr<TContextRule>> ByKey;
    std::vector<const TContextRule*> InOrder;
  };
  using TContextMap = std::unordered_map<std::u16string, TBucket>;
  std::shared_ptr<TContextMap> FContextRules;
  TContextMap& OwnContextRules();

  // Plans by identity; dropped whenever the rules change, and when there
  // are too many of them (a page with an id on every element).
  mutable std::unordered_map<std::u16string, TMatchPlan> FPlans;
  mutable std::u16string FPlanKey;
  mutable TLinkFontsMemo FLinkFonts;
  void RulesChanged();
};

}  // namespace tav
