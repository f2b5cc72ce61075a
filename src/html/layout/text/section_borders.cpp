// Inline boxes on a section's lines: which bordered inline elements cross a
// line, and the rectangle each covers there.
#include <algorithm>
#include <climits>

#include "html/base/sat_math.h"
#include "html/layout/document.h"
#include "html/layout/text/section.h"
#include "html/paint/border_painter.h"

namespace tav {

namespace {
constexpr std::size_t Slot(PropIndices i) { return static_cast<std::size_t>(i); }
}  // namespace

int TSection::SourceAt(int i) const {
  auto it = std::upper_bound(SIndexList.begin(), SIndexList.end(), i,
                             [](int p, const IndexObj& o) { return p < o.Pos; });
  if (it == SIndexList.begin()) return -1;
  --it;
  return SatAdd(it->Index, i - it->Pos);
}

void TSection::AttachBorders(LineRec& line) {
  line.BorderList.clear();
  const auto& records = ParentSectionList.Looks.InlineList;
  if (records.empty() || line.Ln == 0 || SIndexList.empty()) return;
  const int start = line.Start;
  const int end = line.Start + line.Ln;
  const int firstSrc = SourceAt(start);
  const int lastSrc = SourceAt(end - 1);
  const long long baseline = static_cast<long long>(line.Y) + line.SpaceBefore + line.LineHt - line.Descent;
  for (const TInlineRec& rec : records) {
    // Source positions of the element: from its start to its end (to the
    // end of everything while it is open).
    const int recEnd = rec.EndBDoc < 0 ? INT_MAX : rec.EndBDoc;
    if (rec.StartBDoc > lastSrc || recEnd <= firstSrc) continue;
    int bs = start;
    while (bs < end && SourceAt(bs) < rec.StartBDoc) ++bs;
    int be = end;
    while (be > bs && SourceAt(be - 1) >= recEnd) --be;
    if (bs >= be) continue;
    BorderRec border;
    border.MargArray = rec.MargArray;
    border.BStart = bs;
    border.BEnd = be;  // one past the last character
    border.OpenStart = bs == start && start > 0 && SourceAt(start - 1) >= rec.StartBDoc;
    border.OpenEnd = be == end && (end < Len ? SourceAt(end) < recEnd : recEnd > lastSrc);
    // Vertically: the character cells of the runs it covers.
    long long top = LLONG_MAX, bottom = LLONG_MIN;
    for (int i = bs; i < be;) {
      const TFontObj* run = Fonts.GetFontObjAt(i);
      long long cellBottom = baseline + run->Descent;
      top = std::min(top, cellBottom - run->FontHeight);
      bottom = std::max(bottom, cellBottom);
      i += std::max(1, Fonts.GetFontCountAt(i, be - i));
    }
    auto sat = [](long long v) { return static_cast<int>(std::clamp<long long>(v, INT_MIN, INT_MAX)); };
    border.Box = TRect{sat(XInLine(line, bs)), sat(top), sat(XInLine(line, be)), sat(bottom)};
    line.BorderList.push_back(border);
  }
}

void TSection::DrawBorders(TSurface& surface, const LineRec& line, int x, long long yOff) {
  using P = PropIndices;
  auto sat = [](long long v) { return static_cast<int>(std::clamp<long long>(v, INT_MIN, INT_MAX)); };
  for (const BorderRec& border : line.BorderList) {
    const TMarginArray& m = border.MargArray;
    TRect r{sat(static_cast<long long>(x) + border.Box.Left), sat(border.Box.Top - yOff),
            sat(static_cast<long long>(x) + border.Box.Right), sat(border.Box.Bottom - yOff)};
    TColor bg = static_cast<TColor>(m[Slot(P::BackgroundColor)]);
    if (bg != clNone) surface.FillRect(r, ColorToRGB(bg));
    // The borders go around the box; an element that began on an earlier
    // line, or goes on past this one, is open on that side.
    TBorderSides sides;
    bool any = false;
    for (std::size_t k = 0; k < 4; ++k) {
      sides.Width[k] = std::max(0, m[Slot(P::BorderTopWidth) + k]);
      sides.Color[k] = static_cast<TColor>(m[Slot(P::BorderTopColor) + k]);
      sides.Style[k] = static_cast<BorderStyleType>(m[Slot(P::BorderTopStyle) + k]);
      any = any || (sides.Width[k] > 0 && sides.Style[k] != BorderStyleType::bssNone);
    }
    if (!any) continue;
    TRect outer{border.OpenStart ? r.Left : SatAdd(r.Left, -sides.Width[3]),
                SatAdd(r.Top, -sides.Width[0]),
                border.OpenEnd ? r.Right : SatAdd(r.Right, sides.Width[1]),
                SatAdd(r.Bottom, sides.Width[2])};
    DrawBorder(surface, outer, sides, border.OpenStart, border.OpenEnd);
  }
}

}  // namespace tav
