#pragma once
// The text of a local page file: a byte-order mark selects UTF-8, UTF-16LE
// or UTF-16BE; without one, bytes that are well-formed UTF-8 are read as
// UTF-8 and anything else in the single-byte code page (Windows-1252).
#include <string>
#include <string_view>

namespace tav {

std::u16string DecodeLocalPage(std::string_view bytes);

}  // namespace tav
