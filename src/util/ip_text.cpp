#include "util/ip_text.h"

#include <cstdint>
#include <vector>

#include "util/text_helpers.h"

namespace tav {

namespace {

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  return -1;
}

// A hexadecimal number 0..FFFF written with hex digits only (leading zeros
// allowed); the value goes to `word`.
bool ParseHexWord(const std::u16string& text, std::uint16_t& word) {
  if (text.empty()) return false;
  std::uint32_t value = 0;
  for (char16_t c : text) {
    const int d = HexDigit(c);
    if (d < 0) return false;
    value = value * 16 + static_cast<std::uint32_t>(d);
    if (value > 0xFFFF) return false;
  }
  word = static_cast<std::uint16_t>(value);
  return true;
}

bool IsHexWord(const std::u16string& text) {
  std::uint16_t word = 0;
  return ParseHexWord(text, word);
}

std::u16string Widen(const std::string& s) { return std::u16string(s.begin(), s.end()); }

// Address characters are ASCII; anything else becomes a byte no token accepts.
std::string NarrowAscii(const std::u16string& s) {
  std::string result;
  result.reserve(s.size());
  for (char16_t c : s) result += c < 0x80 ? static_cast<char>(c) : '?';
  return result;
}

std::vector<std::u16string> SplitTrimmed(const std::u16string& text, char16_t sep) {
  std::vector<std::u16string> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t p = text.find(sep, start);
    if (p == std::u16string::npos) {
      parts.push_back(TrimBlanks(text.substr(start)));
      return parts;
    }
    parts.push_back(TrimBlanks(text.substr(start, p - start)));
    start = p + 1;
  }
}

}  // namespace

bool IsByteText(const std::u16string& value) {
  const int v = StrToIntDef(value, -1);
  if (v < 0 || v > 255) return false;
  for (char16_t c : value)
    if (c < u'0' || c > u'9') return false;
  return true;
}

bool IsIPv4Text(const std::u16string& value) {
  std::u16string rest = value;
  for (int i = 0; i < 3; ++i)
    if (!IsByteText(TakeTrimmedToken(rest, u"."))) return false;
  // The remainder must be the fourth byte alone; a fifth part fails here.
  return IsByteText(rest);
}

bool IsIPv6Text(const std::u16string& value) {
  // An optional zone ("%3") follows the address; it is a hexadecimal number.
  std::u16string address = value;
  const std::size_t percent = address.find(u'%');
  if (percent != std::u16string::npos) {
    if (!IsHexWord(TrimBlanks(address.substr(percent + 1)))) return false;
    address.erase(percent);
  }
  if (TrimBlanks(address) == u"::") return true;

  const std::vector<std::u16string> tokens = SplitTrimmed(address, u':');
  std::size_t first = 0;
  std::size_t last = tokens.size();  // exclusive
  bool compressed = false;
  int groups = 0;
  // A leading or trailing "::" gives two empty tokens that stand for one gap;
  // a single leading or trailing ":" is malformed.
  if (tokens.front().empty()) {
    if (tokens.size() < 2 || !tokens[1].empty()) return false;
    compressed = true;
    ++groups;
    first = 2;
  }
  if (tokens.back().empty()) {
    if (compressed || tokens.size() < 2 || !tokens[tokens.size() - 2].empty()) return false;
    compressed = true;
    ++groups;
    last = tokens.size() - 2;
  }
  for (std::size_t i = first; i < last; ++i) {
    if (tokens[i].empty()) {
      if (compressed) return false;  // only one "::" is allowed
      compressed = true;
    } else if (!IsHexWord(tokens[i])) {
      return false;
    }
    ++groups;
    if (groups > 8) return false;
  }
  // The gap stands for at least one zero word; without one, all eight words
  // must be written.
  return compressed ? groups <= 8 : groups == 8;
}

std::string IPv4TextToBytes(const std::u16string& value) {
  std::string bytes;
  std::u16string rest = value;
  for (int i = 0; i < 4; ++i) {
    const int v = StrToIntDef(TakeTrimmedToken(rest, u"."), 0);
    bytes += static_cast<char>(static_cast<unsigned>(v) & 0xFF);
  }
  return bytes;
}

std::string ExpandIPv6Text(const std::string& value) {
  if (value.empty()) return {};
  const int count = CountChar(value, ':');
  // Eight colons are possible only when a "::" at either end stands for a
  // single zero word (::1:2:3:4:5:6:7).
  const bool edgeGap =
      StartsWith(value, "::") || (value.size() >= 2 && value.compare(value.size() - 2, 2, "::") == 0);
  if (count > 8 || (count == 8 && !edgeGap)) return {};
  std::string text = value;
  if (text.front() == ':') text = "0" + text;
  if (text.back() == ':') text += '0';
  std::string filler;
  for (int i = count; i < 8; ++i) filler += ":0";
  filler += ':';
  return ReplaceAll(text, "::", filler);
}

std::string IPv6TextToBytes(const std::u16string& value) {
  std::string bytes(16, '\0');
  // The zone names an interface and is not part of the address bytes.
  std::u16string address = value;
  const std::size_t percent = address.find(u'%');
  if (percent != std::u16string::npos) address.erase(percent);

  // Blanks around the groups are ignored, as in IsIPv6Text; dropping them
  // first lets the gap be found even when written ": :".
  std::u16string joined;
  for (const std::u16string& token : SplitTrimmed(address, u':')) {
    joined += token;
    joined += u':';
  }
  joined.pop_back();
  std::u16string rest = Widen(ExpandIPv6Text(NarrowAscii(joined)));
  if (rest.empty()) return bytes;
  std::uint16_t words[8] = {};
  int filled = 0;
  while (!rest.empty()) {
    if (filled == 8) return std::string(16, '\0');
    const std::u16string token = TakeTrimmedToken(rest, u":");
    if (token == u"@") break;
    std::uint16_t word = 0;
    if (!token.empty() && !ParseHexWord(token, word)) return std::string(16, '\0');
    words[filled++] = word;
  }
  for (int i = 0; i < 8; ++i) {
    bytes[static_cast<std::size_t>(2 * i)] = static_cast<char>(words[i] >> 8);
    bytes[static_cast<std::size_t>(2 * i + 1)] = static_cast<char>(words[i] & 0xFF);
  }
  return bytes;
}

std::u16string IPv6BytesToText(const std::string& bytes16) {
  std::uint16_t words[8] = {};
  for (std::size_t i = 0; i < 8; ++i) {
    const auto hi = 2 * i < bytes16.size() ? static_cast<unsigned char>(bytes16[2 * i]) : 0u;
    const auto lo = 2 * i + 1 < bytes16.size() ? static_cast<unsigned char>(bytes16[2 * i + 1]) : 0u;
    words[i] = static_cast<std::uint16_t>(hi << 8 | lo);
  }
  // The longest run of zero words; the first of equally long runs wins.
  int runStart = -1;
  int runLength = 0;
  for (int i = 0; i < 8;) {
    if (words[i] != 0) {
      ++i;
      continue;
    }
    int j = i;
    while (j < 8 && words[j] == 0) ++j;
    if (j - i > runLength) {
      runStart = i;
      runLength = j - i;
    }
    i = j;
  }
  const int runEnd = runStart + runLength;  // exclusive
  static const char16_t kHex[] = u"0123456789abcdef";
  std::u16string text;
  for (int i = 0; i < 8; ++i) {
    if (runLength > 0 && i >= runStart && i < runEnd) continue;
    if (runLength > 0 && i == runEnd) text += text.empty() ? u"::" : u":";
    std::u16string digits;
    std::uint16_t w = words[i];
    do {
      digits.insert(digits.begin(), kHex[w & 0xF]);
      w = static_cast<std::uint16_t>(w >> 4);
    } while (w != 0);
    text += digits;
    text += u':';
  }
  if (runLength > 0 && runEnd == 8) {
    if (text.empty()) return u"::0";
    text += u':';
  } else {
    text.pop_back();  // the last word was written with a separator after it
  }
  return text;
}

}  // namespace tav
