#include "html/css/style_list.h"

#include <algorithm>
#include <mutex>

#include "html/css/color.h"
#include "html/css/prop_stack.h"
#include "html/css/units.h"

namespace tav {

using P = PropIndices;

// ---------------------------------------------------------------- selectors

std::u16string TSelectorPart::JoinedClasses() const {
  std::u16string r;
  for (const auto& c : Classes) {
    if (!r.empty()) r += u'.';
    r += c;
  }
  return r;
}

std::u16string TSelectorPart::Canonical() const {
  std::u16string r = Tag;
  if (!Classes.empty()) r += u'.' + JoinedClasses();
  if (!Pseudo.empty()) r += u':' + Pseudo;
  if (!Id.empty()) r += u'#' + Id;
  return r;
}

TSelectorPart ParseSelectorPart(std::u16string_view s) {
  TSelectorPart part;
  std::size_t i = 0;
  auto isMark = [](char16_t c) { return c == u'.' || c == u':' || c == u'#'; };
  while (i < s.size() && !isMark(s[i])) part.Tag += s[i++];
  while (i < s.size()) {
    char16_t mark = s[i++];
    std::u16string name;
    // A pseudo-class runs up to a class or id mark ("::link" keeps its
    // second colon).
    while (i < s.size() && !(s[i] == u'.' || s[i] == u'#' || (s[i] == u':' && mark != u':'))) {
      if (mark == u':' && s[i] == u':' && !name.empty()) break;
      name += s[i++];
    }
    if (mark == u'.') {
      if (!name.empty()) part.Classes.push_back(name);
    } else if (mark == u':') {
      part.Pseudo += name;
    } else {
      part.Id = name;
    }
  }
  std::sort(part.Classes.begin(), part.Classes.end());
  return part;
}

namespace {

std::u16string LeadOf(const TSelectorPart& p) {
  if (!p.Tag.empty() && !p.Classes.empty()) return p.Tag + u'.' + p.JoinedClasses();
  if (!p.Tag.empty()) return p.Tag;
  if (!p.Classes.empty()) return u'.' + p.JoinedClasses();
  if (!p.Pseudo.empty()) return u':' + p.Pseudo;
  return u'#' + p.Id;
}

}  // namespace

void TFeatureFilter::Add(char16_t kind, std::u16string_view name) {
  std::uint64_t h = 1469598103934665603ull ^ kind;
  for (char16_t c : name) h = (h ^ c) * 1099511628211ull;
  for (int k = 0; k < 2; ++k) {
    unsigned bit = static_cast<unsigned>(h >> (k * 16)) & 255u;
    Bits[bit / 64] |= std::uint64_t{1} << (bit % 64);
  }
}

void TFeatureFilter::AddPart(const TSelectorPart& part) {
  if (!part.Tag.empty()) Add(u't', part.Tag);
  for (const auto& c : part.Classes) Add(u'c', c);
  if (!part.Id.empty()) Add(u'i', part.Id);
  if (!part.Pseudo.empty()) Add(u'p', part.Pseudo);
}

void TFeatureFilter::AddElement(const std::u16string& tag, const std::u16string& classes,
                                const std::u16string& id, const std::u16string& pseudo) {
  if (!tag.empty()) Add(u't', tag);
  std::size_t pos = 0;
  while (pos <= classes.size()) {
    auto dot = classes.find(u'.', pos);
    if (dot == std::u16string::npos) dot = classes.size();
    if (dot > pos) Add(u'c', std::u16string_view(classes).substr(pos, dot - pos));
    pos = dot + 1;
  }
  if (!id.empty()) Add(u'i', id);
  if (!pseudo.empty()) Add(u'p', pseudo);
}

namespace {

// Deepest ancestor chain a contextual key keeps: the depth is one digit.
constexpr std::size_t MaxAncestors = 9;
// Digits of a contextual key's sequence number: room for any int.
constexpr std::size_t SeqNoDigits = 10;

}  // namespace

TSelectorKey TStyleList::MakeKey(const std::u16string& selector) {
  // Words, with '>' as a word of its own.
  std::vector<std::u16string> words;
  std::u16string word;
  auto flush = [&] {
    if (!word.empty()) words.push_back(word);
    word.clear();
  };
  for (char16_t c : selector) {
    if (IsSpace(c)) flush();
    else if (c == u'>') {
      flush();
      words.push_back(u">");
    } else word += c;
  }
  flush();
  std::vector<TSelectorPart> parts;
  for (const auto& w : words) {
    if (w == u">") {
      if (!parts.empty()) parts.back().Child = true;
    } else {
      parts.push_back(ParseSelectorPart(w));
    }
  }
  TSelectorKey key;
  if (parts.empty()) return key;
  if (parts.size() == 1) {
    key.Subject = parts[0];
    key.Subject.Child = false;
    key.Key = key.Subject.Canonical();
    return key;
  }
  key.Contextual = true;
  key.Subject = parts.back();
  key.Subject.Child = false;
  for (std::size_t i = parts.size() - 1; i-- > 0 && key.Ancestors.size() < MaxAncestors;)
    key.Ancestors.push_back(parts[i]);
  // The sequence number has a fixed width, so that keys of the same subject
  // and depth sort in the order their rules were read.
  std::string seq = std::to_string(SeqNo++);
  if (seq.size() < SeqNoDigits) seq.insert(0, SeqNoDigits - seq.size(), '0');
  key.Key = key.Subject.Canonical() + u' ' +
            static_cast<char16_t>(u'0' + key.Ancestors.size()) + Ascii(seq);
  for (std::size_t i = 0; i < key.Ancestors.size(); ++i) {
    if (i > 0) key.Key += u' ';
    key.Key += key.Ancestors[i].Canonical();
    if (key.Ancestors[i].Child) key.Key += u'>';
  }
  return key;
}

// ---------------------------------------------------------------- the list

TStyleList::TStyleList(TGraphicsDevice& device)
    : FDevice(&device),
      FRules(std::make_shared<TRuleMap>()),
      FContextRules(std::make_shared<TContextMap>()) {
  FontSizes.Build(12);
}
TStyleList::~TStyleList() = default;

TMediaView TStyleList::MediaView() const {
  return TMediaView{MediaWidth, DefFontSize * FDevice->PixelsPerInch() / 72.0};
}

void TStyleList::Clear() {
  FRules = std::make_shared<TRuleMap>();
  FHasClassRules = false;
  FHasIdRules = false;
  FContextRules = std::make_shared<TContextMap>();
  RulesChanged();
  DefProp = nullptr;
  SeqNo = 10;
  LinksActive = false;
}

void TStyleList::RulesChanged() {
  if (!FPlans.empty()) FPlans.clear();
  FLinkFonts.Fonts.reset();
}

TStyleList::TRuleMap& TStyleList::OwnRules() {
  if (FRules.use_count() > 1) FRules = std::make_shared<TRuleMap>(*FRules);
  return *FRules;
}

TStyleList::TContextMap& TStyleList::OwnContextRules() {
  if (FContextRules.use_count() > 1) {
    auto copy = std::make_shared<TContextMap>();
    for (const auto& [lead, bucket] : *FContextRules) {
      TBucket& mine = (*copy)[lead];
      for (const auto& [key, rule] : bucket.ByKey) {
        auto r = std::make_unique<TContextRule>();
        r->Key = rule->Key;
        r->Subject = rule->Subject;
        r->SubjectClasses = rule->SubjectClasses;
        r->Ancestors = rule->Ancestors;
        r->Needed = rule->Needed;
        r->Props = std::make_unique<TProperties>(*rule->Props, *FDevice);
        mine.InOrder.push_back(r.get());
        mine.ByKey.emplace(key, std::move(r));
      }
    }
    FContextRules = std::move(copy);
    // Plans point into the rules they were made from.
    RulesChanged();
  }
  return *FContextRules;
}

TProperties& TStyleList::Rule(const std::u16string& key) {
  auto& slot = OwnRules()[key];
  if (!slot) {
    RulesChanged();
    slot = std::make_shared<TProperties>(*FDevice);
    slot->PropTag = key;
    if (key.find(u'.') != std::u16string::npos) FHasClassRules = true;
    if (key.find(u'#') != std::u16string::npos) FHasIdRules = true;
  } else if (slot.use_count() > 1) {
    // Another list holds it too: this list changes a copy of its own.
    RulesChanged();
    const bool isDefault = DefProp == slot.get();
    slot = std::make_shared<TProperties>(*slot, *FDevice);
    if (isDefault) DefProp = slot.get();
  }
  return *slot;
}

const TProperties* TStyleList::Find(const std::u16string& key) const {
  auto it = FRules->find(key);
  return it == FRules->end() ? nullptr : it->second.get();
}

const std::vector<const TContextRule*>* TStyleList::ContextRules(const std::u16string& lead) const {
  auto it = FContextRules->find(lead);
  return it == FContextRules->end() ? nullptr : &it->second.InOrder;
}

int TStyleList::RuleCount() const {
  std::size_t n = FRules->size();
  for (auto& [lead, bucket] : *FContextRules) n += bucket.ByKey.size();
  return static_cast<int>(n);
}

void TStyleList::SetRuleProperty(const TSelectorKey& key, const std::u16string& name,
                                 const std::u16string& value) {
  TProperties* rule;
  if (key.Contextual) {
    auto& bucket = OwnContextRules()[LeadOf(key.Subject)];
    auto& slot = bucket.ByKey[key.Key];
    if (!slot) {
      RulesChanged();
      slot = std::make_unique<TContextRule>();
      slot->Key = key.Key;
      slot->Subject = key.Subject;
      slot->SubjectClasses = key.Subject.JoinedClasses();
      slot->Ancestors = key.Ancestors;
      for (const auto& part : key.Ancestors) slot->Needed.AddPart(part);
      bucket.InOrder.clear();
      for (const auto& entry : bucket.ByKey) bucket.InOrder.push_back(entry.second.get());
      slot->Props = std::make_unique<TProperties>(*FDevice);
    }
    rule = slot->Props.get();
  } else {
    rule = &Rule(key.Key);
  }
  rule->AddSheetProperty(name, value);
}

void TStyleList::AddModifyProp(const TSelectorKey& key, const std::u16string& name,
                               const std::u16string& value) {
  PropIndices index;
  if (key.Key.empty() || !PropIndexOf(name, index)) return;
  // What was kept from the rules (plans, link fonts) may no longer hold.
  RulesChanged();
  SetRuleProperty(key, name, value);
  bool builtIn = key.Key.starts_with(u"::");
  if (index == P::Color && !builtIn) {
    TColor c;
    if (ColorFromString(value, c)) {
      // A link colour also colours the hover and visited states of links.
      if (key.Key.find(u":link") != std::u16string::npos) {
        Rule(u"::hover").AddSheetProperty(name, value);
        Rule(u"::visited").AddSheetProperty(name, value);
      } else if (key.Key.find(u":visited") != std::u16string::npos) {
        Rule(u"::hover").AddSheetProperty(name, value);
      }
    }
  }
  if (key.Key.find(u":hover") != std::u16string::npos) LinksActive = true;
  if (key.Key == u"a") Rule(u"::link").AddSheetProperty(name, value);
}

void TStyleList::AddModifyProp(const std::u16string& selector, const std::u16string& name,
                               const std::u16string& value) {
  AddModifyProp(MakeKey(LowerCase(Trim(selector))), name, value);
}

namespace {

// The built-in sheets made so far, newest first; a program uses one or two
// sets of defaults, so a few are kept.
struct TBuiltInSheet {
  TStyleDefaults Defaults;
  int PixelsPerInch = 0;
  std::shared_ptr<const TStyleList> Rules;
};
constexpr std::size_t kBuiltInSheetsKept = 4;
std::mutex BuiltInSheetsLock;
std::vector<TBuiltInSheet> BuiltInSheets;

}  // namespace

void TStyleList::Initialize(const TStyleDefaults& d) {
  std::shared_ptr<const TStyleList> sheet;
  {
    std::lock_guard lock(BuiltInSheetsLock);
    const int ppi = FDevice->PixelsPerInch();
    auto it = std::find_if(BuiltInSheets.begin(), BuiltInSheets.end(), [&](const TBuiltInSheet& s) {
      return s.PixelsPerInch == ppi && s.Defaults == d;
    });
    if (it != BuiltInSheets.end()) {
      std::rotate(BuiltInSheets.begin(), it, it + 1);
    } else {
      // Built on this list's device. Lists only read the shared rules (no
      // fonts are made from them), and a rule a list changes is copied and
      // bound to that list's device first.
      auto built = std::make_shared<TStyleList>(*FDevice);
      built->AddBuiltInSheet(d);
      if (BuiltInSheets.size() == kBuiltInSheetsKept) BuiltInSheets.pop_back();
      BuiltInSheets.insert(BuiltInSheets.begin(), TBuiltInSheet{d, ppi, std::move(built)});
    }
    sheet = BuiltInSheets.front().Rules;
  }
  ShareRules(*sheet);
}

void TStyleList::ShareRules(const TStyleList& from) {
  Clear();
  DefFontSize = from.DefFontSize;
  FontSizes = from.FontSizes;
  SeqNo = from.SeqNo;
  LinksActive = from.LinksActive;
  FHasClassRules = from.FHasClassRules;
  FHasIdRules = from.FHasIdRules;
  FRules = from.FRules;
  FContextRules = from.FContextRules;
  DefProp = from.DefProp;
}

void TStyleList::AddBuiltInSheet(const TStyleDefaults& d) {
  Clear();
  DefFontSize = d.DefFontSize;
  FontSizes.Build(d.DefFontSize);
  const double D = d.DefFontSize;
  auto text = [](std::u16string_view s) { return TPropValue{std::u16string(s)}; };
  auto color = [](TColor c) { return TPropValue{static_cast<int>(c)}; };
  auto add = [&](std::initializer_list<std::u16string_view> keys,
                 std::initializer_list<std::pair<P, TPropValue>> values) {
    for (auto key : keys) {
      TProperties& rule = Rule(std::u16string(key));
      for (const auto& [p, v] : values) {
        rule.Set(p, v);
        rule.SetOriginal(p, true);
      }
    }
  };
  add({u"default"}, {{P::FontFamily, text(d.FontName)}, {P::FontSize, D},
                     {P::FontStyle, text(u"none")}, {P::FontWeight, text(u"normal")},
                     {P::TextAlign, text(u"left")}, {P::TextDecoration, text(u"none")},
                     {P::TextTransform, 0}, {P::WordWrap, text(u"normal")},
                     {P::FontVariant, text(u"normal")}, {P::Color, color(d.TextColor)},
                     {P::MarginTop, d.MarginHeight}, {P::MarginBottom, d.MarginHeight},
                     {P::MarginLeft, d.MarginWidth}, {P::MarginRight, d.MarginWidth},
                     {P::Visibility, 2}, {P::LetterSpacing, 0}});
  TProperties& defaults = Rule(u"default");
  defaults.AssignCharSet(d.CharSet);
  defaults.DefFontname = d.FontName;
  DefProp = &defaults;
  add({u"::link"}, {{P::Color, color(d.LinkColor)},
                    {P::TextDecoration, text(d.UnderlineLinks ? u"underline" : u"none")}});
  add({u"::visited"}, {{P::Color, color(d.VisitedColor)}});
  add({u"::hover"}, {{P::Color, color(d.HoverColor)}});
  add({u"null"}, {});
  add({u"pre"}, {{P::FontFamily, text(d.PreFontName)}, {P::FontSize, D * 10 / 12},
                 {P::FontStyle, text(u"none")}, {P::FontWeight, text(u"normal")},
                 {P::TextDecoration, text(u"none")}});
  add({u"p"}, {{P::MarginTop, AutoParagraph}, {P::MarginBottom, AutoParagraph}});
  AddModifyProp(MakeKey(u"pre p"), u"margin-top", u"0");
  add({u"ul", u"ol", u"menu", u"dir"},
      {{P::PaddingLeft, 35}, {P::MarginTop, AutoParagraph}, {P::MarginBottom, AutoParagraph},
       {P::ListStyleType, text(u"blank")}});
  add({u"dl"}, {{P::PaddingLeft, 0}, {P::MarginLeft, 0}, {P::MarginTop, 0},
                {P::MarginBottom, 0}, {P::ListStyleType, text(u"none")}});
  add({u"dd"}, {{P::PaddingLeft, 35}, {P::MarginTop, 0}, {P::MarginBottom, 0}});
  add({u"blockquote"}, {{P::PaddingLeft, 35}, {P::MarginTop, AutoParagraph}, {P::MarginBottom, 14}});
  add({u"code", u"tt", u"kbd", u"samp"}, {{P::FontFamily, text(d.PreFontName)},
                                           {P::FontSize, text(u"0.833em")}});
  add({u"b", u"strong", u"th"}, {{P::FontWeight, text(u"bold")}});
  add({u"sup"}, {{P::FontSize, text(u"75%")}, {P::VerticalAlign, text(u"super")}});
  add({u"sub"}, {{P::FontSize, text(u"75%")}, {P::VerticalAlign, text(u"sub")}});
  add({u"big"}, {{P::FontSize, text(u"1.25em")}});
  add({u"small"}, {{P::FontSize, text(u"0.75em")}});
  add({u"table"}, {{P::TextAlign, text(u"none")}});
  add({u"i", u"em", u"cite", u"var", u"address"}, {{P::FontStyle, text(u"italic")}});
  add({u"u"}, {{P::TextDecoration, text(u"underline")}});
  add({u"s", u"strike"}, {{P::TextDecoration, text(u"line-through")}});
  add({u"center", u"caption"}, {{P::TextAlign, text(u"center")}});
  auto formControl = [&](std::initializer_list<std::u16string_view> keys, const std::u16string& family) {
    add(keys, {{P::FontFamily, text(family)}, {P::FontSize, text(u"10pt")},
               {P::FontStyle, text(u"none")}, {P::FontWeight, text(u"normal")},
               {P::TextAlign, text(u"left")}, {P::TextDecoration, text(u"none")},
               {P::Color, color(d.TextColor)}});
  };
  formControl({u"input", u"select"}, u"Arial Unicode MS, Arial");
  formControl({u"textarea"}, d.PreFontName);
  add({u"hr"}, {{P::MarginLeft, 0}, {P::MarginRight, 0}, {P::MarginTop, 10}, {P::MarginBottom, 10}});
  constexpr double headings[6] = {24, 18, 14, 12, 10, 8};
  for (int level = 1; level <= 6; ++level) {
    std::u16string key(1, u'h');
    key += static_cast<char16_t>(u'0' + level);
    add({key}, {{P::FontSize, D / 12 * headings[level - 1]}, {P::MarginTop, 19},
                {P::MarginBottom, 19}, {P::FontWeight, text(u"bold")}});
  }
}

// ---------------------------------------------------------------- combining

namespace {

std::vector<std::u16string_view> SplitClasses(std::u16string_view cls) {
  std::vector<std::u16string_view> r;
  std::size_t pos = 0;
  while (pos <= cls.size()) {
    auto dot = cls.find(u'.', pos);
    if (dot == std::u16string_view::npos) dot = cls.size();
    if (dot > pos) r.push_back(cls.substr(pos, dot - pos));
    pos = dot + 1;
  }
  return r;
}

bool PartMatchesSet(const TSelectorPart& part, const TProperties& set) {
  if (!part.Tag.empty() && part.Tag != set.PropTag) return false;
  if (!part.Id.empty() && part.Id != set.PropID) return false;
  if (!part.Pseudo.empty() && part.Pseudo != set.PropPseudo) return false;
  if (!part.Classes.empty()) {
    auto have = SplitClasses(set.PropClass);
    for (const auto& c : part.Classes)
      if (std::find(have.begin(), have.end(), std::u16string_view(c)) == have.end()) return false;
  }
  return true;
}

// Ancestor parts against the stack from the parent upward; greedy: each
// part takes the nearest matching set, and a child part must be the set
// right above the one its lower neighbour took.
bool AncestorsMatch(const std::vector<TSelectorPart>& ancestors, const TPropStack* stack) {
  if (!stack) return ancestors.empty();
  int at = stack->Count() - 1;  // next set to look at
  bool mustBeNext = false;
  for (const auto& part : ancestors) {
    // The relation to the part below: a child part binds to the element
    // matched just before.
    mustBeNext = part.Child;
    bool found = false;
    while (at >= 0) {
      const TProperties& set = stack->Identity(at--);
      if (PartMatchesSet(part, set)) {
        found = true;
        break;
      }
      if (mustBeNext) return false;
    }
    if (!found) return false;
  }
  return true;
}

// Whether a contextual rule's subject is the element.
bool SubjectMatches(const TContextRule& rule, std::u16string_view tag,
                    const std::vector<std::u16string>& classes, std::u16string_view id,
                    std::u16string_view pseudo) {
  const TSelectorPart& s = rule.Subject;
  if (!s.Tag.empty() && s.Tag != tag) return false;
  if (!s.Classes.empty() &&
      std::find(classes.begin(), classes.end(), rule.SubjectClasses) == classes.end())
    return false;
  if (!s.Id.empty() && s.Id != id) return false;
  return s.Pseudo.empty() ? pseudo != u"link" : s.Pseudo == pseudo;
}

// The lookup steps in order. A step that names the class is looked up for
// each single class of the element and then for all of them together, so
// that every class rule comes after the tag rules and a rule for the full
// class set after those for its single classes.
void BuildPlan(const TStyleList& styles, const std::u16string& tag, const std::u16string& cls,
               const std::u16string& id, const std::u16string& pseudo,
               TStyleList::TMatchPlan& plan) {
  std::vector<std::u16string>& classes = plan.Classes;
  auto single = SplitClasses(cls);
  if (single.size() > 1)
    for (auto c : single) classes.emplace_back(c);
  if (!cls.empty()) classes.push_back(cls);
  const std::u16string_view T = tag;
  const std::u16string_view Ps = pseudo;
  const std::u16string_view I = id;
  std::u16string key;
  auto build = [&key](std::initializer_list<std::u16string_view> parts) -> const std::u16string& {
    key.clear();
    for (auto part : parts) key.append(part);
    return key;
  };
  auto merge = [&](std::initializer_list<std::u16string_view> parts) {
    if (const TProperties* rule = styles.Find(build(parts))) plan.Simple.push_back(rule);
  };
  // Each class of the element, with what goes before and after it.
  auto eachClass = [&](std::u16string_view before, std::u16string_view after1,
                       std::u16string_view after2) {
    for (const auto& C : classes) merge({before, u".", C, after1, after2});
  };
  bool plain = Ps != u"hover" && Ps != u"visited";
  const bool hasC = !classes.empty() && styles.HasClassRules();
  const std::u16string colonP = Ps.empty() ? std::u16string() : u':' + std::u16string(Ps);
  const std::u16string hashI = I.empty() ? std::u16string() : u'#' + std::u16string(I);
  if (T == u"a" && !Ps.empty()) merge({u"::", Ps});
  if (plain) merge({T});
  if (!Ps.empty()) merge({colonP});
  if (hasC && plain) {
    eachClass({}, {}, {});
    eachClass(T, {}, {});
  }
  if (!Ps.empty()) {
    merge({T, colonP});
    if (hasC) {
      eachClass({}, colonP, {});
      eachClass(T, colonP, {});
    }
  }
  if (!I.empty() && styles.HasIdRules()) {
    // Keys are stored as tag, class, pseudo-class, id; the lookups use the
    // same order.
    merge({hashI});
    merge({T, hashI});
    if (hasC) eachClass({}, hashI, {});
    if (!Ps.empty()) {
      merge({colonP, hashI});
      merge({T, colonP, hashI});
    }
    if (hasC) eachClass(T, hashI, {});
    if (hasC && !Ps.empty()) {
      eachClass({}, colonP, hashI);
      eachClass(T, colonP, hashI);
    }
  }
  // Contextual rules, by the subject's tag, class and pseudo-class.
  auto scan = [&](const std::u16string& lead) {
    if (lead.empty()) return;
    if (auto* rules = styles.ContextRules(lead)) plan.Context.push_back(rules);
  };
  scan(tag);
  for (const auto& C : classes) scan(build({T, u".", C}));
  for (const auto& C : classes) scan(build({u".", C}));
  scan(colonP);
}

// Merges the rules of an element's plan into `target` (a property set, or
// the font values of a link state): the simple rules, the contextual rules
// for the element whose ancestors are on the stack, and the inline style
// last.
template <class Target>
void ApplyPlan(Target& target, const TStyleList::TMatchPlan& plan, const std::u16string& tag,
               const std::u16string& id, const std::u16string& pseudo,
               const TProperties* inlineStyle, const TPropStack* stack) {
  for (const TProperties* rule : plan.Simple) target.Merge(*rule);
  if (!plan.Context.empty()) {
    const TFeatureFilter* present = stack && !stack->Empty() ? &stack->Features() : nullptr;
    for (const auto* rules : plan.Context)
      for (const TContextRule* rule : *rules) {
        if (present && !present->MayContain(rule->Needed)) continue;
        if (!SubjectMatches(*rule, tag, plan.Classes, id, pseudo)) continue;
        if (AncestorsMatch(rule->Ancestors, stack)) target.Merge(*rule->Props);
      }
  }
  if (inlineStyle) target.Merge(*inlineStyle);
}

// A font size as the rules left it, made a number of points: text ("150%",
// "larger", "12px") converted against the parent's size, numbers clamped.
// False when it is fine as it is.
bool ResolveFontSize(const TPropValue& size, double parentSize, const TStyleList& styles, int ppi,
                     double& points) {
  if (!IsNumber(size)) {
    points = FontSizeConv(AsText(size), parentSize, styles.DefFontSize, ppi);
    return true;
  }
  if (AsNumber(size) < MinFontSize || AsNumber(size) > MaxFontSize) {
    points = std::clamp(AsNumber(size), MinFontSize, MaxFontSize);
    return true;
  }
  return false;
}

// The values a link-state font is made of. A state's font is the link's
// own values with that state's rules (and the inline style) combined over
// them the way an element's set is combined; nothing else of the set
// matters to it.
struct TFontValues {
  static constexpr P Indices[6] = {P::FontFamily, P::FontSize,       P::FontStyle,
                                   P::FontWeight, P::TextDecoration, P::Color};
  enum { Family, Size, Style, Weight, Decoration, Color };
  std::array<TPropValue, 6> V;

  explicit TFontValues(const TProperties& p) {
    for (std::size_t k = 0; k < V.size(); ++k) V[k] = p.Get(Indices[k]);
  }

  void Merge(const TProperties& rule) {
    for (std::size_t k = 0; k < V.size(); ++k) {
      const TPropValue& v = rule.Get(Indices[k]);
      if (!IsEmpty(v)) V[k] = v;
    }
  }

  // False when contextual rules were looked at: the result then depends on
  // the element's ancestors.
  bool Combine(const TStyleList& styles, const std::u16string& tag, const std::u16string& cls,
               const std::u16string& id, const std::u16string& pseudo,
               const TProperties* inlineStyle, const TPropStack* stack, int ppi) {
    TPropValue& size = V[Size];
    double parentSize = IsNumber(size) ? AsNumber(size) : styles.DefFontSize;
    const TStyleList::TMatchPlan& plan = styles.Plan(tag, cls, id, pseudo);
    ApplyPlan(*this, plan, tag, id, pseudo, inlineStyle, stack);
    double points;
    if (ResolveFontSize(size, parentSize, styles, ppi, points)) size = points;
    return plan.Context.empty();
  }

  // As TProperties::FontInfo reads the same values.
  TFontInfo Info(TColor background) const {
    TFontInfo f;
    f.Family = AsText(V[Family]);
    f.Size = IsNumber(V[Size]) ? AsNumber(V[Size]) : 12;
    f.Weight = AsText(V[Weight]);
    f.Style = AsText(V[Style]);
    f.Decoration = AsText(V[Decoration]);
    f.Color = IsInt(V[Color]) ? static_cast<TColor>(std::get<int>(V[Color])) : clBlack;
    f.BGColor = background;
    return f;
  }
};

}  // namespace

const TStyleList::TMatchPlan& TStyleList::Plan(const std::u16string& tag, const std::u16string& cls,
                                               const std::u16string& id,
                                               const std::u16string& pseudo) const {
  // Each part with its length first, so that no two identities share a key.
  FPlanKey.clear();
  for (const std::u16string* part : {&tag, &cls, &pseudo, &id}) {
    FPlanKey += static_cast<char16_t>(part->size() >> 16);
    FPlanKey += static_cast<char16_t>(part->size() & 0xFFFF);
    FPlanKey += *part;
  }
  auto it = FPlans.find(FPlanKey);
  if (it != FPlans.end()) return it->second;
  constexpr std::size_t MaxPlans = 8192;
  if (FPlans.size() >= MaxPlans) FPlans.clear();
  TMatchPlan& plan = FPlans[FPlanKey];
  BuildPlan(*this, tag, cls, id, pseudo, plan);
  return plan;
}

void TProperties::Combine(TStyleList& styles, const std::u16string& tag, const std::u16string& cls,
                          const std::u16string& id, const std::u16string& pseudo,
                          const std::u16string& title, const TProperties* inlineStyle,
                          const TPropStack* stack) {
  const TPropValue& inherited = Get(P::FontSize);
  double parentSize = IsNumber(inherited) ? AsNumber(inherited) : styles.DefFontSize;
  ApplyPlan(*this, styles.Plan(tag, cls, id, pseudo), tag, id, pseudo, inlineStyle, stack);
  const int ppi = FDevice->PixelsPerInch();
  double points;
  if (ResolveFontSize(Get(P::FontSize), parentSize, styles, ppi, points)) Set(P::FontSize, points);

  PropTag = tag;
  PropClass = cls;
  PropID = id;
  PropPseudo = pseudo;
  PropStyle = inlineStyle;
  if (!title.empty()) PropTitle = title;

  if (pseudo == u"link") {
    InLink = true;
    const TFontValues normal(*this);
    TStyleList::TLinkFontsMemo& memo = styles.LinkFontsMemo();
    if (!inlineStyle && memo.Fonts && memo.Tag == tag && memo.Class == cls && memo.Id == id &&
        memo.Values == normal.V && memo.Background == FontBG &&
        memo.DefFontSize == styles.DefFontSize && memo.PixelsPerInch == ppi) {
      FIArray = memo.Fonts;
      return;
    }
    static const std::u16string visitedState = u"visited", hoverState = u"hover";
    auto fonts = std::make_shared<TFontInfoArray>();
    (*fonts)[lsNormal] = normal.Info(FontBG);
    TFontValues visited = normal;
    bool alone = visited.Combine(styles, tag, cls, id, visitedState, inlineStyle, stack, ppi);
    (*fonts)[lsVisited] = visited.Info(FontBG);
    // A visited link under the mouse: the hover rules over the visited ones.
    TFontValues hoverVisited = visited;
    alone = hoverVisited.Combine(styles, tag, cls, id, hoverState, inlineStyle, stack, ppi) && alone;
    (*fonts)[lsHoverVisited] = hoverVisited.Info(FontBG);
    TFontValues hover = normal;
    hover.Combine(styles, tag, cls, id, hoverState, inlineStyle, stack, ppi);
    (*fonts)[lsHover] = hover.Info(FontBG);
    FIArray = std::move(fonts);
    if (!inlineStyle && alone) {
      memo.Tag = tag;
      memo.Class = cls;
      memo.Id = id;
      memo.Values = normal.V;
      memo.Background = FontBG;
      memo.DefFontSize = styles.DefFontSize;
      memo.PixelsPerInch = ppi;
      memo.Fonts = FIArray;
    }
  } else if (InLink && FIArray) {
    // Font properties this element sets inside a link apply in every state.
    auto fonts = std::make_shared<TFontInfoArray>(*FIArray);
    TFontInfo mine = FontInfo();
    for (auto& f : *fonts) {
      if (Original(P::FontFamily)) f.Family = mine.Family;
      if (Original(P::FontSize)) f.Size = mine.Size;
      if (Original(P::FontWeight)) f.Weight = mine.Weight;
      if (Original(P::FontStyle)) f.Style = mine.Style;
      if (Original(P::TextDecoration)) f.Decoration = mine.Decoration;
      if (Original(P::Color)) f.Color = mine.Color;
      if (Original(P::BackgroundColor)) f.BGColor = GetBackgroundColor();
    }
    FIArray = std::move(fonts);
  }
}

}  // namespace tav
