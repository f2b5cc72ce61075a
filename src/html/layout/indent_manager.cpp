#include "html/layout/indent_manager.h"

#include <algorithm>

#include "html/base/sat_math.h"

namespace tav {

namespace {

bool Covers(const IndentRec& r, int y) { return r.YT <= y && y < r.YB; }

// A freed entry covers nothing and is never a float, so it counts nowhere;
// it keeps its slot so that the indexes handed out for later entries stay
// valid whatever order the entries are freed in.
void Retire(std::vector<IndentRec>& list, int index) {
  if (index < 0 || index >= static_cast<int>(list.size())) return;
  IndentRec& r = list[static_cast<size_t>(index)];
  r.YT = r.YB = 0;
  r.Float = false;
  r.ID = nullptr;
  // Retired entries at the end are dropped for good.
  while (!list.empty() && !list.back().Float && list.back().YT == 0 && list.back().YB == 0)
    list.pop_back();
}

int FloatBottom(const std::vector<IndentRec>& list, bool& any) {
  int bottom = 0;
  for (const IndentRec& r : list)
    if (r.Float) {
      bottom = any ? std::max(bottom, r.YB) : r.YB;
      any = true;
    }
  return bottom;
}

}  // namespace

void IndentManagerBasic::Reset(int left, int right) {
  LfEdge = left;
  RtEdge = right;
  Width = SatAdd(right, -left);
  CurrentID = nullptr;
}

void IndentManagerBasic::Clear() {
  L.clear();
  R.clear();
}

int IndentManagerBasic::LeftIndent(int y) const {
  int x = LfEdge;
  for (const IndentRec& r : L)
    if (Covers(r, y) && (r.Float || r.ID == CurrentID)) x = std::max(x, r.X);
  return x;
}

int IndentManagerBasic::RightSide(int y) const {
  bool found = false;
  int x = 0;
  for (const IndentRec& r : R)
    if (Covers(r, y) && (r.Float || r.ID == CurrentID)) {
      x = found ? std::min(x, r.X) : r.X;
      found = true;
    }
  return found ? x : RtEdge;
}

int IndentManagerBasic::SetLeftIndent(int x, int y) {
  L.push_back(IndentRec{x, y, INT_MAX, CurrentID, false});
  return static_cast<int>(L.size()) - 1;
}

int IndentManagerBasic::SetRightIndent(int x, int y) {
  R.push_back(IndentRec{x, y, INT_MAX, CurrentID, false});
  return static_cast<int>(R.size()) - 1;
}

void IndentManagerBasic::FreeLeftIndentRec(int index) { Retire(L, index); }
void IndentManagerBasic::FreeRightIndentRec(int index) { Retire(R, index); }

int IndentManagerBasic::ImageBottom() const {
  bool any = false;
  int left = FloatBottom(L, any);
  bool anyRight = false;
  int right = FloatBottom(R, anyRight);
  if (!any) return anyRight ? right : 0;
  return anyRight ? std::max(left, right) : left;
}

void IndentManagerBasic::GetClearY(int& clearLeft, int& clearRight) const {
  bool any = false;
  int bottom = FloatBottom(L, any);
  clearLeft = any ? SatAdd(bottom, 1) : 0;
  any = false;
  bottom = FloatBottom(R, any);
  clearRight = any ? SatAdd(bottom, 1) : 0;
}

int IndentManagerBasic::GetNextWiderY(int y) const {
  bool found = false;
  int next = y;
  for (const auto* list : {&L, &R})
    for (const IndentRec& r : *list)
      if (r.Float && Covers(r, y)) {
        next = found ? std::min(next, r.YB) : r.YB;
        found = true;
      }
  return next;
}

bool IndentManagerBasic::FloatsAt(int y) const {
  for (const auto* list : {&L, &R})
    for (const IndentRec& r : *list)
      if (r.Float && Covers(r, y)) return true;
  return false;
}

int IndentManager::PlaceFloat(int y, AlignmentType side, int fullWidth, int fullHeight) {
  const int bottom = SatAdd(y, std::max(0, fullHeight));
  fullWidth = std::max(0, fullWidth);
  if (side == AlignmentType::ARight) {
    const int x = SatAdd(RightSide(y), -fullWidth);
    R.push_back(IndentRec{x, y, bottom, nullptr, true});
    return x;
  }
  const int x = LeftIndent(y);
  L.push_back(IndentRec{SatAdd(x, fullWidth), y, bottom, nullptr, true});
  return x;
}

void IndentManager::UpdateBlock(int y, int x, int height, AlignmentType side) {
  IndentRec r{x, y, SatAdd(y, std::max(0, height)), nullptr, true};
  (side == AlignmentType::ARight ? R : L).push_back(r);
}

int IndentManager::GetNextLeftXY(int& y, int width, int maxRight) const {
  for (;;) {
    const int x = LeftIndent(y);
    const int right = std::min(RightSide(y), maxRight);
    if (static_cast<long long>(right) - x >= width || !FloatsAt(y)) return x;
    // Every covering float ends below y, so y goes down each time and the
    // search ends after the last float at the latest.
    const int next = GetNextWiderY(y);
    if (next <= y) return x;
    y = next;
  }
}

}  // namespace tav
