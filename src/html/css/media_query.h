#pragma once
// Media lists (a LINK's MEDIA, @media, @import) tested against the screen
// the document is built for.
#include <string_view>

namespace tav {

// What a media query is tested against: the width in pixels the document is
// built for (0 when it is not known: every width test then fails) and the
// pixels of one em.
struct TMediaView {
  int Width = 0;
  double EmPixels = 16;
};

// Whether a comma-separated media list applies (any of its queries holds).
// A query holds when its media type is "screen" or "all" (or is left out)
// and each of its "(min-width: L)" and "(max-width: L)" tests holds, L in px,
// em or rem; "not" inverts a query, "only" is ignored. A query with any other
// feature, or that does not read as a query, is false. An empty list applies.
bool MediaListApplies(std::u16string_view list, const TMediaView& view);

}  // namespace tav
