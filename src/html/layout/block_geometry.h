#pragma once
// The arithmetic of block boxes: horizontal widths and margins, and the
// merging of vertical margins.
#include <cstddef>

#include "html/css/properties.h"

namespace tav {

// FindWidth's inputs: every value in pixels, Auto where auto.
// A box value in pixels: Auto, not set and the reserved markers count as 0.
inline int BoxPx(const TMarginArray& m, PropIndices p) {
  int v = m[static_cast<std::size_t>(p)];
  return v == Auto || v == IntNull || v == AutoParagraph ? 0 : v;
}

struct TWidthInput {
  int Available = 0;       // A
  int Horizontal = 0;      // H: left and right borders and padding
  int MarginLeft = 0;
  int MarginRight = 0;
  int Width = 0;
  int MaxWidth = Auto;     // Auto: no limit
  int ContentMin = 0;
  int ContentMax = 0;
  int LeftPos = 0;         // absolutely positioned: the left position
  bool Floating = false;
  bool Absolute = false;
  bool Positioned = false;  // relative or absolute
  bool OverflowHidden = false;
  bool CenterText = false;  // text-align center
  bool RightText = false;   // text-align right
};
struct TWidthResult {
  int Width = 0;
  int MarginLeft = 0;
  int MarginRight = 0;
};
// The content width and the used margins by the number of auto values
// among margin-left, margin-right and width; margins never below 0 where
// they are computed. A width above MaxWidth is found again with MaxWidth
// as the given width.
TWidthResult FindBlockWidth(const TWidthInput& in);

// The top margin that results from an earlier block's bottom margin and
// this block's top margin: both >= 0 the larger, one negative their sum,
// both negative the more negative.
int CollapsedMargin(int bottom, int top);

}  // namespace tav
