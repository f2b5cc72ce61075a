#include "textview/word_wrap_plugin.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace tav {

TWordWrapPlugin::TWordWrapPlugin(TWordWrapOwner* owner) : fOwner(owner) {
  if (!owner) throw std::invalid_argument("Owner of TWordWrapPlugin must be a TCustomTextView");
  Reset();
}

int TWordWrapPlugin::GetRowLength(int aRow) const {
  if (aRow < 1 || aRow > RowCount())
    throw std::out_of_range("List index out of bounds (" + std::to_string(aRow) + ")");
  return fRowLengths[static_cast<std::size_t>(aRow - 1)];
}

int TWordWrapPlugin::RowToLineIndex(int aRow) const {
  auto it = std::lower_bound(fLineOffsets.begin(), fLineOffsets.end(), aRow);
  return static_cast<int>(it - fLineOffsets.begin());
}

const std::vector<std::int64_t>& TWordWrapPlugin::RowSums(int index) {
  if (fSumsLine != index) {
    const int first = RowsBefore(index);
    const int last = LineOffset(index);
    fSums.assign(1, 0);
    fSums.reserve(static_cast<std::size_t>(last - first) + 1);
    for (int r = first; r < last; ++r)
      fSums.push_back(fSums.back() + fRowLengths[static_cast<std::size_t>(r)]);
    fSumsLine = index;
  }
  return fSums;
}

TDisplayCoord TWordWrapPlugin::BufferToDisplayPos(const TBufferCoord& aPos) {
  if (aPos.Line > LineCount()) return {aPos.Char, RowCount() + aPos.Line - LineCount()};
  const int index = aPos.Line - 1;
  const int first = RowsBefore(index);
  const std::vector<std::int64_t>& sums = RowSums(index);
  // The first row whose running total reaches the cell; past the end of the
  // line, the line's last row.
  auto it = std::lower_bound(sums.begin() + 1, sums.end(), static_cast<std::int64_t>(aPos.Char));
  if (it == sums.end()) --it;
  const int row = static_cast<int>(it - sums.begin());  // 1-based within the line
  return {aPos.Char - static_cast<int>(sums[static_cast<std::size_t>(row - 1)]), first + row};
}

TBufferCoord TWordWrapPlugin::DisplayToBufferPos(const TDisplayCoord& aPos) {
  if (aPos.Row > RowCount()) return {aPos.Column, aPos.Row - RowCount() + LineCount()};
  const int index = RowToLineIndex(aPos.Row);
  const int first = RowsBefore(index);
  const int cap = aPos.Row == LineOffset(index)
                      ? fMaxRowLength + 1
                      : fRowLengths[static_cast<std::size_t>(aPos.Row - 1)] + 1;
  const std::vector<std::int64_t>& sums = RowSums(index);
  const std::int64_t before = sums[static_cast<std::size_t>(aPos.Row - 1 - first)];
  return {static_cast<int>(std::min<std::int64_t>(std::min(aPos.Column, cap) + before, INT32_MAX)),
          index + 1};
}

void TWordWrapPlugin::WrapLine(int index, std::vector<std::uint16_t>& rows) {
  const std::u16string_view cells = fOwner->WrapLineCells(index, fScratch);
  WrapCells(cells, fMaxRowLength, fMinRowLength,
            [this](char16_t c) { return fOwner->WrapIsWordBreakChar(c); }, rows);
}

int TWordWrapPlugin::LinesInserted(int aIndex, int aCount) {
  if (fMaxRowLength == 0 || aCount <= 0) return 0;
  ForgetRowSums();
  // Wrap the new lines on the side, then open the gap in each array once.
  std::vector<std::uint16_t> rows;
  std::vector<std::int32_t> offsets;
  offsets.reserve(static_cast<std::size_t>(aCount));
  rows.reserve(static_cast<std::size_t>(aCount));
  const int before = RowsBefore(aIndex);
  for (int i = 0; i < aCount; ++i) {
    WrapLine(aIndex + i, rows);
    offsets.push_back(before + static_cast<std::int32_t>(rows.size()));
  }
  const int added = static_cast<int>(rows.size());
  fRowLengths.insert(fRowLengths.begin() + before, rows.begin(), rows.end());
  fLineOffsets.insert(fLineOffsets.begin() + aIndex, offsets.begin(), offsets.end());
  for (auto it = fLineOffsets.begin() + aIndex + aCount; it != fLineOffsets.end(); ++it)
    *it += added;
  return added;
}

int TWordWrapPlugin::LinesDeleted(int aIndex, int aCount) {
  if (fMaxRowLength == 0 || aCount <= 0 || aIndex >= LineCount()) return 0;
  ForgetRowSums();
  aCount = std::min(aCount, LineCount() - aIndex);
  const int s = RowsBefore(aIndex);
  const int e = LineOffset(aIndex + aCount - 1);
  fRowLengths.erase(fRowLengths.begin() + s, fRowLengths.begin() + e);
  fLineOffsets.erase(fLineOffsets.begin() + aIndex, fLineOffsets.begin() + aIndex + aCount);
  for (auto it = fLineOffsets.begin() + aIndex; it != fLineOffsets.end(); ++it) *it -= e - s;
  return e - s;
}

int TWordWrapPlugin::LinesPutted(int aIndex, int aCount) {
  if (fMaxRowLength == 0) return 0;
  ForgetRowSums();
  int change = 0;
  std::vector<std::uint16_t> rows;
  for (int i = aIndex; i < aIndex + aCount && i < LineCount(); ++i) {
    rows.clear();
    WrapLine(i, rows);
    const int first = RowsBefore(i);
    const int oldCount = LineOffset(i) - first;
    const int newCount = static_cast<int>(rows.size());
    const int d = newCount - oldCount;
    if (d > 0) {
      fRowLengths.insert(fRowLengths.begin() + first + oldCount, static_cast<std::size_t>(d), 0);
    } else if (d < 0) {
      fRowLengths.erase(fRowLengths.begin() + first + newCount,
                        fRowLengths.begin() + first + oldCount);
    }
    std::copy(rows.begin(), rows.end(), fRowLengths.begin() + first);
    if (d != 0)
      for (auto it = fLineOffsets.begin() + i; it != fLineOffsets.end(); ++it) *it += d;
    change += d;
  }
  return change;
}

void TWordWrapPlugin::DisplayChanged() {
  const int chars = std::clamp(fOwner->WrapCharsInWindow(), 0, kMaxRowLengthLimit);
  if (chars != fMaxRowLength) Reset();
}

void TWordWrapPlugin::Reset() {
  const int chars = std::clamp(fOwner->WrapCharsInWindow(), 0, kMaxRowLengthLimit);
  fMaxRowLength = chars;
  fMinRowLength = std::max(1, chars - chars / 3);
  WrapAllLines();
}

void TWordWrapPlugin::WrapAllLines() {
  ForgetRowSums();
  const int count = fOwner->WrapLineCount();
  fLineOffsets.clear();
  fRowLengths.clear();
  if (count == 0 || fMaxRowLength == 0) {
    fLineOffsets.shrink_to_fit();
    fRowLengths.shrink_to_fit();
    return;
  }
  fLineOffsets.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    WrapLine(i, fRowLengths);
    fLineOffsets.push_back(static_cast<std::int32_t>(fRowLengths.size()));
  }
}

}  // namespace tav
