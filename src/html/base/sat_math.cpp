#include "html/base/sat_math.h"

#include <cstdlib>

namespace tav {

int SatMulDiv(int a, int b, int c) {
  long long p = static_cast<long long>(a) * b;  // |p| <= 2^62: no overflow
  if (c == 0) return p > 0 ? INT_MAX : p < 0 ? INT_MIN : 0;
  long long q = c;
  bool negative = (p < 0) != (q < 0);
  long long ap = std::llabs(p), aq = std::llabs(q);
  long long r = ap / aq + ((ap % aq) * 2 >= aq ? 1 : 0);
  if (negative) r = -r;
  return r > INT_MAX ? INT_MAX : r < INT_MIN ? INT_MIN : static_cast<int>(r);
}

}  // namespace tav
