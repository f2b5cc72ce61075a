#pragma once
// Fuzz input as text: every byte is one UTF-16 unit, except that a 0xFF
// byte joins the next two bytes into one unit, so that surrogates and other
// characters above U+00FF are reached too.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

inline std::u16string FuzzText(const std::uint8_t* data, std::size_t size) {
  std::u16string text;
  text.reserve(size);
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == 0xFF && i + 2 < size) {
      text += static_cast<char16_t>(data[i + 1] | (data[i + 2] << 8));
      i += 2;
    } else {
      text += static_cast<char16_t>(data[i]);
    }
  }
  return text;
}

inline void Check(bool condition) {
  if (!condition) std::abort();
}
