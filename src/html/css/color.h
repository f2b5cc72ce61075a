#pragma once
// Colours written in HTML attributes and style sheets.
#include <string_view>

#include "platform/colors.h"

namespace tav {

// Reads a colour name (176 names, without regard to case), 'rgb(r, g, b)'
// with integer or percentage components, or hexadecimal RRGGBB with or
// without '#' ('abc' reads as 'aabbcc'). Returns false and leaves `color`
// unchanged when the text is none of these; more than six hex digits is
// unreadable, so no text can name a system colour by number.
bool ColorFromString(std::u16string_view text, TColor& color);

}  // namespace tav

namespace tav {
// Whether the text is one of the colour-name table's names.
bool IsColorName(std::u16string_view text);
}  // namespace tav
