#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "html/layout/tables/table_widths.h"

namespace tav {
namespace {

using Ints = std::vector<int>;

// A cell of one column, or of `span` columns, with content widths.
TWidthCell Cell(int col, int mn, int mx, int span = 1) {
  TWidthCell c;
  c.Col = col;
  c.ColSpan = span;
  c.MinWidth = mn;
  c.MaxWidth = mx;
  return c;
}
TWidthCell Pixels(TWidthCell c, int w) {
  c.WidthAttr = w;
  return c;
}
TWidthCell Percent(TWidthCell c, int tenths) {
  c.WidthAttr = tenths;
  c.AsPercent = true;
  return c;
}
TWidthCell Padded(TWidthCell c, int hz) {
  c.HzSpace = hz;
  return c;
}

TEST(GetWidthsAbs, ColumnWidthsForTheSpace) {
  struct Case {
    const char* name;
    int width;
    Ints mins, maxs, widths;
  };
  const Case cases[] = {
      // Below the total minimum (70): every column at its minimum.
      {"below minimum", 50, {30, 40}, {100, 200}, {30, 40}},
      // At and above the total maximum (300): every column at its maximum.
      {"at maximum", 300, {30, 40}, {100, 200}, {100, 200}},
      {"above maximum", 1000, {30, 40}, {100, 200}, {100, 200}},
      // Between: extra 150 of spread 300 gives each column half its spread.
      {"between", 180, {10, 20}, {110, 220}, {60, 120}},
      // A column whose maximum equals its minimum gets nothing of the extra.
      {"fixed column", 30, {10, 10}, {10, 30}, {10, 20}},
      // 10 / 3 rounds to 3 each; the missing pixel goes to the first column.
      {"remainder added from the left", 10, {0, 0, 0}, {10, 10, 10}, {4, 3, 3}},
      // 20 / 3 rounds to 7 each; the pixel too many comes off the first.
      {"remainder taken from the left", 20, {0, 0, 0}, {10, 10, 10}, {6, 7, 7}},
      // Extra 2 of spread 10: 0.2 rounds to 0 for the first column, 0.6 to 1
      // for the others; the pixel too many is not taken from the first
      // column, which stands at its minimum, but from the second.
      {"remainder skips a column at its minimum", 22, {5, 5, 5, 5}, {6, 8, 8, 8},
       {5, 5, 6, 6}},
      // A maximum below its minimum counts as the minimum: totals 30 and 50.
      {"maximum below minimum", 40, {20, 10}, {5, 30}, {20, 20}},
      // (5e6 - 0) * (1e6 - 0) passes 2^31 on the way to 500000.
      {"millions of pixels", 1'000'000, {0, 0}, {5'000'000, 5'000'000}, {500'000, 500'000}},
      {"near the int limit", 1'000'000'100, {100, 0}, {100, 2'000'000'000},
       {100, 1'000'000'000}},
      // No columns: nothing to divide among.
      {"no columns", 100, {}, {}, {}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(GetWidthsAbs(c.width, c.mins, c.maxs), c.widths) << c.name;
}

TEST(TableSpecifiedAndWillFit, FillsTheImposedWidth) {
  struct Case {
    const char* name;
    int width;
    Ints mins, maxs, percents, widths;
  };
  const Case cases[] = {
      // 30% of 1000 for the first column; the second, the only one without a
      // percentage, takes the shortfall of 650 by its spread.
      {"percentage and free column", 1000, {50, 50}, {200, 400}, {300, 0}, {300, 700}},
      // 30% is below the first column's minimum of 400: fixed there. The
      // shortfall 550 is more than four times the spread 50: equal shares.
      {"percentage under its minimum", 1000, {400, 50}, {500, 100}, {300, 0}, {400, 600}},
      // Spreads total 0: equal shares of 61 (30 each); the pixel left goes to
      // the last column without a percentage, not to the last column.
      {"equal shares, remainder to the last free column", 101, {10, 10, 10}, {10, 10, 10},
       {0, 0, 200}, {40, 41, 20}},
      // All percentages: the shortfall 500 by percentage, 200:200:100.
      {"all percentages, shortfall by percentage", 1000, {10, 10, 10}, {10, 10, 10},
       {200, 200, 100}, {400, 400, 200}},
      // The middle column is fixed at its minimum 300; 400 shared 200:100 as
      // 266 and 133, and the pixel left spread from the left.
      {"all percentages with a fixed column", 1000, {10, 300, 10}, {10, 300, 10},
       {200, 200, 100}, {467, 300, 233}},
      // Every column fixed at 30; the shortfall 10 is spread evenly, 3 each
      // and one more for the first.
      {"all fixed, spread evenly", 100, {30, 30, 30}, {30, 30, 30}, {100, 100, 100},
       {34, 33, 33}},
      // 120% asked: the excess 200 comes off by percentage, 100:50:50.
      {"excess by percentage", 1000, {10, 10, 10}, {10, 10, 10}, {600, 300, 300},
       {500, 250, 250}},
      // Taking 50 would put the middle column under its minimum 280: it is
      // fixed there (giving 20) and the remaining 180 comes off the others
      // 600:300.
      {"excess round fixes a column", 1000, {10, 280, 10}, {10, 280, 10}, {600, 300, 300},
       {480, 280, 240}},
      // The first column is fixed at 500; 200 taken 400:300 as 114 and 85
      // leaves one pixel too many, taken from the first unfixed column.
      {"excess remainder from the first unfixed column", 1000, {500, 10, 10}, {500, 10, 10},
       {500, 400, 300}, {500, 285, 215}},
      // A cascade: taking the excess fixes one more column each round (at
      // 221, 183, 177, 175). After the fourth round the rest, 96, comes off
      // 10:24 as 28 and 67, which would leave the last column under its
      // minimum 174: it keeps its minimum, and the pixels that takes come
      // off the first unfixed column, with the one left by rounding.
      {"four rounds at most", 1000, {0, 221, 183, 177, 175, 174}, {0, 221, 183, 177, 175, 174},
       {100, 240, 240, 240, 240, 240}, {70, 221, 183, 177, 175, 174}},
      // The minimums do not fit: every column at its minimum.
      {"minimums too wide", 100, {60, 50}, {60, 50}, {500, 0}, {60, 50}},
      // 2e9 * 1000 passes 2^31 on the way to 2e9.
      {"near the int limit", 2'000'000'000, {0, 0}, {0, 0}, {1000, 0}, {2'000'000'000, 0}},
      {"no columns", 100, {}, {}, {}, {}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(TableSpecifiedAndWillFit(c.width, c.mins, c.maxs, c.percents), c.widths)
        << c.name;
}

TEST(TableNotSpecifiedAndWillFit, ColumnWidthsWithoutImposedWidth) {
  struct Case {
    const char* name;
    int width;
    Ints mins, maxs, percents, widths;
  };
  const Case cases[] = {
      // No percentages: minimum plus a share of the extra by spread.
      {"no percentages", 180, {10, 20}, {110, 220}, {0, 0}, {60, 120}},
      // 2.5 rounds to 3 for the first two and 5 stays 5: one pixel too many,
      // taken from the column with the largest spread.
      {"rounding to the largest spread", 10, {0, 0, 0}, {10, 10, 20}, {0, 0, 0}, {3, 3, 4}},
      // Wanted width max(50*1000/250, 300*1000/750) = 400 fits in 1000: the
      // table takes 400, 25% of it for the first column.
      {"wanted width fits", 1000, {10, 10}, {50, 300}, {250, 0}, {100, 300}},
      // Wanted 200 (from the first column); the rest 100 goes 10:20 as 33
      // and 66, and the pixel left to the largest spread, the first column.
      {"wanted width, rest by maximums", 1000, {10, 5, 5}, {100, 10, 20}, {500, 0, 0},
       {101, 33, 66}},
      // S = 1000 with a free column asks for 30000. In 1000 the first column
      // does not fit beside the second's minimum: scaled to the 990 left.
      {"all percent with a free column", 1000, {10, 10}, {100, 100}, {1000, 0}, {990, 10}},
      // 20% of 400 is under the first column's minimum: it loses its
      // percentage. The second keeps 30% = 120 as minimum and maximum; then
      // the extra 70 goes by spread 50:0:90.
      {"percentage lost", 400, {200, 10, 10}, {250, 100, 100}, {200, 300, 0}, {225, 120, 55}},
      // 40% + 40% (160) do not fit beside the free column's 100: scaled to
      // the 100 left, 25% each, 50 pixels.
      {"percentages scaled down", 200, {10, 10, 100}, {500, 500, 150}, {400, 400, 0},
       {50, 50, 100}},
      // After the first scaling the second column's 25% (50) is under its
      // minimum 60 and is lost; the first is scaled to the 40 then left.
      {"scaled, then lost, then scaled", 200, {10, 60, 100}, {500, 500, 150}, {400, 400, 0},
       {40, 60, 100}},
      // 0.1% of 1000 is under the minimum: the percentage is lost; then
      // (5e6 - 10) * 980 passes 2^31 on the way to the share.
      {"millions of pixels", 1000, {10, 10}, {5'000'000, 100}, {1, 0}, {990, 10}},
      // 5e6 * 1000 / 1 saturates; the whole int range holds it: 0.1% of it
      // for the first column and the rest for the second.
      {"wanted width saturates", INT_MAX, {10, 10}, {5'000'000, 100}, {1, 0},
       {2'147'484, 2'145'336'163}},
      {"minimums too wide", 50, {30, 30}, {40, 40}, {500, 0}, {30, 30}},
      {"no columns", 100, {}, {}, {}, {}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(TableNotSpecifiedAndWillFit(c.width, c.mins, c.maxs, c.percents), c.widths)
        << c.name;
}

// Column minimums and maximums from the cells, absolute mode. Padding 2 and
// spacing 2 where a case says "padded": each contribution is content + 4.
TEST(GetMinMaxAbs, SpreadsCellsIntoColumns) {
  struct Case {
    const char* name;
    int numCols;
    int spacing;
    std::vector<TWidthCell> cells;
    Ints mins, maxs;
  };
  const Case cases[] = {
      // Padded: each column takes its largest contributions.
      {"largest per column", 2, 2,
       {Padded(Cell(0, 10, 50), 2), Padded(Cell(0, 20, 30), 2), Padded(Cell(1, 5, 5), 2)},
       {24, 9}, {54, 9}},
      // Padded pixel width 50: both values become 50 + 4; a wider content
      // minimum wins.
      {"pixel width", 2, 2,
       {Padded(Pixels(Cell(0, 10, 100), 50), 2), Padded(Pixels(Cell(1, 80, 100), 50), 2)},
       {54, 84}, {54, 84}},
      // The spanning cell comes first but is taken after the single ones:
      // its 76 exceeds the columns' 40 by 36, shared 10:30 as 9 and 27.
      {"span shared by minimums", 2, 0,
       {Cell(0, 76, 76, 2), Cell(0, 10, 10), Cell(1, 30, 30)}, {19, 57}, {19, 57}},
      // 80 over 14:34 gives 9 and 22; the pixel left goes to the first.
      {"span remainder to the first column", 2, 2,
       {Padded(Cell(0, 10, 10), 2), Padded(Cell(1, 30, 30), 2), Padded(Cell(0, 76, 76, 2), 2)},
       {24, 56}, {24, 56}},
      // Nothing else in the columns: all of it to the first.
      {"span over empty columns", 2, 0, {Cell(0, 40, 100, 2)}, {40, 0}, {100, 0}},
      // A spanning pixel width of 100 sets both values (without padding).
      {"span with a pixel width", 2, 0,
       {Cell(0, 10, 10), Cell(1, 10, 10), Pixels(Cell(0, 6, 200, 2), 100)}, {50, 50},
       {50, 50}},
      // The span reaches past the last column: cut to one column.
      {"span cut at the edge", 2, 0, {Cell(1, 100, 100, 5)}, {0, 100}, {0, 100}},
      // Cells outside the grid and dummy cells (span 0) add nothing.
      {"cells outside", 2, 0, {Cell(-1, 50, 50), Cell(2, 50, 50), Cell(0, 50, 50, 0)}, {0, 0},
       {0, 0}},
      // The span raises both minimums to 50; the second column's maximum 10
      // follows its minimum.
      {"maximum not below minimum", 2, 0,
       {Cell(0, 10, 100), Cell(1, 10, 10), Cell(0, 100, 100, 2)}, {50, 50}, {100, 50}},
      {"no columns", 0, 2, {Cell(0, 10, 10)}, {}, {}},
  };
  for (const auto& c : cases) {
    const TColumnWidths r = GetMinMaxAbs(c.cells, c.numCols, c.spacing);
    EXPECT_EQ(r.MinWidths, c.mins) << c.name;
    EXPECT_EQ(r.MaxWidths, c.maxs) << c.name;
  }
}

TEST(GetMinMaxAbs, TotalsSaturate) {
  const TColumnWidths r =
      GetMinMaxAbs({Cell(0, 10, 2'000'000'000), Padded(Cell(1, 20, INT_MAX - 1), 5)}, 2, 2);
  EXPECT_EQ(r.MaxWidths, (Ints{2'000'000'002, INT_MAX}));
  EXPECT_EQ(r.TotalMin, 12 + 27);
  EXPECT_EQ(r.TotalMax, INT_MAX);
}

// Column minimums, maximums and percentages from the cells, percentage mode,
// without padding or spacing.
TEST(GetWidths, SpreadsCellsAndPercentagesIntoColumns) {
  struct Case {
    const char* name;
    int numCols;
    int width;
    std::vector<TWidthCell> cells;
    Ints mins, maxs, percents;
  };
  const Case cases[] = {
      // Own percentages (largest kept) and pixel widths over 1000 (capped).
      {"single cells", 3, 1000,
       {Percent(Cell(0, 10, 20), 250), Percent(Cell(0, 5, 5), 400), Pixels(Cell(1, 10, 20), 200),
        Pixels(Cell(2, 0, 0), 5000)},
       {10, 10, 0}, {20, 20, 0}, {400, 200, 1000}},
      // A pixel width over a width of 0 is capped as well.
      {"pixel width over no width", 1, 0, {Pixels(Cell(0, 0, 0), 10)}, {0}, {0}, {1000}},
      // 80% over columns holding 20%: the two without one get 30% each.
      {"equal share to columns without", 4, 1000,
       {Percent(Cell(0, 0, 0), 200), Cell(1, 0, 0), Cell(2, 0, 0), Cell(3, 0, 0),
        Percent(Cell(0, 0, 0, 3), 800)},
       {0, 0, 0, 0}, {0, 0, 0, 0}, {200, 300, 300, 0}},
      // 10% + 30% under a cell of 80%: scaled up to 20% and 60%.
      {"scaled up", 3, 1000,
       {Percent(Cell(0, 0, 0), 100), Percent(Cell(1, 0, 0), 300), Percent(Cell(0, 0, 0, 2), 800)},
       {0, 0, 0}, {0, 0, 0}, {200, 600, 0}},
      // 40% + 1 is not below 40.1%: left as they are.
      {"not scaled", 3, 1000,
       {Percent(Cell(0, 0, 0), 100), Percent(Cell(1, 0, 0), 300), Percent(Cell(0, 0, 0, 2), 401)},
       {0, 0, 0}, {0, 0, 0}, {100, 300, 0}},
      // The columns' percentages 10:30 share the excess 80 of both values.
      {"excess by percentage", 3, 1000,
       {Percent(Cell(0, 10, 10), 100), Percent(Cell(1, 10, 10), 300), Cell(0, 100, 100, 2)},
       {30, 70, 0}, {30, 70, 0}, {100, 300, 0}},
      // The second column stays without a percentage (10% - 20% < 0): the
      // excess minimum 80 goes by maximum 30:10, the excess maximum 60 by
      // percentage, all to the first; the second's maximum follows its
      // minimum.
      {"excess minimum by maximum", 3, 1000,
       {Percent(Cell(0, 10, 30), 200), Cell(1, 10, 10), Percent(Cell(0, 100, 100, 2), 100)},
       {70, 30, 0}, {90, 30, 0}, {200, 0, 0}},
      // No percentages, columns at 0: equal shares, the odd pixel first.
      {"equal shares", 3, 1000, {Cell(0, 0, 0), Cell(1, 0, 0), Cell(0, 11, 21, 2)}, {6, 5, 0},
       {11, 10, 0}, {0, 0, 0}},
      // No percentages: 40 more by minimum 10:30.
      {"excess by minimum", 3, 1000, {Cell(0, 10, 10), Cell(1, 30, 30), Cell(0, 80, 80, 2)},
       {20, 60, 0}, {20, 60, 0}, {0, 0, 0}},
      // Spanning every column: the totals count as at least 100, so only the
      // maximum's 50 above 100 is shared, 10:10.
      {"spanning every column", 2, 100, {Cell(0, 10, 10), Cell(1, 10, 10), Cell(0, 90, 150, 2)},
       {10, 10}, {35, 35}, {0, 0}},
      {"no columns", 0, 100, {Cell(0, 10, 10)}, {}, {}, {}},
  };
  for (const auto& c : cases) {
    const TColumnWidths r = GetWidths(c.cells, c.numCols, 0, c.width);
    EXPECT_EQ(r.MinWidths, c.mins) << c.name;
    EXPECT_EQ(r.MaxWidths, c.maxs) << c.name;
    EXPECT_EQ(r.Percents, c.percents) << c.name;
  }
}

TEST(TableMinMaxWidth, ModeSpacingAndImposedWidth) {
  // Padded 2, spacing 2: the column holds 14..54, the table one more spacing.
  const std::vector<TWidthCell> cells = {Padded(Cell(0, 10, 50), 2)};
  const TTableMinMax abs = TableMinMaxWidth(cells, 1, 2, true, 0);
  EXPECT_EQ(abs.Min, 16);
  EXPECT_EQ(abs.Max, 56);
  // An imposed width of 100 raises both.
  const TTableMinMax imposed = TableMinMaxWidth(cells, 1, 2, true, 100);
  EXPECT_EQ(imposed.Min, 100);
  EXPECT_EQ(imposed.Max, 100);
  // Percentage mode without an imposed width: a percentage, same totals.
  const TTableMinMax pct = TableMinMaxWidth({Percent(cells[0], 500)}, 1, 2, false, 0);
  EXPECT_EQ(pct.Columns.Percents, Ints{500});
  EXPECT_EQ(pct.Min, 16);
  EXPECT_EQ(pct.Max, 56);
}

TEST(FindColumnWidths, PicksTheRuleByModeAndImposedWidth) {
  struct Case {
    const char* name;
    std::vector<TWidthCell> cells;
    int numCols, spacing;
    bool useAbsolute;
    int tblWidthAttr, available;
    Ints widths;
    int tableWidth;
  };
  const std::vector<TWidthCell> plain = {Cell(0, 10, 100), Cell(1, 10, 300)};
  const Case cases[] = {
      // Absolute mode in a wide window: the maximums.
      {"wide window", plain, 2, 0, true, 0, 1000, {100, 300}, 400},
      // In 210 the extra 190 goes by spread 90:290.
      {"narrow window", plain, 2, 0, true, 0, 210, {55, 155}, 210},
      // Imposed 1002 less spacing 2: 30% of 1000 and the rest.
      {"imposed width", {Percent(Cell(0, 50, 200), 300), Cell(1, 50, 400)}, 2, 2, false, 1002,
       500, {300, 700}, 1002},
      // Percentage mode, minimums 80 in 50: the minimums.
      {"minimums overflow", {Percent(Cell(0, 40, 40), 500), Percent(Cell(1, 40, 40), 500)}, 2,
       0, false, 0, 50, {40, 40}, 80},
      // Percentage mode without imposed width: 50% + 50% of the wanted 200.
      {"not specified", {Percent(Cell(0, 10, 100), 500), Percent(Cell(1, 10, 60), 500)}, 2, 0,
       false, 0, 1000, {100, 100}, 200},
      {"no columns", plain, 0, 2, true, 0, 1000, {}, 0},
  };
  for (const auto& c : cases) {
    const TTableWidths r =
        FindColumnWidths(c.cells, c.numCols, c.spacing, c.useAbsolute, c.tblWidthAttr, c.available);
    EXPECT_EQ(r.Widths, c.widths) << c.name;
    EXPECT_EQ(r.TableWidth, c.tableWidth) << c.name;
  }
}

}  // namespace
}  // namespace tav
