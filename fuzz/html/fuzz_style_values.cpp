// Reads arbitrary text as a colour, a length and a font size: colours never
// name a system colour by accident, font sizes stay in their range, a
// number is never NaN, and nothing overflows.
#include <cmath>

#include "fuzz_input.h"
#include "html/css/color.h"
#include "html/css/units.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::u16string text = FuzzText(data, size);
  tav::TColor c = 0x123456;
  if (tav::ColorFromString(text, c)) {
    bool named = tav::IsColorName(tav::Trim(text));
    Check(named || c <= 0xFFFFFF);
  } else {
    Check(c == 0x123456);
  }
  double n = 0;
  if (tav::ReadLeadingNumber(text, n) > 0) Check(!std::isnan(n));
  tav::LengthConv(text, size % 2, 1000, 16, 8, -1, 96);
  double pt = tav::FontSizeConv(text, 12, 12, 96);
  Check(pt >= tav::MinFontSize && pt <= tav::MaxFontSize);
  return 0;
}
