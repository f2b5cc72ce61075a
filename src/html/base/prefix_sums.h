#pragma once
// Running sums of a section's character advances: FPrefix[i] is the width
// of the characters before i. Kept in 32 bits while every sum fits (nearly
// always), in 64 bits for the rare multi-megabyte line with letter spacing:
// the sums stay exact at half the memory.
#include <algorithm>
#include <climits>
#include <cstddef>
#include <vector>

namespace tav {

class TPrefixSums {
public:
  // n sums, all 0, to be set in rising order (none decreases).
  void Reset(std::size_t n) {
    FWide = false;
    FBig.clear();
    FBig.shrink_to_fit();
    FSmall.assign(n, 0);
  }
  void Set(std::size_t i, long long v) {
    if (!FWide) {
      if (v <= INT_MAX) {
        FSmall[i] = static_cast<int>(v);
        return;
      }
      FBig.assign(FSmall.begin(), FSmall.end());
      FSmall.clear();
      FSmall.shrink_to_fit();
      FWide = true;
    }
    FBig[i] = v;
  }
  std::size_t size() const { return FWide ? FBig.size() : FSmall.size(); }
  long long operator[](std::size_t i) const { return FWide ? FBig[i] : FSmall[i]; }
  // The first index in [from, to) whose sum is above / not below v (to
  // when none).
  std::size_t UpperBound(std::size_t from, std::size_t to, long long v) const {
    return Find(from, to, [v](long long s) { return s > v; });
  }
  std::size_t LowerBound(std::size_t from, std::size_t to, long long v) const {
    return Find(from, to, [v](long long s) { return s >= v; });
  }

private:
  template <class F>
  std::size_t Find(std::size_t from, std::size_t to, F past) const {
    while (from < to) {
      std::size_t mid = from + (to - from) / 2;
      if (past((*this)[mid])) to = mid;
      else from = mid + 1;
    }
    return from;
  }

  bool FWide = false;
  std::vector<int> FSmall;
  std::vector<long long> FBig;
};

}  // namespace tav
