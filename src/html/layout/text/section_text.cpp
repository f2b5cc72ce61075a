// Filling a text section: its characters, break codes, source indices and
// font runs; the clean-up when it is complete; positions and copying.
#include <algorithm>
#include <cstdint>
#include <cwctype>

#include "html/base/sat_math.h"
#include "html/css/prop_stack.h"
#include "html/css/units.h"
#include "html/layout/document.h"
#include "html/layout/text/section.h"

namespace tav {

namespace {

constexpr char16_t ShyCh = u'\u00AD';

bool IsSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDFFF; }

char16_t Upper(char16_t c) {
  if (c < 0x80) return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c;
  if (IsSurrogate(c)) return c;
  auto u = std::towupper(static_cast<wint_t>(c));
  return u <= 0xFFFF ? static_cast<char16_t>(u) : c;
}

char16_t Lower(char16_t c) {
  if (c < 0x80) return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c;
  if (IsSurrogate(c)) return c;
  auto l = std::towlower(static_cast<wint_t>(c));
  return l <= 0xFFFF ? static_cast<char16_t>(l) : c;
}

bool IsLowerLetter(char16_t c) { return Upper(c) != c; }

JustifyType JustifyOf(const TProperties& props) {
  std::u16string align = AsText(props.Get(PropIndices::TextAlign));
  if (align == u"right") return JustifyType::Right;
  if (align == u"center") return JustifyType::Centered;
  if (align == u"justify") return JustifyType::FullJustify;
  return JustifyType::Left;
}

}  // namespace

TSection::TSection(TSectionList& document, const TAttributeList* attrs, TProperties& props,
                   const TUrlTarget* link, TCellBasic* cell, bool firstLineIndent)
    : TSectionBase(document), OwnerCell(cell) {
  DisplayNone = props.GetDisplay() == TPropDisplay::pdNone;
  StartRun(props, link && link->HasUrl() ? link : nullptr);
  // A negative line height is no height: the font's own applies.
  int lh = props.GetLineHeight(Fonts[0].FontHeight);
  LineHeight = lh >= 0 ? lh : -1;
  if (firstLineIndent) SetTextIndent(props);
  ClearAttr = props.GetClear();
  if (attrs) {
    if (const TAttribute* clear = attrs->Find(ClearSy)) {
      std::u16string v = LowerCase(Trim(clear->Name));
      if (v == u"left") ClearAttr = ClearAttrType::clLeft;
      else if (v == u"right") ClearAttr = ClearAttrType::clRight;
      else if (v == u"all" || v == u"both") ClearAttr = ClearAttrType::clAll;
    }
    if (const TAttribute* id = attrs->Find(IDSy); id && !id->Name.empty())
      document.AddName(UpperCase(id->Name), TIDObject{this, 0});
  }
  Justify = JustifyOf(props);
  BreakWord = AsText(props.Get(PropIndices::WordWrap)) == u"break-word";
}

void TSection::SetTextIndent(const TProperties& props) {
  bool percent = false;
  int indent = props.GetTextIndent(percent);
  FLPercent = percent;
  FirstLineIndent = percent ? std::min(indent, 90) : indent;
}

TSection::~TSection() {
  std::vector<std::unique_ptr<TFontObj>> runs;
  for (auto& run : Fonts.Items) runs.push_back(std::move(run));
  Fonts.Items.clear();
  if (!runs.empty()) TFontList::ForgetRuns(runs);
}

TPreFormated::TPreFormated(TSectionList& document, const TAttributeList* attrs,
                           TProperties& props, const TUrlTarget* link, TCellBasic* cell,
                           bool firstLineIndent)
    : TSection(document, attrs, props, link, cell, firstLineIndent) {
  Preformatted = true;
}

// ---------------------------------------------------------------- font runs

void TSection::StartRun(TProperties& props, const TUrlTarget* link) {
  int pos = static_cast<int>(Buff.size());
  TFontObj* run;
  bool wasLink = false;
  if (!Fonts.Items.empty() && Fonts.Items.back()->Pos == pos) {
    run = Fonts.Items.back().get();
    wasLink = run->UrlTarget != nullptr;
    run->SetFont(props.GetFont());
  } else {
    Fonts.Add(std::make_unique<TFontObj>(this, props.GetFont(), pos));
    run = Fonts.Items.back().get();
  }
  run->UrlTarget = link;
  run->FIArray = link ? props.FIArray : nullptr;
  run->Title = props.PropTitle;
  AlignmentType align = AlignmentType::ANone;
  run->SScript = props.GetVertAlign(align) &&
                         (align == AlignmentType::ASub || align == AlignmentType::ASuper)
                     ? align
                     : AlignmentType::ANone;
  auto& links = ParentSectionList.Links.LinkList;
  if (link && !wasLink) links.push_back(run);
  if (!link && wasLink) {
    // The run was the newest link run: look for it from the end.
    auto it = std::find(links.rbegin(), links.rend(), run);
    if (it != links.rend()) links.erase(std::next(it).base());
  }
  FontsChanged();
}

void TSection::ChangeFont(TProperties& props) {
  // Inside a link the new run stays part of it.
  StartRun(props, Fonts.Items.empty() ? nullptr : Fonts.Items.back()->UrlTarget);
}

void TSection::HRef(Symb sy, TProperties& props, const TUrlTarget* link) {
  if (sy == ASy) StartRun(props, link && link->HasUrl() ? link : nullptr);
  else StartRun(props, nullptr);
}

// ---------------------------------------------------------------- text

void TSection::AppendText(const std::u16string& text, const std::vector<int>& indices,
                          std::size_t from, std::size_t to, bool noBreak) {
  if (to <= from) return;
  const char code = noBreak || (Preformatted && !WrapsLines) ? 'n' : 'y';
  if (Preformatted && text.find(u'\t', from) < to) {
    // A TAB moves to the next multiple of 8 characters from the start of
    // the line (this section), whatever the fonts of those characters.
    for (std::size_t i = from; i < to; ++i) {
      std::size_t n = text[i] == u'\t' ? TabWidth - Buff.size() % TabWidth : 1;
      Buff.append(n, text[i] == u'\t' ? u' ' : text[i]);
      Brk.append(n, code);
      XP.insert(XP.end(), n, indices[i]);
    }
    FWidthsValid = false;
    return;
  }
  Buff.append(text, from, to - from);
  Brk.append(to - from, code);
  XP.insert(XP.end(), indices.begin() + static_cast<std::ptrdiff_t>(from),
            indices.begin() + static_cast<std::ptrdiff_t>(to));
  FWidthsValid = false;
}

void TSection::AddTokenObj(const TokenObj& token, TPropStack& stack, bool noBreak) {
  if (DisplayNone || token.Leng() == 0) return;
  if (!stack.Empty() && stack.Last().GetDisplay() == TPropDisplay::pdNone) return;
  std::u16string text = token.S();
  std::vector<int> indices = token.Indices();
  if (!stack.Empty()) {
    TWhiteSpace ws = stack.Last().GetWhiteSpace();
    if (ws == TWhiteSpace::NoWrap || ws == TWhiteSpace::Pre) noBreak = true;
  }
  int transform = stack.Empty() ? 0 : stack.Last().GetTextTransform();
  if (transform == 1) for (auto& c : text) c = Upper(c);
  else if (transform == 2) for (auto& c : text) c = Lower(c);

  if (stack.Empty() || stack.Last().GetFontVariant() != u"small-caps") {
    AppendText(text, indices, 0, text.size(), noBreak);
    return;
  }
  // Small capitals: everything upper case, the letters that were lower
  // case in the font of SMALL. Spaces and digits stay in the current run.
  std::vector<bool> small(text.size());
  bool current = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char16_t c = text[i];
    if (c != u' ' && !(c >= u'0' && c <= u'9')) current = IsLowerLetter(c);
    small[i] = current;
    text[i] = Upper(c);
  }
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = start;
    while (end < text.size() && small[end] == small[start]) ++end;
    if (small[start]) {
      stack.PushNewProps(ParentSectionList.Styles, u"small", u"", u"", u"", u"", nullptr);
      ChangeFont(stack.Last());
      AppendText(text, indices, start, end, noBreak);
      stack.PopProp(u"small");
      ChangeFont(stack.Last());
    } else {
      AppendText(text, indices, start, end, noBreak);
    }
    start = end;
  }
}

void TSection::AddChar(char16_t ch, int index) {
  Buff.push_back(ch);
  Brk.push_back(Preformatted && !WrapsLines ? 'n' : 'y');
  XP.push_back(index);
  FWidthsValid = false;
}

TImageObj& TSection::AddImage(const TAttributeList& attributes, int index) {
  auto image = std::make_unique<TImageObj>(ParentSectionList, static_cast<int>(Buff.size()), attributes);
  TImageObj& result = *image;
  AddChar(ImageChar, index);
  Images.Add(std::move(image));
  return result;
}

TPanelObj& TSection::AddPanel(const TAttributeList& attributes, int index) {
  auto panel = std::make_unique<TPanelObj>(ParentSectionList, static_cast<int>(Buff.size()), attributes);
  TPanelObj& result = *panel;
  AddChar(ImageChar, index);
  Images.Add(std::move(panel));
  return result;
}

TPanelObj& TSection::AddPanel(std::unique_ptr<TPanelObj> panel, int index) {
  TPanelObj& result = *panel;
  result.Pos = static_cast<int>(Buff.size());
  AddChar(ImageChar, index);
  Images.Add(std::move(panel));
  return result;
}

void TSection::AddOpBrk() {
  if (!Brk.empty() && Brk.size() == Buff.size()) Brk.back() = 'a';
}

void TSection::ProcessText(int index) {
  // One pass over the characters, writing the kept ones in place: every
  // rule looks at what has been written so far, and font runs are mapped to
  // their new positions as the read position passes them.
  const std::size_t n = Buff.size();
  const int runCount = Fonts.Count();
  std::vector<int> runPos(static_cast<std::size_t>(runCount), 0);
  int r = 0;
  std::size_t w = 0;
  auto mapRuns = [&](std::size_t readPos) {
    while (r < runCount && static_cast<std::size_t>(std::max(Fonts[r].Pos, 0)) <= readPos)
      runPos[static_cast<std::size_t>(r++)] = static_cast<int>(w);
  };
  // Characters written and then taken back: runs that started on them
  // start where the writing goes on.
  auto unwrite = [&]() {
    --w;
    for (int k = r - 1; k >= 0 && runPos[static_cast<std::size_t>(k)] > static_cast<int>(w); --k)
      runPos[static_cast<std::size_t>(k)] = static_cast<int>(w);
  };
  auto floatingImageAt = [&](std::size_t pos) {
    bool floating = false;
    return Images.Count() > 0 && Images.GetWidthAt(static_cast<int>(pos), floating) >= 0 &&
           floating;
  };

  std::size_t i = 0;
  while (i < n && Buff[i] == u' ') ++i;  // leading spaces
  // Whether the character before the current one (soft hyphens aside) is
  // the last one written.
  bool prevKept = false;
  for (; i < n; ++i) {
    mapRuns(i);
    char16_t c = Buff[i];
    char code = Brk[i];
    if (c == ShyCh) {
      if (prevKept && w > 0 && Brk[w - 1] != 'n') Brk[w - 1] = 's';
      continue;
    }
    if (c == u' ' && w > 0) {
      char16_t last = Buff[w - 1];
      if (last == u' ') {
        if (Brk[w - 1] == 'n') {
          // Of two spaces the first goes when it may not break.
          Brk[w - 1] = code;
          XP[w - 1] = XP[i];
          prevKept = true;
        } else {
          prevKept = false;
        }
        continue;
      }
      if (last == BrkCh || (last == ImageChar && floatingImageAt(w - 1))) {
        prevKept = false;
        continue;
      }
    } else if (c == BrkCh) {
      while (w > 0 && Buff[w - 1] == u' ') unwrite();
    }
    // An image or control takes its new position when its placeholder is
    // written: objects already passed hold positions below w, the others their old
    // ones at or after i, so the list stays ordered for the look-ups.
    if (c == ImageChar && Images.Count() > 0)
      if (TFloatingObj* image = Images.FindImage(static_cast<int>(i))) image->Pos = static_cast<int>(w);
    if (c == FmCtlChar && FormControls.Count() > 0)
      if (TFormControlObj* control = FormControls.FindControl(static_cast<int>(i)))
        control->Pos = static_cast<int>(w);
    Buff[w] = c;
    Brk[w] = code;
    XP[w] = XP[i];
    ++w;
    prevKept = true;
  }
  mapRuns(SIZE_MAX);
  Buff.resize(w);
  Brk.resize(w);
  XP.resize(w);
  if (w > 0 && Buff[w - 1] == BrkCh) unwrite();
  if (w > 0 && Buff[w - 1] == u' ') unwrite();
  Buff.resize(w);
  Brk.resize(w);
  XP.resize(w);
  if (w > 0) {
    Buff.push_back(u' ');
    Brk.push_back('y');
    XP.push_back(index);
  }

  // Runs left without characters give way to the next one at their place.
  std::vector<std::unique_ptr<TFontObj>> kept, dropped;
  for (int k = 0; k < runCount; ++k)
    Fonts.Items[static_cast<std::size_t>(k)]->Pos =
        std::min(runPos[static_cast<std::size_t>(k)], static_cast<int>(Buff.size()));
  for (int k = 0; k < runCount; ++k) {
    auto& run = Fonts.Items[static_cast<std::size_t>(k)];
    if (k + 1 < runCount && Fonts.Items[static_cast<std::size_t>(k + 1)]->Pos == run->Pos)
      dropped.push_back(std::move(run));
    else
      kept.push_back(std::move(run));
  }
  Fonts.Items = std::move(kept);
  if (!dropped.empty()) TFontList::ForgetRuns(dropped);
  Finish();
}

void TPreFormated::ProcessText(int index) {
  AddChar(u' ', index);
  Finish();
}

void TSection::Finish() {
  Len = static_cast<int>(Buff.size());
  Brk.resize(Buff.size());
  Brk.push_back('y');
  SIndexList.clear();
  for (std::size_t i = 0; i < XP.size(); ++i)
    if (i == 0 || XP[i] != XP[i - 1] + 1)
      SIndexList.push_back(IndexObj{static_cast<int>(i), XP[i]});
  XP.clear();
  XP.shrink_to_fit();
  SectionNumber = ++ParentSectionList.LayoutPass.SectionCount;
  FontsChanged();
}

// ---------------------------------------------------------------- positions

int TSection::FindSourcePos(int docPos) const {
  long long i = static_cast<long long>(docPos) - StartCurs;
  if (i < 0 || i >= Len || SIndexList.empty()) return -1;
  auto it = std::upper_bound(SIndexList.begin(), SIndexList.end(), static_cast<int>(i),
                             [](int p, const IndexObj& o) { return p < o.Pos; });
  if (it == SIndexList.begin()) return -1;
  --it;
  return SatAdd(it->Index, static_cast<int>(i) - it->Pos);
}

int TSection::FindDocPos(int sourcePos, bool prev) const {
  if (Len == 0 || SIndexList.empty()) return -1;
  auto runEnd = [&](std::size_t k) {  // one past the run's last character
    return k + 1 < SIndexList.size() ? SIndexList[k + 1].Pos : Len;
  };
  const IndexObj& firstRun = SIndexList.front();
  const IndexObj& lastRun = SIndexList.back();
  int lastIndex = lastRun.Index + (Len - 1 - lastRun.Pos);
  if (sourcePos < firstRun.Index) return prev ? -1 : StartCurs;
  if (sourcePos > lastIndex) return prev ? StartCurs + Len - 1 : -1;
  auto it = std::upper_bound(SIndexList.begin(), SIndexList.end(), sourcePos,
                             [](int s, const IndexObj& o) { return s < o.Index; });
  std::size_t k = static_cast<std::size_t>(it - SIndexList.begin()) - 1;
  const IndexObj& run = SIndexList[k];
  int offset = sourcePos - run.Index;
  int end = runEnd(k);
  if (run.Pos + offset < end) return StartCurs + run.Pos + offset;
  // Between two runs (the source there made no characters).
  if (prev) return StartCurs + end - 1;
  return end < Len ? StartCurs + end : -1;
}

bool TSection::GetChAtPos(int pos, char16_t& ch) const {
  long long i = static_cast<long long>(pos) - StartCurs;
  if (i < 0 || i >= Len) return false;
  ch = Buff[static_cast<std::size_t>(i)];
  return true;
}

void TSection::AddSectionsToList() { ParentSectionList.LayoutPass.PositionList.push_back(this); }

void TSection::CopyToClipboard() {
  TSectionList& document = ParentSectionList;
  long long selB = static_cast<long long>(document.Selection.SelB) - StartCurs;
  long long selE = static_cast<long long>(document.Selection.SelE) - StartCurs;
  if (selE <= 0 || selB >= Len || selE <= selB) return;
  auto append = [&](int from, int to, bool trimEnd) {
    std::u16string part;
    for (int i = from; i < to; ++i) {
      char16_t c = Buff[static_cast<std::size_t>(i)];
      if (c == ImageChar || c == FmCtlChar || c == BrkCh) continue;
      part.push_back(c == u'\u00A0' ? u' ' : c);
    }
    if (trimEnd)
      while (!part.empty() && part.back() == u' ') part.pop_back();
    document.Selection.CopyBuffer += part;
  };
  bool any = false;
  bool wrote = false;
  for (const LineRec& line : Lines) {
    if (line.Ln == 0) continue;
    any = true;
    long long a = std::max<long long>(selB, line.Start);
    long long b = std::min<long long>(selE, static_cast<long long>(line.Start) + line.Ln);
    if (a >= b) continue;
    if (wrote) document.Selection.CopyBuffer += u"\r\n";
    bool continues = selE > static_cast<long long>(line.Start) + line.Ln;
    append(static_cast<int>(a), static_cast<int>(b), continues);
    wrote = true;
  }
  if (!any) append(static_cast<int>(std::max<long long>(selB, 0)),
                   static_cast<int>(std::min<long long>(selE, Len)), selE > Len);
  if (selE > Len) document.Selection.CopyBuffer += u"\r\n";
}

}  // namespace tav
