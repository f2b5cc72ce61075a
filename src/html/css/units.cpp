#include "html/css/units.h"

#include "html/css/default_look.h"

#include <algorithm>
#include <cmath>

namespace tav {

bool IsSpace(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

std::u16string Ascii(std::string_view s) { return std::u16string(s.begin(), s.end()); }

std::string Narrow(std::u16string_view s) {
  std::string r;
  r.reserve(s.size());
  for (char16_t c : s) r += c < 128 ? static_cast<char>(c) : '?';
  return r;
}

std::size_t ReadLeadingNumber(std::u16string_view t, double& value) {
  std::size_t i = 0;
  bool negative = false;
  if (i < t.size() && (t[i] == u'+' || t[i] == u'-')) negative = t[i++] == u'-';
  double n = 0;
  bool digits = false;
  // Integer digits past 1e300 only count as a power of ten, so that the
  // number stays finite and an exponent can still bring it back.
  long long shift = 0;
  while (i < t.size() && t[i] >= u'0' && t[i] <= u'9') {
    if (n < 1e300) n = n * 10 + (t[i] - u'0');
    else ++shift;
    ++i;
    digits = true;
  }
  if (i < t.size() && t[i] == u'.') {
    std::size_t j = i + 1;
    double scale = 0.1;
    while (j < t.size() && t[j] >= u'0' && t[j] <= u'9') {
      n += (t[j++] - u'0') * scale;
      scale /= 10;
      digits = true;
    }
    if (digits) i = j;
  }
  if (!digits) return 0;
  long long e = 0;
  if (i < t.size() && (t[i] == u'e' || t[i] == u'E')) {
    std::size_t j = i + 1;
    bool expNegative = false;
    if (j < t.size() && (t[j] == u'+' || t[j] == u'-')) expNegative = t[j++] == u'-';
    if (j < t.size() && t[j] >= u'0' && t[j] <= u'9') {
      while (j < t.size() && t[j] >= u'0' && t[j] <= u'9') {
        if (e < 1000) e = e * 10 + (t[j] - u'0');
        ++j;
      }
      if (expNegative) e = -e;
      i = j;
    }
  }
  e += shift;
  // Zero stays zero whatever the exponent (0 times an infinite power would be
  // NaN). Past 1e300 the power is applied in two halves, so that neither
  // half overflows or underflows on its own.
  if (n != 0 && e != 0) {
    if (e >= -300 && e <= 300) {
      n *= std::pow(10.0, static_cast<double>(e));
    } else {
      const long long half = e / 2;
      n *= std::pow(10.0, static_cast<double>(half));
      n *= std::pow(10.0, static_cast<double>(e - half));
    }
  }
  value = negative ? -n : n;
  return i;
}

int LengthConv(std::u16string_view text, bool relative, int base, int emSize, int exSize,
               int def, int ppi) {
  std::u16string_view s = TrimView(text);
  double n;
  std::size_t used = ReadLeadingNumber(s, n);
  if (used == 0) return def;
  std::u16string unit = LowerCase(std::u16string(TrimView(s.substr(used))));
  double r;
  if (unit == u"%") r = base * n / 100;
  else if (unit == u"in") r = n * ppi;
  else if (unit == u"cm") r = n * 0.3937007874 * ppi;
  else if (unit == u"mm") r = n * 0.03937007874 * ppi;
  else if (unit == u"pt") r = n / 72 * ppi;
  else if (unit == u"pc") r = n / 6 * ppi;
  else if (unit == u"px") r = n;
  else if (unit == u"em") r = n * emSize;
  else if (unit == u"ex") r = n * exSize;
  else if (unit == u"rem") r = n * kDefaultFontSize / 72 * ppi;  // the page's starting font
  else if (unit.empty()) r = relative ? n * base : n;
  else return def;
  return SatRound(r);
}

double FontSizeConv(std::u16string_view text, double parent, double def, int ppi) {
  std::u16string s = LowerCase(std::u16string(TrimView(text)));
  double r = def;
  double n;
  std::size_t used = ReadLeadingNumber(s, n);
  if (used > 0) {
    std::u16string unit(TrimView(std::u16string_view(s).substr(used)));
    if (unit == u"in") r = n * 72;
    else if (unit == u"cm") r = n * 72 * 0.3937007874;
    else if (unit == u"mm") r = n * 72 * 0.03937007874;
    else if (unit == u"pt") r = n;
    else if (unit == u"pc") r = n * 12;
    else if (unit == u"px" || unit.empty()) r = n * 72 / (ppi > 0 ? ppi : 96);
    else if (unit == u"em") r = n * parent;
    else if (unit == u"ex") r = n * parent * 0.5;
    else if (unit == u"rem") r = n * def;  // the page's starting size
    else if (unit == u"%") r = n * parent / 100;
  } else if (s == u"smaller") r = parent * 0.75;
  else if (s == u"larger") r = parent * 1.25;
  else if (s == u"xx-small") r = def / 1.5;
  else if (s == u"x-small") r = def / 1.2;
  else if (s == u"small") r = def;
  else if (s == u"medium") r = def * 1.2;
  else if (s == u"large") r = def * 1.5;
  else if (s == u"x-large") r = def * 2;
  else if (s == u"xx-large") r = def * 3;
  if (std::isnan(r)) r = def;
  return std::clamp(r, MinFontSize, MaxFontSize);
}

}  // namespace tav
