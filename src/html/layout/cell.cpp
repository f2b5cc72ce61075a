#include "html/layout/cell.h"

#include <algorithm>
#include <climits>

#include "html/base/sat_math.h"
#include "html/layout/block.h"
#include "html/layout/document.h"
#include "html/layout/text/section.h"

namespace tav {

TCellBasic::~TCellBasic() = default;

namespace {

// Clearing both sides wins; one side and the other make both.
ClearAttrType JoinClear(ClearAttrType a, ClearAttrType b) {
  if (a == ClearAttrType::clrNone) return b;
  if (b == ClearAttrType::clrNone || a == b) return a;
  return ClearAttrType::clAll;
}

}  // namespace

void TCellBasic::Add(std::unique_ptr<TSectionBase> item, int index) {
  if (!item) return;
  if (auto* section = dynamic_cast<TSection*>(item.get())) {
    section->ProcessText(index);
    // An empty section takes no room; one that a name refers to stays.
    if (section->Len == 0 && section->Images.Count() == 0 && section->FormControls.Count() == 0 &&
        !Document.Links.NamedItems.count(section)) {
      PendingClear = JoinClear(PendingClear, section->ClearAttr);
      return;
    }
    section->ClearAttr = JoinClear(section->ClearAttr, PendingClear);
    PendingClear = ClearAttrType::clrNone;
  } else if (auto* block = dynamic_cast<TBlock*>(item.get())) {
    block->ClearAttr = JoinClear(block->ClearAttr, PendingClear);
    PendingClear = ClearAttrType::clrNone;
  }
  Items.push_back(std::move(item));
}

bool TCellBasic::CheckLastBottomMargin() {
  if (Items.empty()) return false;
  auto* block = dynamic_cast<TBlock*>(Items.back().get());
  if (!block || !block->BottomAuto) return false;
  block->MarginBottom = 0;
  block->BottomAuto = false;
  return true;
}

int TCellBasic::DoLogic(TSurface& surface, int x, int y, int width, int availableHeight,
                        int blockHeight, int& scrollWidth, int& curs, TFirstLine& firstLine) {
  IndentManager& imgr = Indents();
  int h = 0;
  int drawBot = y;
  for (auto& item : Items) {
    int sw = 0;
    int ih = item->DrawLogic(surface, x, SatAdd(y, h), 0, 0, width, availableHeight, blockHeight,
                             imgr, sw, curs, firstLine);
    h = SatAdd(h, ih);
    scrollWidth = std::max(scrollWidth, sw);
    drawBot = std::max(drawBot, item->DrawBot);
  }
  tcContentBot = SatAdd(y, h);
  tcDrawBot = std::max(drawBot, tcContentBot);
  return h;
}

void TCellBasic::MinMaxWidth(TSurface& surface, int& min, int& max) {
  min = max = 0;
  for (auto& item : Items) {
    int mn = 0, mx = 0;
    item->MinMaxWidth(surface, mn, mx);
    min = std::max(min, mn);
    max = std::max(max, mx);
  }
}

namespace {

// An item's vertical reach: floats may reach above their flow position and
// content below the drawn part.
int ItemTop(const TSectionBase& item) {
  return std::min({item.DrawTop, item.YDraw, item.ContentTop});
}
int ItemBot(const TSectionBase& item) { return std::max(item.DrawBot, item.ContentBot); }

}  // namespace

std::pair<std::size_t, std::size_t> TCellBasic::ItemsNear(long long top, long long bottom) {
  const std::size_t n = Items.size();
  if (FIndexCycle != Document.LayoutPass.CycleNumber || FMaxBot.size() != n) {
    FMaxBot.resize(n);
    FMinTop.resize(n);
    int bot = INT_MIN;
    for (std::size_t i = 0; i < n; ++i) FMaxBot[i] = bot = std::max(bot, ItemBot(*Items[i]));
    int least = INT_MAX;
    for (std::size_t i = n; i > 0; --i) FMinTop[i - 1] = least = std::min(least, ItemTop(*Items[i - 1]));
    FIndexCycle = Document.LayoutPass.CycleNumber;
  }
  auto first = std::lower_bound(FMaxBot.begin(), FMaxBot.end(), top,
                                [](int b, long long v) { return b < v; });
  std::size_t from = static_cast<std::size_t>(first - FMaxBot.begin());
  std::size_t to = from;
  while (to < n && FMinTop[to] <= bottom) ++to;
  return {from, to};
}

int TCellBasic::Draw(TSurface& surface, const TRect& clip, int x, int xRef, int yRef) {
  IndentManager& imgr = Indents();
  const long long yOff = Document.PaintPass.YOff;
  int bottom = 0;
  const auto [from, to] = ItemsNear(clip.Top - 40LL + yOff, clip.Bottom + 40LL + yOff);
  for (std::size_t i = from; i < to; ++i) {
    TSectionBase& item = *Items[i];
    // Items wholly above or below the clip paint nothing (floats may reach
    // above their flow position, so DrawTop and DrawBot decide).
    long long itemTop = static_cast<long long>(std::min(item.DrawTop, item.YDraw)) - yOff;
    long long itemBot = static_cast<long long>(std::max(item.DrawBot, item.ContentBot)) - yOff;
    if (itemBot < clip.Top - 40 || itemTop > clip.Bottom + 40) continue;
    bottom = std::max(bottom, item.Draw1(surface, clip, imgr, x, xRef, yRef));
  }
  return bottom;
}

void TCellBasic::AddSectionsToList() {
  for (auto& item : Items) item->AddSectionsToList();
}

void TCellBasic::CopyToClipboard() {
  for (auto& item : Items) item->CopyToClipboard();
}

unsigned TCellBasic::GetURL(TSurface& surface, int x, int y, TLinkHit& hit) {
  const auto [from, to] = ItemsNear(y, y);
  for (std::size_t i = from; i < to; ++i) {
    TSectionBase& item = *Items[i];
    if (y < std::min(item.DrawTop, item.ContentTop) || y >= std::max(item.DrawBot, item.ContentBot))
      continue;
    if (unsigned r = item.GetURL(surface, x, y, hit)) return r;
  }
  return 0;
}

void TCellBasic::MoveY(int dy) {
  if (dy == 0) return;
  FIndexCycle = -1;
  for (auto& item : Items) item->MoveY(dy);
  tcContentBot = TSectionBase::ShiftY(tcContentBot, dy);
  tcDrawBot = TSectionBase::ShiftY(tcDrawBot, dy);
}

}  // namespace tav
