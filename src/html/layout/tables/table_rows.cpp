#include "html/layout/tables/table_rows.h"

#include <algorithm>
#include <climits>
#include <cstddef>

namespace tav {

namespace {

int Sat(long long v) { return static_cast<int>(std::clamp<long long>(v, INT_MIN, INT_MAX)); }

// A height within 0..INT_MAX, so that differences of two fit in 32 bits and
// their products with another in 64.
long long Height(long long v) { return std::clamp<long long>(v, 0, INT_MAX); }

// a * b / c rounded down, for 0 <= a, b <= INT_MAX and c > 0.
long long MulDivDown(long long a, long long b, long long c) { return c > 0 ? a * b / c : 0; }

// What a cell or a row asks for, in pixels, spacing not included.
struct TAsk {
  long long Min = 0;   // content + VrSpace, raised to a pixel height
  long long Pct = -1;  // the height its percentage stands for; -1 none
};

struct TRows {
  std::vector<long long> Min, Desired;
  std::vector<bool> Specified;
};

// Adds `excess` to v[first .. first + span) in equal shares, the remainder to
// the last.
void ShareEqually(std::vector<long long>& v, int first, int span, long long excess) {
  if (excess <= 0 || span < 1) return;
  const long long share = excess / span;
  for (int k = first; k < first + span; ++k) v[k] = Height(v[k] + share);
  v[first + span - 1] = Height(v[first + span - 1] + excess - share * span);
}

long long Total(const std::vector<long long>& v, int first, int span) {
  long long s = 0;
  for (int k = first; k < first + span; ++k) s += v[k];
  return s;
}

// Hands `extra` out to the rows listed in `to` in equal shares, the last of
// them taking the remainder: out[i] = base[i] + share.
void EqualShares(std::vector<int>& out, const std::vector<long long>& base,
                 const std::vector<size_t>& to, long long extra) {
  if (to.empty()) return;
  const long long share = extra / static_cast<long long>(to.size());
  for (size_t i : to) out[i] = Sat(base[i] + share);
  out[to.back()] = Sat(base[to.back()] + extra - share * static_cast<long long>(to.size() - 1));
}

// Turns a cell's or row's content height and specified heights into what
// it asks for. A percentage is taken of `base`, or in a table of one row
// stands for all of it.
struct TAsker {
  long long PctBase = 0;
  size_t Rows = 0;
  long long PercentOf(int pct) const {
    return Rows == 1 ? PctBase : PctBase * std::clamp(pct, 0, 100) / 100;
  }
  TAsk Ask(long long content, int specHt, int specPct) const {
    TAsk a;
    a.Min = std::max(Height(content), specHt >= 0 ? static_cast<long long>(specHt) : 0);
    if (specPct >= 0) a.Pct = PercentOf(specPct);
    return a;
  }
};

// The cells that stand in a table of n rows, spans cut at the last row, by
// rising span (document order within one span).
std::vector<TRowCell> CellsBySpan(const std::vector<TRowCell>& cells, size_t n) {
  std::vector<TRowCell> sorted;
  sorted.reserve(cells.size());
  for (TRowCell c : cells) {
    if (c.Row < 0 || static_cast<size_t>(c.Row) >= n) continue;
    c.RowSpan = static_cast<int>(
        std::clamp<long long>(c.RowSpan, 1, static_cast<long long>(n) - c.Row));
    sorted.push_back(c);
  }
  std::stable_sort(sorted.begin(), sorted.end(),
                   [](const TRowCell& a, const TRowCell& b) { return a.RowSpan < b.RowSpan; });
  return sorted;
}

// The rows' minimum and desired heights from their own heights and the
// cells of one row (the first `next` of `sorted`, which comes back past
// them), spacing added.
TRows OneRowHeights(const std::vector<TRowSpec>& rows, const std::vector<TRowCell>& sorted,
                    size_t& next, const TAsker& asker, long long spacing) {
  const size_t n = rows.size();
  TRows r{std::vector<long long>(n, 0), std::vector<long long>(n, 0), std::vector<bool>(n, false)};
  auto takeOneRow = [&](size_t i, const TAsk& a) {
    r.Min[i] = std::max(r.Min[i], a.Min);
    if (a.Pct >= 0) {
      r.Desired[i] = std::max(r.Desired[i], a.Pct);
      r.Specified[i] = true;
    }
  };
  for (size_t i = 0; i < n; ++i)
    takeOneRow(i, asker.Ask(0, rows[i].SpecRowHeight, rows[i].SpecRowHeightPercent));
  for (next = 0; next < sorted.size() && sorted[next].RowSpan == 1; ++next) {
    const TRowCell& c = sorted[next];
    takeOneRow(static_cast<size_t>(c.Row),
               asker.Ask(static_cast<long long>(c.ContentHeight) + c.VrSpace, c.SpecHt, c.SpecHtPercent));
  }
  for (size_t i = 0; i < n; ++i) {
    r.Min[i] = Height(r.Min[i] + spacing);
    r.Desired[i] = std::max(Height(r.Desired[i] + spacing), r.Min[i]);
  }
  return r;
}

// Cells of several rows (sorted[next..], in rising span): each spreads what
// it needs beyond the spanned rows over them.
void SpreadSpanningCells(TRows& r, const std::vector<TRowCell>& sorted, size_t next,
                         const TAsker& asker, long long spacing) {
  for (; next < sorted.size(); ++next) {
    const TRowCell& c = sorted[next];
    const TAsk a =
        asker.Ask(static_cast<long long>(c.ContentHeight) + c.VrSpace, c.SpecHt, c.SpecHtPercent);
    ShareEqually(r.Min, c.Row, c.RowSpan, a.Min + spacing - Total(r.Min, c.Row, c.RowSpan));
    if (a.Pct >= 0) {
      ShareEqually(r.Desired, c.Row, c.RowSpan,
                   a.Pct + spacing - Total(r.Desired, c.Row, c.RowSpan));
      for (int k = c.Row; k < c.Row + c.RowSpan; ++k) r.Specified[k] = true;
    }
    for (int k = c.Row; k < c.Row + c.RowSpan; ++k) r.Desired[k] = std::max(r.Desired[k], r.Min[k]);
  }
}

// When even the desired heights leave room (total desired < H): rows
// without a specified height share it, or every row is stretched.
void StretchDesired(std::vector<int>& out, const TRows& r, long long H, long long totalDesired) {
  const size_t n = out.size();
  std::vector<size_t> free;
  for (size_t i = 0; i < n; ++i) {
    out[i] = Sat(r.Desired[i]);
    if (!r.Specified[i]) free.push_back(i);
  }
  if (!free.empty()) {
    EqualShares(out, r.Desired, free, H - totalDesired);
  } else if (totalDesired > 0) {
    // Every row specified: stretched by H / total desired.
    long long given = 0;
    for (size_t i = 0; i + 1 < n; ++i) {
      out[i] = Sat(MulDivDown(r.Desired[i], H, totalDesired));
      given += out[i];
    }
    out[n - 1] = Sat(H - given);
  } else {
    // Every row specified as 0 high: nothing to scale, so equal shares.
    std::vector<size_t> all(n);
    for (size_t i = 0; i < n; ++i) all[i] = i;
    EqualShares(out, std::vector<long long>(n, 0), all, H);
  }
}

// The rows against the available height H.
std::vector<int> FitToHeight(const TRows& r, long long H) {
  const size_t n = r.Min.size();
  long long totalMin = 0, totalDesired = 0;
  for (size_t i = 0; i < n; ++i) {
    totalMin += r.Min[i];
    totalDesired += r.Desired[i];
  }
  std::vector<int> out(n);
  for (size_t i = 0; i < n; ++i) out[i] = Sat(r.Min[i]);
  if (totalMin >= H) return out;
  if (totalDesired < H) {
    StretchDesired(out, r, H, totalDesired);
    return out;
  }

  // Here totalMin < H <= totalDesired, so the spread is positive.
  const long long extra = H - totalMin;
  const long long spread = totalDesired - totalMin;
  if (spread <= 0) {
    std::vector<size_t> all(n);
    for (size_t i = 0; i < n; ++i) all[i] = i;
    EqualShares(out, r.Min, all, extra);
    return out;
  }
  long long given = 0;
  for (size_t i = 0; i + 1 < n; ++i) {
    out[i] = Sat(r.Min[i] + MulDivDown(r.Desired[i] - r.Min[i], extra, spread));
    given += out[i];
  }
  out[n - 1] = Sat(H - given);
  return out;
}

}  // namespace

std::vector<int> FindRowHeights(const std::vector<TRowCell>& cells,
                                const std::vector<TRowSpec>& rows, int height, int cellSpacing) {
  const size_t n = rows.size();
  if (n == 0) return {};
  const long long spacing = cellSpacing;
  const long long H = static_cast<long long>(height) - spacing;
  // What a percentage is taken of.
  const TAsker asker{Height(H - static_cast<long long>(n) * spacing), n};
  const std::vector<TRowCell> sorted = CellsBySpan(cells, n);
  size_t next = 0;
  TRows r = OneRowHeights(rows, sorted, next, asker, spacing);
  SpreadSpanningCells(r, sorted, next, asker, spacing);
  return FitToHeight(r, H);
}

}  // namespace tav
