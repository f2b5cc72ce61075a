#include "util/codecs.h"

#include <cstdint>

namespace tav {

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

ByteSet MakeUnsafeSet() {
  ByteSet set;
  for (int b = 0x00; b <= 0x20; ++b) set.contains[b] = true;
  for (int b = 0x7F; b <= 0xFF; ++b) set.contains[b] = true;
  for (unsigned char c : std::string("\"%<>[\\]^`{|}")) set.contains[c] = true;
  return set;
}

}  // namespace

std::string DecodeEscapes(const std::string& value, char escape) {
  std::string result;
  result.reserve(value.size());
  const std::size_t n = value.size();
  std::size_t i = 0;
  while (i < n) {
    const char c = value[i];
    if (c != escape) {
      result += c;
      ++i;
      continue;
    }
    // Too short for a full escape: the escape and what follows it are dropped.
    if (i + 2 >= n) break;
    const char a = value[i + 1];
    if (a == '\n' || a == '\r') {
      // Soft line break: the escape, the break and its partner byte vanish.
      i += 2;
      if (i < n && value[i] == (a == '\n' ? '\r' : '\n')) ++i;
      continue;
    }
    const int hi = HexValue(a);
    const int lo = HexValue(value[i + 2]);
    if (hi >= 0 && lo >= 0) {
      result += static_cast<char>(hi * 16 + lo);
      i += 3;
      continue;
    }
    result += c;
    ++i;
  }
  return result;
}

std::string PercentDecode(const std::string& value) { return DecodeEscapes(value, '%'); }

std::string EncodeEscapes(const std::string& value, char escape, const ByteSet& unsafe) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string result;
  result.reserve(value.size());
  for (char c : value) {
    const auto b = static_cast<unsigned char>(c);
    if (unsafe.contains[b]) {
      result += escape;
      result += kHex[b >> 4];
      result += kHex[b & 0x0F];
    } else {
      result += c;
    }
  }
  return result;
}

std::string PercentEncodeUnsafe(const std::string& value) {
  static const ByteSet kUnsafe = MakeUnsafeSet();
  return EncodeEscapes(value, '%', kUnsafe);
}

std::string Base64Encode(std::string_view value) {
  static const char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string result;
  result.reserve((value.size() + 2) / 3 * 4);
  std::size_t i = 0;
  const std::size_t n = value.size();
  for (; i + 3 <= n; i += 3) {
    const std::uint32_t v = static_cast<std::uint32_t>(static_cast<unsigned char>(value[i])) << 16 |
                            static_cast<std::uint32_t>(static_cast<unsigned char>(value[i + 1])) << 8 |
                            static_cast<unsigned char>(value[i + 2]);
    result += kAlphabet[v >> 18 & 0x3F];
    result += kAlphabet[v >> 12 & 0x3F];
    result += kAlphabet[v >> 6 & 0x3F];
    result += kAlphabet[v & 0x3F];
  }
  const std::size_t rest = n - i;
  if (rest > 0) {
    std::uint32_t v = static_cast<std::uint32_t>(static_cast<unsigned char>(value[i])) << 16;
    if (rest == 2) v |= static_cast<std::uint32_t>(static_cast<unsigned char>(value[i + 1])) << 8;
    result += kAlphabet[v >> 18 & 0x3F];
    result += kAlphabet[v >> 12 & 0x3F];
    result += rest == 2 ? kAlphabet[v >> 6 & 0x3F] : '=';
    result += '=';
  }
  return result;
}

}  // namespace tav
