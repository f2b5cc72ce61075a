#pragma once
// Client-side image maps: the AREAs of a MAP and the link a point on the
// image leads to.
#include <string>
#include <vector>

#include "platform/region.h"

namespace tav {

class TAttributeList;

// What an area leads to.
struct TAreaLink {
  std::u16string Href;
  std::u16string Target;
  std::u16string Title;
};

class TMapItem {
public:
  // Later AREAs of a map are ignored.
  static constexpr int MaxAreas = 1000;
  // COORDS numbers read; the rest are ignored.
  static constexpr int MaxCoords = 301;
  // COORDS numbers are saturated to +-MaxAreaCoordinate: far beyond any
  // picture, and small enough that x + r + 1 and the region arithmetic
  // stay within int.
  static constexpr int MaxAreaCoordinate = 100000000;

  std::u16string MapName;  // NAME upper-cased

  // Adds the area an AREA tag describes: SHAPE (its first four characters,
  // any case: "circ" a circle, "poly" a polygon, anything else or none a
  // rectangle), COORDS (numbers cut at runs of ',' and ' '; 0 for one that
  // is not a number), HREF, NOHREF (clears the HREF), TARGET and TITLE. A
  // rectangle x1,y1,x2,y2 covers x1..x2 by y1..y2; a circle x,y,r covers
  // the ellipse in (x - r, y - r) .. (x + r + 1, y + r + 1); a polygon's
  // number pairs are its points (an odd last number is ignored), filled by
  // the winding rule. An area with too few numbers (4, 3, 6) is dropped.
  void AddArea(const TAttributeList& attributes);

  // The first area (in the order added) that holds (x, y) decides: false
  // when there is none or its HREF is empty, else its link.
  bool GetURL(int x, int y, TAreaLink& link) const;

  int AreaCount() const { return static_cast<int>(FAreas.size()); }
  const TRegion& AreaRegion(int i) const { return FAreas[static_cast<std::size_t>(i)].Region; }

private:
  struct TArea {
    TRegion Region;
    TAreaLink Link;
  };
  std::vector<TArea> FAreas;
};

// The numbers of a COORDS value as AddArea reads them (at most
// TMapItem::MaxCoords, each saturated).
std::vector<int> ParseAreaCoords(const std::u16string& value);

}  // namespace tav
