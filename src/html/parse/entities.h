#pragma once
// The named character references HTML text may use.
#include <string_view>

namespace tav {

// The code point of a named entity (case-sensitive), or 0 when the name is
// not one.
char32_t LookupEntity(std::u16string_view name);

}  // namespace tav
