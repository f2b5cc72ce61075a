#pragma once
// List item markers: the text of numbered markers and the shapes of bullets.
#include <string>

#include "html/css/properties.h"
#include "platform/surface.h"

namespace tav {

// The largest number written in roman numerals; larger ones are decimal.
constexpr int MaxRomanMarker = 3999;

// The text of a numbered marker without its '.': decimal; alpha as a count
// in letters (a .. z, aa, ab .. zz, aaa ...); roman (i, ii .. mmmcmxcix, and
// decimal past MaxRomanMarker). Numbers below 1 are written in decimal.
// Empty for bullet and blank styles.
std::u16string ListMarkerText(ListBulletType type, int number);

// The rectangle of a bullet drawn for a line whose content starts at x with
// its baseline at `baseline`: circle (x-16, baseline-7)..(x-9, baseline),
// disc and square (x-15, baseline-6)..(x-10, baseline-1).
TRect BulletRect(ListBulletType type, int x, int baseline);

// Draws the marker of an item: bullets in `color`, numbers (with ".") in
// `font`, transparent, baseline-aligned, ending 10 pixels left of x.
// Nothing for blank and none.
void DrawListMarker(TSurface& surface, ListBulletType type, int number, const TMyFont& font,
                    TColor color, int x, int baseline);

}  // namespace tav
