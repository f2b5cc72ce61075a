#pragma once
// The row-height arithmetic of tables, kept apart from cells and drawing:
// the cells come in as laid-out content heights with their spacing and
// specified heights, and each row's height goes out.
//
// Every product is formed in 64 bits and every result saturates to the int
// range; every divisor is checked. A table without rows gives no heights.
#include <vector>

namespace tav {

// A real cell as the row heights see it. Dummy cells are left out.
struct TRowCell {
  int Row = 0, RowSpan = 1;  // the first row and the rows covered (cut at the last row)
  int ContentHeight = 0;     // laid out content height
  int VrSpace = 0;           // top padding + top border + bottom border + bottom padding
  int SpecHt = -1;           // HEIGHT in pixels, -1 none
  int SpecHtPercent = -1;    // HEIGHT as a percentage 0..100, -1 none
};

// A row's own HEIGHT. It counts as the height of a cell on that row with no
// content and no padding or border.
struct TRowSpec {
  int SpecRowHeight = -1;         // pixels, -1 none
  int SpecRowHeightPercent = -1;  // percentage 0..100, -1 none
};

// The height of each row (spacing included, one per row) for a table of
// height `height` (0 when it has none); rows.size() is the number of rows.
//
// The available height H is height - cellSpacing. A cell's percentage height
// is that percentage of H - rows * cellSpacing, or in a table of one row the
// whole of it, whatever the percentage: then the table comes out exactly its
// height.
//
// Cells are taken by increasing row span (only the spans present, document
// order within one). A cell of one row raises its row's minimum to its
// content height + VrSpace, and to its pixel height; a percentage height
// raises the row's desired height and marks the row specified. The rows'
// minimum and desired heights then get cellSpacing added, and a row's desired
// height is never below its minimum. A cell of several rows whose
// content + VrSpace (or pixel height) + cellSpacing exceeds the spanned rows'
// minimums adds the excess to them in equal shares, the remainder to the
// last; its percentage height does the same to their desired heights and
// marks them specified.
//
// When the total minimum is below H: if the total desired height is too,
// rows without a specified height share H - total desired equally (the last
// of them takes the remainder) and the others get their desired height; when
// every row is specified, the desired heights are scaled by H / total desired
// (equal shares of H when that total is 0), the last row taking the
// remainder. Otherwise each row gets minimum + its share of H - total minimum
// in proportion to (desired - minimum), the last row taking the remainder.
// When the total minimum is not below H each row gets its minimum.
// Minimums are never below 0.
std::vector<int> FindRowHeights(const std::vector<TRowCell>& cells,
                                const std::vector<TRowSpec>& rows, int height, int cellSpacing);

}  // namespace tav
