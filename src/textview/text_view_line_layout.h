#pragma once
// One line as the view lays it out: its cells (tabs expanded to as many
// units as reach the next tab stop, every wide glyph preceded by filler
// units U+E000), the cell where each character starts, and its highlighter
// tokens in cells. Kept per line so that painting a row or converting a
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

struct TLineLayout {
  int Index = -1;  // 0-based buffer line; -1: unused
  // True when every character takes one cell and there are no tabs: then
  // Cells is the line itself and character k starts at cell k.
  bool Identity = true;
  std::u16string Cells;
  // The line with tabs expanded and no fillers (what the highlighter reads);
  // empty when Identity.
  std::u16string TabExpanded;
  // Cell where character k starts, for k = 0..length (the last entry is the
  // line's cell count); a low surrogate gets the cell after its pair. Empty
  // when Identity.
  std::vector<std::int32_t> CharToCell;
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

// True when the line needs no tab expansion and no fillers.
bool LineIsIdentity(std::u16string_view line, TheTextDrawer& drawer);

// Builds the cells of a line (and, when asked, its tab-expanded text and
// character-to-cell index). tabWidth <= 1: a tab is one cell.
void BuildLineCells(std::u16string_view line, int tabWidth, TheTextDrawer& drawer,
                    std::u16string& cells, std::u16string* tabExpanded,
                    std::vector<std::int32_t>* charToCell);

}  // namespace tav
