#pragma once
// The column-width arithmetic of tables, kept apart from cells and drawing:
// each function works on plain per-column arrays (one int per column, in
// pixels, percentages in tenths of a percent 0..1000) and returns new ones.
//
// Every product is formed in 64 bits and every result saturates to the int
// range, so hostile sizes (a cell millions of pixels wide) give wide tables
// rather than negative ones. Every divisor is checked; a table without
// columns gives empty arrays at once.
#include <vector>

namespace tav {

// One cell of the grid as the column widths see it. Dummy cells that stand
// in spanned positions are left out.
struct TWidthCell {
  int Col = 0;        // the first column the cell stands in
  int ColSpan = 1;    // the columns it covers; cut at the table's last column
  int MinWidth = 0;   // the content's minimum width
  int MaxWidth = 0;   // the content's maximum width
  int HzSpace = 0;    // left padding + left border + right border + right padding
  int WidthAttr = 0;  // 0: none; else pixels, or tenths of a percent when AsPercent
  bool AsPercent = false;
};

// The per-column arrays, all NumCols long, and the column sums.
struct TColumnWidths {
  std::vector<int> MinWidths;
  std::vector<int> MaxWidths;
  std::vector<int> Percents;  // tenths of a percent; all 0 in absolute mode
  int TotalMin = 0;
  int TotalMax = 0;
};

// Absolute mode. Each cell contributes its content minimum and maximum plus
// HzSpace plus cellSpacing. Cells are taken by increasing span (document
// order within one span). A one-column cell sets its column's minimum and
// maximum to the largest contributions; with a pixel width w both its values
// become max(minimum, w + HzSpace + cellSpacing). A wider cell with a pixel
// width w has both values max(w, minimum); when the spanned columns' minimums
// total less than the cell's minimum, the difference is shared among them in
// proportion to their minimums (all of it to the first column when they total
// 0, the rounding remainder to the first column); the same for maximums.
// Percentage widths are ignored. Afterwards every column's maximum is at least
// its minimum.
TColumnWidths GetMinMaxAbs(const std::vector<TWidthCell>& cells, int numCols, int cellSpacing);

// Percentage mode for an intended table width `width`. Contributions as in
// GetMinMaxAbs, without the pixel widths raising them; a cell's percentage is
// its own, or for a pixel width w, w * 1000 / width capped at 1000. A
// one-column cell sets its column's minimum, maximum and percentage to the
// largest seen. A wider cell compares its minimum and maximum with the
// spanned columns' totals (raised to at least `width` when it spans every
// column). When the cell or its columns carry percentages, columns without one
// get an equal share of what the cell's percentage leaves over the columns'
// sum; if all have one and their sum + 1 is below the cell's, they are scaled
// up to it; an excess minimum is shared by percentage (by maximum when some
// columns still have none and their maximums total more than 0), an excess
// maximum by percentage. Otherwise an excess is shared by minimums (or by
// maximums for the maximum), equally when those total 0. Rounding remainders
// go to the first spanned column.
TColumnWidths GetWidths(const std::vector<TWidthCell>& cells, int numCols, int cellSpacing,
                        int width);

// The table's own minimum and maximum: the columns from GetWidths (with
// `tblWidthAttr` as the intended width) when the table is not in absolute mode
// or has an imposed width, else from GetMinMaxAbs; both totals get one more
// cellSpacing and are raised to tblWidthAttr (0: no imposed width).
struct TTableMinMax {
  TColumnWidths Columns;
  int Min = 0;
  int Max = 0;
};
TTableMinMax TableMinMaxWidth(const std::vector<TWidthCell>& cells, int numCols, int cellSpacing,
                              bool useAbsolute, int tblWidthAttr);

// Absolute mode column widths for the space `width` (cell spacing already
// taken off). Below the total minimum every column gets its minimum; at or
// above the total maximum its maximum; in between each column gets
// minimum + (maximum - minimum) * (width - total minimum) /
// (total maximum - total minimum), rounded to nearest, and the rounding
// difference is evened out one pixel per column from the left: added to any
// column, taken only from a column that stands above its minimum. A maximum
// below its minimum counts as the minimum. Returns one width per column.
std::vector<int> GetWidthsAbs(int width, const std::vector<int>& minWidths,
                              const std::vector<int>& maxWidths);

// Percentage mode with an imposed width: the columns must fill `width`
// exactly. A column with a percentage p gets width * p / 1000 when that is
// above its minimum, else its minimum (and is fixed there); the others get
// their minimum. A shortfall goes, when every column has a percentage, to the
// unfixed percentage columns by percentage; otherwise to the columns without
// one by their (maximum - minimum) spread, or equally when the spreads total
// less than 1 or less than a quarter of the shortfall. An excess is taken from
// the unfixed percentage columns by percentage after up to four rounds that
// fix at their minimum the columns the share would push below it. What
// rounding leaves over: an excess comes off the first unfixed percentage
// column; a shortfall goes to the last column without a percentage, or, when
// every column has one, is spread evenly (whole pixels each, then one pixel
// each from the left). When the total minimum is not below `width` every
// column gets its minimum.
std::vector<int> TableSpecifiedAndWillFit(int width, const std::vector<int>& minWidths,
                                          const std::vector<int>& maxWidths,
                                          const std::vector<int>& percents);

// Percentage mode without an imposed width. With S the sum of percentages and
// 0 < S <= 1000 (or `widthAttr` set): the width the table would like is the
// largest of maximum * 1000 / p over percentage columns and, when other
// columns exist, their summed maximums * 1000 / (1000 - S) (30000 when S
// reaches 1000). When `width` holds it, the table takes that width: percentage
// columns get wanted * p / 1000 and the others share the rest by their
// maximums. Otherwise, for at most NumCols + 1 rounds, percentage columns
// whose width * p / 1000 is below their minimum lose their percentage; if the
// rest do not fit beside the other columns' minimums their percentages are
// scaled down to the space left (less space each round); once they fit, their
// minimum and maximum become width * p / 1000. Then every column gets
// minimum + (maximum - minimum) * (width - total minimum) /
// (total maximum - total minimum), or an equal share of the extra when the
// totals are equal, and the rounding difference goes to the column with the
// largest spread. When the total minimum is not below `width` every column
// gets its minimum.
std::vector<int> TableNotSpecifiedAndWillFit(int width, const std::vector<int>& minWidths,
                                             const std::vector<int>& maxWidths,
                                             const std::vector<int>& percents,
                                             bool widthAttr = false);

// The column widths of a table laid out in `available` pixels (the imposed
// width when tblWidthAttr > 0): the space W is that width less cellSpacing;
// absolute mode without an imposed width uses GetMinMaxAbs and GetWidthsAbs,
// otherwise GetWidths for W and then the minimums when they do not fit, the
// specified rule with an imposed width, the not-specified rule without.
// TableWidth is cellSpacing plus the column widths.
struct TTableWidths {
  std::vector<int> Widths;
  int TableWidth = 0;
};
TTableWidths FindColumnWidths(const std::vector<TWidthCell>& cells, int numCols, int cellSpacing,
                              bool useAbsolute, int tblWidthAttr, int available);

}  // namespace tav
