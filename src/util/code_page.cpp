#include "util/code_page.h"

#include <cstdint>

namespace tav {

namespace {

// Windows-1252 bytes 0x80-0x9F; the five bytes the code page leaves undefined
// keep the C1 control of the same value.
constexpr char16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

constexpr char16_t kReplacement = 0xFFFD;

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

int AnsiByteOf(char16_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return c;
  for (int i = 0; i < 32; ++i)
    if (kHighControls[i] == c) return 0x80 + i;
  return -1;
}

void AppendUtf16(std::u16string& out, std::uint32_t cp) {
  if (cp < 0x10000) {
    out += static_cast<char16_t>(cp);
  } else {
    cp -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (cp >> 10));
    out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
  }
}

void AppendUtf8(std::string& out, std::uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | cp >> 6);
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | cp >> 12);
    out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | cp >> 18);
    out += static_cast<char>(0x80 | (cp >> 12 & 0x3F));
    out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

}  // namespace

std::u16string AnsiToText(const std::string& bytes) {
  std::u16string text;
  text.reserve(bytes.size());
  for (char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    text += (b >= 0x80 && b <= 0x9F) ? kHighControls[b - 0x80] : static_cast<char16_t>(b);
  }
  return text;
}

std::string TextToAnsi(const std::u16string& text) {
  std::string bytes;
  bytes.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    // A surrogate pair is one character and becomes one '?'.
    if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      bytes += '?';
      ++i;
      continue;
    }
    const int b = AnsiByteOf(c);
    bytes += b < 0 ? '?' : static_cast<char>(b);
  }
  return bytes;
}

std::u16string Utf8ToText(const std::string& bytes) {
  std::u16string text;
  text.reserve(bytes.size());
  const std::size_t n = bytes.size();
  std::size_t i = 0;
  auto at = [&](std::size_t k) { return static_cast<unsigned char>(bytes[k]); };
  while (i < n) {
    const unsigned b0 = at(i);
    if (b0 < 0x80) {
      text += static_cast<char16_t>(b0);
      ++i;
      continue;
    }
    int extra = 0;
    unsigned low = 0x80;
    unsigned high = 0xBF;
    std::uint32_t cp = 0;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
      extra = 1;
      cp = b0 & 0x1F;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
      extra = 2;
      cp = b0 & 0x0F;
      if (b0 == 0xE0) low = 0xA0;   // no overlong forms
      if (b0 == 0xED) high = 0x9F;  // no encoded surrogates
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
      extra = 3;
      cp = b0 & 0x07;
      if (b0 == 0xF0) low = 0x90;
      if (b0 == 0xF4) high = 0x8F;  // nothing above U+10FFFF
    } else {
      text += kReplacement;
      ++i;
      continue;
    }
    // Each maximal ill-formed prefix of a sequence gives one U+FFFD.
    std::size_t k = i + 1;
    bool ok = true;
    for (int j = 0; j < extra; ++j, ++k) {
      const unsigned lo = j == 0 ? low : 0x80;
      const unsigned hi = j == 0 ? high : 0xBF;
      if (k >= n || at(k) < lo || at(k) > hi) {
        ok = false;
        break;
      }
      cp = cp << 6 | (at(k) & 0x3F);
    }
    if (ok) {
      AppendUtf16(text, cp);
    } else {
      text += kReplacement;
    }
    i = k;
  }
  return text;
}

std::string TextToUtf8(const std::u16string& text) {
  std::string bytes;
  bytes.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      const std::uint32_t cp = 0x10000 + ((static_cast<std::uint32_t>(c) - 0xD800) << 10) +
                               (static_cast<std::uint32_t>(text[i + 1]) - 0xDC00);
      AppendUtf8(bytes, cp);
      ++i;
    } else if (IsHighSurrogate(c) || IsLowSurrogate(c)) {
      AppendUtf8(bytes, kReplacement);
    } else {
      AppendUtf8(bytes, c);
    }
  }
  return bytes;
}

}  // namespace tav
