#pragma once
// The fixed single-byte code page (Windows-1252) that stands for the system's
// ANSI code page everywhere, and UTF-8 conversions.
#include <string>

namespace tav {

// Every byte maps to one UTF-16 unit; the five bytes Windows-1252 leaves
// undefined (81, 8D, 8F, 90, 9D) map to the C1 controls of the same value.
std::u16string AnsiToText(const std::string& bytes);
// Characters outside the code page become '?'.
std::string TextToAnsi(const std::u16string& text);

// Lenient conversions: malformed input becomes U+FFFD; unpaired surrogates
// are written as U+FFFD.
std::u16string Utf8ToText(const std::string& bytes);
std::string TextToUtf8(const std::u16string& text);

}  // namespace tav
