#pragma once
// One line as the view lays it out: its cells (tabs expanded to as many
// units as reach the next tab stop, every wide glyph preceded by filler
// units U+E000, combining marks left out and kept apart with the cell they
// are drawn over), the cell where each character starts, and its
// highlighter tokens in cells. Kept per line so that painting a row or converting a
// position deep inside a very long line costs no more than at its start.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tav {

class TheTextDrawer;
class THighlighterAttributes;

struct TLayoutToken {
  int Cell = 0;    // 0-based first cell
  int Length = 0;  // cells
  THighlighterAttributes* Attribute = nullptr;
};

// A combining mark drawn over the character whose last unit is at Cell.
struct TCellMark {
  std::int32_t Cell = 0;  // 0-based
  char16_t Mark = 0;
};

struct TLineLayout {
  int Index = -1;  // 0-based buffer line; -1: unused
  // True when every character takes one cell and there are no tabs or
  // combining marks: then Cells is the line itself and character k starts
  // at cell k.
  bool Identity = true;
  std::u16string Cells;
  // The line with tabs expanded, its marks and no fillers (what the
  // highlighter reads); empty when Identity.
  std::u16string TabExpanded;
  // Cell where character k starts, for k = 0..length (the last entry is the
  // line's cell count); a low surrogate and a combining mark get the cell
  // after the character they belong to. Empty when Identity.
  std::vector<std::int32_t> CharToCell;
  // The marks that take no cell, in line order.
  std::vector<TCellMark> Marks;
  bool TokensValid = false;
  std::vector<TLayoutToken> Tokens;

  int CellCount() const { return static_cast<int>(Cells.size()); }
  const std::u16string& HighlighterText() const { return Identity ? Cells : TabExpanded; }
  // 0-based cell where character k starts; past the end each character
  // counts one cell.
  int CellOfChar(int k) const;
  // The 1-based character a 1-based column falls on: the number of
  // characters that start before the column, so that a column inside a tab
  // or a wide glyph gives that character; past the end a cell a character.
  int CharOfColumn(int column) const;
};

// True when the line needs no tab expansion, no fillers and has no marks.
bool LineIsIdentity(std::u16string_view line, TheTextDrawer& drawer);

// True when the combining mark at line[i] takes no cell: it follows a
// character on the same line. A mark that starts the line or follows a tab
// has nothing to stand on and takes a cell of its own.
inline bool MarkTakesNoCell(std::u16string_view line, std::size_t i) {
  return i > 0 && line[i - 1] != u'\t';
}

// Builds the cells of a line (and, when asked, its tab-expanded text,
// character-to-cell index and cell-less marks). tabWidth <= 1: a tab is
// one cell.
void BuildLineCells(std::u16string_view line, int tabWidth, TheTextDrawer& drawer,
                    std::u16string& cells, std::u16string* tabExpanded,
                    std::vector<std::int32_t>* charToCell, std::vector<TCellMark>* marks = nullptr);

}  // namespace tav
