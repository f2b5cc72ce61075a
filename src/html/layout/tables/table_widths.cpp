#include "html/layout/tables/table_widths.h"

#include <algorithm>
#include <climits>

#include "html/base/sat_math.h"

namespace tav {

namespace {

int Sat(long long v) { return static_cast<int>(std::clamp<long long>(v, INT_MIN, INT_MAX)); }

// a * b / c for 0 <= a, b <= INT_MAX and c > 0: the product fits in 64 bits.
// Rounded down, so that shares never add up to more than what is shared.
long long MulDivDown(long long a, long long b, long long c) { return c > 0 ? a * b / c : 0; }

// The same rounded to nearest, halves up, as the other layout code rounds.
long long MulDivRound(long long a, long long b, long long c) {
  if (c <= 0) return 0;
  const long long p = a * b;
  const long long r = p % c;
  return p / c + (r >= c - r ? 1 : 0);
}

long long Sum(const std::vector<int>& v) {
  long long s = 0;
  for (int x : v) s += x;
  return s;
}

// The arrays the width rules work on: minimums not below 0, maximums not
// below the minimums, percentages within 0..1000, all as long as the
// minimums.
struct TCols {
  std::vector<int> Min, Max, Pct;
};
TCols Normalized(const std::vector<int>& mins, const std::vector<int>& maxs,
                 const std::vector<int>& pcts) {
  const size_t n = mins.size();
  TCols c{std::vector<int>(n), std::vector<int>(n), std::vector<int>(n)};
  for (size_t i = 0; i < n; ++i) {
    c.Min[i] = std::max(mins[i], 0);
    c.Max[i] = std::max(i < maxs.size() ? maxs[i] : 0, c.Min[i]);
    c.Pct[i] = std::clamp(i < pcts.size() ? pcts[i] : 0, 0, 1000);
  }
  return c;
}

// A cell's contribution: its content width plus HzSpace plus spacing.
int Contribution(int content, const TWidthCell& cell, int cellSpacing) {
  return SatAdd(SatAdd(std::max(content, 0), cell.HzSpace), cellSpacing);
}

// The cells that stand in the grid, with their spans cut at the last column,
// in order of span and in the given order within one span: only the spans
// present are visited.
std::vector<TWidthCell> BySpan(const std::vector<TWidthCell>& cells, int numCols) {
  std::vector<TWidthCell> out;
  out.reserve(cells.size());
  for (TWidthCell c : cells) {
    if (c.Col < 0 || c.Col >= numCols || c.ColSpan < 1) continue;
    c.ColSpan = std::min(c.ColSpan, numCols - c.Col);
    out.push_back(c);
  }
  std::stable_sort(out.begin(), out.end(),
                   [](const TWidthCell& a, const TWidthCell& b) { return a.ColSpan < b.ColSpan; });
  return out;
}

enum class TZeroWeights { AllToFirst, Equally };

// Adds `excess` to into[first .. first + span) in proportion to `weights`
// (one per spanned column); when the weights total 0, all of it to the first
// column or equal shares. The rounding remainder goes to the first column.
void ShareOut(std::vector<int>& into, int first, int span, long long excess,
              const std::vector<long long>& weights, TZeroWeights zero) {
  if (excess <= 0 || span < 1) return;
  long long total = 0;
  for (long long w : weights) total += w;
  long long given = 0;
  for (int k = 0; k < span; ++k) {
    long long share = 0;
    if (total > 0)
      share = MulDivDown(excess, weights[k], total);
    else if (zero == TZeroWeights::Equally)
      share = excess / span;
    into[first + k] = Sat(static_cast<long long>(into[first + k]) + share);
    given += share;
  }
  into[first] = Sat(static_cast<long long>(into[first]) + excess - given);
}

std::vector<long long> Slice(const std::vector<int>& v, int first, int span) {
  return std::vector<long long>(v.begin() + first, v.begin() + first + span);
}

long long SliceSum(const std::vector<int>& v, int first, int span) {
  long long s = 0;
  for (int k = 0; k < span; ++k) s += v[first + k];
  return s;
}

void FinishColumns(TColumnWidths& cols) {
  for (size_t i = 0; i < cols.MinWidths.size(); ++i)
    cols.MaxWidths[i] = std::max(cols.MaxWidths[i], cols.MinWidths[i]);
  cols.TotalMin = Sat(Sum(cols.MinWidths));
  cols.TotalMax = Sat(Sum(cols.MaxWidths));
}

TColumnWidths EmptyColumns(int numCols) {
  const size_t n = static_cast<size_t>(std::max(numCols, 0));
  return {std::vector<int>(n), std::vector<int>(n), std::vector<int>(n), 0, 0};
}

// The index of the column with the largest (maximum - minimum) spread, the
// first of equals.
size_t LargestSpread(const std::vector<int>& mins, const std::vector<int>& maxs) {
  size_t best = 0;
  for (size_t i = 1; i < mins.size(); ++i)
    if (static_cast<long long>(maxs[i]) - mins[i] >
        static_cast<long long>(maxs[best]) - mins[best])
      best = i;
  return best;
}

}  // namespace

TColumnWidths GetMinMaxAbs(const std::vector<TWidthCell>& cells, int numCols, int cellSpacing) {
  TColumnWidths cols = EmptyColumns(numCols);
  if (numCols <= 0) return cols;
  for (const TWidthCell& cell : BySpan(cells, numCols)) {
    int mn = Contribution(cell.MinWidth, cell, cellSpacing);
    int mx = std::max(Contribution(cell.MaxWidth, cell, cellSpacing), mn);
    const bool pixels = cell.WidthAttr > 0 && !cell.AsPercent;
    const int c = cell.Col, s = cell.ColSpan;
    if (s == 1) {
      if (pixels) mn = mx = std::max(mn, Contribution(cell.WidthAttr, cell, cellSpacing));
      cols.MinWidths[c] = std::max(cols.MinWidths[c], mn);
      cols.MaxWidths[c] = std::max(cols.MaxWidths[c], mx);
      continue;
    }
    if (pixels) mn = mx = std::max(cell.WidthAttr, mn);
    ShareOut(cols.MinWidths, c, s, mn - SliceSum(cols.MinWidths, c, s),
             Slice(cols.MinWidths, c, s), TZeroWeights::AllToFirst);
    ShareOut(cols.MaxWidths, c, s, mx - SliceSum(cols.MaxWidths, c, s),
             Slice(cols.MaxWidths, c, s), TZeroWeights::AllToFirst);
  }
  FinishColumns(cols);
  return cols;
}

TColumnWidths GetWidths(const std::vector<TWidthCell>& cells, int numCols, int cellSpacing,
                        int width) {
  TColumnWidths cols = EmptyColumns(numCols);
  if (numCols <= 0) return cols;
  std::vector<int>& mins = cols.MinWidths;
  std::vector<int>& maxs = cols.MaxWidths;
  std::vector<int>& pcts = cols.Percents;
  for (const TWidthCell& cell : BySpan(cells, numCols)) {
    const int mn = Contribution(cell.MinWidth, cell, cellSpacing);
    const int mx = std::max(Contribution(cell.MaxWidth, cell, cellSpacing), mn);
    int pct = 0;
    if (cell.WidthAttr > 0)
      // A pixel width over a width of 0 or less saturates, and so is capped.
      pct = cell.AsPercent ? cell.WidthAttr : SatMulDiv(cell.WidthAttr, 1000, width);
    pct = std::clamp(pct, 0, 1000);
    const int c = cell.Col, s = cell.ColSpan;
    if (s == 1) {
      mins[c] = std::max(mins[c], mn);
      maxs[c] = std::max(maxs[c], mx);
      pcts[c] = std::max(pcts[c], pct);
      continue;
    }
    long long totalMin = SliceSum(mins, c, s), totalMax = SliceSum(maxs, c, s);
    const long long realMax = totalMax;
    if (s == numCols) {
      totalMin = std::max<long long>(totalMin, width);
      totalMax = std::max<long long>(totalMax, width);
    }
    const long long sumPct = SliceSum(pcts, c, s);
    if (pct > 0 || sumPct > 0) {
      int without = 0;
      for (int k = c; k < c + s; ++k) without += pcts[k] == 0;
      if (without > 0) {
        const int share = Sat(std::max<long long>(0, pct - sumPct) / without);
        for (int k = c; k < c + s; ++k)
          if (pcts[k] == 0) pcts[k] = share;
      } else if (sumPct + 1 < pct) {
        for (int k = c; k < c + s; ++k) pcts[k] = Sat(MulDivDown(pcts[k], pct, sumPct));
      }
      bool someWithout = false;
      for (int k = c; k < c + s; ++k) someWithout |= pcts[k] == 0;
      const bool byMax = someWithout && realMax > 0;
      ShareOut(mins, c, s, mn - totalMin, Slice(byMax ? maxs : pcts, c, s),
               TZeroWeights::Equally);
      ShareOut(maxs, c, s, mx - totalMax, Slice(pcts, c, s), TZeroWeights::Equally);
    } else {
      ShareOut(mins, c, s, mn - totalMin, Slice(mins, c, s), TZeroWeights::Equally);
      ShareOut(maxs, c, s, mx - totalMax, Slice(maxs, c, s), TZeroWeights::Equally);
    }
  }
  FinishColumns(cols);
  return cols;
}

TTableMinMax TableMinMaxWidth(const std::vector<TWidthCell>& cells, int numCols, int cellSpacing,
                              bool useAbsolute, int tblWidthAttr) {
  TTableMinMax r;
  r.Columns = !useAbsolute || tblWidthAttr > 0
                  ? GetWidths(cells, numCols, cellSpacing, tblWidthAttr)
                  : GetMinMaxAbs(cells, numCols, cellSpacing);
  r.Min = std::max(SatAdd(r.Columns.TotalMin, cellSpacing), tblWidthAttr);
  r.Max = std::max(SatAdd(r.Columns.TotalMax, cellSpacing), tblWidthAttr);
  return r;
}

std::vector<int> GetWidthsAbs(int width, const std::vector<int>& minWidths,
                              const std::vector<int>& maxWidths) {
  const size_t n = minWidths.size();
  if (n == 0) return {};
  const TCols c = Normalized(minWidths, maxWidths, {});
  const long long totalMin = Sum(c.Min), totalMax = Sum(c.Max);
  if (width < totalMin) return c.Min;
  if (width >= totalMax) return c.Max;
  // Here totalMin <= width < totalMax, so the spread is positive; the
  // branches for equal totals only keep the divisions safe.
  const long long extra = width - totalMin;
  const long long spread = totalMax - totalMin;
  std::vector<int> w(n);
  long long sum = 0;
  for (size_t i = 0; i < n; ++i) {
    long long e = spread > 0   ? MulDivRound(c.Max[i] - c.Min[i], extra, spread)
                  : totalMin > 0 ? MulDivRound(c.Min[i], extra, totalMin)
                                 : extra / static_cast<long long>(n);
    w[i] = Sat(c.Min[i] + e);
    sum += w[i];
  }
  // Rounding to nearest leaves at most half a pixel per column, so one pass
  // from the left evens it out. A column at its minimum gives nothing back.
  long long diff = width - sum;
  for (size_t i = 0; i < n && diff != 0; ++i) {
    if (diff > 0) {
      ++w[i];
      --diff;
    } else if (w[i] > c.Min[i]) {
      --w[i];
      ++diff;
    }
  }
  return w;
}

namespace {

// Raises every column to its minimum and takes what that costs, with any
// other excess over `total`, from the columns above their minimum, from the
// left: first those `first` names, then any. The minimums must fit in
// `total`; rounding then never leaves a column narrower than its minimum.
template <class First>
void KeepMinimums(std::vector<int>& w, const std::vector<int>& min, long long total, First first) {
  for (size_t i = 0; i < w.size(); ++i) w[i] = std::max(w[i], min[i]);
  long long diff = total - Sum(w);
  for (int pass = 0; pass < 2 && diff < 0; ++pass)
    for (size_t i = 0; i < w.size() && diff < 0; ++i) {
      if (pass == 0 && !first(i)) continue;
      const long long take = std::min<long long>(-diff, static_cast<long long>(w[i]) - min[i]);
      if (take <= 0) continue;
      w[i] = Sat(w[i] - take);
      diff += take;
    }
}

}  // namespace

std::vector<int> TableSpecifiedAndWillFit(int width, const std::vector<int>& minWidths,
                                          const std::vector<int>& maxWidths,
                                          const std::vector<int>& percents) {
  const size_t n = minWidths.size();
  if (n == 0) return {};
  const TCols c = Normalized(minWidths, maxWidths, percents);
  if (Sum(c.Min) >= width) return c.Min;

  std::vector<int> w(n);
  std::vector<bool> fixed(n, false);
  bool allPct = true;
  for (size_t i = 0; i < n; ++i) {
    if (c.Pct[i] > 0) {
      const int t = SatMulDiv(width, c.Pct[i], 1000);
      fixed[i] = t <= c.Min[i];
      w[i] = fixed[i] ? c.Min[i] : t;
    } else {
      w[i] = c.Min[i];
      allPct = false;
    }
  }
  auto unfixedPct = [&](size_t i) { return c.Pct[i] > 0 && !fixed[i]; };
  auto unfixedPctSum = [&] {
    long long p = 0;
    for (size_t i = 0; i < n; ++i)
      if (unfixedPct(i)) p += c.Pct[i];
    return p;
  };

  const long long sum = Sum(w);
  if (sum < width) {
    const long long shortfall = width - sum;
    if (allPct) {
      const long long p = unfixedPctSum();
      for (size_t i = 0; i < n; ++i)
        if (unfixedPct(i)) w[i] = Sat(w[i] + MulDivDown(shortfall, c.Pct[i], p));
    } else {
      long long spread = 0, count = 0;
      for (size_t i = 0; i < n; ++i)
        if (c.Pct[i] == 0) {
          spread += c.Max[i] - c.Min[i];
          ++count;
        }
      const bool equally = spread < 1 || spread * 4 < shortfall;
      for (size_t i = 0; i < n; ++i)
        if (c.Pct[i] == 0)
          w[i] = Sat(w[i] + (equally ? shortfall / count
                                     : MulDivDown(shortfall, c.Max[i] - c.Min[i], spread)));
    }
  } else if (sum > width) {
    long long excess = sum - width;
    for (int round = 0; round < 4; ++round) {
      const long long p = unfixedPctSum();
      if (p == 0) break;
      long long released = 0;
      for (size_t i = 0; i < n; ++i)
        if (unfixedPct(i) && w[i] - MulDivDown(excess, c.Pct[i], p) < c.Min[i]) {
          released += w[i] - c.Min[i];
          w[i] = c.Min[i];
          fixed[i] = true;
        }
      if (released == 0) break;
      excess -= released;
    }
    const long long p = unfixedPctSum();
    for (size_t i = 0; i < n; ++i)
      if (unfixedPct(i)) w[i] = Sat(w[i] - MulDivDown(excess, c.Pct[i], p));
  }

  // What the rounding and the capped rounds left over. An excess comes off
  // the unfixed percentage columns first, then off any column, from the
  // left, never below a column's minimum (the minimums fit, checked above).
  KeepMinimums(w, c.Min, width, unfixedPct);
  const long long diff = width - Sum(w);
  if (diff > 0 && !allPct) {
    for (size_t i = n; i-- > 0;)
      if (c.Pct[i] == 0) {
        w[i] = Sat(w[i] + diff);
        break;
      }
  } else if (diff > 0) {
    const long long each = diff / static_cast<long long>(n);
    const long long rest = diff % static_cast<long long>(n);
    for (size_t i = 0; i < n; ++i)
      w[i] = Sat(w[i] + each + (static_cast<long long>(i) < rest ? 1 : 0));
  }
  return w;
}

std::vector<int> TableNotSpecifiedAndWillFit(int width, const std::vector<int>& minWidths,
                                             const std::vector<int>& maxWidths,
                                             const std::vector<int>& percents, bool widthAttr) {
  const size_t n = minWidths.size();
  if (n == 0) return {};
  TCols c = Normalized(minWidths, maxWidths, percents);
  if (Sum(c.Min) >= width) return c.Min;

  const long long pctSum = Sum(c.Pct);
  if ((pctSum > 0 && pctSum <= 1000) || widthAttr) {
    bool others = false;
    long long otherMax = 0;
    int wanted = 0;
    for (size_t i = 0; i < n; ++i) {
      if (c.Pct[i] > 0) {
        wanted = std::max(wanted, SatMulDiv(c.Max[i], 1000, c.Pct[i]));
      } else {
        others = true;
        otherMax += c.Max[i];
      }
    }
    if (others)
      wanted = std::max(wanted, pctSum < 1000 ? SatMulDiv(Sat(otherMax), 1000, Sat(1000 - pctSum))
                                              : 30000);

    if (width >= wanted) {
      // The table takes the width it would like, not all of the space.
      std::vector<int> w(n);
      long long rest = wanted;
      for (size_t i = 0; i < n; ++i)
        if (c.Pct[i] > 0) {
          w[i] = SatMulDiv(wanted, c.Pct[i], 1000);
          rest -= w[i];
        }
      if (others) {
        rest = std::max<long long>(rest, 0);
        long long count = 0;
        for (size_t i = 0; i < n; ++i) count += c.Pct[i] == 0;
        for (size_t i = 0; i < n; ++i)
          if (c.Pct[i] == 0)
            w[i] = Sat(otherMax > 0 ? MulDivDown(rest, c.Max[i], otherMax) : rest / count);
        const size_t big = LargestSpread(c.Min, c.Max);
        w[big] = Sat(static_cast<long long>(w[big]) + wanted - Sum(w));
        if (w[big] < c.Min[big]) KeepMinimums(w, c.Min, wanted, [](size_t) { return true; });
      }
      return w;
    }

    // Percentage columns that cannot have their share give it up; the rest
    // are scaled down until they fit beside the other columns' minimums.
    // Every round leaves less space than the one before, and there are at
    // most NumCols + 1 of them.
    std::vector<int> pct = c.Pct;
    long long lastSpace = LLONG_MAX;
    for (size_t round = 0; round <= n; ++round) {
      long long p = 0, othersMin = 0, need = 0;
      for (size_t i = 0; i < n; ++i) {
        if (pct[i] > 0 && SatMulDiv(width, pct[i], 1000) < c.Min[i]) pct[i] = 0;
        if (pct[i] > 0) {
          p += pct[i];
          need += SatMulDiv(width, pct[i], 1000);
        } else {
          othersMin += c.Min[i];
        }
      }
      if (p == 0) break;
      if (need + othersMin <= width) {
        for (size_t i = 0; i < n; ++i)
          if (pct[i] > 0) c.Min[i] = c.Max[i] = SatMulDiv(width, pct[i], 1000);
        break;
      }
      const long long space = std::min(width - othersMin, lastSpace - 1);
      lastSpace = space;
      if (space <= 0) break;
      const long long target = MulDivDown(space, 1000, width);
      for (size_t i = 0; i < n; ++i)
        if (pct[i] > 0) pct[i] = Sat(MulDivDown(pct[i], target, p));
    }
  }

  const long long totalMin = Sum(c.Min), totalMax = Sum(c.Max);
  if (totalMin >= width) return c.Min;
  const long long extra = width - totalMin;
  const long long spread = totalMax - totalMin;
  std::vector<int> w(n);
  for (size_t i = 0; i < n; ++i)
    w[i] = Sat(c.Min[i] + (spread > 0 ? MulDivRound(c.Max[i] - c.Min[i], extra, spread)
                                      : extra / static_cast<long long>(n)));
  const size_t big = LargestSpread(c.Min, c.Max);
  w[big] = Sat(static_cast<long long>(w[big]) + width - Sum(w));
  // Rounding to nearest over many columns can give more than the width;
  // the largest spread then cannot take it all.
  if (w[big] < c.Min[big]) KeepMinimums(w, c.Min, width, [](size_t) { return true; });
  return w;
}

TTableWidths FindColumnWidths(const std::vector<TWidthCell>& cells, int numCols, int cellSpacing,
                              bool useAbsolute, int tblWidthAttr, int available) {
  TTableWidths r;
  if (numCols <= 0) return r;
  const bool imposed = tblWidthAttr > 0;
  const int space = SatAdd(imposed ? tblWidthAttr : available, -cellSpacing);
  if (useAbsolute && !imposed) {
    const TColumnWidths cols = GetMinMaxAbs(cells, numCols, cellSpacing);
    r.Widths = GetWidthsAbs(space, cols.MinWidths, cols.MaxWidths);
  } else {
    const TColumnWidths cols = GetWidths(cells, numCols, cellSpacing, space);
    if (cols.TotalMin >= space)
      r.Widths = cols.MinWidths;
    else if (imposed)
      r.Widths = TableSpecifiedAndWillFit(space, cols.MinWidths, cols.MaxWidths, cols.Percents);
    else
      r.Widths = TableNotSpecifiedAndWillFit(space, cols.MinWidths, cols.MaxWidths, cols.Percents);
  }
  r.TableWidth = Sat(cellSpacing + Sum(r.Widths));
  return r;
}

}  // namespace tav
