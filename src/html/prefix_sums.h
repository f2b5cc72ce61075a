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
  // Takes the sums (the first is 0, none decreases).
  void Assign(std::vector<long long>&& sums) {
    if (sums.empty() || sums.back() <= INT_MAX) {
      FSmall.assign(sums.begin(), sums.end());
      FBig.clear();
      FBig.shrink_to_fit();
    } else {
      FBig = std::move(sums);
      FSmall.clear();
      FSmall.shrink_to_fit();
    }
  }
  std::size_t size() const { return FBig.empty() ? FSmall.size() : FBig.size(); }
  long long operator[](std::size_t i) const { return FBig.empty() ? FSmall[i] : FBig[i]; }
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

  std::vector<int> FSmall;
  std::vector<long long> FBig;
};

}  // namespace tav
