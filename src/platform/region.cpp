#include "platform/region.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace tav {

// Every kind of region is answered row by row: the row's pixels as sorted,
// disjoint half-open spans [from, to). Point tests and the rectangle list use
// the same spans, so they always agree.
using TSpan = std::pair<int, int>;
using TSpans = std::vector<TSpan>;

struct TRegion::Node {
  enum class TKind { nkEmpty, nkRect, nkEllipse, nkPolygon, nkCombine } Kind = TKind::nkEmpty;
  TRect Box;                  // rectangle, or the ellipse's bounds
  std::vector<TPoint> Points; // polygon
  TFillMode Mode = TFillMode::fmAlternate;
  std::shared_ptr<const Node> A, B;
  TRegionOp Op = TRegionOp::roAnd;
  TRect Bounds;               // holds every pixel
  bool Rectangular = false;

  void RowSpans(int y, TSpans& out) const;
};

namespace {

void CombineSpans(const TSpans& a, const TSpans& b, TRegionOp op, TSpans& out) {
  out.clear();
  // Sweep over every edge; a pixel is in the result by the operation on its
  // membership in a and b.
  std::vector<int> xs;
  xs.reserve((a.size() + b.size()) * 2);
  for (auto& s : a) { xs.push_back(s.first); xs.push_back(s.second); }
  for (auto& s : b) { xs.push_back(s.first); xs.push_back(s.second); }
  std::sort(xs.begin(), xs.end());
  xs.erase(std::unique(xs.begin(), xs.end()), xs.end());
  size_t ia = 0, ib = 0;
  for (size_t i = 0; i + 1 < xs.size(); ++i) {
    int x = xs[i];
    while (ia < a.size() && a[ia].second <= x) ++ia;
    while (ib < b.size() && b[ib].second <= x) ++ib;
    bool inA = ia < a.size() && a[ia].first <= x;
    bool inB = ib < b.size() && b[ib].first <= x;
    bool in = false;
    switch (op) {
      case TRegionOp::roAnd: in = inA && inB; break;
      case TRegionOp::roOr: in = inA || inB; break;
      case TRegionOp::roXor: in = inA != inB; break;
      case TRegionOp::roDiff: in = inA && !inB; break;
      case TRegionOp::roCopy: in = inA; break;
    }
    if (!in) continue;
    if (!out.empty() && out.back().second == x)
      out.back().second = xs[i + 1];
    else
      out.push_back({x, xs[i + 1]});
  }
}

// Pixels x whose centre x + 0.5 lies in [from, to).
TSpan CentresIn(double from, double to) {
  int a = static_cast<int>(std::ceil(from - 0.5));
  int b = static_cast<int>(std::ceil(to - 0.5));
  return {a, b};
}

void PolygonSpans(const std::vector<TPoint>& pts, TFillMode mode, double py, TSpans& out) {
  struct Cross {
    double x;
    int dir;
  };
  std::vector<Cross> crossings;
  size_t n = pts.size();
  for (size_t i = 0; i < n; ++i) {
    TPoint p = pts[i], q = pts[(i + 1) % n];
    if (p.Y == q.Y) continue;
    // Half-open in y so that a vertex is counted once.
    double y0 = p.Y, y1 = q.Y;
    int dir = 1;
    if (y0 > y1) { std::swap(y0, y1); dir = -1; }
    if (py < y0 || py >= y1) continue;
    double t = (py - p.Y) / static_cast<double>(q.Y - p.Y);
    crossings.push_back({p.X + t * (q.X - p.X), dir});
  }
  std::sort(crossings.begin(), crossings.end(),
            [](const Cross& l, const Cross& r) { return l.x < r.x; });
  int winding = 0;
  for (size_t i = 0; i + 1 < crossings.size(); ++i) {
    winding += crossings[i].dir;
    bool inside = mode == TFillMode::fmWinding ? winding != 0 : ((i + 1) % 2) == 1;
    if (!inside) continue;
    TSpan s = CentresIn(crossings[i].x, crossings[i + 1].x);
    if (s.first >= s.second) continue;
    if (!out.empty() && out.back().second >= s.first)
      out.back().second = std::max(out.back().second, s.second);
    else
      out.push_back(s);
  }
}

}  // namespace

void TRegion::Node::RowSpans(int y, TSpans& out) const {
  out.clear();
  if (y < Bounds.Top || y >= Bounds.Bottom) return;
  switch (Kind) {
    case TKind::nkEmpty:
      return;
    case TKind::nkRect:
      out.push_back({Box.Left, Box.Right});
      return;
    case TKind::nkEllipse: {
      // In doubles: a box near the int limits has no int sum or size.
      const double left = Box.Left, right = Box.Right, top = Box.Top, bottom = Box.Bottom;
      double cx = (left + right) / 2.0, cy = (top + bottom) / 2.0;
      double rx = (right - left) / 2.0, ry = (bottom - top) / 2.0;
      double dy = (y + 0.5 - cy) / ry;
      if (dy * dy > 1.0) return;
      double half = rx * std::sqrt(1.0 - dy * dy);
      // Centres within [cx - half, cx + half].
      int a = static_cast<int>(std::ceil(cx - half - 0.5));
      int b = static_cast<int>(std::floor(cx + half - 0.5)) + 1;
      if (a < b) out.push_back({a, b});
      return;
    }
    case TKind::nkPolygon:
      PolygonSpans(Points, Mode, y + 0.5, out);
      return;
    case TKind::nkCombine: {
      TSpans a, b;
      A->RowSpans(y, a);
      B->RowSpans(y, b);
      CombineSpans(a, b, Op, out);
      return;
    }
  }
}

TRegion::TRegion() : FNode(std::make_shared<Node>()) {}
TRegion::TRegion(std::shared_ptr<const Node> node) : FNode(std::move(node)) {}

TRegion TRegion::Rect(const TRect& r) {
  auto n = std::make_shared<Node>();
  if (!r.IsEmpty()) {
    n->Kind = Node::TKind::nkRect;
    n->Box = r;
    n->Bounds = r;
  }
  n->Rectangular = true;
  return TRegion(n);
}

TRegion TRegion::Ellipse(const TRect& bounds) {
  auto n = std::make_shared<Node>();
  if (!bounds.IsEmpty()) {
    n->Kind = Node::TKind::nkEllipse;
    n->Box = bounds;
    n->Bounds = bounds;
  }
  return TRegion(n);
}

TRegion TRegion::Polygon(const std::vector<TPoint>& points, TFillMode mode) {
  auto n = std::make_shared<Node>();
  if (points.size() >= 3) {
    TRect b{points[0].X, points[0].Y, points[0].X, points[0].Y};
    for (auto& p : points) {
      b.Left = std::min(b.Left, p.X);
      b.Top = std::min(b.Top, p.Y);
      b.Right = std::max(b.Right, p.X);
      b.Bottom = std::max(b.Bottom, p.Y);
    }
    if (!b.IsEmpty()) {
      n->Kind = Node::TKind::nkPolygon;
      n->Points = points;
      n->Mode = mode;
      n->Bounds = b;
    }
  }
  return TRegion(n);
}

TRegion TRegion::Combine(const TRegion& a, const TRegion& b, TRegionOp op) {
  using K = Node::TKind;
  const Node& na = *a.FNode;
  const Node& nb = *b.FNode;
  if (op == TRegionOp::roCopy) return a;
  // Shortcuts that keep simple clips simple.
  if (op == TRegionOp::roAnd) {
    if (na.Kind == K::nkEmpty || nb.Kind == K::nkEmpty) return TRegion();
    if (na.Kind == K::nkRect && nb.Kind == K::nkRect) return Rect(IntersectRect(na.Box, nb.Box));
    if (IntersectRect(na.Bounds, nb.Bounds).IsEmpty()) return TRegion();
  }
  if (op == TRegionOp::roOr || op == TRegionOp::roXor) {
    if (na.Kind == K::nkEmpty) return b;
    if (nb.Kind == K::nkEmpty) return a;
  }
  if (op == TRegionOp::roDiff) {
    if (na.Kind == K::nkEmpty) return TRegion();
    if (nb.Kind == K::nkEmpty || IntersectRect(na.Bounds, nb.Bounds).IsEmpty()) return a;
  }
  auto n = std::make_shared<Node>();
  n->Kind = K::nkCombine;
  n->A = a.FNode;
  n->B = b.FNode;
  n->Op = op;
  n->Rectangular = na.Rectangular && nb.Rectangular;
  switch (op) {
    case TRegionOp::roAnd: n->Bounds = IntersectRect(na.Bounds, nb.Bounds); break;
    case TRegionOp::roOr:
    case TRegionOp::roXor: n->Bounds = UnionRect(na.Bounds, nb.Bounds); break;
    default: n->Bounds = na.Bounds; break;
  }
  return TRegion(n);
}

bool TRegion::Contains(int x, int y) const {
  if (!FNode->Bounds.Contains(x, y)) return false;
  if (FNode->Kind == Node::TKind::nkRect) return true;
  TSpans spans;
  FNode->RowSpans(y, spans);
  for (auto& s : spans)
    if (x >= s.first && x < s.second) return true;
  return false;
}

bool TRegion::IsEmpty() const {
  if (FNode->Kind == Node::TKind::nkEmpty) return true;
  if (FNode->Kind == Node::TKind::nkRect) return FNode->Box.IsEmpty();
  TSpans spans;
  for (int y = FNode->Bounds.Top; y < FNode->Bounds.Bottom; ++y) {
    FNode->RowSpans(y, spans);
    if (!spans.empty()) return false;
  }
  return true;
}

TRect TRegion::Bounds() const { return FNode->Bounds; }

bool TRegion::IsRectangular() const { return FNode->Rectangular; }

namespace {
std::shared_ptr<const TRegion::Node> OffsetNode(const std::shared_ptr<const TRegion::Node>& n,
                                                int dx, int dy) {
  auto c = std::make_shared<TRegion::Node>(*n);
  c->Box = c->Box.Offset(dx, dy);
  c->Bounds = c->Bounds.Offset(dx, dy);
  for (auto& p : c->Points) { p.X += dx; p.Y += dy; }
  if (c->A) c->A = OffsetNode(c->A, dx, dy);
  if (c->B) c->B = OffsetNode(c->B, dx, dy);
  return c;
}
}  // namespace

TRegion TRegion::Offset(int dx, int dy) const {
  if (dx == 0 && dy == 0) return *this;
  return TRegion(OffsetNode(FNode, dx, dy));
}

std::vector<TRect> TRegion::Rects() const {
  std::vector<TRect> out;
  const Node& n = *FNode;
  if (n.Kind == Node::TKind::nkEmpty) return out;
  if (n.Kind == Node::TKind::nkRect) {
    out.push_back(n.Box);
    return out;
  }
  TSpans prev, cur;
  int bandTop = n.Bounds.Top;
  auto flush = [&](int bottom) {
    for (auto& s : prev) out.push_back({s.first, bandTop, s.second, bottom});
  };
  for (int y = n.Bounds.Top; y < n.Bounds.Bottom; ++y) {
    n.RowSpans(y, cur);
    if (cur != prev) {
      flush(y);
      prev.swap(cur);
      bandTop = y;
    }
  }
  flush(n.Bounds.Bottom);
  return out;
}

bool PointInPolygon(const std::vector<TPoint>& points, double x, double y, TFillMode mode) {
  if (points.size() < 3) return false;
  int winding = 0, crossings = 0;
  size_t n = points.size();
  for (size_t i = 0; i < n; ++i) {
    TPoint p = points[i], q = points[(i + 1) % n];
    if (p.Y == q.Y) continue;
    double y0 = p.Y, y1 = q.Y;
    int dir = 1;
    if (y0 > y1) { std::swap(y0, y1); dir = -1; }
    if (y < y0 || y >= y1) continue;
    double t = (y - p.Y) / static_cast<double>(q.Y - p.Y);
    if (p.X + t * (q.X - p.X) <= x) {
      winding += dir;
      ++crossings;
    }
  }
  return mode == TFillMode::fmWinding ? winding != 0 : (crossings % 2) == 1;
}

}  // namespace tav
