#include "html/layout/font_obj.h"

#include <algorithm>
#include <unordered_set>

#include "html/base/sat_math.h"
#include "html/layout/document.h"
#include "html/layout/text/section.h"

namespace tav {

TFontObj::TFontObj(TSection* section, const TMyFont& font, int pos) : Section(section), Pos(pos) {
  SetFont(font);
}

void TFontObj::SetFont(const TMyFont& font) {
  TheFont = font;
  tmHeight = font.tmHeight;
  tmMaxCharWidth = font.tmMaxCharWidth;
  FontHeight = SatAdd(font.tmHeight, font.tmExternalLeading);
  Descent = font.tmDescent;
  Overhang = font.Desc.Italic ? font.tmHeight / 10 : 0;
  if (Section) Section->FontsChanged();
}

namespace {

// The font of one link state: the run's face and character set with the
// state's size, weight, style, decoration and colours.
TMyFont LinkStateFont(TGraphicsDevice& device, const TMyFont& base, const TFontInfo& info) {
  TMyFont font = base;
  TFontDesc& d = font.Desc;
  d.Height = -SatRound(device.PixelsPerInch() * info.Size / 72);
  d.Weight = WeightIsBold(info.Weight) ? FW_BOLD : FW_NORMAL;
  d.Italic = info.Style.find(u"italic") != std::u16string::npos ||
             info.Style.find(u"oblique") != std::u16string::npos;
  d.Underline = info.Decoration.find(u"underline") != std::u16string::npos;
  d.StrikeOut = info.Decoration.find(u"line-through") != std::u16string::npos;
  font.Color = info.Color;
  font.bgColor = info.BGColor;
  font.TakeFont(device.CreateFont(d));
  return font;
}

}  // namespace

void TFontObj::SetVisited(bool visited) {
  FVisited = visited;
  if (!FIArray || !Section) return;
  TLinkState state = FHover ? (visited ? lsHoverVisited : lsHover) : (visited ? lsVisited : lsNormal);
  SetFont(LinkStateFont(Section->ParentSectionList.Device, TheFont, (*FIArray)[state]));
}

void TFontObj::SetHover(bool hover) {
  ApplyHover(hover);
  if (!Section || !UrlTarget) return;
  // The other runs of the same link next to this one (in document order)
  // light up with it.
  auto& links = Section->ParentSectionList.Links.LinkList;
  auto self = std::find(links.begin(), links.end(), this);
  if (self == links.end()) return;
  for (auto it = self; it != links.begin() && (*(it - 1))->UrlTarget == UrlTarget; --it)
    (*(it - 1))->ApplyHover(hover);
  for (auto it = self + 1; it != links.end() && (*it)->UrlTarget == UrlTarget; ++it)
    (*it)->ApplyHover(hover);
}

void TFontObj::ApplyHover(bool hover) {
  if (FHover == hover) return;
  FHover = hover;
  if (!FIArray || !Section) return;
  TLinkState state = hover ? (FVisited ? lsHoverVisited : lsHover) : (FVisited ? lsVisited : lsNormal);
  SetFont(LinkStateFont(Section->ParentSectionList.Device, TheFont, (*FIArray)[state]));
}

// ---------------------------------------------------------------- list

namespace {
// Index of the run containing pos: the last run starting at or before it
// (the first run for positions before every run).
int RunIndexAt(const TFontList& list, int pos) {
  auto it = std::upper_bound(list.Items.begin(), list.Items.end(), pos,
                             [](int p, const std::unique_ptr<TFontObj>& run) { return p < run->Pos; });
  int i = static_cast<int>(it - list.Items.begin()) - 1;
  return std::max(i, 0);
}
}  // namespace

TFontObj* TFontList::GetFontObjAt(int pos) const {
  if (Items.empty()) return nullptr;
  return Items[static_cast<std::size_t>(RunIndexAt(*this, pos))].get();
}

const TMyFont* TFontList::GetFontAt(int pos, int& overhang) const {
  TFontObj* run = GetFontObjAt(pos);
  overhang = run ? run->Overhang : 0;
  return run ? &run->TheFont : nullptr;
}

int TFontList::GetFontCountAt(int pos, int len) const {
  if (Items.empty()) return len;
  int i = RunIndexAt(*this, pos);
  if (i + 1 < Count()) return std::max(0, std::min(len, (*this)[i + 1].Pos - pos));
  return len;
}

void TFontList::Decrement(int pos) {
  for (auto& run : Items)
    if (run->Pos > pos) --run->Pos;
  // A run left without characters gives way to the one that now starts
  // where it does.
  std::vector<std::unique_ptr<TFontObj>> kept;
  std::vector<std::unique_ptr<TFontObj>> dropped;
  for (std::size_t i = 0; i < Items.size(); ++i) {
    if (i + 1 < Items.size() && Items[i]->Pos == Items[i + 1]->Pos)
      dropped.push_back(std::move(Items[i]));
    else
      kept.push_back(std::move(Items[i]));
  }
  Items = std::move(kept);
  ForgetRuns(dropped);
}

void TFontList::ForgetRuns(const std::vector<std::unique_ptr<TFontObj>>& runs) {
  // Link runs are listed by the document; drop them there before they go.
  std::unordered_set<const TFontObj*> gone;
  std::vector<TFontObj*>* links = nullptr;
  for (const auto& run : runs) {
    if (!run || !run->Section || !run->UrlTarget) continue;
    links = &run->Section->ParentSectionList.Links.LinkList;
    if (links->empty()) return;  // the document is going
    gone.insert(run.get());
  }
  if (gone.empty()) return;
  // The runs that go are nearly always the newest, at the end of the list.
  for (std::size_t i = links->size(); i > 0 && !gone.empty(); --i)
    if (gone.erase((*links)[i - 1])) links->erase(links->begin() + static_cast<std::ptrdiff_t>(i - 1));
}

}  // namespace tav
