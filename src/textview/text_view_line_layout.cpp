#include "textview/text_view_line_layout.h"

#include <algorithm>
#include <numeric>

#include "textview/char_class.h"
#include "textview/highlighter.h"
#include "textview/text_drawer.h"

namespace tav {

int TLineLayout::CellOfChar(int k) const {
  const int length = Identity ? CellCount() : static_cast<int>(CharToCell.size()) - 1;
  if (k <= length) return Identity ? k : CharToCell[static_cast<std::size_t>(k)];
  return (Identity ? length : CharToCell.back()) + (k - length);
}

int TLineLayout::CharOfColumn(int column) const {
  // Characters are consumed while the cells before them are below the
  // column: the count of entries below `column`.
  if (Identity) return column;
  auto it = std::lower_bound(CharToCell.begin(), CharToCell.end(), column);
  if (it != CharToCell.end()) return static_cast<int>(it - CharToCell.begin());
  const int length = static_cast<int>(CharToCell.size()) - 1;
  return length + (column - CharToCell.back());
}

bool LineIsIdentity(std::u16string_view line, TheTextDrawer& drawer) {
  for (char16_t c : line) {
    if (c == u'\t' || !drawer.IsSingleCell(c)) return false;
  }
  return true;
}

void BuildLineCells(std::u16string_view line, int tabWidth, TheTextDrawer& drawer,
                    std::u16string& cells, std::u16string* tabExpanded,
                    std::vector<std::int32_t>* charToCell, std::vector<TCellMark>* marks) {
  cells.clear();
  if (marks) marks->clear();
  cells.reserve(line.size());
  if (tabExpanded) {
    tabExpanded->clear();
    tabExpanded->reserve(line.size());
  }
  if (charToCell) {
    charToCell->clear();
    charToCell->reserve(line.size() + 1);
  }
  // Tab stops count units of the tab-expanded line, as the buffer does.
  std::size_t tabColumn = 0;
  for (std::size_t i = 0; i < line.size();) {
    // A run of units that take one cell each is copied as it is.
    std::size_t end = i;
    while (end < line.size() && line[end] != u'\t' && drawer.IsSingleCell(line[end])) ++end;
    if (end > i) {
      if (charToCell) {
        const std::size_t from = charToCell->size();
        charToCell->resize(from + (end - i));
        std::iota(charToCell->begin() + static_cast<std::ptrdiff_t>(from), charToCell->end(),
                  static_cast<std::int32_t>(cells.size()));
      }
      cells.append(line.substr(i, end - i));
      if (tabExpanded) tabExpanded->append(line.substr(i, end - i));
      tabColumn += end - i;
      i = end;
      continue;
    }
    const char16_t c = line[i];
    if (charToCell) charToCell->push_back(static_cast<std::int32_t>(cells.size()));
    if (IsCombiningMark(c)) {
      // Over the character before it, or on a cell of its own.
      if (MarkTakesNoCell(line, i)) {
        if (marks) marks->push_back({static_cast<std::int32_t>(cells.size()) - 1, c});
      } else {
        cells += c;
      }
      if (tabExpanded) *tabExpanded += c;
      ++tabColumn;
      ++i;
      continue;
    }
    if (c == u'\t') {
      std::size_t n = 1;
      if (tabWidth > 1) n = static_cast<std::size_t>(tabWidth) - tabColumn % static_cast<std::size_t>(tabWidth);
      const char16_t unit = tabWidth > 1 ? u'\t' : u' ';
      cells.append(n, unit);
      if (tabExpanded) tabExpanded->append(n, unit);
      tabColumn += n;
      ++i;
      continue;
    }
    if (IsHighSurrogate(c) && i + 1 < line.size() && IsLowSurrogate(line[i + 1])) {
      const char32_t ch =
          0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) + (line[i + 1] - 0xDC00);
      cells.append(static_cast<std::size_t>(drawer.CellsOf(ch) - 2), kWideGlyphFiller);
      cells += c;
      cells += line[i + 1];
      if (tabExpanded) {
        *tabExpanded += c;
        *tabExpanded += line[i + 1];
      }
      tabColumn += 2;
      i += 2;
      if (charToCell) charToCell->push_back(static_cast<std::int32_t>(cells.size()));
      continue;
    }
    cells.append(static_cast<std::size_t>(drawer.CellsOf(c) - 1), kWideGlyphFiller);
    cells += c;
    if (tabExpanded) *tabExpanded += c;
    ++tabColumn;
    ++i;
  }
  if (charToCell) charToCell->push_back(static_cast<std::int32_t>(cells.size()));
}

}  // namespace tav
