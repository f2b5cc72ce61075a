#pragma once
#include <algorithm>

namespace tav {

// Integer pixel geometry: x to the right, y downwards, origin at the top left.

struct TPoint {
  int X = 0;
  int Y = 0;
  friend bool operator==(const TPoint&, const TPoint&) = default;
};

struct TSize {
  int cx = 0;
  int cy = 0;
  friend bool operator==(const TSize&, const TSize&) = default;
};

// A rectangle whose right and bottom edges are exclusive: it covers the
// pixels Left <= x < Right, Top <= y < Bottom.
struct TRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;

  constexpr int Width() const { return Right - Left; }
  constexpr int Height() const { return Bottom - Top; }
  constexpr bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
  constexpr bool Contains(int x, int y) const {
    return x >= Left && x < Right && y >= Top && y < Bottom;
  }
  constexpr bool Contains(TPoint p) const { return Contains(p.X, p.Y); }
  constexpr TPoint TopLeft() const { return {Left, Top}; }
  constexpr TPoint BottomRight() const { return {Right, Bottom}; }
  constexpr TRect Offset(int dx, int dy) const {
    return {Left + dx, Top + dy, Right + dx, Bottom + dy};
  }
  constexpr TRect Inflate(int dx, int dy) const {
    return {Left - dx, Top - dy, Right + dx, Bottom + dy};
  }
  friend bool operator==(const TRect&, const TRect&) = default;
};

constexpr TRect MakeRect(int x, int y, int width, int height) {
  return {x, y, x + width, y + height};
}

// The common part of two rectangles; an empty rectangle (all zero) when they
// do not meet.
constexpr TRect IntersectRect(const TRect& a, const TRect& b) {
  TRect r{std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
          std::min(a.Bottom, b.Bottom)};
  if (r.IsEmpty()) return TRect{};
  return r;
}

// The smallest rectangle holding both; an empty operand is ignored.
constexpr TRect UnionRect(const TRect& a, const TRect& b) {
  if (a.IsEmpty()) return b;
  if (b.IsEmpty()) return a;
  return {std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right),
          std::max(a.Bottom, b.Bottom)};
}

}  // namespace tav
