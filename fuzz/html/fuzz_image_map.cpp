// Arbitrary AREA attributes: the first byte picks the shape, the rest is
// the COORDS value. Numbers stay within their bounds, regions are built and
// hit-tested without overflow.
#include "fuzz_input.h"
#include "html/media/image_map.h"
#include "html/parse/attributes.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  static const char16_t* const shapes[] = {u"rect", u"circle", u"poly", u"CIRC", u"bogus"};
  std::u16string coords = FuzzText(data + 1, size - 1);
  std::vector<int> numbers = tav::ParseAreaCoords(coords);
  Check(numbers.size() <= static_cast<std::size_t>(tav::TMapItem::MaxCoords));
  for (int n : numbers)
    Check(n >= -tav::TMapItem::MaxAreaCoordinate && n <= tav::TMapItem::MaxAreaCoordinate);

  tav::TAttributeList attributes;
  tav::TAttribute shape;
  shape.Which = tav::ShapeSy;
  shape.Name = shapes[data[0] % 5];
  attributes.Add(shape);
  tav::TAttribute value;
  value.Which = tav::CoordsSy;
  value.Name = coords;
  attributes.Add(value);
  tav::TAttribute href;
  href.Which = tav::HrefSy;
  href.Name = u"x";
  attributes.Add(href);

  tav::TMapItem map;
  map.AddArea(attributes);
  Check(map.AreaCount() <= 1);
  tav::TAreaLink link;
  for (int i = 0; i + 1 < static_cast<int>(numbers.size()) && i < 8; i += 2) {
    map.GetURL(numbers[static_cast<std::size_t>(i)], numbers[static_cast<std::size_t>(i) + 1], link);
    if (map.AreaCount() == 1) map.AreaRegion(0).Bounds();
  }
  map.GetURL(0, 0, link);
  map.GetURL(INT32_MIN, INT32_MAX, link);
  return 0;
}
