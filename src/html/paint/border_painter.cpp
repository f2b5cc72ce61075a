#include "html/paint/border_painter.h"

#include <algorithm>
#include <vector>

namespace tav {

namespace {

enum TSide { sTop = 0, sRight = 1, sBottom = 2, sLeft = 3 };

// Drawing coordinates stay in this range: far enough outside any window to
// hide the cut, small enough that no arithmetic on them can overflow.
constexpr long long ClampLow = -200;
constexpr long long ClampHigh = 5000;

int Clamp(long long v) { return static_cast<int>(std::clamp(v, ClampLow, ClampHigh)); }

// A rectangle in 64-bit coordinates, so that insetting a huge box by huge
// widths cannot overflow before it is clamped.
struct TBox {
  long long L, T, R, B;
};

// `box` moved in on every side by the given distances (top, right, bottom,
// left). Where the two sides of an axis together are larger than the box,
// the inner edges meet at the point that divides the box between them.
TBox Inset(const TBox& box, const std::array<long long, 4>& d) {
  TBox r{box.L + d[sLeft], box.T + d[sTop], box.R - d[sRight], box.B - d[sBottom]};
  if (r.L > r.R) {
    const long long sum = d[sLeft] + d[sRight];
    r.L = r.R = box.L + (box.R - box.L) * d[sLeft] / sum;
  }
  if (r.T > r.B) {
    const long long sum = d[sTop] + d[sBottom];
    r.T = r.B = box.T + (box.B - box.T) * d[sTop] / sum;
  }
  return r;
}

// The band of one side between an outer and an inner rectangle: a
// trapezoid whose slanted ends meet the neighbouring sides at the corners.
void FillSide(TSurface& s, TSide side, const TBox& a, const TBox& b, TColor color) {
  auto P = [](long long x, long long y) { return TPoint{Clamp(x), Clamp(y)}; };
  std::vector<TPoint> pts;
  switch (side) {
    case sTop: pts = {P(a.L, a.T), P(a.R, a.T), P(b.R, b.T), P(b.L, b.T)}; break;
    case sRight: pts = {P(a.R, a.T), P(a.R, a.B), P(b.R, b.B), P(b.R, b.T)}; break;
    case sBottom: pts = {P(a.R, a.B), P(a.L, a.B), P(b.L, b.B), P(b.R, b.B)}; break;
    case sLeft: pts = {P(a.L, a.B), P(a.L, a.T), P(b.L, b.T), P(b.L, b.B)}; break;
  }
  s.SetBrush(TBrush{TBrushStyle::bsSolid, color});
  s.Polygon(pts);
}

// Dashes or dots along one side, `w` thick: the top and bottom run the full
// width of the box and own the corners, the left and right run between them.
void DashSide(TSurface& s, TSide side, const TBox& a, const TBox& b, long long w,
              bool dotted, TColor color) {
  if (w <= 0) return;
  const long long on = dotted ? w : 2 * w + 2;
  const long long off = dotted ? w : w + 1;
  const bool horizontal = side == sTop || side == sBottom;
  long long from, to, across0, across1;
  if (horizontal) {
    from = a.L;
    to = a.R;
    across0 = side == sTop ? a.T : b.B;
    across1 = side == sTop ? b.T : a.B;
  } else {
    from = b.T;
    to = b.B;
    across0 = side == sLeft ? a.L : b.R;
    across1 = side == sLeft ? b.L : a.R;
  }
  // Only the part inside the drawing range is walked; the pattern keeps
  // its phase from the side's real start.
  long long start = from;
  if (start < ClampLow) start = from + (ClampLow - from) / (on + off) * (on + off);
  const long long end = std::min(to, ClampHigh);
  for (long long p = start; p < end; p += on + off) {
    const long long q = std::min(p + on, to);
    TRect r = horizontal ? TRect{Clamp(p), Clamp(across0), Clamp(q), Clamp(across1)}
                         : TRect{Clamp(across0), Clamp(p), Clamp(across1), Clamp(q)};
    s.FillRect(r, color);
  }
}

int Channel(int c, bool lighter) { return lighter ? c + (255 - c) / 2 : c / 2; }

TColor Shade(TColor c, bool lighter) {
  c = ColorToRGB(c);
  return RGB(Channel(GetRValue(c), lighter), Channel(GetGValue(c), lighter),
             Channel(GetBValue(c), lighter));
}

// Whether the side is the lit one of a raised (outset) box: top and left.
bool LitWhenRaised(TSide side) { return side == sTop || side == sLeft; }

}  // namespace

TColor LighterShade(TColor rgb) { return Shade(rgb, true); }
TColor DarkerShade(TColor rgb) { return Shade(rgb, false); }

void DrawBorder(TSurface& surface, const TRect& outer, const TBorderSides& sides, bool omitLeft,
                bool omitRight) {
  std::array<long long, 4> w{};
  std::array<TColor, 4> color{};
  for (int i = 0; i < 4; ++i) {
    color[i] = ColorToRGB(sides.Color[i]);
    const bool omitted = (i == sLeft && omitLeft) || (i == sRight && omitRight);
    if (!omitted && sides.Style[i] != BorderStyleType::bssNone)
      w[i] = std::max(0, sides.Width[i]);
  }
  if (w[0] == 0 && w[1] == 0 && w[2] == 0 && w[3] == 0) return;

  const TBox outerBox{outer.Left, outer.Top, outer.Right, outer.Bottom};
  if (outerBox.R <= outerBox.L || outerBox.B <= outerBox.T) return;
  const TBox innerBox = Inset(outerBox, w);
  std::array<long long, 4> half{}, thirdOut{}, thirdIn{};
  for (int i = 0; i < 4; ++i) {
    half[i] = w[i] / 2;
    thirdOut[i] = (w[i] + 1) / 3;
    thirdIn[i] = w[i] - (w[i] + 1) / 3;
  }
  const TBox halfBox = Inset(outerBox, half);
  const TBox thirdOutBox = Inset(outerBox, thirdOut);
  const TBox thirdInBox = Inset(outerBox, thirdIn);

  const TPen savedPen = surface.Pen();
  const TBrush savedBrush = surface.Brush();
  surface.SetPen(TPen{TPenStyle::psClear, 1, clBlack});

  for (int i = 0; i < 4; ++i) {
    const TSide side = static_cast<TSide>(i);
    const TColor c = color[i];
    if (w[i] == 0 || c == clNone || c == clDefault) continue;
    // A raised band lights its top and left; a sunken one the reverse.
    auto raised = [&](const TBox& a, const TBox& b, bool up) {
      const bool lit = LitWhenRaised(side) == up;
      FillSide(surface, side, a, b, lit ? LighterShade(c) : DarkerShade(c));
    };
    switch (sides.Style[i]) {
      case BorderStyleType::bssNone:
        break;
      case BorderStyleType::bssSolid:
        FillSide(surface, side, outerBox, innerBox, c);
        break;
      case BorderStyleType::bssDouble:
        if (w[i] < 3) {
          FillSide(surface, side, outerBox, innerBox, c);
        } else {
          FillSide(surface, side, outerBox, thirdOutBox, c);
          FillSide(surface, side, thirdInBox, innerBox, c);
        }
        break;
      case BorderStyleType::bssDashed:
      case BorderStyleType::bssDotted:
        DashSide(surface, side, outerBox, innerBox, w[i],
                 sides.Style[i] == BorderStyleType::bssDotted, c);
        break;
      case BorderStyleType::bssInset:
        raised(outerBox, innerBox, false);
        break;
      case BorderStyleType::bssOutset:
        raised(outerBox, innerBox, true);
        break;
      case BorderStyleType::bssGroove:
        raised(outerBox, halfBox, false);
        raised(halfBox, innerBox, true);
        break;
      case BorderStyleType::bssRidge:
        raised(outerBox, halfBox, true);
        raised(halfBox, innerBox, false);
        break;
    }
  }
  surface.SetBrush(savedBrush);
  surface.SetPen(savedPen);
}

}  // namespace tav
