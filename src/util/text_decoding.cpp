#include "util/text_decoding.h"

#include <cstring>

#include "util/code_page.h"

namespace tav {

std::string_view PreambleOf(TEncoding encoding) {
  switch (encoding) {
    case TEncoding::teAnsi: return {};
    case TEncoding::teUtf8: return "\xEF\xBB\xBF";
    case TEncoding::teUtf16LE: return "\xFF\xFE";
    case TEncoding::teUtf16BE: return "\xFE\xFF";
  }
  return {};
}

std::optional<TEncoding> DetectPreamble(std::string_view bytes, std::size_t& preambleLength) {
  for (TEncoding e : {TEncoding::teUtf8, TEncoding::teUtf16LE, TEncoding::teUtf16BE}) {
    const std::string_view mark = PreambleOf(e);
    if (bytes.substr(0, mark.size()) == mark) {
      preambleLength = mark.size();
      return e;
    }
  }
  preambleLength = 0;
  return std::nullopt;
}

namespace {

bool AllAscii8(const unsigned char* p) {
  std::uint64_t word;
  std::memcpy(&word, p, sizeof word);
  return (word & 0x8080808080808080ull) == 0;
}

// Length and value range of one well-formed sequence starting at p (n bytes
// available); 0 when the sequence is malformed.
int WellFormedLength(const unsigned char* p, std::size_t n, std::uint32_t& codePoint) {
  const unsigned char b0 = p[0];
  if (b0 < 0x80) {
    codePoint = b0;
    return 1;
  }
  auto trail = [&](std::size_t k) { return k < n && (p[k] & 0xC0) == 0x80; };
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    if (!trail(1)) return 0;
    codePoint = (b0 & 0x1Fu) << 6 | (p[1] & 0x3Fu);
    return 2;
  }
  if (b0 >= 0xE0 && b0 <= 0xEF) {
    if (!trail(1) || !trail(2)) return 0;
    // E0 needs A0-BF after it (no overlong form), ED needs 80-9F (no surrogates).
    if (b0 == 0xE0 && p[1] < 0xA0) return 0;
    if (b0 == 0xED && p[1] > 0x9F) return 0;
    codePoint = (b0 & 0x0Fu) << 12 | (p[1] & 0x3Fu) << 6 | (p[2] & 0x3Fu);
    return 3;
  }
  if (b0 >= 0xF0 && b0 <= 0xF4) {
    if (!trail(1) || !trail(2) || !trail(3)) return 0;
    // F0 needs 90-BF (no overlong form), F4 needs 80-8F (at most U+10FFFF).
    if (b0 == 0xF0 && p[1] < 0x90) return 0;
    if (b0 == 0xF4 && p[1] > 0x8F) return 0;
    codePoint = (b0 & 0x07u) << 18 | (p[1] & 0x3Fu) << 12 | (p[2] & 0x3Fu) << 6 | (p[3] & 0x3Fu);
    return 4;
  }
  return 0;
}

}  // namespace

std::int64_t StrictUtf8Length(std::string_view bytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t n = bytes.size();
  std::size_t i = 0;
  std::int64_t units = 0;
  while (i < n) {
    if (n - i >= 8 && AllAscii8(p + i)) {
      i += 8;
      units += 8;
      continue;
    }
    std::uint32_t cp;
    const int len = WellFormedLength(p + i, n - i, cp);
    if (len == 0) return -1;
    i += static_cast<std::size_t>(len);
    units += len == 4 ? 2 : 1;
  }
  return units;
}

std::u16string DecodeUtf8Strict(std::string_view bytes) {
  // A first pass validates and counts, so the text is allocated once and
  // exactly: a large body is never held twice in over-sized buffers.
  const std::int64_t units = StrictUtf8Length(bytes);
  if (units < 0) throw EEncodingError(kNoMappingMessage);
  std::u16string text(static_cast<std::size_t>(units), u'\0');
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t n = bytes.size();
  char16_t* out = text.data();
  std::size_t i = 0;
  while (i < n) {
    if (p[i] < 0x80) {
      *out++ = p[i++];
      continue;
    }
    std::uint32_t cp = 0;
    const int len = WellFormedLength(p + i, n - i, cp);
    i += static_cast<std::size_t>(len);
    if (cp >= 0x10000) {
      cp -= 0x10000;
      *out++ = static_cast<char16_t>(0xD800 + (cp >> 10));
      *out++ = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
      *out++ = static_cast<char16_t>(cp);
    }
  }
  return text;
}

namespace {

std::u16string DecodeAnsi(std::string_view bytes) {
  // Windows-1252 maps byte for byte, so it can be decoded in blocks without
  // copying the whole input first.
  constexpr std::size_t kBlock = 1 << 16;
  if (bytes.size() <= kBlock) return AnsiToText(std::string(bytes));
  std::u16string text;
  text.reserve(bytes.size());
  for (std::size_t at = 0; at < bytes.size(); at += kBlock) {
    text += AnsiToText(std::string(bytes.substr(at, kBlock)));
  }
  return text;
}

std::u16string DecodeUtf16(std::string_view bytes, bool bigEndian) {
  const std::size_t units = bytes.size() / 2;
  std::u16string text(units + bytes.size() % 2, u'\0');
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  for (std::size_t k = 0; k < units; ++k) {
    const unsigned char a = p[2 * k], b = p[2 * k + 1];
    text[k] = bigEndian ? static_cast<char16_t>(a << 8 | b) : static_cast<char16_t>(b << 8 | a);
  }
  // A lone final byte cannot be a character; it is shown as a replacement
  // character rather than dropped silently.
  if (bytes.size() % 2) text[units] = 0xFFFD;
  return text;
}

}  // namespace

std::u16string DecodeBytes(std::string_view bytes, TEncoding encoding) {
  switch (encoding) {
    case TEncoding::teAnsi: return DecodeAnsi(bytes);
    case TEncoding::teUtf8: return DecodeUtf8Strict(bytes);
    case TEncoding::teUtf16LE: return DecodeUtf16(bytes, false);
    case TEncoding::teUtf16BE: return DecodeUtf16(bytes, true);
  }
  return {};
}

std::u16string DecodeTextFile(std::string_view bytes) {
  std::size_t preamble = 0;
  if (std::optional<TEncoding> encoding = DetectPreamble(bytes, preamble)) {
    std::string_view rest = bytes.substr(preamble);
    if (*encoding != TEncoding::teUtf8) return DecodeBytes(rest, *encoding);
    // A UTF-8 mark over bytes that are not UTF-8: read them as ANSI.
    return IsStrictUtf8(rest) ? DecodeUtf8Strict(rest) : DecodeBytes(rest, TEncoding::teAnsi);
  }
  return IsStrictUtf8(bytes) ? DecodeUtf8Strict(bytes) : DecodeBytes(bytes, TEncoding::teAnsi);
}

}  // namespace tav
