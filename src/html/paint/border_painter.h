#pragma once
// Box borders in the nine styles, shared by blocks, inline boxes and table
// cells.
#include <array>

#include "html/css/properties.h"
#include "platform/geometry.h"
#include "platform/surface.h"

namespace tav {

// The four sides in the order top, right, bottom, left.
struct TBorderSides {
  std::array<int, 4> Width{};
  std::array<TColor, 4> Color{clBlack, clBlack, clBlack, clBlack};
  std::array<BorderStyleType, 4> Style{};
};

// Draws the borders inside `outer` (the border box): each side `Width`
// pixels thick in its colour and style; solid, dashed, dotted, double,
// groove, ridge, inset and outset (lighter and darker shades of the side
// colour), none drawing nothing. System colours are resolved first.
// Coordinates are limited to -200 .. 5000 while drawing. With `omitLeft` or
// `omitRight` that side is left out (an inline box that goes on from, or
// past, this line).
void DrawBorder(TSurface& surface, const TRect& outer, const TBorderSides& sides,
                bool omitLeft = false, bool omitRight = false);

// A colour made lighter or darker for the 3-D styles.
TColor LighterShade(TColor rgb);
TColor DarkerShade(TColor rgb);

}  // namespace tav
