#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "html/layout/tables/table_grid.h"

namespace tav {
namespace {

// A real cell as the rows list it: Id 0 shows as A, 1 as B, and so on.
struct In {
  int Id;
  int ColSpan = 1;
  int RowSpan = 1;
};
using InRows = std::vector<std::vector<In>>;

TGridRows Make(const InRows& rows) {
  TGridRows g;
  for (const auto& row : rows) {
    g.emplace_back();
    for (const In& c : row) {
      TGridCell cell;
      cell.Id = c.Id;
      cell.ColSpan = c.ColSpan;
      cell.RowSpan = c.RowSpan;
      g.back().push_back(cell);
    }
  }
  return g;
}

// The grid row by row, rows split by '/': a real cell as its capital letter,
// a dummy as its owner's small letter, a hole as '.'. A dummy naming a
// position that holds no real cell shows as '?'.
std::string Show(const TGridRows& g) {
  std::string s;
  for (size_t r = 0; r < g.size(); ++r) {
    if (r) s += '/';
    for (const TGridCell& c : g[r]) {
      if (c.ColSpan > 0) {
        s += static_cast<char>('A' + c.Id);
      } else if (c.OwnerRow < 0) {
        s += '.';
      } else {
        const bool valid = c.OwnerRow < static_cast<int>(g.size()) &&
                           c.OwnerCol < static_cast<int>(g[c.OwnerRow].size()) &&
                           g[c.OwnerRow][c.OwnerCol].ColSpan > 0;
        s += valid ? static_cast<char>('a' + g[c.OwnerRow][c.OwnerCol].Id) : '?';
      }
    }
  }
  return s;
}

// The real cells' spans in grid order, as "A2x1 B1x2".
std::string Spans(const TGridRows& g) {
  std::string s;
  for (const auto& row : g)
    for (const TGridCell& c : row)
      if (c.ColSpan > 0) {
        if (!s.empty()) s += ' ';
        s += static_cast<char>('A' + c.Id);
        s += std::to_string(c.ColSpan) + "x" + std::to_string(c.RowSpan);
      }
  return s;
}

TEST(CompleteGrid, SpansDummiesAndHoles) {
  struct Case {
    const char* name;
    InRows rows;
    int numCols;
    const char* grid;
    const char* spans;
  };
  const Case cases[] = {
      {"plain two by two", {{{0}, {1}}, {{2}, {3}}}, 2, "AB/CD", "A1x1 B1x1 C1x1 D1x1"},
      // A column span is followed by its dummies in its own row.
      {"column span", {{{0, 2}}, {{1}, {2}}}, 2, "Aa/BC", "A2x1 B1x1 C1x1"},
      // COLSPAN=3 in a two-column table: the third column holds only A's
      // dummy, so it goes and A spans the two columns there are.
      {"column span past the last column", {{{0, 3}}, {{1}, {2}}}, 2, "Aa/BC",
       "A2x1 B1x1 C1x1"},
      // ROWSPAN=2 in the last row: no row remains below, cut to 1.
      {"row span in the last row", {{{0}, {1}}, {{2, 1, 2}, {3}}}, 2, "AB/CD",
       "A1x1 B1x1 C1x1 D1x1"},
      // A row span cut to the rows that remain, no rows made.
      {"row span past the last row", {{{0, 1, 5}, {1}}, {{2}}}, 2, "AB/aC", "A1x2 B1x1 C1x1"},
      // A row span moves the next row's cells to the right.
      {"row span moves cells right", {{{0, 1, 2}, {1}}, {{2}, {3}}}, 3, "AB./aCD",
       "A1x2 B1x1 C1x1 D1x1"},
      // A cell spanning two columns and two rows: its dummy in its own row
      // carries the row span, so both columns are held in the next row.
      {"column and row span", {{{0, 2, 2}, {1}}, {{2}}}, 3, "AaB/aaC", "A2x2 B1x1 C1x1"},
      // A short row gets holes at its end.
      {"short row", {{{0}, {1}, {2}}, {{3}}}, 3, "ABC/D..", "A1x1 B1x1 C1x1 D1x1"},
      // A row span at the third column over a row with one cell: a hole
      // stands between that cell and the span's dummy.
      {"hole before a span's dummy", {{{0}, {1}, {2, 1, 2}}, {{3}}}, 3, "ABC/D.c",
       "A1x1 B1x1 C1x2 D1x1"},
      // A row without cells inside a row span: dummies and holes only.
      {"empty row under a span", {{{0, 1, 3}}, {}, {{1}}}, 2, "A./a./aB", "A1x3 B1x1"},
      // C's column span runs into B's row span: C's dummy moves past B's,
      // into a third column that only it holds. That column goes, and C
      // loses the column of span its dummy stood in.
      {"column span meets a row span", {{{0}, {1, 1, 2}}, {{2, 2}}}, 2, "AB/Cb",
       "A1x1 B1x2 C1x1"},
      // Two trailing dummy columns in every row go together; each cell loses
      // two columns of span.
      {"two trailing columns", {{{0, 3}}, {{1, 3}}}, 1, "A/B", "A1x1 B1x1"},
      // The last column holds a real cell in one row: nothing goes.
      {"trailing column with a real cell", {{{0, 3}}, {{1}, {2}, {3}}}, 3, "Aaa/BCD",
       "A3x1 B1x1 C1x1 D1x1"},
      // The removal reaches columns that only shorter rows hold: after the
      // fourth column (A's) goes, the third holds dummies in both rows.
      {"removal reaches shorter rows", {{{0, 4}}, {{1}, {2, 2}}}, 2, "Aa/BC", "A2x1 B1x1 C1x1"},
      // Spans of 1 or less mean 1.
      {"spans of zero and below", {{{0, 0, 0}, {1, -5, -7}}}, 2, "AB", "A1x1 B1x1"},
  };
  for (const auto& c : cases) {
    TGridRows g = Make(c.rows);
    EXPECT_EQ(CompleteGrid(g), c.numCols) << c.name;
    EXPECT_EQ(Show(g), c.grid) << c.name;
    EXPECT_EQ(Spans(g), c.spans) << c.name;
  }
}

// The grid completed the slow way, step by step: each cell followed by its
// column-span dummies; then, column by column from the left and row by row,
// dummies inserted below every cell or dummy with a row span (holes first
// when a row is too short); then the last column removed, one at a time,
// while every full-length row ends in a dummy, each cell owning a dummy there
// losing one column of span; then holes to the common length. Returns the
// grid as Show and Spans give it, with the number of columns.
struct TSlowGrid {
  int NumCols;
  std::string Grid, Spans;
};
TSlowGrid SlowGrid(const InRows& rows) {
  struct P {
    int Id = -1, ColSpan = 0, RowSpan = 1, Owner = -1;  // Owner: the real cell's Id
  };
  const int n = static_cast<int>(rows.size());
  std::vector<std::vector<P>> g(rows.size());
  for (int r = 0; r < n; ++r)
    for (const In& c : rows[r]) {
      const int cs = std::clamp(c.ColSpan, 1, MaxColSpan);
      const int rs = std::min(std::clamp(c.RowSpan, 1, MaxRowSpan), n - r);
      g[r].push_back({c.Id, cs, rs, -1});
      for (int k = 1; k < cs; ++k) g[r].push_back({-1, 0, rs >= 2 ? rs : 1, c.Id});
    }
  auto longest = [&] {
    size_t m = 0;
    for (const auto& row : g) m = std::max(m, row.size());
    return m;
  };
  for (size_t col = 0; col < longest(); ++col)
    for (int r = 0; r < n; ++r) {
      if (g[r].size() <= col) continue;
      const P here = g[r][col];
      const int owner = here.ColSpan > 0 ? here.Id : here.Owner;
      for (int k = r + 1; k < r + here.RowSpan; ++k) {
        while (g[k].size() < col) g[k].push_back({});
        g[k].insert(g[k].begin() + static_cast<long>(col), P{-1, 0, 1, owner});
      }
    }
  size_t numCols = longest();
  std::vector<int> lost(64, 0);
  while (numCols > 0) {
    bool allDummies = true;
    for (const auto& row : g)
      if (row.size() == numCols && row.back().ColSpan > 0) allDummies = false;
    if (!allDummies) break;
    std::set<int> owners;
    for (auto& row : g)
      if (row.size() == numCols) {
        if (row.back().Owner >= 0) owners.insert(row.back().Owner);
        row.pop_back();
      }
    for (int o : owners) ++lost[o];
    --numCols;
  }
  TGridRows out(g.size());
  for (size_t r = 0; r < g.size(); ++r) {
    g[r].resize(numCols);
    out[r].resize(numCols);
    for (size_t c = 0; c < numCols; ++c) {
      TGridCell& o = out[r][c];
      o = {};
      o.ColSpan = 0;
      if (g[r][c].ColSpan > 0) {
        o.Id = g[r][c].Id;
        o.ColSpan = g[r][c].ColSpan - lost[o.Id];
        o.RowSpan = g[r][c].RowSpan;
      }
    }
  }
  // Owners by position, now that the positions are final.
  for (size_t r = 0; r < g.size(); ++r)
    for (size_t c = 0; c < numCols; ++c)
      if (g[r][c].Owner >= 0)
        for (size_t rr = 0; rr < g.size(); ++rr)
          for (size_t cc = 0; cc < numCols; ++cc)
            if (g[rr][cc].ColSpan > 0 && g[rr][cc].Id == g[r][c].Owner) {
              out[r][c].OwnerRow = static_cast<int>(rr);
              out[r][c].OwnerCol = static_cast<int>(cc);
            }
  return {static_cast<int>(numCols), Show(out), Spans(out)};
}

TEST(CompleteGrid, MatchesTheStepByStepGridOnRandomTables) {
  std::mt19937 rng(20240611);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  for (int round = 0; round < 3000; ++round) {
    InRows rows(static_cast<size_t>(pick(0, 5)));
    int id = 0;
    for (auto& row : rows) {
      const int cells = pick(0, 4);
      for (int k = 0; k < cells; ++k) row.push_back({id++, pick(-1, 4), pick(0, 4)});
    }
    const TSlowGrid want = SlowGrid(rows);
    TGridRows g = Make(rows);
    const int numCols = CompleteGrid(g);
    SCOPED_TRACE("round " + std::to_string(round));
    ASSERT_EQ(numCols, want.NumCols);
    ASSERT_EQ(Show(g), want.Grid);
    ASSERT_EQ(Spans(g), want.Spans);
  }
}

TEST(CompleteGrid, NoCellsGiveNoColumns) {
  TGridRows none;
  EXPECT_EQ(CompleteGrid(none), 0);
  EXPECT_TRUE(none.empty());

  TGridRows empty = Make({{}, {}, {}});
  EXPECT_EQ(CompleteGrid(empty), 0);
  ASSERT_EQ(empty.size(), 3u);
  for (const auto& row : empty) EXPECT_TRUE(row.empty());
}

TEST(CompleteGrid, DummiesNameTheirCellAndCarryItsRowSpan) {
  // A spans two columns and three rows; B one column and two rows.
  TGridRows g = Make({{{0, 2, 3}, {1, 1, 2}}, {}, {{2}, {3}}});
  ASSERT_EQ(CompleteGrid(g), 4);
  ASSERT_EQ(Show(g), "AaB./aab./aaCD");
  // The dummy in A's own row carries its row span; those below carry 1.
  EXPECT_EQ(g[0][1].RowSpan, 3);
  EXPECT_EQ(g[1][0].RowSpan, 1);
  EXPECT_EQ(g[1][1].RowSpan, 1);
  EXPECT_EQ(g[1][2].RowSpan, 1);
  // Every dummy is marked by ColSpan 0 and Id -1.
  for (const auto& row : g)
    for (const TGridCell& c : row) {
      if (c.ColSpan == 0) {
        EXPECT_EQ(c.Id, -1);
      }
    }
  EXPECT_EQ(g[2][1].OwnerRow, 0);
  EXPECT_EQ(g[2][1].OwnerCol, 0);
  EXPECT_EQ(g[1][2].OwnerRow, 0);
  EXPECT_EQ(g[1][2].OwnerCol, 2);
  // The holes beside B and its dummy name no cell.
  EXPECT_EQ(g[0][3].OwnerRow, -1);
  EXPECT_EQ(g[0][3].OwnerCol, -1);
}

double MillisecondsFor(TGridRows& g, int& numCols) {
  const auto start = std::chrono::steady_clock::now();
  numCols = CompleteGrid(g);
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

TEST(CompleteGrid, HugeSpansAreClampedAndFast) {
  // <td colspan=2000000000 rowspan=2000000000> alone: one position.
  {
    TGridRows g = Make({{{0, 2'000'000'000, 2'000'000'000}}});
    int numCols = 0;
    EXPECT_LT(MillisecondsFor(g, numCols), 1000.0);
    EXPECT_EQ(numCols, 1);
    EXPECT_EQ(Spans(g), "A1x1");
  }
  // A huge cell followed by another: the spans are clamped to 1000 columns
  // and the three rows there are, so B stands at column 1000 and C and D
  // beside A's dummies.
  {
    TGridRows g = Make({{{0, 2'000'000'000, 2'000'000'000}, {1}}, {{2}}, {{3}}});
    int numCols = 0;
    EXPECT_LT(MillisecondsFor(g, numCols), 1000.0);
    ASSERT_EQ(numCols, MaxColSpan + 1);
    EXPECT_EQ(Spans(g), "A1000x3 B1x1 C1x1 D1x1");
    for (const auto& row : g) ASSERT_EQ(row.size(), 1001u);
    EXPECT_EQ(g[0][1000].Id, 1);
    EXPECT_EQ(g[2][1000].Id, 3);
    EXPECT_EQ(g[2][999].OwnerRow, 0);
  }
  // Twenty thousand rows of <td colspan=2000000000>: the 999 trailing dummy
  // columns of every row are never built.
  {
    TGridRows g(20'000, std::vector<TGridCell>(1));
    for (auto& row : g) row[0].ColSpan = 2'000'000'000;
    int numCols = 0;
    EXPECT_LT(MillisecondsFor(g, numCols), 1000.0);
    EXPECT_EQ(numCols, 1);
    EXPECT_EQ(g.back().size(), 1u);
    EXPECT_EQ(g.back()[0].ColSpan, 1);
  }
  // ROWSPAN=65534 (the most) in each of 300 rows: cut to the rows that
  // remain, so each row's cell stands right of the ones above.
  {
    TGridRows g(300, std::vector<TGridCell>(1));
    for (auto& row : g) row[0].RowSpan = MaxRowSpan;
    int numCols = 0;
    EXPECT_LT(MillisecondsFor(g, numCols), 1000.0);
    EXPECT_EQ(numCols, 300);
    EXPECT_EQ(g[299][299].RowSpan, 1);
    EXPECT_EQ(g[0][0].RowSpan, 300);
    EXPECT_EQ(g[0][1].OwnerRow, -1);  // a hole: nothing stands above it
    EXPECT_EQ(g[299][0].OwnerRow, 0);
  }
}

}  // namespace
}  // namespace tav
