#include "util/text_helpers.h"

#include <limits>
#include <type_traits>
#include <utility>

namespace tav {

namespace {

template <typename S>
S TrimLeftIf(const S& value, unsigned limit, bool blanksOnly) {
  std::size_t i = 0;
  while (i < value.size()) {
    const auto c = static_cast<std::uint32_t>(
        static_cast<std::make_unsigned_t<typename S::value_type>>(value[i]));
    if (blanksOnly ? c != limit : c > limit) break;
    ++i;
  }
  return value.substr(i);
}

template <typename S>
S TrimRightIf(const S& value, unsigned limit, bool blanksOnly) {
  std::size_t n = value.size();
  while (n > 0) {
    const auto c = static_cast<std::uint32_t>(
        static_cast<std::make_unsigned_t<typename S::value_type>>(value[n - 1]));
    if (blanksOnly ? c != limit : c > limit) break;
    --n;
  }
  return value.substr(0, n);
}

// ASCII case change: the letters `from` to `from` + 25 become the ones from
// `to` on; every other character stays.
template <typename S>
S ShiftLettersT(const S& value, char from, char to) {
  S result = value;
  for (auto& c : result)
    if (c >= from && c <= from + 25) c = static_cast<typename S::value_type>(c - from + to);
  return result;
}

template <typename S>
S UpperT(const S& value) { return ShiftLettersT(value, 'a', 'A'); }

template <typename S>
S LowerT(const S& value) { return ShiftLettersT(value, 'A', 'a'); }

// An empty delimiter never occurs, so token loops always make progress.
template <typename S>
std::size_t FindDelimiter(const S& value, const S& delimiter) {
  if (delimiter.empty()) return S::npos;
  return value.find(delimiter);
}

template <typename S>
S TextBeforeT(const S& value, const S& delimiter) {
  const std::size_t p = FindDelimiter(value, delimiter);
  return p == S::npos ? value : value.substr(0, p);
}

template <typename S>
S TextAfterT(const S& value, const S& delimiter) {
  const std::size_t p = FindDelimiter(value, delimiter);
  return p == S::npos ? value : value.substr(p + delimiter.size());
}

template <typename S>
S TakeTokenT(S& value, const S& delimiter) {
  const std::size_t p = FindDelimiter(value, delimiter);
  if (p == S::npos) {
    S token = std::move(value);
    value.clear();
    return token;
  }
  S token = value.substr(0, p);
  value.erase(0, p + delimiter.size());
  return token;
}

template <typename S>
S ReplaceAllT(const S& value, const S& search, const S& replacement) {
  if (value.empty() || search.empty()) return value;
  S result;
  result.reserve(value.size());
  std::size_t start = 0;
  for (;;) {
    const std::size_t p = value.find(search, start);
    if (p == S::npos) break;
    result.append(value, start, p - start);
    result.append(replacement);
    start = p + search.size();
  }
  result.append(value, start, S::npos);
  return result;
}

template <typename S>
int PosT(const S& needle, const S& haystack) {
  if (needle.empty()) return 0;
  const std::size_t p = haystack.find(needle);
  return p == S::npos ? 0 : static_cast<int>(p) + 1;
}

template <typename S>
bool ParseInt64(const S& value, std::int64_t& out) {
  std::size_t i = 0;
  const std::size_t n = value.size();
  while (i < n && value[i] == ' ') ++i;
  bool negative = false;
  if (i < n && (value[i] == '+' || value[i] == '-')) {
    negative = value[i] == '-';
    ++i;
  }
  if (i == n) return false;
  // Accumulate as a negative number so that the most negative value fits.
  std::int64_t acc = 0;
  constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
  for (; i < n; ++i) {
    const auto c = value[i];
    if (c < '0' || c > '9') return false;
    const int digit = static_cast<int>(c - '0');
    if (acc < kMin / 10) return false;
    acc *= 10;
    if (acc < kMin + digit) return false;
    acc -= digit;
  }
  if (!negative) {
    if (acc == kMin) return false;
    acc = -acc;
  }
  out = acc;
  return true;
}

template <typename S>
int StrToIntT(const S& value, int def) {
  std::int64_t v = 0;
  if (!ParseInt64(value, v)) return def;
  if (v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max()) return def;
  return static_cast<int>(v);
}

template <typename S>
std::int64_t StrToInt64T(const S& value, std::int64_t def) {
  std::int64_t v = 0;
  return ParseInt64(value, v) ? v : def;
}

}  // namespace

std::string PackWordBE(std::uint16_t value) {
  std::string s(2, '\0');
  s[0] = static_cast<char>(value >> 8);
  s[1] = static_cast<char>(value & 0xFF);
  return s;
}

std::uint16_t UnpackWordBE(const std::string& value, int index) {
  if (index < 1 || value.size() < static_cast<std::size_t>(index) + 1) return 0;
  const auto hi = static_cast<unsigned char>(value[static_cast<std::size_t>(index) - 1]);
  const auto lo = static_cast<unsigned char>(value[static_cast<std::size_t>(index)]);
  return static_cast<std::uint16_t>(hi << 8 | lo);
}

std::string PackLongBE(std::uint32_t value) {
  std::string s(4, '\0');
  for (int i = 0; i < 4; ++i) s[static_cast<std::size_t>(i)] = static_cast<char>(value >> (24 - 8 * i));
  return s;
}

std::uint32_t SwapLongBytes(std::uint32_t value) {
  return (value >> 24) | ((value >> 8) & 0xFF00u) | ((value << 8) & 0xFF0000u) | (value << 24);
}

std::u16string TrimLeadingBlanks(const std::u16string& value) { return TrimLeftIf(value, 0x20, true); }
std::u16string TrimTrailingBlanks(const std::u16string& value) { return TrimRightIf(value, 0x20, true); }
std::u16string TrimBlanks(const std::u16string& value) {
  return TrimRightIf(TrimLeftIf(value, 0x20, true), 0x20, true);
}
std::string TrimLeadingBlanks(const std::string& value) { return TrimLeftIf(value, 0x20, true); }
std::string TrimTrailingBlanks(const std::string& value) { return TrimRightIf(value, 0x20, true); }
std::string TrimBlanks(const std::string& value) {
  return TrimRightIf(TrimLeftIf(value, 0x20, true), 0x20, true);
}

std::u16string Trim(const std::u16string& value) {
  return TrimRightIf(TrimLeftIf(value, 0x20, false), 0x20, false);
}
std::u16string TrimLeft(const std::u16string& value) { return TrimLeftIf(value, 0x20, false); }
std::u16string_view TrimView(std::u16string_view value) {
  return TrimRightIf(TrimLeftIf(value, 0x20, false), 0x20, false);
}
std::u16string TrimRight(const std::u16string& value) { return TrimRightIf(value, 0x20, false); }
std::string Trim(const std::string& value) {
  return TrimRightIf(TrimLeftIf(value, 0x20, false), 0x20, false);
}
std::string TrimLeft(const std::string& value) { return TrimLeftIf(value, 0x20, false); }
std::string TrimRight(const std::string& value) { return TrimRightIf(value, 0x20, false); }

std::u16string UpperCase(const std::u16string& value) { return UpperT(value); }
std::u16string LowerCase(const std::u16string& value) { return LowerT(value); }
std::string UpperCase(const std::string& value) { return UpperT(value); }
std::string LowerCase(const std::string& value) { return LowerT(value); }

std::u16string TextBefore(const std::u16string& value, const std::u16string& delimiter) {
  return TextBeforeT(value, delimiter);
}
std::u16string TextAfter(const std::u16string& value, const std::u16string& delimiter) {
  return TextAfterT(value, delimiter);
}
std::string TextBefore(const std::string& value, const std::string& delimiter) {
  return TextBeforeT(value, delimiter);
}
std::string TextAfter(const std::string& value, const std::string& delimiter) {
  return TextAfterT(value, delimiter);
}

std::u16string TakeToken(std::u16string& value, const std::u16string& delimiter) {
  return TakeTokenT(value, delimiter);
}
std::string TakeToken(std::string& value, const std::string& delimiter) {
  return TakeTokenT(value, delimiter);
}

std::u16string TakeTrimmedToken(std::u16string& value, const std::u16string& delimiter) {
  std::u16string token = TrimBlanks(TakeTokenT(value, delimiter));
  value = TrimBlanks(value);
  return token;
}
std::string TakeTrimmedToken(std::string& value, const std::string& delimiter) {
  std::string token = TrimBlanks(TakeTokenT(value, delimiter));
  value = TrimBlanks(value);
  return token;
}

std::string ReplaceAll(const std::string& value, const std::string& search,
                       const std::string& replacement) {
  return ReplaceAllT(value, search, replacement);
}
std::u16string ReplaceAll(const std::u16string& value, const std::u16string& search,
                          const std::u16string& replacement) {
  return ReplaceAllT(value, search, replacement);
}

int CountChar(const std::u16string& value, char16_t ch) {
  int n = 0;
  for (char16_t c : value) n += c == ch ? 1 : 0;
  return n;
}
int CountChar(const std::string& value, char ch) {
  int n = 0;
  for (char c : value) n += c == ch ? 1 : 0;
  return n;
}

int Pos(const std::u16string& needle, const std::u16string& haystack) { return PosT(needle, haystack); }
int Pos(const std::string& needle, const std::string& haystack) { return PosT(needle, haystack); }

bool StartsWith(const std::u16string& value, const std::u16string& prefix) {
  return value.size() >= prefix.size() && value.compare(0, prefix.size(), prefix) == 0;
}
bool StartsWith(const std::string& value, const std::string& prefix) {
  return value.size() >= prefix.size() && value.compare(0, prefix.size(), prefix) == 0;
}

LineBreak FindLineBreak(const std::string& bytes) {
  LineBreak result;
  const std::size_t p = bytes.find_first_of("\r\n");
  if (p == std::string::npos) return result;
  result.position = static_cast<int>(p) + 1;
  result.terminator = bytes.substr(p, 1);
  if (p + 1 < bytes.size()) {
    const char next = bytes[p + 1];
    if ((bytes[p] == '\r' && next == '\n') || (bytes[p] == '\n' && next == '\r'))
      result.terminator += next;
  }
  return result;
}

int StrToIntDef(const std::u16string& value, int def) { return StrToIntT(value, def); }
int StrToIntDef(const std::string& value, int def) { return StrToIntT(value, def); }
std::int64_t StrToInt64Def(const std::u16string& value, std::int64_t def) {
  return StrToInt64T(value, def);
}
std::int64_t StrToInt64Def(const std::string& value, std::int64_t def) {
  return StrToInt64T(value, def);
}

std::u16string IntToText(std::int64_t value) {
  const std::string s = std::to_string(value);
  return std::u16string(s.begin(), s.end());
}

}  // namespace tav
