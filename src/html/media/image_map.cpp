#include "html/media/image_map.h"

#include <algorithm>

#include "html/parse/attributes.h"
#include "util/text_helpers.h"

namespace tav {

namespace {

// A whole token as a signed decimal number, saturated; 0 when it is not one.
int ReadCoordinate(std::u16string_view token) {
  std::size_t i = 0;
  bool negative = false;
  if (i < token.size() && (token[i] == u'-' || token[i] == u'+')) negative = token[i++] == u'-';
  if (i == token.size()) return 0;
  long long value = 0;
  for (; i < token.size(); ++i) {
    char16_t c = token[i];
    if (c < u'0' || c > u'9') return 0;
    value = std::min<long long>(value * 10 + (c - u'0'), TMapItem::MaxAreaCoordinate);
  }
  return static_cast<int>(negative ? -value : value);
}

}  // namespace

std::vector<int> ParseAreaCoords(const std::u16string& value) {
  std::vector<int> numbers;
  std::u16string text = Trim(value);
  std::size_t i = 0;
  while (i < text.size() && numbers.size() < static_cast<std::size_t>(TMapItem::MaxCoords)) {
    while (i < text.size() && (text[i] == u',' || text[i] == u' ')) ++i;
    if (i == text.size()) break;
    std::size_t end = i;
    while (end < text.size() && text[end] != u',' && text[end] != u' ') ++end;
    numbers.push_back(ReadCoordinate(std::u16string_view(text).substr(i, end - i)));
    i = end;
  }
  return numbers;
}

void TMapItem::AddArea(const TAttributeList& attributes) {
  if (AreaCount() >= MaxAreas) return;
  enum { kRect, kCircle, kPoly } shape = kRect;
  std::vector<int> coords;
  TAreaLink link;
  bool noHref = false;
  for (const TAttribute& a : attributes) {
    switch (a.Which) {
      case ShapeSy: {
        std::u16string s = LowerCase(a.Name).substr(0, 4);
        shape = s == u"circ" ? kCircle : s == u"poly" ? kPoly : kRect;
        break;
      }
      case CoordsSy: coords = ParseAreaCoords(a.Name); break;
      case HrefSy: link.Href = a.Name; break;
      case NoHrefSy: noHref = true; break;
      case TargetSy: link.Target = a.Name; break;
      case TitleSy: link.Title = a.Name; break;
      default: break;
    }
  }
  if (noHref) link.Href.clear();
  TArea area;
  switch (shape) {
    case kRect:
      if (coords.size() < 4) return;
      area.Region = TRegion::Rect({coords[0], coords[1], coords[2] + 1, coords[3] + 1});
      break;
    case kCircle: {
      if (coords.size() < 3) return;
      int x = coords[0], y = coords[1], r = coords[2];
      area.Region = TRegion::Ellipse({x - r, y - r, x + r + 1, y + r + 1});
      break;
    }
    case kPoly: {
      if (coords.size() < 6) return;
      std::vector<TPoint> points;
      for (std::size_t i = 0; i + 1 < coords.size(); i += 2)
        points.push_back({coords[i], coords[i + 1]});
      area.Region = TRegion::Polygon(points, TFillMode::fmWinding);
      break;
    }
  }
  area.Link = std::move(link);
  FAreas.push_back(std::move(area));
}

bool TMapItem::GetURL(int x, int y, TAreaLink& link) const {
  for (const TArea& area : FAreas) {
    if (!area.Region.Contains(x, y)) continue;
    if (area.Link.Href.empty()) return false;
    link = area.Link;
    return true;
  }
  return false;
}

}  // namespace tav
