#include "html/indent_manager.h"

#include <algorithm>

namespace tav {

namespace {
bool Covers(const IndentRec& r, int y) { return r.YT <= y && y < r.YB; }
}  // namespace

void IndentManagerBasic::Reset(int left, int right) {
  LfEdge = left;
  RtEdge = right;
  Width = right - left;
  CurrentID = nullptr;
}

void IndentManagerBasic::Clear() {
  L.clear();
  R.clear();
}

int IndentManagerBasic::LeftIndent(int y) const {
  int x = LfEdge;
  for (const IndentRec& r : L)
    if (Covers(r, y) && (r.Float || r.ID == nullptr || r.ID == CurrentID)) x = std::max(x, r.X);
  return x;
}

int IndentManagerBasic::RightSide(int y) const {
  bool any = false;
  int x = RtEdge;
  for (const IndentRec& r : R)
    if (Covers(r, y) && (r.Float || r.ID == nullptr || r.ID == CurrentID)) {
      x = any ? std::min(x, r.X) : r.X;
      any = true;
    }
  return x;
}

int IndentManagerBasic::SetLeftIndent(int x, int y) {
  L.push_back(IndentRec{x, y, INT_MAX, CurrentID, false});
  return static_cast<int>(L.size()) - 1;
}

int IndentManagerBasic::SetRightIndent(int x, int y) {
  R.push_back(IndentRec{x, y, INT_MAX, CurrentID, false});
  return static_cast<int>(R.size()) - 1;
}

// A freed entry covers nothing; indices of the others stay valid.
void IndentManagerBasic::FreeLeftIndentRec(int index) {
  if (index < 0 || index >= static_cast<int>(L.size())) return;
  if (index + 1 == static_cast<int>(L.size())) L.pop_back();
  else L[static_cast<std::size_t>(index)].YB = L[static_cast<std::size_t>(index)].YT;
}

void IndentManagerBasic::FreeRightIndentRec(int index) {
  if (index < 0 || index >= static_cast<int>(R.size())) return;
  if (index + 1 == static_cast<int>(R.size())) R.pop_back();
  else R[static_cast<std::size_t>(index)].YB = R[static_cast<std::size_t>(index)].YT;
}

int IndentManagerBasic::ImageBottom() const {
  int b = 0;
  for (const auto* side : {&L, &R})
    for (const IndentRec& r : *side)
      if (r.Float) b = std::max(b, r.YB);
  return b;
}

void IndentManagerBasic::GetClearY(int& clearLeft, int& clearRight) const {
  auto lowest = [](const std::vector<IndentRec>& side) {
    int b = 0;
    bool any = false;
    for (const IndentRec& r : side)
      if (r.Float) {
        b = std::max(b, r.YB);
        any = true;
      }
    return any && b < INT_MAX ? b + 1 : any ? INT_MAX : 0;
  };
  clearLeft = lowest(L);
  clearRight = lowest(R);
}

int IndentManagerBasic::GetNextWiderY(int y) const {
  int next = INT_MAX;
  bool any = false;
  for (const auto* side : {&L, &R})
    for (const IndentRec& r : *side)
      if (r.Float && Covers(r, y)) {
        next = std::min(next, r.YB);
        any = true;
      }
  return any ? next : y;
}

bool IndentManagerBasic::FloatsAt(int y) const {
  for (const auto* side : {&L, &R})
    for (const IndentRec& r : *side)
      if (r.Float && Covers(r, y)) return true;
  return false;
}

int IndentManager::PlaceFloat(int y, AlignmentType side, int fullWidth, int fullHeight) {
  long long yb = static_cast<long long>(y) + std::max(fullHeight, 0);
  int bottom = yb > INT_MAX ? INT_MAX : static_cast<int>(yb);
  if (side == AlignmentType::ARight) {
    int x = RightSide(y) - fullWidth;
    R.push_back(IndentRec{x, y, bottom, nullptr, true});
    return x;
  }
  int x = LeftIndent(y);
  L.push_back(IndentRec{x + fullWidth, y, bottom, nullptr, true});
  return x;
}

void IndentManager::UpdateBlock(int y, int x, int height, AlignmentType side) {
  long long yb = static_cast<long long>(y) + std::max(height, 0);
  int bottom = yb > INT_MAX ? INT_MAX : static_cast<int>(yb);
  if (side == AlignmentType::ARight) R.push_back(IndentRec{x, y, bottom, nullptr, true});
  else L.push_back(IndentRec{x, y, bottom, nullptr, true});
}

int IndentManager::GetNextLeftXY(int& y, int width, int maxRight) const {
  for (;;) {
    int x = LeftIndent(y);
    if (static_cast<long long>(x) + width <= std::min(maxRight, RightSide(y)) || !FloatsAt(y)) return x;
    int next = GetNextWiderY(y);
    if (next <= y) return x;
    y = next;
  }
}

}  // namespace tav
