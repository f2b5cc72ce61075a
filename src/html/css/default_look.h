#pragma once
// The view's look before any page or setting changes it: the fonts and the
// link colours that the built-in style sheet, the document, the viewer and
// the console start from.
#include "platform/colors.h"

namespace tav {

inline constexpr char16_t kDefaultFontName[] = u"Times New Roman";
// Preformatted text, code and multi-line edits.
inline constexpr char16_t kDefaultPreFontName[] = u"Courier New";
inline constexpr double kDefaultFontSize = 12;  // points

// Links, and links under the mouse.
inline constexpr TColor kDefaultLinkColor = clBlue;
inline constexpr TColor kDefaultVisitedColor = clPurple;

}  // namespace tav
