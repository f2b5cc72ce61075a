#include "html/css/color.h"

#include <string>
#include <unordered_map>

#include "html/css/units.h"

namespace tav {
namespace {

struct TNamedColor {
  std::u16string_view Name;
  TColor Color;
};

constexpr TNamedColor NamedColors[] = {
#include "html/css/color_names.inc"
};

const std::unordered_map<std::u16string_view, TColor>& ColorNames() {
  static const std::unordered_map<std::u16string_view, TColor> map = [] {
    std::unordered_map<std::u16string_view, TColor> m;
    for (const auto& c : NamedColors) m.emplace(c.Name, c.Color);
    return m;
  }();
  return map;
}

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  return -1;
}

bool ReadRgb(const std::u16string& text, TColor& color) {
  auto open = text.find(u'(');
  auto close = text.find(u')', open == std::u16string::npos ? 0 : open);
  if (open == std::u16string::npos || close == std::u16string::npos) return false;
  std::u16string inner = text.substr(open + 1, close - open - 1);
  int parts[3];
  std::size_t pos = 0;
  for (int i = 0; i < 3; ++i) {
    auto comma = inner.find(u',', pos);
    if ((i < 2) != (comma != std::u16string::npos)) return false;
    std::u16string part = Trim(inner.substr(pos, comma == std::u16string::npos
                                                         ? std::u16string::npos
                                                         : comma - pos));
    pos = comma == std::u16string::npos ? inner.size() : comma + 1;
    double n;
    std::size_t used = ReadLeadingNumber(part, n);
    if (used == 0) return false;
    std::u16string rest = Trim(part.substr(used));
    if (rest == u"%") n *= 2.55;
    else if (!rest.empty()) return false;
    int v = SatRound(n);
    parts[i] = v < 0 ? 0 : v > 255 ? 255 : v;
  }
  color = RGB(parts[0], parts[1], parts[2]);
  return true;
}

bool ReadHex(const std::u16string& text, TColor& color) {
  std::u16string digits;
  for (char16_t c : text)
    if (c != u'#') digits += c;
  if (digits.empty() || digits.size() > 6) return false;
  if (digits.size() <= 3) {
    std::u16string doubled;
    for (char16_t c : digits) doubled.append(2, c);
    digits = doubled;
  }
  unsigned value = 0;
  for (char16_t c : digits) {
    int d = HexDigit(c);
    if (d < 0) return false;
    value = value * 16 + static_cast<unsigned>(d);
  }
  color = RGB(static_cast<int>((value >> 16) & 0xFF), static_cast<int>((value >> 8) & 0xFF),
              static_cast<int>(value & 0xFF));
  return true;
}

}  // namespace

bool ColorFromString(std::u16string_view text, TColor& color) {
  // Pages repeat the same colour many times in a row.
  thread_local std::u16string lastText;
  thread_local TColor lastColor = clNone;
  thread_local bool lastOk = false;

  std::u16string s = LowerCase(Trim(std::u16string(text)));
  if (lastOk && s == lastText) {
    color = lastColor;
    return true;
  }
  TColor result = clNone;
  bool ok = false;
  bool hasRgb = s.find(u"rgb") != std::u16string::npos;
  if (!hasRgb && !s.empty() && s[0] != u'#') {
    auto it = ColorNames().find(s);
    if (it != ColorNames().end()) {
      result = it->second;
      ok = true;
    }
  }
  if (!ok && hasRgb) ok = ReadRgb(s, result);
  else if (!ok) ok = ReadHex(s, result);
  if (!ok) return false;
  lastText = s;
  lastColor = result;
  lastOk = true;
  color = result;
  return true;
}

}  // namespace tav

namespace tav {
bool IsColorName(std::u16string_view text) {
  return ColorNames().count(LowerCase(std::u16string(text))) > 0;
}
}  // namespace tav
