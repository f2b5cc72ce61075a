#include "html/layout/block_geometry.h"

#include <algorithm>
#include <climits>

#include "html/css/properties.h"

namespace tav {

namespace {

int Sat(long long v) { return static_cast<int>(std::clamp<long long>(v, INT_MIN, INT_MAX)); }

}  // namespace

TWidthResult FindBlockWidth(const TWidthInput& in) {
  const bool autoLeft = in.MarginLeft == Auto;
  const bool autoRight = in.MarginRight == Auto;
  const bool autoWidth = in.Width == Auto;
  const long long a = in.Available;
  const long long h = in.Horizontal;
  const long long leftPos = in.Absolute && in.LeftPos != Auto ? in.LeftPos : 0;

  // A width that fills the space the margins leave; a float shrinks to its
  // content but never below the content's minimum.
  auto fill = [&](long long ml, long long mr) -> int {
    const long long space = a - h - ml - mr;
    long long w = in.Floating ? std::min<long long>(in.ContentMax, space)
                              : space - leftPos;
    w = std::max<long long>(w, in.ContentMin);
    return Sat(std::max<long long>(w, 0));
  };
  // A given width grows to hold the content, unless the overflow is cut.
  auto given = [&]() -> int {
    return in.OverflowHidden ? in.Width : std::max(in.Width, in.ContentMin);
  };

  TWidthResult r;
  r.MarginLeft = autoLeft ? 0 : in.MarginLeft;
  r.MarginRight = autoRight ? 0 : in.MarginRight;
  const int autos = int{autoLeft} + int{autoRight} + int{autoWidth};

  switch (autos) {
    case 0: {
      r.Width = given();
      if ((in.CenterText || in.RightText) && !in.Positioned && !in.Floating &&
          in.MarginLeft == 0 && in.MarginRight == 0) {
        const long long room = std::max<long long>(0, a - r.Width - h);
        if (in.CenterText) {
          r.MarginLeft = r.MarginRight = Sat(room / 2);
        } else {
          r.MarginLeft = Sat(room);
        }
      }
      break;
    }
    case 1:
      if (autoWidth) {
        r.Width = fill(r.MarginLeft, r.MarginRight);
      } else {
        r.Width = given();
        if (autoLeft)
          r.MarginLeft = Sat(std::max<long long>(0, a - h - in.MarginRight - r.Width));
        else
          r.MarginRight = in.Floating
                              ? 0
                              : Sat(std::max<long long>(0, a - h - in.MarginLeft - r.Width));
      }
      break;
    case 2:
      if (autoWidth) {
        // The auto margin is 0 (set above) and the width fills.
        r.Width = fill(r.MarginLeft, r.MarginRight);
      } else {
        r.Width = given();
        r.MarginLeft = r.MarginRight = Sat(std::max<long long>(0, a - r.Width - h) / 2);
      }
      break;
    default:
      r.Width = fill(0, 0);
      break;
  }
  if (in.MaxWidth != Auto && in.MaxWidth >= 0 && r.Width > in.MaxWidth) {
    TWidthInput capped = in;
    capped.Width = in.MaxWidth;
    capped.MaxWidth = Auto;
    return FindBlockWidth(capped);
  }
  return r;
}

int CollapsedMargin(int bottom, int top) {
  if (bottom >= 0 && top >= 0) return std::max(bottom, top);
  if (bottom < 0 && top < 0) return std::min(bottom, top);
  return bottom + top;
}

}  // namespace tav
