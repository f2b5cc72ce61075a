#include "html/layout/list_markers.h"

#include <algorithm>
#include <string>

namespace tav {

namespace {

const char16_t* const LowerRoman[20] = {
    u"i",  u"ii",  u"iii",  u"iv",   u"v",   u"vi",  u"vii",  u"viii",  u"ix",  u"x",
    u"xi", u"xii", u"xiii", u"xiv",  u"xv",  u"xvi", u"xvii", u"xviii", u"xix", u"xx"};

std::u16string Decimal(int number) {
  std::string s = std::to_string(number);
  return std::u16string(s.begin(), s.end());
}

std::u16string Upper(std::u16string s) {
  for (char16_t& c : s)
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
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
      // The tables start at 1: smaller numbers (a START of 0, a negative
      // VALUE) have no letter and are written as numbers.
      if (number < 1) return Decimal(number);
      const char16_t first = type == ListBulletType::lbLowerAlpha ? u'a' : u'A';
      return std::u16string(1, static_cast<char16_t>(first + std::min(number, 26) - 1));
    }
    case ListBulletType::lbLowerRoman:
    case ListBulletType::lbUpperRoman: {
      if (number < 1) return Decimal(number);
      std::u16string s = LowerRoman[std::min(number, 20) - 1];
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
