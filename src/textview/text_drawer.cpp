#include "textview/text_drawer.h"

#include <algorithm>
#include <cstdlib>
#include <stdexcept>

#include "textview/char_class.h"

namespace tav {

namespace {

TFontDesc VariantDesc(const TFontDesc& base, THighlighterFontStyles style) {
  TFontDesc desc = base;
  desc.Weight = (style & hfsBold) ? FW_BOLD : FW_NORMAL;
  desc.Italic = (style & hfsItalic) != 0;
  desc.Underline = (style & hfsUnderline) != 0;
  desc.StrikeOut = (style & hfsStrikeOut) != 0;
  return desc;
}


}  // namespace

TFontVariant MeasureFontVariant(TFontRef font) {
  TFontVariant v;
  const TTextMetric& tm = font->Metrics();
  TABC abc;
  if (font->CharABC(U'M', abc)) {
    v.Advance = abc.A + abc.B + abc.C + tm.Overhang;
  } else {
    v.Advance = tm.AveCharWidth;
  }
  v.Height = std::abs(tm.Height);
  v.Font = std::move(font);
  return v;
}

TheFontsInfoManager& TheFontsInfoManager::Instance() {
  static TheFontsInfoManager manager;
  return manager;
}

std::shared_ptr<TSharedFontsInfo> TheFontsInfoManager::LockFontsInfo(TGraphicsDevice& device,
                                                                     const TFontDesc& baseFont) {
  std::erase_if(fRecords, [](const auto& r) { return r.expired(); });
  for (const auto& weak : fRecords) {
    auto record = weak.lock();
    if (record->Device == &device && record->BaseFont == baseFont) return record;
  }
  auto record = std::make_shared<TSharedFontsInfo>();
  record->Device = &device;
  record->BaseFont = baseFont;
  fRecords.push_back(record);
  return record;
}

void TheFontStock::SetBaseFont(TGraphicsDevice& device, const TFontDesc& baseFont) {
  fInfo = TheFontsInfoManager::Instance().LockFontsInfo(device, baseFont);
}

const TFontVariant& TheFontStock::Variant(THighlighterFontStyles style) {
  TFontVariant& v = fInfo->Variants[style & 15];
  if (!v.Font)
    v = MeasureFontVariant(fInfo->Device->CreateFont(VariantDesc(fInfo->BaseFont, style)));
  return v;
}

TheTextDrawer::TheTextDrawer(TGraphicsDevice& device, const TFontDesc& font,
                             THighlighterFontStyles baseStyle)
    : fDevice(&device), fCalcExtentBaseStyle(baseStyle) {
  SetBaseFont(&font);
}

void TheTextDrawer::SetBaseFont(const TFontDesc* value) {
  if (!value) throw std::invalid_argument("SetBaseFont: 'Value' must be specified.");
  fFontStock.SetBaseFont(*fDevice, *value);
  ForgetWidths();
  ApplyBaseStyle();
  THighlighterFontStyles own = 0;
  if (value->Bold()) own |= hfsBold;
  if (value->Italic) own |= hfsItalic;
  if (value->Underline) own |= hfsUnderline;
  if (value->StrikeOut) own |= hfsStrikeOut;
  SetStyle(own);
}

void TheTextDrawer::SetDevice(TGraphicsDevice& device) {
  if (fDevice == &device) return;
  fDevice = &device;
  const TFontDesc base = fFontStock.BaseFont();
  fFontStock.SetBaseFont(device, base);
  ForgetWidths();
  ApplyBaseStyle();
}

void TheTextDrawer::SetBaseStyle(THighlighterFontStyles style) {
  fCalcExtentBaseStyle = style;
  ApplyBaseStyle();
}

void TheTextDrawer::ApplyBaseStyle() {
  const TFontVariant& v = fFontStock.Variant(fCalcExtentBaseStyle);
  // Cells depend on the cell width.
  if (v.Advance != fBaseCharWidth) fCellsCache.assign(0x10000, 0);
  fBaseCharWidth = v.Advance;
  fBaseCharHeight = v.Height;
}

void TheTextDrawer::SetStyle(THighlighterFontStyles style) {
  fStyle = style;
  if (fSurface) fSurface->SelectFont(fFontStock.Variant(style).Font);
}

void TheTextDrawer::ForgetWidths() {
  fWidthCache.assign(0x10000, -1);
  fCellsCache.assign(0x10000, 0);
}

void TheTextDrawer::SetCharExtra(int extra) {
  if (extra == fCharExtra) return;
  fCharExtra = extra;
  fCellsCache.assign(0x10000, 0);
}

int TheTextDrawer::CharacterWidth(char32_t ch) {
  if (ch < 0x10000) {
    std::int32_t& w = fWidthCache[ch];
    if (w < 0) w = fFontStock.Variant(0).Font->CharAdvance(ch);
    return w;
  }
  return fFontStock.Variant(0).Font->CharAdvance(ch);
}

int TheTextDrawer::CellsOf(char32_t ch) {
  if (ch < 0x10000 && fCellsCache[ch] != 0) return fCellsCache[ch] - 1;
  if (ch < 0x10000 && IsCombiningMark(static_cast<char16_t>(ch))) {
    fCellsCache[ch] = 1;
    return 0;
  }
  const int cell = CharWidth();
  const int w = CharacterWidth(ch);
  int cells = (cell > 0 && w > cell) ? (w + cell - 1) / cell : 1;
  if (ch >= 0x10000) return std::max(cells, 2);
  // Cached (as cells + 1) when it fits; a glyph wider than 254 cells is
  // measured each time.
  if (cells <= 254) fCellsCache[ch] = static_cast<std::uint8_t>(cells + 1);
  return cells;
}

bool TheTextDrawer::IsSingleCell(char16_t unit) {
  if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) return false;
  return CellsOf(unit) == 1;
}

int TheTextDrawer::TextWidth(std::u16string_view text) {
  int width = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t ch = text[i];
    if (IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      ch = 0x10000 + ((static_cast<char32_t>(text[i]) - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    }
    width += CharacterWidth(ch);
  }
  return width;
}

TSize TheTextDrawer::TextExtent(std::u16string_view text) {
  return {TextWidth(text), std::abs(fFontStock.Variant(0).Font->Metrics().Height)};
}

void TheTextDrawer::BeginDrawing(TSurface& surface) {
  if (fSurface && fSurface != &surface)
    throw std::logic_error("TheTextDrawer: a drawing bracket is open on another surface");
  if (fDrawingCount++ > 0) return;
  fSurface = &surface;
  fSaveDC = surface.SaveDC();
  surface.SelectFont(fFontStock.Variant(fStyle).Font);
  surface.SetTextColor(ColorToRGB(fColor));
  surface.SetBkColor(ColorToRGB(fBkColor));
}

void TheTextDrawer::EndDrawing() {
  if (fDrawingCount <= 0) throw std::logic_error("TheTextDrawer: EndDrawing without BeginDrawing");
  if (--fDrawingCount > 0) return;
  fSurface->RestoreDC(fSaveDC);
  fSurface = nullptr;
}

void TheTextDrawer::SetForeColor(TColor color) {
  fColor = color;
  if (fSurface) fSurface->SetTextColor(ColorToRGB(color));
}

void TheTextDrawer::SetBackColor(TColor color) {
  fBkColor = color;
  if (fSurface) fSurface->SetBkColor(ColorToRGB(color));
}

int TheTextDrawer::ExtTextOut(int x, int y, unsigned options, TRect rect,
                              std::u16string_view text) {
  if (!fSurface) return 0;
  int widened = 0;
  const int cell = CharWidth();
  fETODist.assign(text.size(), 0);
  std::size_t last = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t ch = text[i];
    const bool pair =
        IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1]);
    if (pair)
      ch = 0x10000 + ((static_cast<char32_t>(text[i]) - 0xD800) << 10) + (text[i + 1] - 0xDC00);
    fETODist[i] = cell * CellsOf(ch);
    if (fETODist[i] > 0) last = i;  // a combining mark has no overhang of its own
    if (pair) ++i;  // the second unit advances 0
  }
  if (!text.empty()) {
    // Let the last character's overhang (italic, bold) show.
    TABC abc;
    if (fSurface->Font()->CharABC(text[last], abc)) {
      const int ink = abc.A + abc.B + std::max(abc.C, 0);
      if (ink > fETODist[last]) {
        widened = ink - fETODist[last];
        rect.Right += widened;
        fETODist[last] = ink;
      }
    }
  }
  fSurface->ExtTextOut(x, y, options, &rect, text, fETODist.data());
  return widened;
}

}  // namespace tav
