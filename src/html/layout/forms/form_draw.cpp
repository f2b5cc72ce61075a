// Imitations of the form controls, painted when there is no native control
// to show: headless rendering, printing and copies to a picture. Each
// follows the classic look of its kind: sunken white fields, raised grey
// buttons, a box or a circle for check boxes and radio buttons.
#include <algorithm>

#include "html/base/sat_math.h"
#include "html/layout/forms/form_controls.h"
#include "platform/colors.h"
#include "platform/system_values.h"

namespace tav {

namespace {

// The imitations look the same on every desktop: they take the platform's
// built-in colours, not the ones the desktop has set.
const TColor FaceColor = ClassicSysColor(COLOR_BTNFACE);
const TColor LightColor = ClassicSysColor(COLOR_3DLIGHT);
const TColor DisabledText = ClassicSysColor(COLOR_GRAYTEXT);
// The frames' shadows and the list selection keep shades of their own,
// darker than the built-in button shadow, dark shadow and highlight.
constexpr TColor ShadowColor = 0x808080;
constexpr TColor DarkShadowColor = 0x404040;
constexpr TColor SelectionColor = 0xD77800;  // a blue highlight

TRect BoxAt(int x, int y, int w, int h) { return {x, y, SatAdd(x, w), SatAdd(y, h)}; }

TRect Shrink(const TRect& r, int by) {
  return {r.Left + by, r.Top + by, std::max(r.Left + by, r.Right - by),
          std::max(r.Top + by, r.Bottom - by)};
}

void Line(TSurface& s, int x1, int y1, int x2, int y2, TColor c) {
  s.SetPen(TPen{TPenStyle::psSolid, 1, c});
  s.MoveTo(x1, y1);
  s.LineTo(x2, y2);
}

// A scroll bar strip with its two arrow boxes.
void ScrollStrip(TSurface& s, const TRect& r, bool vertical) {
  s.FillRect(r, LightColor);
  const int side = vertical ? r.Width() : r.Height();
  TRect first = vertical ? TRect{r.Left, r.Top, r.Right, r.Top + side}
                         : TRect{r.Left, r.Top, r.Left + side, r.Bottom};
  TRect last = vertical ? TRect{r.Left, r.Bottom - side, r.Right, r.Bottom}
                        : TRect{r.Right - side, r.Top, r.Right, r.Bottom};
  s.FillRect(first, FaceColor);
  s.FillRect(last, FaceColor);
  s.FrameRect(first, ShadowColor);
  s.FrameRect(last, ShadowColor);
}

// A small triangle pointing down, centred in r.
void DownArrow(TSurface& s, const TRect& r) {
  const int cx = (r.Left + r.Right) / 2;
  const int cy = (r.Top + r.Bottom) / 2;
  s.SetPen(TPen{TPenStyle::psSolid, 1, clBlack});
  s.SetBrush(TBrush{TBrushStyle::bsSolid, clBlack});
  s.Polygon({{cx - 3, cy - 1}, {cx + 4, cy - 1}, {cx, cy + 3}});
}

}  // namespace

void TFormControlObj::Frame3D(TSurface& surface, const TRect& r, bool sunken) {
  if (r.Width() < 2 || r.Height() < 2) return;
  const TColor outerTL = sunken ? ShadowColor : LightColor;
  const TColor outerBR = sunken ? clWhite : DarkShadowColor;
  const TColor innerTL = sunken ? DarkShadowColor : clWhite;
  const TColor innerBR = sunken ? LightColor : ShadowColor;
  auto frame = [&](const TRect& f, TColor tl, TColor br) {
    Line(surface, f.Left, f.Bottom - 1, f.Left, f.Top, tl);
    Line(surface, f.Left, f.Top, f.Right - 1, f.Top, tl);
    Line(surface, f.Right - 1, f.Top, f.Right - 1, f.Bottom - 1, br);
    Line(surface, f.Right - 1, f.Bottom - 1, f.Left - 1, f.Bottom - 1, br);
  };
  frame(r, outerTL, outerBR);
  if (r.Width() >= 4 && r.Height() >= 4) frame(Shrink(r, 1), innerTL, innerBR);
}

void TFormControlObj::DrawTextIn(TSurface& surface, const TRect& r, const std::u16string& text,
                                 TColor color, bool centred) const {
  if (text.empty() || !Font || r.Width() <= 0 || r.Height() <= 0) return;
  surface.SaveDC();
  surface.IntersectClipRect(r);
  surface.SelectFont(Font);
  surface.SetBkMode(TBkMode::bkTransparent);
  surface.SetTextColor(Disabled ? DisabledText : color);
  surface.SetTextAlign(TA_LEFT | TA_TOP);
  const int w = Font->TextWidth(text);
  const int h = Font->Metrics().Height;
  const int x = centred ? r.Left + (r.Width() - w) / 2 : r.Left;
  const int y = r.Top + (r.Height() - h) / 2;
  surface.TextOut(x, y, text);
  surface.RestoreDC(-1);
}

void TEditFormControlObj::Draw(TSurface& surface, int x, int y) {
  const TRect r = BoxAt(x, y, Width, Height);
  surface.FillRect(r, FieldColor());
  if (OwnBorder) Frame3D(surface, r, true);
  const std::u16string text = Password ? std::u16string(Text().size(), u'*') : Text();
  TRect inner = Shrink(r, (OwnBorder ? ImitationFrame : 0) + 1);
  DrawTextIn(surface, inner, text, TextColor, false);
}

void TButtonFormControlObj::Draw(TSurface& surface, int x, int y) {
  const TRect r = BoxAt(x, y, Width, Height);
  surface.FillRect(r, BkColor != NoControlColor ? BkColor : FaceColor);
  Frame3D(surface, r, false);
  DrawTextIn(surface, Shrink(r, 2), Caption, clBlack, true);
}

void TCheckBoxFormControlObj::Draw(TSurface& surface, int x, int y) {
  const TRect r = BoxAt(x, y, Width, Height);
  surface.FillRect(r, Disabled ? FaceColor : clWhite);
  Frame3D(surface, r, true);
  if (!Checked()) return;
  // A tick from the left middle down and up to the top right.
  const TColor c = Disabled ? DisabledText : clBlack;
  for (int k = 0; k < 3; ++k) {
    Line(surface, x + 3, y + 5 + k, x + 5, y + 7 + k, c);
    Line(surface, x + 5, y + 7 + k, x + 10, y + 2 + k, c);
  }
}

void TRadioButtonFormControlObj::Draw(TSurface& surface, int x, int y) {
  const int side = std::min(Width, Height);
  const TRect r = BoxAt(x, y, side, side);
  surface.SetPen(TPen{TPenStyle::psSolid, 1, ShadowColor});
  surface.SetBrush(TBrush{TBrushStyle::bsSolid, Disabled ? FaceColor : clWhite});
  surface.Ellipse(r);
  if (!Checked()) return;
  const TColor c = Disabled ? DisabledText : clBlack;
  surface.SetPen(TPen{TPenStyle::psSolid, 1, c});
  surface.SetBrush(TBrush{TBrushStyle::bsSolid, c});
  surface.Ellipse(Shrink(r, side / 3));
}

void TListBoxFormControlObj::Draw(TSurface& surface, int x, int y) {
  const TRect r = BoxAt(x, y, Width, Height);
  surface.FillRect(r, FieldColor());
  if (OwnBorder) Frame3D(surface, r, true);
  const TRect inner = Shrink(r, OwnBorder ? ImitationFrame : 0);
  const int bar = std::min(GetSystemMetrics(SM_CXVSCROLL), inner.Width());
  const TRect list{inner.Left, inner.Top, inner.Right - bar, inner.Bottom};
  ScrollStrip(surface, {list.Right, inner.Top, inner.Right, inner.Bottom}, true);
  const int row = TextHeight();
  int top = list.Top;
  for (std::size_t i = 0; i < Options.size() && top < list.Bottom; ++i, top += row) {
    TRect line{list.Left, top, list.Right, std::min(top + row, list.Bottom)};
    const bool sel = Selected(static_cast<int>(i));
    if (sel) surface.FillRect(line, SelectionColor);
    DrawTextIn(surface, {line.Left + 2, line.Top, line.Right, line.Bottom}, Options[i].Text,
               sel ? clWhite : TextColor, false);
  }
}

void TComboFormControlObj::Draw(TSurface& surface, int x, int y) {
  const TRect r = BoxAt(x, y, Width, Height);
  surface.FillRect(r, FieldColor());
  Frame3D(surface, r, true);
  const TRect inner = Shrink(r, ImitationFrame);
  const int bar = std::min(GetSystemMetrics(SM_CXVSCROLL), inner.Width());
  const TRect button{inner.Right - bar, inner.Top, inner.Right, inner.Bottom};
  surface.FillRect(button, FaceColor);
  Frame3D(surface, button, false);
  DownArrow(surface, button);
  const int i = ItemIndex();
  if (i >= 0 && i < static_cast<int>(Options.size()))
    DrawTextIn(surface, {inner.Left + 2, inner.Top, button.Left, inner.Bottom},
               Options[static_cast<std::size_t>(i)].Text, TextColor, false);
}

void TTextAreaFormControlObj::Draw(TSurface& surface, int x, int y) {
  const TRect r = BoxAt(x, y, Width, Height);
  surface.FillRect(r, FieldColor());
  if (OwnBorder) Frame3D(surface, r, true);
  const TRect inner = Shrink(r, OwnBorder ? ImitationFrame : 0);
  const int barW = std::min(GetSystemMetrics(SM_CXVSCROLL), inner.Width());
  const int barH = Wrap == TWrapMode::wmOff ? std::min(GetSystemMetrics(SM_CYHSCROLL), inner.Height()) : 0;
  ScrollStrip(surface, {inner.Right - barW, inner.Top, inner.Right, inner.Bottom - barH}, true);
  if (barH > 0)
    ScrollStrip(surface, {inner.Left, inner.Bottom - barH, inner.Right - barW, inner.Bottom}, false);
  const TRect text{inner.Left + 2, inner.Top + 1, inner.Right - barW, inner.Bottom - barH};
  const int row = TextHeight();
  const std::u16string all = Text();
  int top = text.Top;
  for (std::size_t at = 0; at <= all.size() && top < text.Bottom; top += row) {
    std::size_t end = all.find(u'\n', at);
    if (end == std::u16string::npos) end = all.size();
    // Each line keeps to its own row: the text is clipped to it.
    DrawTextIn(surface, {text.Left, top, text.Right, std::min(top + row, text.Bottom)},
               all.substr(at, end - at), TextColor, false);
    at = end + 1;
  }
}

}  // namespace tav
