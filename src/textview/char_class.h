#pragma once
// Unicode-aware character tests used by the highlighter, per UTF-16 unit.
// Both agree with the plain ASCII rules on ASCII.
#include <cstddef>

namespace tav {

// The two halves of a surrogate pair.
inline bool IsHighSurrogate(char16_t c) { return (c & 0xFC00) == 0xD800; }
inline bool IsLowSurrogate(char16_t c) { return (c & 0xFC00) == 0xDC00; }

// Table look-ups for characters beyond ASCII.
bool IsNonAsciiAlphaNumeric(char16_t c);
char16_t NonAsciiCharLower(char16_t c);
bool IsNonAsciiCombiningMark(char16_t c);

// Combining marks (general categories Mn and Me) of the Basic Multilingual
// Plane: they take no cell of their own and are drawn over the character
// before them.
inline bool IsCombiningMark(char16_t c) { return c >= 0x300 && IsNonAsciiCombiningMark(c); }

// Letters and numbers (general categories L* and N*) of the Basic
// Multilingual Plane; surrogate units are neither.
inline bool IsCharAlphaNumeric(char16_t c) {
  if (c < 0x80) {
    return static_cast<unsigned>(c - u'0') < 10u ||
           static_cast<unsigned>((c | 0x20) - u'a') < 26u;
  }
  return IsNonAsciiAlphaNumeric(c);
}

// Simple lower-case mapping of one unit; the length of text never changes.
inline char16_t CharLower(char16_t c) {
  if (c < 0x80) {
    return static_cast<unsigned>(c - u'A') < 26u ? static_cast<char16_t>(c + 32) : c;
  }
  return NonAsciiCharLower(c);
}

inline void CharLowerBuff(char16_t* text, std::size_t length) {
  for (std::size_t i = 0; i < length; ++i) text[i] = CharLower(text[i]);
}

}  // namespace tav
