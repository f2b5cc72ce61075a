#pragma once
// Numbers, lengths and font sizes as HTML and style sheets write them.
#include <string>
#include <string_view>

#include "html/base/sat_math.h"
#include "util/text_helpers.h"

namespace tav {

// White space between the tokenizer's words and a style value's parts:
// space, TAB, CR and LF. Case mapping and trimming are the text helpers'
// (ASCII letters only; trimming takes every character up to U+0020).
bool IsSpace(char16_t c);
std::u16string Ascii(std::string_view s);
std::string Narrow(std::u16string_view s);  // non-ASCII units become '?'

// Reads a leading decimal number (sign, digits, fraction, and an exponent
// when an 'e' is followed by a digit or a signed digit) and returns how many
// characters it used; 0 when the text does not start with a number. The
// value is never NaN: a number too large for a double is infinite, one too
// small is 0, and zero stays zero under any exponent.
std::size_t ReadLeadingNumber(std::u16string_view text, double& value);

// A length to pixels: n% of `base`, in, cm, mm, pt, pc, px, em, ex; a bare
// number is n * base when `relative`, else n pixels. Unreadable text or an
// unknown unit gives `def`. Rounded to nearest (ties to even), saturated.
int LengthConv(std::u16string_view text, bool relative, int base, int emSize, int exSize,
               int def, int pixelsPerInch);

// Smallest and largest font size a resolved size is clamped to, in points.
constexpr double MinFontSize = 1.0;
constexpr double MaxFontSize = 2000.0;

// A font size to points against the parent size S and the default size D
// (units, percentages, "smaller", "larger", "xx-small" .. "xx-large";
// other text: D). Clamped to MinFontSize..MaxFontSize.
double FontSizeConv(std::u16string_view text, double parentSize, double defaultSize,
                    int pixelsPerInch);

}  // namespace tav
