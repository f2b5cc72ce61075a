#pragma once
// Background pictures: where a picture stands in its area (its position),
// which ways it repeats, and the painting of only those tiles that meet the
// clip, so that a tiny picture over a huge page costs the visible tiles.
#include <string>

#include "platform/surface.h"

namespace tav {

class TProperties;

// Position and repeat of a background picture.
struct TBackgroundPRec {
  // The offset of the picture in its area: pixels, or with the flag a
  // percentage p meaning (area - picture) * p / 100, so that 0% puts the
  // picture at the start, 50% in the middle and 100% at the far end.
  int X = 0, Y = 0;
  bool XPercent = true, YPercent = true;
  bool RepeatX = true, RepeatY = true;
  // The document's picture stays put in the window instead of scrolling
  // with the page.
  bool Fixed = false;

  bool operator==(const TBackgroundPRec&) const = default;
};

// background-position, background-repeat and background-attachment of a
// set of properties.
TBackgroundPRec BackgroundPRecOf(const TProperties& props);

// The name inside url(...) of a background-image or list-style-image
// value, spaces and quotes stripped; empty for "none", url() or no url.
std::u16string ImageUrlOf(const std::u16string& value);

// The tiles of a picture over a visible rectangle: the first tile's
// top-left corner, the step (the picture's size) and how many tiles each
// way. Cols or Rows is 0 when nothing is visible.
struct TBackgroundTiles {
  int Left = 0, Top = 0;
  int Width = 0, Height = 0;
  int Cols = 0, Rows = 0;
};

// The picture (picW x picH) placed in `area` by `prec` and repeated along
// the axes it repeats on: the tiles that meet `visible`.
TBackgroundTiles BackgroundTiles(const TBackgroundPRec& prec, const TRect& area, int picW,
                                 int picH, const TRect& visible);

// Paints `picture` at its own size, placed in `area` and tiled by `prec`,
// over `paint` (clipped to it and to the surface's clip; only the tiles
// that meet both are drawn). The surface's state is left as it was.
void DrawBackgroundPicture(TSurface& surface, TBitmap& picture, const TRect& area,
                           const TRect& paint, const TBackgroundPRec& prec);

}  // namespace tav
