#include "html/css/properties.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <unordered_map>

#include "html/base/sat_math.h"
#include "html/css/charsets.h"
#include "html/css/color.h"
#include "html/css/units.h"

namespace tav {
namespace {

using P = PropIndices;

constexpr std::u16string_view PropNames[PropCount] = {
    u"font-family", u"font-size", u"font-style", u"font-weight", u"text-align",
    u"text-decoration", u"letter-spacing", u"border-style", u"color", u"background-color",
    u"border-color", u"margin-top", u"margin-right", u"margin-bottom", u"margin-left",
    u"padding-top", u"padding-right", u"padding-bottom", u"padding-left", u"border-top-width",
    u"border-right-width", u"border-bottom-width", u"border-left-width", u"border-top-color",
    u"border-right-color", u"border-bottom-color", u"border-left-color", u"border-top-style",
    u"border-right-style", u"border-bottom-style", u"border-left-style", u"width", u"height",
    u"top", u"bottom", u"right", u"left", u"max-width", u"visibility", u"line-height", u"background-image",
    u"background-position", u"background-repeat", u"background-attachment", u"vertical-align",
    u"position", u"z-index", u"list-style-type", u"list-style-image", u"float", u"clear",
    u"text-indent", u"page-break-before", u"page-break-after", u"page-break-inside",
    u"text-transform", u"word-wrap", u"font-variant", u"border-collapse", u"overflow",
    u"display", u"empty-cells", u"white-space",
};

constexpr int Idx(P p) { return static_cast<int>(p); }
constexpr bool IsBox(int i) { return i >= FirstBoxProp && i <= LastBoxProp; }

// Properties a child does not take from an ordinary parent.
constexpr bool NotInherited(int i) {
  switch (static_cast<P>(i)) {
    case P::BorderStyle: case P::BackgroundColor: case P::BorderColor:
    case P::BackgroundImage: case P::BackgroundPosition: case P::BackgroundRepeat:
    case P::BackgroundAttachment: case P::Position: case P::Float: case P::Clear:
    case P::PageBreakBefore: case P::PageBreakAfter: case P::PageBreakInside:
    case P::BorderCollapse: case P::OverFlow: case P::piDisplay:
      return true;
    default:
      return false;
  }
}

// What an ordinary child does with each value of its parent: takes it,
// empties it, resets a box value, or (word-wrap) resets it to "normal" in
// a table.
enum class TChildValue : std::uint8_t { Keep, Empty, Unset, TableNormal };
constexpr auto ChildValueKinds = [] {
  std::array<TChildValue, 64> kinds{};
  for (int i = 0; i < PropCount; ++i)
    kinds[static_cast<std::size_t>(i)] = NotInherited(i)            ? TChildValue::Empty
                                         : IsBox(i)                 ? TChildValue::Unset
                                         : static_cast<P>(i) == P::WordWrap ? TChildValue::TableNormal
                                                                    : TChildValue::Keep;
  return kinds;
}();
// The blocks of four values that a child resets entirely.
constexpr auto AllResetBlocks = [] {
  std::array<bool, 16> reset{};
  for (int k = 0; k < 16; ++k) {
    bool all = true;
    for (int j = k * 4; j < (k + 1) * 4 && j < PropCount; ++j)
      all = all && (NotInherited(j) || IsBox(j));
    reset[static_cast<std::size_t>(k)] = all;
  }
  return reset;
}();

std::atomic<int> NextID{0};

// Family names arrive lower-cased from style sheets; a name written all in
// lower case gets each word capitalised, the way family names are written.
std::u16string FaceCase(std::u16string name) {
  for (char16_t c : name)
    if (c >= u'A' && c <= u'Z') return name;
  bool start = true;
  for (auto& c : name) {
    if (start && c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
    start = c == u' ' || c == u'-';
  }
  return name;
}

std::u16string GenericFamily(const std::u16string& lower) {
  if (lower == u"serif") return u"Times New Roman";
  if (lower == u"monospace") return u"Courier New";
  if (lower == u"sans-serif" || lower == u"helvetica") return u"Arial";
  if (lower == u"cursive") return u"Lucida Handwriting";
  return {};
}

}  // namespace

bool WeightIsBold(const std::u16string& weight) {
  if (weight.find(u"bold") != std::u16string::npos) return true;
  double n;
  return ReadLeadingNumber(weight, n) > 0 && n >= 600;
}

std::u16string_view PropName(PropIndices index) { return PropNames[Idx(index)]; }

bool PropIndexOf(std::u16string_view name, PropIndices& index) {
  static const std::unordered_map<std::u16string_view, int> map = [] {
    std::unordered_map<std::u16string_view, int> m;
    for (int i = 0; i < PropCount; ++i) m.emplace(PropNames[i], i);
    return m;
  }();
  auto it = map.find(name);
  if (it == map.end()) return false;
  index = static_cast<PropIndices>(it->second);
  return true;
}

double AsNumber(const TPropValue& v) {
  if (auto i = std::get_if<int>(&v)) return *i;
  if (auto d = std::get_if<double>(&v)) return *d;
  return 0;
}

std::u16string AsText(const TPropValue& v) {
  if (auto s = std::get_if<std::u16string>(&v)) return *s;
  return {};
}

bool IsValueSet(const TPropValue& v) {
  if (IsEmpty(v)) return false;
  if (IsInt(v)) return std::get<int>(v) != IntNull && std::get<int>(v) != Auto;
  if (IsText(v)) return LowerCase(Trim(std::get<std::u16string>(v))) != u"auto";
  return true;
}

bool IsPercentValue(const TPropValue& v) {
  if (!IsText(v)) return false;
  const std::u16string s = Trim(std::get<std::u16string>(v));
  return !s.empty() && s.back() == u'%';
}

BorderStyleType BorderStyleOf(std::u16string_view text) {
  static const std::pair<std::u16string_view, BorderStyleType> styles[] = {
      {u"none", BorderStyleType::bssNone},     {u"solid", BorderStyleType::bssSolid},
      {u"inset", BorderStyleType::bssInset},   {u"outset", BorderStyleType::bssOutset},
      {u"groove", BorderStyleType::bssGroove}, {u"ridge", BorderStyleType::bssRidge},
      {u"dashed", BorderStyleType::bssDashed}, {u"dotted", BorderStyleType::bssDotted},
      {u"double", BorderStyleType::bssDouble},
  };
  for (auto& [name, style] : styles)
    if (text == name) return style;
  return BorderStyleType::bssNone;
}

void TMyFont::TakeFont(TFontRef font) {
  Font = std::move(font);
  const TTextMetric& m = Font->Metrics();
  tmHeight = m.Height;
  tmDescent = m.Descent;
  tmExternalLeading = m.ExternalLeading;
  tmMaxCharWidth = m.MaxCharWidth;
  tmAveCharWidth = m.AveCharWidth;
  EmSize = m.Height - m.InternalLeading;
  ExSize = EmSize / 2;
}

void TMyFont::AssignToCanvas(TSurface& surface) const {
  surface.SelectFont(Font);
  surface.SetTextCharacterExtra(CharExtra);
}

// ---------------------------------------------------------------- storage

// Values live in blocks of four that stacked sets share until one of them
// changes a value of the block (copy on write).
struct TProperties::TBlock {
  std::array<TPropValue, BlockSize> Values;
};

namespace {
// The values of a new set, shared by every new set.
const auto& DefaultBlocks() {
  using Blocks = std::array<std::shared_ptr<TProperties::TBlock>, 16>;
  static const Blocks blocks = [] {
    Blocks b;
    std::array<TPropValue, 64> values;
    for (int i = FirstBoxProp; i <= LastBoxProp; ++i) values[static_cast<std::size_t>(i)] = IntNull;
    values[Idx(P::ZIndex)] = 0;
    for (std::size_t k = 0; k < b.size(); ++k) {
      auto block = std::make_shared<TProperties::TBlock>();
      for (std::size_t j = 0; j < 4; ++j) block->Values[j] = values[k * 4 + j];
      b[k] = block;
    }
    return b;
  }();
  return blocks;
}
}  // namespace

TProperties::TProperties(TGraphicsDevice& device) : ID(++NextID), FDevice(&device) {
  static_assert(BlockCount == 16);
  FBlocks = DefaultBlocks();
}

TProperties::TProperties(const TProperties& o)
    : PropTag(o.PropTag), PropClass(o.PropClass), PropID(o.PropID), PropPseudo(o.PropPseudo),
      PropTitle(o.PropTitle), PropStyle(o.PropStyle), FontBG(o.FontBG), CharSet(o.CharSet),
      CodePage(o.CodePage), DefFontname(o.DefFontname), EmSize(o.EmSize), ExSize(o.ExSize),
      InLink(o.InLink), FIArray(o.FIArray), ID(++NextID), FDevice(o.FDevice),
      FBlocks(o.FBlocks), FOriginals(o.FOriginals) {}

const TPropValue& TProperties::Get(PropIndices i) const {
  int n = Idx(i);
  return FBlocks[static_cast<std::size_t>(n / BlockSize)]->Values[static_cast<std::size_t>(n % BlockSize)];
}

TPropValue& TProperties::WritableSlot(int n) {
  BlocksChanged();
  if (ChildValueKinds[static_cast<std::size_t>(n)] == TChildValue::Empty ||
      ChildValueKinds[static_cast<std::size_t>(n)] == TChildValue::Unset)
    FResetHeld = false;
  auto& block = FBlocks[static_cast<std::size_t>(n / BlockSize)];
  if (block.use_count() != 1) block = std::make_shared<TBlock>(*block);
  return block->Values[static_cast<std::size_t>(n % BlockSize)];
}

void TProperties::Set(PropIndices i, const TPropValue& value) {
  if (Get(i) == value) return;
  WritableSlot(Idx(i)) = value;
}

void TProperties::Set(PropIndices i, TPropValue&& value) {
  if (Get(i) == value) return;
  WritableSlot(Idx(i)) = std::move(value);
}

void TProperties::ShareDefaultBlocks() {
  const auto& defaults = DefaultBlocks();
  for (std::size_t k = 0; k < FBlocks.size(); ++k)
    if (FBlocks[k] != defaults[k] && FBlocks[k].use_count() == 1 &&
        FBlocks[k]->Values == defaults[k]->Values) {
      BlocksChanged();
      FBlocks[k] = defaults[k];
    }
}

bool TProperties::SameValues(const TProperties& o) const {
  for (int k = 0; k < BlockCount; ++k)
    if (FBlocks[static_cast<std::size_t>(k)] != o.FBlocks[static_cast<std::size_t>(k)] &&
        FBlocks[static_cast<std::size_t>(k)]->Values != o.FBlocks[static_cast<std::size_t>(k)]->Values)
      return false;
  return true;
}

int TProperties::UnsharedBlocks() const {
  int n = 0;
  for (auto& b : FBlocks)
    if (b.use_count() == 1) ++n;
  return n;
}

// ---------------------------------------------------------------- deriving

void TProperties::Copy(const TProperties& source) {
  BlocksChanged();
  FBlocks = source.FBlocks;
  FResetHeld = false;
}

void TProperties::CopyDefault(const TProperties& source) {
  Copy(source);
  CharSet = source.CharSet;
  CodePage = source.CodePage;
  DefFontname = source.DefFontname;
  PropTag = u"default";
}

void TProperties::InheritValues(const std::u16string& tag, const TProperties& parent,
                                bool keepOriginals) {
  const std::u16string& ptag = parent.PropTag;
  bool spanParent = ptag == u"span";
  bool groupParent = ptag == u"thead" || ptag == u"tbody" || ptag == u"tfoot";
  static const TPropValue empty{};
  static const TPropValue unset{IntNull};
  static const TPropValue normal{std::u16string(u"normal")};
  FResetHeld = false;
  if (!keepOriginals && !spanParent && !groupParent) {
    // The ordinary regime, block by block: the parent's block where it
    // already holds what the child gets, the new-set block where every value
    // is reset, a copy put right otherwise.
    bool table = tag == u"table";
    // The value a child gets in place of the parent's, or null when it
    // takes the parent's value as it is.
    auto target = [table](int i) -> const TPropValue* {
      switch (ChildValueKinds[static_cast<std::size_t>(i)]) {
        case TChildValue::Empty: return &empty;
        case TChildValue::Unset: return &unset;
        case TChildValue::TableNormal: return table ? &normal : nullptr;
        default: return nullptr;
      }
    };
    const auto& defaults = DefaultBlocks();
    BlocksChanged();
    for (int k = 0; k < BlockCount; ++k) {
      const auto& from = parent.FBlocks[static_cast<std::size_t>(k)];
      bool same = true;
      for (int j = k * BlockSize; same && j < (k + 1) * BlockSize && j < PropCount; ++j) {
        const TPropValue* t = target(j);
        same = !t || *t == from->Values[static_cast<std::size_t>(j % BlockSize)];
      }
      auto& mine = FBlocks[static_cast<std::size_t>(k)];
      if (same) {
        mine = from;
      } else if (AllResetBlocks[static_cast<std::size_t>(k)]) {
        mine = defaults[static_cast<std::size_t>(k)];
      } else {
        auto block = std::make_shared<TBlock>(*from);
        for (int j = k * BlockSize; j < (k + 1) * BlockSize && j < PropCount; ++j)
          if (const TPropValue* t = target(j)) block->Values[static_cast<std::size_t>(j % BlockSize)] = *t;
        mine = std::move(block);
      }
    }
    ShareDefaultBlocks();
    FResetHeld = true;
    CopyIdentityFree(parent);
    return;
  }
  // Share the parent's blocks wherever this element set nothing of its own;
  // the values that differ below copy their block.
  for (int k = 0; k < BlockCount; ++k) {
    bool own = false;
    for (int j = k * BlockSize; j < (k + 1) * BlockSize && j < PropCount; ++j)
      own = own || (keepOriginals && FOriginals.test(static_cast<std::size_t>(j)));
    if (!own && FBlocks[static_cast<std::size_t>(k)] != parent.FBlocks[static_cast<std::size_t>(k)]) {
      BlocksChanged();
      FBlocks[static_cast<std::size_t>(k)] = parent.FBlocks[static_cast<std::size_t>(k)];
    }
  }
  for (int i = 0; i < PropCount; ++i) {
    auto p = static_cast<P>(i);
    if (keepOriginals && Original(p)) continue;
    if (spanParent) {
      Set(p, p == P::BorderStyle ? empty : parent.Get(p));
    } else if (groupParent) {
      Set(p, parent.Get(p));
      SetOriginal(p, parent.Original(p));
    } else if (NotInherited(i)) {
      Set(p, empty);
    } else if (IsBox(i)) {
      Set(p, unset);
    } else if (p == P::WordWrap && tag == u"table") {
      Set(p, normal);
    } else {
      Set(p, parent.Get(p));
    }
  }
  ShareDefaultBlocks();
  CopyIdentityFree(parent);
}

void TProperties::CopyIdentityFree(const TProperties& parent) {
  DefFontname = parent.DefFontname;
  FontBG = parent.FontBG;
  CharSet = parent.CharSet;
  CodePage = parent.CodePage;
  if (PropTitle.empty()) PropTitle = parent.PropTitle;
  InLink = parent.InLink;
  FIArray = parent.FIArray;
  EmSize = parent.EmSize;
  ExSize = EmSize / 2;
  DropFont();
}

void TProperties::Inherit(const std::u16string& tag, const TProperties& parent) {
  const std::u16string& ptag = parent.PropTag;
  bool ordinary = ptag != u"span" && ptag != u"thead" && ptag != u"tbody" && ptag != u"tfoot" &&
                  tag != u"table";
  if (!ordinary) {
    InheritValues(tag, parent, false);
    return;
  }
  // Every ordinary child gets the same values from its parent: derive them
  // once and share them.
  if (!parent.FChildBlocksValid) {
    if (parent.FResetHeld) {
      // The parent already holds what it passes on (it was derived this
      // way and has set none of the reset values since): its own blocks
      // are the child's.
      BlocksChanged();
      FBlocks = parent.FBlocks;
      FResetHeld = true;
      CopyIdentityFree(parent);
    } else {
      InheritValues(tag, parent, false);
    }
    parent.FChildBlocks = FBlocks;
    parent.FChildBlocksValid = true;
    return;
  }
  BlocksChanged();
  FBlocks = parent.FChildBlocks;
  FResetHeld = true;
  CopyIdentityFree(parent);
}

void TProperties::Update(const TProperties& parent) { InheritValues(PropTag, parent, true); }

void TProperties::KeepLinkFontsInStep(PropIndices index) {
  if (!InLink || !FIArray) return;
  if (index != P::FontFamily && index != P::FontSize && index != P::Color) return;
  auto fonts = std::make_shared<TFontInfoArray>(*FIArray);
  const TPropValue& v = Get(index);
  for (auto& f : *fonts) {
    if (index == P::FontFamily) f.Family = AsText(v);
    else if (index == P::FontSize && IsNumber(v)) f.Size = AsNumber(v);
    else if (index == P::Color && IsInt(v)) f.Color = static_cast<TColor>(std::get<int>(v));
  }
  FIArray = std::move(fonts);
}

void TProperties::Assign(const TPropValue& value, PropIndices index) {
  if (Original(index)) return;
  Set(index, value);
  SetOriginal(index, true);
  KeepLinkFontsInStep(index);
}

void TProperties::Merge(const TProperties& rule) {
  // A rule sets a handful of values: the blocks it never wrote are still the
  // shared new-set blocks, whose values are all empty or unset box values,
  // except z-index (0), which is copied like any other value.
  const auto& defaults = DefaultBlocks();
  constexpr int zIndexBlock = Idx(P::ZIndex) / BlockSize;
  for (int k = 0; k < BlockCount; ++k) {
    const auto& block = rule.FBlocks[static_cast<std::size_t>(k)];
    if (block == defaults[static_cast<std::size_t>(k)] && k != zIndexBlock) continue;
    for (int i = k * BlockSize; i < (k + 1) * BlockSize && i < PropCount; ++i) {
      const TPropValue& v = block->Values[static_cast<std::size_t>(i % BlockSize)];
      if (IsEmpty(v)) continue;
      if (IsBox(i) && v == TPropValue{IntNull}) continue;
      auto p = static_cast<P>(i);
      Set(p, v);
      SetOriginal(p, true);
    }
  }
}

void TProperties::AddPropertyByName(const std::u16string& name, const std::u16string& value) {
  SetByName(name, value, false);
}

void TProperties::AddSheetProperty(const std::u16string& name, const std::u16string& value) {
  SetByName(name, value, true);
}

void TProperties::SetByName(const std::u16string& name, const std::u16string& value, bool sheet) {
  PropIndices index;
  if (!PropIndexOf(name, index)) return;
  auto setOriginal = [this](P p, TPropValue v) {
    Set(p, std::move(v));
    SetOriginal(p, true);
  };
  TColor c;
  switch (index) {
    case P::BorderStyle:
      setOriginal(P::BorderStyle, value);
      for (P side : {P::BorderTopStyle, P::BorderRightStyle, P::BorderBottomStyle, P::BorderLeftStyle})
        setOriginal(side, value);
      return;
    case P::Color:
      if (ColorFromString(value, c)) setOriginal(P::Color, static_cast<int>(c));
      else if (!sheet) setOriginal(P::Color, static_cast<int>(clBlack));
      return;
    case P::BackgroundColor:
      setOriginal(P::BackgroundColor, static_cast<int>(ColorFromString(value, c) ? c : clNone));
      return;
    case P::BorderColor:
      for (P side : {P::BorderTopColor, P::BorderRightColor, P::BorderBottomColor, P::BorderLeftColor})
        if (ColorFromString(value, c)) setOriginal(side, static_cast<int>(c));
      if (ColorFromString(value, c)) setOriginal(P::BorderColor, static_cast<int>(c));
      return;
    case P::BorderTopColor: case P::BorderRightColor: case P::BorderBottomColor:
    case P::BorderLeftColor:
      if (ColorFromString(value, c)) setOriginal(index, static_cast<int>(c));
      return;
    case P::BorderTopStyle: case P::BorderRightStyle: case P::BorderBottomStyle:
    case P::BorderLeftStyle:
      setOriginal(index, value);
      if (value != u"none") setOriginal(P::BorderStyle, value);
      return;
    case P::Visibility:
      if (value == u"visible") setOriginal(index, 2);
      else if (value == u"hidden") setOriginal(index, 1);
      return;
    case P::TextTransform:
      setOriginal(index, value == u"uppercase" ? 1 : value == u"lowercase" ? 2 : 0);
      return;
    case P::WordWrap:
      setOriginal(index, std::u16string(value == u"break-word" ? u"break-word" : u"normal"));
      return;
    case P::FontVariant:
      if (value == u"small-caps" || value == u"normal") setOriginal(index, value);
      return;
    default:
      setOriginal(index, value);
      return;
  }
}

void TProperties::SetFontBG() {
  const TPropValue& v = Get(P::BackgroundColor);
  if (!Original(P::BackgroundColor) || !IsInt(v)) return;
  const auto bg = static_cast<TColor>(std::get<int>(v));
  if (bg == FontBG) return;
  FontBG = bg;
  DropFont();  // the font carries the text background
}

void TProperties::AssignCharSet(int charSet) {
  TCharSetCodePage cp = CodePageOfCharSet(charSet);
  CharSet = cp.CharSet;
  CodePage = cp.CodePage;
  DropFont();
}

void TProperties::AssignUTF8() {
  CodePage = 65001;
  CharSet = 0;
  DropFont();
}

// ---------------------------------------------------------------- font

TFontInfo TProperties::FontInfo() const {
  TFontInfo f;
  f.Family = AsText(Get(P::FontFamily));
  const TPropValue& size = Get(P::FontSize);
  f.Size = IsNumber(size) ? AsNumber(size) : 12;
  f.Weight = AsText(Get(P::FontWeight));
  f.Style = AsText(Get(P::FontStyle));
  f.Decoration = AsText(Get(P::TextDecoration));
  const TPropValue& color = Get(P::Color);
  f.Color = IsInt(color) ? static_cast<TColor>(std::get<int>(color)) : clBlack;
  f.BGColor = FontBG;
  return f;
}

const TMyFont& TProperties::GetFont() const {
  if (FFont) return *FFont;
  TMyFont font;
  TFontDesc& d = font.Desc;
  // Family: the first listed name that is installed.
  d.Face = DefFontname;
  std::u16string list = AsText(Get(P::FontFamily));
  std::size_t pos = 0;
  while (pos <= list.size()) {
    auto comma = list.find(u',', pos);
    std::u16string name = Trim(list.substr(pos, comma == std::u16string::npos ? std::u16string::npos : comma - pos));
    pos = comma == std::u16string::npos ? list.size() + 1 : comma + 1;
    if (name.size() >= 2 && (name.front() == u'"' || name.front() == u'\'') && name.back() == name.front())
      name = Trim(name.substr(1, name.size() - 2));
    if (name.empty()) continue;
    std::u16string generic = GenericFamily(LowerCase(name));
    if (!generic.empty()) name = generic;
    if (FDevice->FontInstalled(name)) {
      d.Face = FaceCase(name);
      break;
    }
  }
  const TPropValue& size = Get(P::FontSize);
  double points = IsNumber(size) ? AsNumber(size) : 12;
  d.Height = -SatRound(FDevice->PixelsPerInch() * points / 72);
  std::u16string weight = AsText(Get(P::FontWeight));
  d.Weight = WeightIsBold(weight) ? FW_BOLD : FW_NORMAL;
  std::u16string style = AsText(Get(P::FontStyle));
  d.Italic = style.find(u"italic") != std::u16string::npos || style.find(u"oblique") != std::u16string::npos;
  std::u16string decoration = AsText(Get(P::TextDecoration));
  d.Underline = decoration.find(u"underline") != std::u16string::npos;
  d.StrikeOut = decoration.find(u"line-through") != std::u16string::npos;
  d.CharSet = static_cast<std::uint8_t>(CharSet);
  const TPropValue& color = Get(P::Color);
  font.Color = IsInt(color) ? static_cast<TColor>(std::get<int>(color)) : clBlack;
  font.bgColor = FontBG;
  font.TakeFont(FDevice->CreateFont(d));
  font.tmCharset = font.Font->Metrics().CharSet == SYMBOL_CHARSET ? SYMBOL_CHARSET : CharSet;
  const TPropValue& spacing = Get(P::LetterSpacing);
  if (IsNumber(spacing)) font.CharExtra = SatRound(AsNumber(spacing));
  else if (AsText(spacing) == u"normal") font.CharExtra = 0;
  else font.CharExtra = LengthConv(AsText(spacing), false, 0, font.EmSize, font.ExSize, 0,
                                   FDevice->PixelsPerInch());
  auto* self = const_cast<TProperties*>(this);
  self->EmSize = font.EmSize;
  self->ExSize = font.ExSize;
  FFont = std::make_shared<const TMyFont>(std::move(font));
  return *FFont;
}

void TProperties::ShareFont(const TProperties& other) {
  if (FFont || !other.FFont || FDevice != other.FDevice) return;
  if (CharSet != other.CharSet || FontBG != other.FontBG || DefFontname != other.DefFontname) return;
  for (P p : {P::FontFamily, P::FontSize, P::FontWeight, P::FontStyle, P::TextDecoration, P::Color,
              P::LetterSpacing})
    if (!(Get(p) == other.Get(p))) return;
  FFont = other.FFont;
  EmSize = other.EmSize;
  ExSize = other.ExSize;
}

// ---------------------------------------------------------------- readings

TPropDisplay TProperties::GetDisplay() const {
  // A box fixed to the window with a negative offset is parked outside it
  // (a slide-out menu, a skip link) until a script brings it in: left out.
  if (AsText(Get(P::Position)) == u"fixed") {
    for (P side : {P::LeftPos, P::TopPos, P::RightPos, P::BottomPos}) {
      const std::u16string offset = AsText(Get(side));
      const std::size_t first = offset.find_first_not_of(u' ');
      if (first != std::u16string::npos && offset[first] == u'-') return TPropDisplay::pdNone;
    }
  }
  std::u16string s = AsText(Get(P::piDisplay));
  if (s == u"block") return TPropDisplay::pdBlock;
  if (s == u"inline") return TPropDisplay::pdInline;
  if (s == u"inline-block") return TPropDisplay::pdInlineBlock;
  if (s == u"list-item") return TPropDisplay::pdListItem;
  if (s == u"run-in") return TPropDisplay::pdRunIn;
  if (s == u"none") return TPropDisplay::pdNone;
  return TPropDisplay::pdUnassigned;
}

ListBulletType TProperties::GetListStyleType() const {
  static const std::u16string_view names[] = {u"blank", u"circle", u"decimal", u"disc",
                                              u"lower-alpha", u"lower-roman", u"none",
                                              u"square", u"upper-alpha", u"upper-roman"};
  std::u16string s = AsText(Get(P::ListStyleType));
  for (std::size_t i = 0; i < std::size(names); ++i)
    if (s == names[i]) return static_cast<ListBulletType>(i);
  return ListBulletType::lbBlank;
}

BorderStyleType TProperties::GetBorderStyle() const { return BorderStyleOf(AsText(Get(P::BorderStyle))); }

bool TProperties::BorderStyleNotBlank() const { return IsText(Get(P::BorderStyle)); }

bool TProperties::GetVertAlign(AlignmentType& align) const {
  std::u16string s = AsText(Get(P::VerticalAlign));
  if (s == u"top" || s == u"text-top") align = AlignmentType::ATop;
  else if (s == u"middle") align = AlignmentType::AMiddle;
  else if (s == u"baseline") align = AlignmentType::ABaseline;
  else if (s == u"bottom") align = AlignmentType::ABottom;
  else if (s == u"sub") align = AlignmentType::ASub;
  else if (s == u"super") align = AlignmentType::ASuper;
  else return false;
  return true;
}

bool TProperties::GetFloat(AlignmentType& align) const {
  std::u16string s = AsText(Get(P::Float));
  if (s == u"left") align = AlignmentType::ALeft;
  else if (s == u"right") align = AlignmentType::ARight;
  else if (s == u"none") align = AlignmentType::ANone;
  else return false;
  return true;
}

ClearAttrType TProperties::GetClear() const {
  std::u16string s = AsText(Get(P::Clear));
  if (s == u"left") return ClearAttrType::clLeft;
  if (s == u"right") return ClearAttrType::clRight;
  if (s == u"both") return ClearAttrType::clAll;
  return ClearAttrType::clrNone;
}

PositionType TProperties::GetPosition() const {
  std::u16string s = AsText(Get(P::Position));
  // A fixed box stands where it would with the page at its top: it is laid
  // out as an absolute one, out of the flow.
  if (s == u"absolute" || s == u"fixed") return PositionType::posAbsolute;
  if (s == u"relative") return PositionType::posRelative;
  return PositionType::posStatic;
}

VisibilityType TProperties::GetVisibility() const {
  const TPropValue& v = Get(P::Visibility);
  return IsInt(v) && std::get<int>(v) == 1 ? VisibilityType::viHidden : VisibilityType::viVisible;
}

bool TProperties::IsOverflowHidden() const { return AsText(Get(P::OverFlow)) == u"hidden"; }
bool TProperties::Collapse() const { return AsText(Get(P::BorderCollapse)) == u"collapse"; }
bool TProperties::ShowEmptyCells() const { return AsText(Get(P::piEmptyCells)) == u"show"; }

void TProperties::GetPageBreaks(bool& before, bool& after, bool& inside) const {
  before = AsText(Get(P::PageBreakBefore)) == u"always";
  after = AsText(Get(P::PageBreakAfter)) == u"always";
  inside = AsText(Get(P::PageBreakInside)) == u"avoid";
}

int TProperties::GetTextIndent(bool& percent) const {
  std::u16string s = Trim(AsText(Get(P::TextIndent)));
  percent = !s.empty() && s.back() == u'%';
  if (percent) {
    double n;
    return ReadLeadingNumber(s, n) > 0 ? std::clamp(SatRound(n), 0, 100) : 0;
  }
  EnsureFontSizes(s);
  return LengthConv(s, false, 0, EmSize, ExSize, 0, FDevice->PixelsPerInch());
}

void TProperties::EnsureFontSizes(std::u16string_view text) const {
  // Every unit that needs the font has an 'e' ("em", "ex"); other values
  // build no font.
  if (!FFont && text.find(u'e') != std::u16string_view::npos) GetFont();
}

int TProperties::GetLineHeight(int normalHeight) const {
  std::u16string s = Trim(AsText(Get(P::LineHeight)));
  if (s.empty() || s == u"normal") return -1;
  double n;
  std::size_t used = ReadLeadingNumber(s, n);
  if (used > 0 && used == s.size()) return SatRound(n * normalHeight);
  if (!FFont) GetFont();  // percentages are of the em too
  return LengthConv(s, false, EmSize, EmSize, ExSize, -1, FDevice->PixelsPerInch());
}

std::u16string TProperties::GetFontVariant() const {
  std::u16string s = AsText(Get(P::FontVariant));
  return s.empty() ? u"normal" : s;
}

TWhiteSpace TProperties::GetWhiteSpace() const {
  const auto* s = std::get_if<std::u16string>(&Get(P::WhiteSpace));
  if (!s || s->empty()) return TWhiteSpace::Normal;
  const std::u16string v = LowerCase(Trim(*s));
  if (v == u"nowrap") return TWhiteSpace::NoWrap;
  if (v == u"pre") return TWhiteSpace::Pre;
  if (v == u"pre-wrap") return TWhiteSpace::PreWrap;
  return TWhiteSpace::Normal;
}

int TProperties::GetTextTransform() const {
  const TPropValue& v = Get(P::TextTransform);
  return IsInt(v) ? std::get<int>(v) : 0;
}

TColor TProperties::GetBackgroundColor() const {
  const TPropValue& v = Get(P::BackgroundColor);
  return Original(P::BackgroundColor) && IsInt(v) ? static_cast<TColor>(std::get<int>(v)) : clNone;
}

TColor TProperties::GetOriginalForegroundColor() const {
  const TPropValue& v = Get(P::Color);
  return Original(P::Color) && IsInt(v) ? static_cast<TColor>(std::get<int>(v)) : clNone;
}

TProperties::TBackgroundPos TProperties::GetBackgroundPos() const {
  TBackgroundPos pos;
  std::u16string s = LowerCase(Trim(AsText(Get(P::BackgroundPosition))));
  std::vector<std::u16string> words;
  std::size_t i = 0;
  while (i < s.size() && words.size() < 2) {
    while (i < s.size() && IsSpace(s[i])) ++i;
    std::size_t b = i;
    while (i < s.size() && !IsSpace(s[i])) ++i;
    if (i > b) words.push_back(s.substr(b, i - b));
  }
  // Each word: (value, percent, axis) with axis 0 = either, 1 = x, 2 = y.
  auto read = [&](const std::u16string& w, int& value, bool& percent, int& axis) {
    axis = 0;
    percent = true;
    if (w == u"center") value = 50;
    else if (w == u"left") { value = 0; axis = 1; }
    else if (w == u"right") { value = 100; axis = 1; }
    else if (w == u"top") { value = 0; axis = 2; }
    else if (w == u"bottom") { value = 100; axis = 2; }
    else if (!w.empty() && w.back() == u'%') {
      double n;
      value = ReadLeadingNumber(w, n) > 0 ? SatRound(n) : 0;
    } else {
      percent = false;
      EnsureFontSizes(w);
      value = LengthConv(w, false, 0, EmSize, ExSize, 0, FDevice->PixelsPerInch());
    }
  };
  if (words.empty()) return pos;
  int v0, a0;
  bool p0;
  read(words[0], v0, p0, a0);
  if (words.size() == 1) {
    if (a0 == 2) { pos.Y = v0; pos.YPercent = p0; pos.X = 50; }
    else { pos.X = v0; pos.XPercent = p0; pos.Y = 50; }
    return pos;
  }
  int v1, a1;
  bool p1;
  read(words[1], v1, p1, a1);
  if (a0 == 2 || a1 == 1) {
    std::swap(v0, v1);
    std::swap(p0, p1);
  }
  pos.X = v0; pos.XPercent = p0; pos.Y = v1; pos.YPercent = p1;
  return pos;
}

void TProperties::GetBackgroundRepeat(bool& repeatX, bool& repeatY) const {
  std::u16string s = AsText(Get(P::BackgroundRepeat));
  repeatX = s != u"no-repeat" && s != u"repeat-y";
  repeatY = s != u"no-repeat" && s != u"repeat-x";
}

bool TProperties::BackgroundFixed() const { return AsText(Get(P::BackgroundAttachment)) == u"fixed"; }

void TProperties::ConvMargArray(int baseWidth, int baseHeight, TMarginArray& out,
                                int& autoCount) const {
  const int ppi = FDevice->PixelsPerInch();
  autoCount = 0;
  out.fill(0);
  auto conv = [&](const TPropValue& v, int base, int def) {
    if (IsInt(v)) return std::get<int>(v) == IntNull ? def : std::get<int>(v);
    if (auto d = std::get_if<double>(&v)) return SatRound(*d);
    std::u16string s = AsText(v);
    if (s == u"auto") return Auto;
    EnsureFontSizes(s);
    return LengthConv(s, false, base, EmSize, ExSize, def, ppi);
  };
  for (int i = Idx(P::BorderTopColor); i <= Idx(P::BorderLeftColor); ++i) {
    const TPropValue& v = Get(static_cast<P>(i));
    out[static_cast<std::size_t>(i)] = IsInt(v) && std::get<int>(v) != IntNull ? std::get<int>(v)
                                                                               : static_cast<int>(clNone);
  }
  for (P p : {P::MarginTop, P::MarginBottom}) {
    const TPropValue& v = Get(p);
    int r = conv(v, baseWidth, 0);
    if (r == AutoParagraph) r = ParagraphAutoPixels;  // the caller tests the stored value for the flag
    if (r == Auto) r = 0;
    out[Idx(p)] = r;
  }
  for (P p : {P::MarginLeft, P::MarginRight}) {
    int r = conv(Get(p), baseWidth, 0);
    if (r == Auto) ++autoCount;
    out[Idx(p)] = r;
  }
  for (int i = Idx(P::PaddingTop); i <= Idx(P::PaddingLeft); ++i)
    out[static_cast<std::size_t>(i)] = conv(Get(static_cast<P>(i)), baseWidth, 0);
  constexpr P sideStyles[4] = {P::BorderTopStyle, P::BorderRightStyle, P::BorderBottomStyle, P::BorderLeftStyle};
  for (int k = 0; k < 4; ++k) {
    int i = Idx(P::BorderTopWidth) + k;
    const TPropValue& style = Get(sideStyles[k]);
    const TPropValue& v = Get(static_cast<P>(i));
    std::u16string s = AsText(v);
    int r;
    if (!IsText(style) || AsText(style) == u"none") r = 0;
    else if (IsInt(v) && std::get<int>(v) == IntNull) r = 4;
    else if (s == u"thin") r = 2;
    else if (s == u"medium") r = 4;
    else if (s == u"thick") r = 6;
    else r = conv(v, baseWidth, 4);
    out[static_cast<std::size_t>(i)] = r;
  }
  int width = conv(Get(P::Width), baseWidth, Auto);
  if (width == Auto) ++autoCount;
  out[Idx(P::Width)] = width;
  const TPropValue& height = Get(P::Height);
  int h = conv(height, baseHeight, Auto);
  if (IsText(height) && !AsText(height).empty() && AsText(height).back() == u'%' && h != Auto)
    h = std::max(0, h - out[Idx(P::PaddingTop)] - out[Idx(P::PaddingBottom)] -
                        out[Idx(P::BorderTopWidth)] - out[Idx(P::BorderBottomWidth)]);
  out[Idx(P::Height)] = h;
  out[Idx(P::TopPos)] = conv(Get(P::TopPos), baseHeight, Auto);
  out[Idx(P::BottomPos)] = conv(Get(P::BottomPos), baseHeight, Auto);
  out[Idx(P::RightPos)] = conv(Get(P::RightPos), baseWidth, Auto);
  out[Idx(P::LeftPos)] = conv(Get(P::LeftPos), baseWidth, Auto);
  // "none" and a negative length set no limit.
  const TPropValue& maxWidth = Get(P::MaxWidth);
  const int mw = AsText(maxWidth) == u"none" ? Auto : conv(maxWidth, baseWidth, Auto);
  out[Idx(P::MaxWidth)] = mw < 0 ? Auto : mw;
}

}  // namespace tav
