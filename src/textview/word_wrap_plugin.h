#pragma once
// The word-wrap row map: for every buffer line, how many display rows it
// takes and how many cells each row holds. Positions are converted between
// a cell column within a line and (column, row) on the screen, and the map is
// updated incrementally as lines are inserted, deleted or replaced.
//
// The map works on each line's cells: its tab-expanded text with every wide
// glyph preceded by filler units, one unit a cell. It asks its owner for
// them, so it needs no window and no fonts.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "textview/text_view_coords.h"

namespace tav {

// What the row map needs from the view that owns it.
class TWordWrapOwner {
 public:
  virtual ~TWordWrapOwner() = default;
  virtual int WrapLineCount() = 0;
  // Whole cells across the text area.
  virtual int WrapCharsInWindow() = 0;
  // Line `index` (0-based) as cells; may return a view of `scratch`, valid
  // until the next call.
  virtual std::u16string_view WrapLineCells(int index, std::u16string& scratch) = 0;
  virtual bool WrapIsWordBreakChar(char16_t c) = 0;
};

class TWordWrapPlugin {
 public:
  // Rows are stored in 16 bits: wider windows wrap at this many cells.
  static constexpr int kMaxRowLengthLimit = 65535;

  // Throws std::invalid_argument without an owner. Ends with Reset.
  explicit TWordWrapPlugin(TWordWrapOwner* owner);

  // aPos.Char is a cell column within the line.
  TDisplayCoord BufferToDisplayPos(const TBufferCoord& aPos);
  // The result's Char is a cell column within the line.
  TBufferCoord DisplayToBufferPos(const TDisplayCoord& aPos);
  int RowCount() const { return fLineOffsets.empty() ? 0 : fLineOffsets.back(); }
  // Length of a 1-based row; outside 1..RowCount throws std::out_of_range.
  int GetRowLength(int aRow) const;
  // Each returns the change in the number of rows.
  int LinesInserted(int aIndex, int aCount);
  int LinesDeleted(int aIndex, int aCount);
  int LinesPutted(int aIndex, int aCount);
  // The window width may have changed: re-wraps when the cells per row did.
  void DisplayChanged();
  void Reset();

  int LineCount() const { return static_cast<int>(fLineOffsets.size()); }
  int MaxRowLength() const { return fMaxRowLength; }
  int MinRowLength() const { return fMinRowLength; }
  // The 1-based row number of the last row of 0-based line `index`.
  int LineOffset(int index) const { return fLineOffsets[static_cast<std::size_t>(index)]; }
  // The 0-based line holding 1-based row `aRow` (binary search); the row
  // must be in 1..RowCount.
  int RowToLineIndex(int aRow) const;

  // Cuts one line's cells into rows no longer than maxRowLength, breaking
  // where isBreak allows after more than minRowLength cells; appends the
  // row lengths to `rows`.
  template <class IsBreak>
  static void WrapCells(std::u16string_view cells, int maxRowLength, int minRowLength,
                        IsBreak&& isBreak, std::vector<std::uint16_t>& rows);

 private:
  int RowsBefore(int index) const { return index == 0 ? 0 : LineOffset(index - 1); }
  void WrapLine(int index, std::vector<std::uint16_t>& rows);
  void WrapAllLines();
  void ForgetRowSums() { fSumsLine = -1; }
  // Cell totals before each row of line `index` (prefix sums, one more
  // entry than rows), kept for the last line asked about.
  const std::vector<std::int64_t>& RowSums(int index);

  TWordWrapOwner* fOwner;
  std::vector<std::int32_t> fLineOffsets;
  std::vector<std::uint16_t> fRowLengths;
  int fMaxRowLength = 0;
  int fMinRowLength = 1;
  std::u16string fScratch;
  int fSumsLine = -1;
  std::vector<std::int64_t> fSums;
};

template <class IsBreak>
void TWordWrapPlugin::WrapCells(std::u16string_view cells, int maxRowLength, int minRowLength,
                                IsBreak&& isBreak, std::vector<std::uint16_t>& rows) {
  const std::size_t length = cells.size();
  const std::size_t maxRow = static_cast<std::size_t>(maxRowLength);
  const std::size_t minRow = static_cast<std::size_t>(minRowLength);
  std::size_t begin = 0;
  std::size_t end = maxRow;
  while (end < length) {
    // The last break character after more than minRow cells starts the
    // next row; none: cut the row full.
    std::size_t k = end;
    for (; k > begin + minRow; --k) {
      if (isBreak(cells[k])) break;
    }
    if (k > begin + minRow) end = k;
    // Never split a surrogate pair or a wide glyph from its fillers.
    if (end - 1 > begin && (cells[end] & 0xFC00) == 0xDC00 && (cells[end - 1] & 0xFC00) == 0xD800)
      --end;
    while (end - 1 > begin && cells[end - 1] == u'\uE000') --end;
    rows.push_back(static_cast<std::uint16_t>(end - begin));
    begin = end;
    end = begin + maxRow;
  }
  if (begin < length || length == 0) rows.push_back(static_cast<std::uint16_t>(length - begin));
}

}  // namespace tav
