#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <vector>

#include "html/layout/tables/table_rows.h"

namespace tav {
namespace {

using Ints = std::vector<int>;

TRowCell Cell(int row, int content, int vrSpace = 0) {
  TRowCell c;
  c.Row = row;
  c.ContentHeight = content;
  c.VrSpace = vrSpace;
  return c;
}
TRowCell Span(TRowCell c, int rows) {
  c.RowSpan = rows;
  return c;
}
TRowCell Px(TRowCell c, int h) {
  c.SpecHt = h;
  return c;
}
TRowCell Pct(TRowCell c, int p) {
  c.SpecHtPercent = p;
  return c;
}
std::vector<TRowSpec> Rows(int n) { return std::vector<TRowSpec>(static_cast<size_t>(n)); }
TRowSpec RowPx(int h) { return {h, -1}; }
TRowSpec RowPct(int p) { return {-1, p}; }

TEST(FindRowHeights, HeightsForTheAvailableHeight) {
  struct Case {
    const char* name;
    std::vector<TRowCell> cells;
    std::vector<TRowSpec> rows;
    int height, spacing;
    Ints heights;
  };
  const Case cases[] = {
      // No table height: each row is its largest content + VrSpace, plus
      // spacing; a row without cells is the spacing alone.
      {"minimums without a table height",
       {Cell(0, 20, 2), Cell(0, 15, 2), Cell(1, 10)},
       Rows(3),
       0,
       2,
       {24, 12, 2}},
      // A pixel HEIGHT raises the row's minimum; one below the content does
      // nothing.
      {"pixel height", {Px(Cell(0, 10), 50), Px(Cell(1, 30), 5)}, Rows(2), 0, 0, {50, 30}},
      // HEIGHT=300, CELLSPACING=2, two short rows: H = 298, minimums 24 and
      // 24; the 250 left is shared equally. 149 + 149 + 2 = 300.
      {"two short rows share the extra equally",
       {Cell(0, 20, 2), Cell(1, 20, 2)},
       Rows(2),
       300,
       2,
       {149, 149}},
      // 81 left over two rows: 40 each, the last takes the odd pixel.
      {"last free row takes the remainder", {Cell(0, 10), Cell(1, 10)}, Rows(2), 101, 0, {50, 51}},
      // A 20% row wants 60 of 300 and is specified: it keeps 60, the other
      // row takes the rest.
      {"percentage row keeps its desired height",
       {Pct(Cell(0, 20), 20), Cell(1, 20)},
       Rows(2),
       300,
       0,
       {60, 240}},
      // The percentage is of H - rows * spacing: (206 - 2) - 2 * 2 = 200, so
      // 50% is 100, plus spacing 102; the free row takes the rest of 204.
      {"percentage of the height less spacing",
       {Pct(Cell(0, 0), 50), Cell(1, 10)},
       Rows(2),
       206,
       2,
       {102, 102}},
      // Every row specified and short of H: desired 30 and 60 scaled by
      // 300 / 90; the last takes what rounding leaves.
      {"all specified rows are scaled", {Pct(Cell(0, 0), 10), Pct(Cell(1, 0), 20)}, Rows(2), 300,
       0, {100, 200}},
      // Desired 240 + 120 exceed 300, minimums 20 + 0 do not: each row gets
      // its minimum + 280 * (desired - minimum) / 340; 20 + 181, and the last
      // row the rest, 99.
      {"desired beyond the height: shares by (desired - minimum)",
       {Pct(Cell(0, 20), 80), Pct(Cell(1, 0), 40)},
       Rows(2),
       300,
       0,
       {201, 99}},
      // Minimums above the height: minimums.
      {"minimums over the height", {Cell(0, 40), Cell(1, 30)}, Rows(2), 50, 0, {40, 30}},
      // One row: a percentage stands for all of H - spacing = 96 whatever
      // it is; with spacing the row is 98, and the table 98 + 2 = 100, its
      // height.
      {"one-row table: a percentage is the whole height", {Pct(Cell(0, 0), 1)}, Rows(1), 100, 2,
       {98}},
      // The row's own HEIGHT counts as a cell of that row: pixels raise the
      // minimum, a percentage is desired and specified.
      {"row pixel height", {Cell(0, 10)}, {RowPx(40), RowPx(-1)}, 0, 0, {40, 0}},
      {"row percentage height", {Cell(1, 10)}, {RowPct(25), {}}, 200, 0, {50, 150}},
      // A cell over three rows of 10 needs 61: the excess 31 is shared as
      // 10, 10 and 11 (remainder to the last).
      {"spanning cell shares its excess equally",
       {Cell(0, 10), Cell(1, 10), Cell(2, 10), Span(Cell(0, 61), 3)},
       Rows(3),
       0,
       0,
       {20, 20, 21}},
      // Spacing counts once for the spanning cell: it needs 30 + 2 over rows
      // of 12 + 12, so 4 more each.
      {"spanning cell with spacing",
       {Cell(0, 10), Cell(1, 10), Span(Cell(0, 30), 2)},
       Rows(2),
       0,
       2,
       {16, 16}},
      // A span past the last row is cut: the cell covers only row 1.
      {"span cut at the last row", {Cell(0, 10), Span(Cell(1, 50), 5)}, Rows(2), 0, 0, {10, 50}},
      // Smaller spans first, whatever the order given: the two-row cell makes
      // rows 20 and 20, and then the three-row cell (30) fits. Taken the
      // other way round the last row would get 10.
      {"spans taken in rising order",
       {Span(Cell(0, 30), 3), Span(Cell(0, 40), 2)},
       Rows(3),
       0,
       0,
       {20, 20, 0}},
      // A spanning cell's percentage: 50% of 200 over rows 0 and 1, shared
      // equally as their desired heights; both are specified, row 2 free.
      {"spanning percentage", {Pct(Span(Cell(0, 0), 2), 50)}, Rows(3), 200, 0, {50, 50, 100}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FindRowHeights(c.cells, c.rows, c.height, c.spacing), c.heights) << c.name;
}

TEST(FindRowHeights, ZeroPercentAndZeroTotalsDoNotDivideByZero) {
  struct Case {
    const char* name;
    std::vector<TRowSpec> rows;
    int height, spacing;
    Ints heights;
  };
  const Case cases[] = {
      // <table height=300 cellspacing=0 cellpadding=0><tr height="0%"><td>:
      // the one row takes the whole height.
      {"one 0% row", {RowPct(0)}, 300, 0, {300}},
      // Two 0% rows: all specified, desired total 0; equal shares of H
      // instead of H / 0.
      {"two 0% rows", {RowPct(0), RowPct(0)}, 300, 0, {150, 150}},
      {"three 0% rows, remainder to the last", {RowPct(0), RowPct(0), RowPct(0)}, 100, 0,
       {33, 33, 34}},
      // With spacing the desired heights are 2 each and scale to 298.
      {"0% rows with spacing", {RowPct(0), RowPct(0)}, 300, 2, {149, 149}},
      // No table height: nothing to share, minimums.
      {"0% rows without a table height", {RowPct(0), RowPct(0)}, 0, 0, {0, 0}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FindRowHeights({Cell(0, 0)}, c.rows, c.height, c.spacing), c.heights) << c.name;
}

TEST(FindRowHeights, NoRowsGiveNoHeights) {
  EXPECT_TRUE(FindRowHeights({}, {}, 300, 2).empty());
  // Cells naming rows that do not exist are left out.
  EXPECT_TRUE(FindRowHeights({Cell(0, 10), Cell(3, 10)}, {}, 300, 2).empty());
  EXPECT_EQ(FindRowHeights({Cell(-1, 50), Cell(3, 50)}, Rows(1), 0, 0), Ints{0});
}

TEST(FindRowHeights, HugeHeightsSaturate) {
  struct Case {
    const char* name;
    std::vector<TRowCell> cells;
    std::vector<TRowSpec> rows;
    int height, spacing;
    Ints heights;
  };
  const Case cases[] = {
      // Content + VrSpace + spacing passes the int range.
      {"cell past the int range", {Cell(0, INT_MAX, INT_MAX)}, Rows(1), 0, 40, {INT_MAX}},
      // The spanning cell asks for INT_MAX, not a wrapped negative: shared.
      {"spanning cell past the int range",
       {Span(Cell(0, INT_MAX, INT_MAX), 2)},
       Rows(2),
       0,
       0,
       {1073741823, 1073741824}},
      // H = INT_MAX shared by two free rows.
      {"the largest table height", {}, Rows(2), INT_MAX, 0, {1073741823, 1073741824}},
      // (desired - minimum) * (H - total minimum) is near 2^62.
      {"proportional shares near the int range",
       {Pct(Cell(0, 0), 100), Pct(Cell(1, 0), 100)},
       Rows(2),
       INT_MAX,
       0,
       {1073741823, 1073741824}},
      // Desired 214748364 and 644245094 (10% and 30%, rounded down) scaled
      // by H / 858993458: their product with H is near 2^59.
      {"scaled rows near the int range",
       {Pct(Cell(0, 0), 10), Pct(Cell(1, 0), 30)},
       Rows(2),
       INT_MAX,
       0,
       {536870910, 1610612737}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FindRowHeights(c.cells, c.rows, c.height, c.spacing), c.heights) << c.name;
}

TEST(FindRowHeights, LargestRowSpanIsFast) {
  // 100000 rows of one cell each and one cell with ROWSPAN=2147483647 over
  // all of them: visiting every span from 1 up would scan the 100001 cells
  // 100000 times (or 2^31 times, without the cut), far beyond the limit.
  const int n = 100000;
  std::vector<TRowCell> cells;
  for (int r = 0; r < n; ++r) cells.push_back(Cell(r, 10));
  cells.push_back(Span(Cell(0, 10 * n + n - 1), INT_MAX));
  const auto start = std::chrono::steady_clock::now();
  const Ints heights = FindRowHeights(cells, Rows(n), 0, 0);
  const double ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  EXPECT_LT(ms, 1000.0);
  ASSERT_EQ(heights.size(), static_cast<size_t>(n));
  // The excess n - 1 is 0 each, all of it to the last row.
  EXPECT_EQ(heights.front(), 10);
  EXPECT_EQ(heights.back(), 10 + n - 1);
}

}  // namespace
}  // namespace tav
