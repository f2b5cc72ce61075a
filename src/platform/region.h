#pragma once
#include <memory>
#include <vector>

#include "platform/geometry.h"

namespace tav {

enum class TFillMode { fmAlternate, fmWinding };
enum class TRegionOp { roAnd, roOr, roXor, roDiff, roCopy };

// A set of pixels: a rectangle, an ellipse, a polygon, or a combination of
// regions. A pixel belongs to a shape when its centre (x + 0.5, y + 0.5) lies
// inside the shape's outline; a rectangle holds Left <= x < Right,
// Top <= y < Bottom. Regions are values: copies share their immutable parts.
class TRegion {
public:
  TRegion();  // empty
  static TRegion Rect(const TRect& r);
  // The ellipse inscribed in `bounds`.
  static TRegion Ellipse(const TRect& bounds);
  // A closed polygon through the points (closed back to the first point).
  static TRegion Polygon(const std::vector<TPoint>& points,
                         TFillMode mode = TFillMode::fmAlternate);
  static TRegion Combine(const TRegion& a, const TRegion& b, TRegionOp op);

  bool Contains(int x, int y) const;
  bool Contains(TPoint p) const { return Contains(p.X, p.Y); }
  bool IsEmpty() const;
  // A rectangle that holds every pixel of the region (not always the
  // tightest one for combinations).
  TRect Bounds() const;
  TRegion Offset(int dx, int dy) const;
  // True when the region is built from rectangles only.
  bool IsRectangular() const;
  // The region as a list of disjoint rectangles (horizontal bands, top to
  // bottom), exact for every kind of region.
  std::vector<TRect> Rects() const;

  struct Node;

private:
  explicit TRegion(std::shared_ptr<const Node> node);
  std::shared_ptr<const Node> FNode;
};

// Point test of a polygon alone, by the given fill rule.
bool PointInPolygon(const std::vector<TPoint>& points, double x, double y, TFillMode mode);

}  // namespace tav
