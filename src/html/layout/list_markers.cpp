#include "html/layout/list_markers.h"

#include <algorithm>
#include <string>

namespace tav {

namespace {

std::u16string Decimal(int number) {
  std::string s = std::to_string(number);
  return std::u16string(s.begin(), s.end());
}

std::u16string Upper(std::u16string s) {
  for (char16_t& c : s)
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
  return s;
}

// Roman numerals by the subtractive rule; numbers 1 .. MaxRomanMarker.
std::u16string LowerRoman(int number) {
  struct TDigit {
    int Value;
    const char16_t* Text;
  };
  static constexpr TDigit kDigits[] = {{1000, u"m"}, {900, u"cm"}, {500, u"d"}, {400, u"cd"},
                                       {100, u"c"},  {90, u"xc"},  {50, u"l"},  {40, u"xl"},
                                       {10, u"x"},   {9, u"ix"},   {5, u"v"},   {4, u"iv"},
                                       {1, u"i"}};
  std::u16string s;
  for (const TDigit& d : kDigits)
    for (; number >= d.Value; number -= d.Value) s += d.Text;
  return s;
}

// Letters as a bijective base-26 count: a .. z, aa, ab .. zz, aaa ...
std::u16string LowerAlpha(int number) {
  std::u16string s;
  for (; number > 0; number = (number - 1) / 26)
    s.insert(s.begin(), static_cast<char16_t>(u'a' + (number - 1) % 26));
  return s;
}

bool IsBullet(ListBulletType type) {
  return type == ListBulletType::lbCircle || type == ListBulletType::lbDisc ||
         type == ListBulletType::lbSquare;
}

}  // namespace

std::u16string ListMarkerText(ListBulletType type, int number) {
  switch (type) {
    case ListBulletType::lbDecimal:
      return Decimal(number);
    case ListBulletType::lbLowerAlpha:
    case ListBulletType::lbUpperAlpha: {
      // Letters start at 1: smaller numbers (a START of 0, a negative
      // VALUE) have none and are written as numbers.
      if (number < 1) return Decimal(number);
      std::u16string s = LowerAlpha(number);
      return type == ListBulletType::lbUpperAlpha ? Upper(std::move(s)) : s;
    }
    case ListBulletType::lbLowerRoman:
    case ListBulletType::lbUpperRoman: {
      if (number < 1 || number > MaxRomanMarker) return Decimal(number);
      std::u16string s = LowerRoman(number);
      return type == ListBulletType::lbUpperRoman ? Upper(std::move(s)) : s;
    }
    default:
      return {};
  }
}

TRect BulletRect(ListBulletType type, int x, int baseline) {
  if (type == ListBulletType::lbCircle) return {x - 16, baseline - 7, x - 9, baseline};
  if (IsBullet(type)) return {x - 15, baseline - 6, x - 10, baseline - 1};
  return {};
}

void DrawListMarker(TSurface& surface, ListBulletType type, int number, const TMyFont& font,
                    TColor color, int x, int baseline) {
  if (IsBullet(type)) {
    const TRect r = BulletRect(type, x, baseline);
    if (type == ListBulletType::lbSquare) {
      surface.FillRect(r, color);
      return;
    }
    const TPen savedPen = surface.Pen();
    const TBrush savedBrush = surface.Brush();
    surface.SetPen(TPen{TPenStyle::psSolid, 1, color});
    surface.SetBrush(type == ListBulletType::lbDisc ? TBrush{TBrushStyle::bsSolid, color}
                                                    : TBrush{TBrushStyle::bsClear, color});
    surface.Ellipse(r);
    surface.SetBrush(savedBrush);
    surface.SetPen(savedPen);
    return;
  }
  std::u16string text = ListMarkerText(type, number);
  if (text.empty()) return;
  text += u'.';
  surface.SaveDC();
  if (font.Font) font.AssignToCanvas(surface);
  const bool fontColor = font.Color != clNone && font.Color != clDefault;
  surface.SetTextColor(fontColor ? font.Color : color);
  surface.SetBkMode(TBkMode::bkTransparent);
  surface.SetTextAlign(TA_LEFT | TA_BASELINE);
  const int width = surface.GetTextExtentPoint(text).cx;
  surface.TextOut(x - 10 - width, baseline, text);
  surface.RestoreDC(-1);
}

}  // namespace tav
