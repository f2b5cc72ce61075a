// Random grids through grid completion, the column-width rules and the row
// heights: spans (some as wide as the grid allows), pixel and percentage
// widths (some huge), spacing. Checks that every width and height is at
// least 0, that there is one width per column, and that a rule spreading W
// over the columns leaves no remainder (the widths then add up to W).
#include <algorithm>
#include <cstdint>
#include <numeric>
#include <vector>

#include "fuzz_input.h"
#include "html/layout/tables/table_grid.h"
#include "html/layout/tables/table_rows.h"
#include "html/layout/tables/table_widths.h"

namespace {

class TReader {
public:
  TReader(const std::uint8_t* data, std::size_t size) : FData(data), FSize(size) {}
  int Byte() { return FPos < FSize ? FData[FPos++] : 0; }
  bool More() const { return FPos < FSize; }
  // Small values mostly, sometimes a huge one.
  int Value() {
    int b = Byte();
    if (b == 0xFF) return 2000000000;
    if (b == 0xFE) return 65535;
    return b;
  }

private:
  const std::uint8_t* FData;
  std::size_t FSize;
  std::size_t FPos = 0;
};

long long Sum(const std::vector<int>& v) { return std::accumulate(v.begin(), v.end(), 0LL); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TReader in(data, size);
  const int spacing = (in.Byte() % 43) - 1;  // -1..41
  const int rowCount = in.Byte() % 9;
  struct TCellIn {
    int Row, MinW, MaxW, Hz, Width, ContentH, SpecHt;
    bool Percent;
  };
  std::vector<TCellIn> cellsIn;
  tav::TGridRows grid(static_cast<std::size_t>(rowCount));
  // The column spans of all cells share a budget: a huge span takes what is
  // left of it, so a grid has at most some sixty columns beyond its cells.
  // Without it cells pushed right below row spans of MaxColSpan columns made
  // grids of tens of thousands of columns, and runs of tens of milliseconds;
  // the clamp itself is the grid tests' business.
  int spanBudget = 64;
  for (int r = 0; r < rowCount; ++r) {
    const int cells = in.Byte() % 7;
    for (int c = 0; c < cells; ++c) {
      tav::TGridCell g;
      g.Id = static_cast<int>(cellsIn.size());
      g.ColSpan = std::max(1, std::min({in.Value(), tav::MaxColSpan, spanBudget}));
      spanBudget -= g.ColSpan - 1;
      g.RowSpan = std::max(1, std::min(in.Value(), tav::MaxRowSpan));
      grid[static_cast<std::size_t>(r)].push_back(g);
      TCellIn ci{};
      ci.Row = r;
      ci.MinW = in.Value();
      ci.MaxW = static_cast<int>(std::min<long long>(2000000000LL, static_cast<long long>(ci.MinW) + in.Value()));
      ci.Hz = in.Byte() % 20;
      ci.Percent = in.Byte() % 3 == 0;
      ci.Width = ci.Percent ? (in.Byte() % 101) * 10 : in.Value();
      ci.ContentH = in.Value();
      ci.SpecHt = in.Byte() % 4 == 0 ? in.Value() : -1;
      cellsIn.push_back(ci);
    }
  }
  const int numCols = tav::CompleteGrid(grid);
  Check(numCols >= 0);
  std::vector<tav::TWidthCell> widthCells;
  std::vector<tav::TRowCell> rowCells;
  bool absolute = false;
  for (std::size_t r = 0; r < grid.size(); ++r) {
    Check(static_cast<int>(grid[r].size()) <= numCols);
    for (std::size_t c = 0; c < grid[r].size(); ++c) {
      const tav::TGridCell& g = grid[r][c];
      if (g.Id < 0 || g.ColSpan < 1) continue;
      Check(static_cast<int>(c) + g.ColSpan <= numCols);
      Check(static_cast<int>(r) + g.RowSpan <= static_cast<int>(grid.size()));
      const TCellIn& ci = cellsIn[static_cast<std::size_t>(g.Id)];
      tav::TWidthCell w;
      w.Col = static_cast<int>(c);
      w.ColSpan = g.ColSpan;
      w.MinWidth = ci.MinW;
      w.MaxWidth = ci.MaxW;
      w.HzSpace = ci.Hz;
      w.WidthAttr = ci.Width;
      w.AsPercent = ci.Percent;
      absolute = absolute || !ci.Percent;
      widthCells.push_back(w);
      tav::TRowCell rc;
      rc.Row = static_cast<int>(r);
      rc.RowSpan = g.RowSpan;
      rc.ContentHeight = ci.ContentH;
      rc.VrSpace = ci.Hz;
      rc.SpecHt = ci.SpecHt;
      rowCells.push_back(rc);
    }
  }
  const int available = std::min(in.Value(), 100000000) * 4;
  for (int imposed : {0, available}) {
    tav::TTableMinMax mm = tav::TableMinMaxWidth(widthCells, numCols, spacing, absolute, imposed);
    Check(mm.Min >= 0 && mm.Max >= 0);
    tav::TTableWidths tw = tav::FindColumnWidths(widthCells, numCols, spacing, absolute, imposed, available);
    Check(static_cast<int>(tw.Widths.size()) == numCols);
    for (int w : tw.Widths) Check(w >= 0);
    Check(tw.TableWidth >= 0 || spacing < 0);
  }
  // The spreading rules called directly: between the totals, or with an
  // imposed width above the minimums, the widths add up to W.
  if (numCols > 0) {
    tav::TColumnWidths abs = tav::GetMinMaxAbs(widthCells, numCols, spacing);
    const long long w = available;
    if (abs.TotalMin < w && w < abs.TotalMax && abs.TotalMax < 1000000000)
      Check(Sum(tav::GetWidthsAbs(available, abs.MinWidths, abs.MaxWidths)) == w);
    tav::TColumnWidths pct = tav::GetWidths(widthCells, numCols, spacing, available);
    if (pct.TotalMin < w && pct.TotalMax < 1000000000)
      Check(Sum(tav::TableSpecifiedAndWillFit(available, pct.MinWidths, pct.MaxWidths, pct.Percents)) == w);
  }
  std::vector<tav::TRowSpec> specs(grid.size());
  std::vector<int> heights = tav::FindRowHeights(rowCells, specs, std::min(in.Value(), 100000000) * 4, spacing);
  for (int h : heights) Check(h >= 0);
  return 0;
}
