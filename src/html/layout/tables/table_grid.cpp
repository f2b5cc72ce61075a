#include "html/layout/tables/table_grid.h"

#include <algorithm>
#include <climits>
#include <cstddef>

namespace tav {

namespace {

int ClampSpan(int span, int most) { return span <= 1 ? 1 : std::min(span, most); }

// A column held by a row span from above: rows before Until are taken, by
// the cell standing at (OwnerRow, OwnerCol).
struct TBusy {
  int Until = 0;
  int OwnerRow = -1, OwnerCol = -1;
};

// Lays the rows out left to right and top to bottom. A column held by a row
// span from above gets a dummy in the rows it covers, and the row's own cells
// and their column-span dummies move on to the next free column: the same
// places as inserting the dummies column by column, from the left.
//
// Only columns below `limit` are laid out; a column at or past it changes
// nothing to its left. With `out` null nothing is built and the return is the
// number of columns up to the last real cell of any row. Otherwise each row
// of `out` gets exactly `limit` positions (holes filled) and each real cell
// the column span it keeps within them; `limit` must then be at least that
// number of columns.
int LayOut(const TGridRows& in, int limit, TGridRows* out) {
  const long long numRows = static_cast<long long>(in.size());
  std::vector<TBusy> busy;
  int numCols = 0;

  for (size_t k = 0; k < in.size(); ++k) {
    const int row = static_cast<int>(k);
    std::vector<TGridCell>* line = out ? &(*out)[k] : nullptr;
    if (line) {
      line->clear();
      line->reserve(static_cast<size_t>(limit));
    }
    int x = 0;
    auto taken = [&](int col) { return col < static_cast<int>(busy.size()) && busy[col].Until > row; };
    // Dummies for the columns that spans from above hold at x.
    auto skipTaken = [&] {
      while (x < limit && taken(x)) {
        if (line) {
          TGridCell d;
          d.ColSpan = 0;
          d.OwnerRow = busy[x].OwnerRow;
          d.OwnerCol = busy[x].OwnerCol;
          line->push_back(d);
        }
        ++x;
      }
    };
    // The rows below take column x for rowSpan - 1 rows.
    auto hold = [&](int rowSpan, int ownerCol) {
      if (rowSpan < 2) return;
      if (x >= static_cast<int>(busy.size())) busy.resize(static_cast<size_t>(x) + 1);
      busy[x] = {row + rowSpan, row, ownerCol};
    };

    const std::vector<TGridCell>& cells = in[k];
    for (size_t i = 0; i < cells.size(); ++i) {
      const int colSpan = ClampSpan(cells[i].ColSpan, MaxColSpan);
      const int rowSpan =
          static_cast<int>(std::min<long long>(ClampSpan(cells[i].RowSpan, MaxRowSpan), numRows - row));
      skipTaken();
      if (x >= limit) break;  // only when `limit` is too small
      const int col = x;
      const size_t at = line ? line->size() : 0;
      if (line) {
        TGridCell c;
        c.Id = cells[i].Id;
        c.RowSpan = rowSpan;
        line->push_back(c);
      }
      hold(rowSpan, col);
      ++x;
      numCols = std::max(numCols, col + 1);
      // The last cell of a row that spans one row moves nothing with its
      // dummies: they are only needed when building.
      if (!line && rowSpan == 1 && i + 1 == cells.size()) break;
      int kept = 1;
      for (int d = 1; d < colSpan; ++d) {
        skipTaken();
        if (x >= limit) break;
        if (line) {
          TGridCell c;
          c.ColSpan = 0;
          c.RowSpan = rowSpan;
          c.OwnerRow = row;
          c.OwnerCol = col;
          line->push_back(c);
        }
        hold(rowSpan, col);
        ++x;
        ++kept;
      }
      if (line) (*line)[at].ColSpan = kept;
    }
    if (line) {
      // The rest of the row: spans from above, and holes.
      while (x < limit) {
        skipTaken();
        if (x < limit) {
          TGridCell hole;
          hole.ColSpan = 0;
          line->push_back(hole);
          ++x;
        }
      }
    }
  }
  return numCols;
}

}  // namespace

int CompleteGrid(TGridRows& rows) {
  // Trailing columns that hold only dummies are never built: a first pass
  // finds the last column with a real cell, the second builds up to it.
  const int numCols = LayOut(rows, INT_MAX, nullptr);
  if (numCols == 0) {
    for (auto& row : rows) row.clear();
    return 0;
  }
  const TGridRows in = std::move(rows);
  rows.assign(in.size(), {});
  LayOut(in, numCols, &rows);
  return numCols;
}

}  // namespace tav
