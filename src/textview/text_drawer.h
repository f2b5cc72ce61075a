#pragma once
// The text view's drawer: font variants of one base font, measuring on a
// fixed cell grid, and text output with per-character advances.
//
// Style sets are THighlighterFontStyles (bold, italic, underline,
// strike-out): 16 variants per base font, created on first use and shared
// by every drawer of the process that uses the same device and base font.
#include <array>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/geometry.h"
#include "platform/surface.h"
#include "textview/highlighter_attributes.h"

namespace tav {

// One style variant of a base font, with its cell advance and height.
struct TFontVariant {
  TFontRef Font;
  int Advance = 0;
  int Height = 0;
};

// The shared record of one base font on one device.
struct TSharedFontsInfo {
  TGraphicsDevice* Device = nullptr;
  TFontDesc BaseFont;
  std::array<TFontVariant, 16> Variants;
};

// The process-wide table of shared font records; a record lives while a
// font stock uses it.
class TheFontsInfoManager {
 public:
  static TheFontsInfoManager& Instance();
  std::shared_ptr<TSharedFontsInfo> LockFontsInfo(TGraphicsDevice& device,
                                                  const TFontDesc& baseFont);

 private:
  std::vector<std::weak_ptr<TSharedFontsInfo>> fRecords;
};

// The variants of one base font.
class TheFontStock {
 public:
  void SetBaseFont(TGraphicsDevice& device, const TFontDesc& baseFont);
  bool HasFont() const { return fInfo != nullptr; }
  TGraphicsDevice* Device() const { return fInfo ? fInfo->Device : nullptr; }
  const TFontDesc& BaseFont() const { return fInfo->BaseFont; }
  // Created on first use: weight 400 or 700, the other flags from the style.
  const TFontVariant& Variant(THighlighterFontStyles style);

 private:
  std::shared_ptr<TSharedFontsInfo> fInfo;
};

// The font's advance of "M" in A + B + C widths plus the overhang, or the
// average width when the font cannot tell; the height is |tmHeight|.
TFontVariant MeasureFontVariant(TFontRef font);

class TheTextDrawer {
 public:
  TheTextDrawer(TGraphicsDevice& device, const TFontDesc& font, THighlighterFontStyles baseStyle);
  TheTextDrawer(const TheTextDrawer&) = delete;
  TheTextDrawer& operator=(const TheTextDrawer&) = delete;

  // Throws std::invalid_argument without a font.
  void SetBaseFont(const TFontDesc* value);
  // Re-creates the fonts on another device (the window's, once it has one).
  void SetDevice(TGraphicsDevice& device);
  TGraphicsDevice& Device() const { return *fDevice; }
  void SetBaseStyle(THighlighterFontStyles style);
  void SetStyle(THighlighterFontStyles style);
  THighlighterFontStyles Style() const { return fStyle; }
  const TFontVariant& StyleVariant(THighlighterFontStyles style) { return fFontStock.Variant(style); }

  int BaseCharWidth() const { return fBaseCharWidth; }
  int CharWidth() const { return fBaseCharWidth + fCharExtra; }
  int CharHeight() const { return fBaseCharHeight; }
  // Extra pixels per cell, so that the grid can be as wide as the widest
  // style the view uses.
  void SetCharExtra(int extra);
  int CharExtra() const { return fCharExtra; }

  // Width of one character in the base font's regular style; cached for
  // the whole Basic Multilingual Plane until the font changes.
  int CharacterWidth(char32_t ch);
  // Cells one character takes: ceil(width / cell), at least 1, and at least
  // 2 for a character beyond the BMP (it is two UTF-16 units); none for a
  // combining mark of the BMP, which is drawn over the character before it.
  int CellsOf(char32_t ch);
  // A BMP unit that takes exactly one cell (a surrogate unit never does).
  bool IsSingleCell(char16_t unit);
  int TextWidth(std::u16string_view text);
  TSize TextExtent(std::u16string_view text);

  // Drawing bracket on one surface; nested calls only count.
  void BeginDrawing(TSurface& surface);
  void EndDrawing();
  void SetForeColor(TColor color);
  void SetBackColor(TColor color);
  // Draws text with every character on the cell grid (a wide character on
  // as many cells as it needs); the last character's overhang widens the
  // rectangle. options: ETO_OPAQUE, ETO_CLIPPED. Returns the pixels the
  // rectangle was widened by.
  int ExtTextOut(int x, int y, unsigned options, TRect rect, std::u16string_view text);

 private:
  void ApplyBaseStyle();
  void ForgetWidths();

  TGraphicsDevice* fDevice;
  TheFontStock fFontStock;
  THighlighterFontStyles fCalcExtentBaseStyle;
  THighlighterFontStyles fStyle = 0;
  int fBaseCharWidth = 0;
  int fBaseCharHeight = 0;
  int fCharExtra = 0;
  TColor fColor = clWindowText;
  TColor fBkColor = clWindow;
  TSurface* fSurface = nullptr;
  int fSaveDC = 0;
  int fDrawingCount = 0;
  std::vector<int> fETODist;
  // Widths of BMP characters; -1 = not measured yet.
  std::vector<std::int32_t> fWidthCache;
  // Cells + 1 of BMP characters at the current cell width; 0 = not known yet.
  std::vector<std::uint8_t> fCellsCache;
};

}  // namespace tav
