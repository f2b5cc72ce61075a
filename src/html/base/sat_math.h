#pragma once
// Integer arithmetic that never wraps: every HTML measure goes through here,
// so that hostile sizes (1e12px, SIZE=99999999999) end at the int range
// instead of turning negative.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <initializer_list>

namespace tav {

// a * b / c in 64 bits, rounded as MulDiv rounds (halves away from zero),
// saturated to the int range. A zero divisor gives INT_MAX, INT_MIN or 0 by
// the sign of a * b.
int SatMulDiv(int a, int b, int c);

// A double rounded to nearest with ties to even and saturated to the int
// range; NaN gives 0.
inline int SatRound(double d) {
  if (std::isnan(d)) return 0;
  if (d >= 2147483647.0) return INT_MAX;
  if (d <= -2147483648.0) return INT_MIN;
  return static_cast<int>(std::nearbyint(d));
}

// Sum and product saturated to the int range.
inline int SatAdd(int a, int b) {
  long long r = static_cast<long long>(a) + b;
  return r > INT_MAX ? INT_MAX : r < INT_MIN ? INT_MIN : static_cast<int>(r);
}
// The sum of several values, clamped to the int range once at the end.
inline int SatSum(std::initializer_list<int> values) {
  long long sum = 0;
  for (int v : values) sum += v;
  return static_cast<int>(std::clamp<long long>(sum, INT_MIN, INT_MAX));
}

inline int SatMul(int a, int b) {
  long long r = static_cast<long long>(a) * b;
  return r > INT_MAX ? INT_MAX : r < INT_MIN ? INT_MIN : static_cast<int>(r);
}

}  // namespace tav
