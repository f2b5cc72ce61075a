#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/colors.h"
#include "platform/geometry.h"
#include "platform/region.h"

namespace tav {

// ---------------------------------------------------------------- fonts

constexpr int FW_NORMAL = 400;
constexpr int FW_BOLD = 700;

constexpr std::uint8_t ANSI_CHARSET = 0;
constexpr std::uint8_t DEFAULT_CHARSET = 1;
constexpr std::uint8_t SYMBOL_CHARSET = 2;

enum class TFontPitch : std::uint8_t { fpDefault, fpFixed, fpVariable };

// What a font is asked for with.
struct TFontDesc {
  std::u16string Face = u"Arial";
  // Pixels. Negative: the em height (character height without internal
  // leading); positive: the cell height (ascent + descent); 0: a default.
  int Height = -16;
  int Weight = FW_NORMAL;  // 100..900; 600 and above draw bold
  bool Italic = false;
  bool Underline = false;
  bool StrikeOut = false;
  std::uint8_t CharSet = DEFAULT_CHARSET;
  TFontPitch Pitch = TFontPitch::fpDefault;
  std::uint8_t Quality = 0;  // accepted, not used: text is always smoothed the same way

  bool Bold() const { return Weight >= 600; }
  friend bool operator==(const TFontDesc&, const TFontDesc&) = default;
};

// Metrics of a font in pixels. Height = Ascent + Descent; InternalLeading =
// Height - em height.
struct TTextMetric {
  int Height = 0;
  int Ascent = 0;
  int Descent = 0;
  int InternalLeading = 0;
  int ExternalLeading = 0;
  int AveCharWidth = 0;
  int MaxCharWidth = 0;
  int Overhang = 0;  // always 0 for outline fonts
  int Weight = FW_NORMAL;
  bool Italic = false;
  bool Underlined = false;
  bool StruckOut = false;
  bool FixedPitch = false;
  std::uint8_t CharSet = DEFAULT_CHARSET;
  char16_t BreakChar = u' ';
  char16_t DefaultChar = u'?';
};

// A, B, C spacing of a character: A is the space before the ink, B the ink's
// width, C the space after it (negative when the ink hangs over the advance).
// A + B + C is the advance.
struct TABC {
  int A = 0;
  int B = 0;
  int C = 0;
};

// A created font. Measuring needs no surface: the metrics and advances are
// those that every surface of the same device draws with. Handles are shared;
// a handle made by one device must only be selected into that device's
// surfaces.
class TFontHandle {
public:
  virtual ~TFontHandle() = default;
  const TFontDesc& Desc() const { return FDesc; }
  // The family that is actually drawn (after substitution and fallback).
  virtual std::u16string ActualFace() const = 0;
  virtual const TTextMetric& Metrics() const = 0;
  // Whole-pixel advance of one character (a code point); characters the
  // font lacks are measured in the face that draws them.
  virtual int CharAdvance(char32_t ch) const = 0;
  // A, B, C widths of one character; false when the font cannot tell.
  virtual bool CharABC(char32_t ch, TABC& abc) const = 0;

  // The advance of every UTF-16 unit of `text`: a surrogate pair's advance
  // sits on its first unit and 0 on its second. `extra` pixels are added to
  // every unit that starts a character (letter spacing).
  void Advances(std::u16string_view text, std::vector<int>& out, int extra = 0) const;
  // Sum of the advances (extra included).
  int TextWidth(std::u16string_view text, int extra = 0) const;

protected:
  explicit TFontHandle(TFontDesc desc) : FDesc(std::move(desc)) {}

private:
  TFontDesc FDesc;
};
using TFontRef = std::shared_ptr<const TFontHandle>;

// ---------------------------------------------------------------- drawing state

enum class TPenStyle { psSolid, psDash, psDot, psDashDot, psClear };
struct TPen {
  TPenStyle Style = TPenStyle::psSolid;
  int Width = 1;
  TColor Color = clBlack;
  friend bool operator==(const TPen&, const TPen&) = default;
};

enum class TBrushStyle { bsSolid, bsClear };
struct TBrush {
  TBrushStyle Style = TBrushStyle::bsSolid;
  TColor Color = clWhite;
  friend bool operator==(const TBrush&, const TBrush&) = default;
};

enum class TBkMode { bkTransparent = 1, bkOpaque = 2 };

// Text alignment flags (SetTextAlign): one horizontal and one vertical.
constexpr unsigned TA_LEFT = 0;
constexpr unsigned TA_RIGHT = 2;
constexpr unsigned TA_CENTER = 6;
constexpr unsigned TA_TOP = 0;
constexpr unsigned TA_BOTTOM = 8;
constexpr unsigned TA_BASELINE = 24;

// ExtTextOut options.
constexpr unsigned ETO_OPAQUE = 2;   // fill the rectangle with the background colour first
constexpr unsigned ETO_CLIPPED = 4;  // draw nothing outside the rectangle

// DrawText flags.
constexpr unsigned DT_LEFT = 0x0;
constexpr unsigned DT_CENTER = 0x1;
constexpr unsigned DT_RIGHT = 0x2;
constexpr unsigned DT_VCENTER = 0x4;
constexpr unsigned DT_BOTTOM = 0x8;
constexpr unsigned DT_WORDBREAK = 0x10;
constexpr unsigned DT_SINGLELINE = 0x20;
constexpr unsigned DT_EXPANDTABS = 0x40;
constexpr unsigned DT_NOCLIP = 0x100;
constexpr unsigned DT_CALCRECT = 0x400;
constexpr unsigned DT_NOPREFIX = 0x800;
constexpr unsigned DT_HIDEPREFIX = 0x100000;

// Raster operations of the pixel copies: source copy, AND, OR, XOR.
enum class TRop { ropSrcCopy, ropSrcAnd, ropSrcPaint, ropSrcInvert };

// PatBlt operations: fill with the brush, invert the destination.
enum class TPatOp { patCopy, dstInvert };

class TSurface;
class TGraphicsDevice;

// ---------------------------------------------------------------- bitmaps

// An off-screen bitmap: 32-bit colour, or a 1-bit mask whose pixels are
// black (0) or white (0xFFFFFF). Draw on it through Canvas().
class TBitmap {
public:
  virtual ~TBitmap() = default;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual bool Monochrome() const = 0;
  virtual TSurface& Canvas() = 0;
  // Pixels as 0x00BBGGRR; out-of-range reads give 0.
  virtual TColor GetPixel(int x, int y) const = 0;
  virtual void SetPixel(int x, int y, TColor c) = 0;
  // The rows top to bottom, Width() values each (0x00BBGGRR).
  virtual std::vector<TColor> GetPixels() const;
  virtual void SetPixels(const std::vector<TColor>& pixels);
};

// The picture formats the devices decode.
// ifSvg is a drawing, rendered at the size its root element gives.
enum class TImageFormat { ifUnknown, ifBmp, ifGif, ifPng, ifJpeg, ifSvg };

// A decoded picture with its transparency as a mask (white = transparent).
struct TDecodedImage {
  std::unique_ptr<TBitmap> Bitmap;  // null when the data could not be decoded
  std::unique_ptr<TBitmap> Mask;    // null when no pixel is transparent
  using TFormat = TImageFormat;
  TFormat Format = TFormat::ifUnknown;
};

// Told the picture's width and height, read from its header before any pixel
// is decoded; returns false to stop the decoding there.
using TImageSizeCheck = std::function<bool(int width, int height)>;

// What makes fonts and bitmaps for a kind of surface.
class TGraphicsDevice {
public:
  virtual ~TGraphicsDevice() = default;
  // The same font description gives the same shared handle while it is alive.
  virtual TFontRef CreateFont(const TFontDesc& desc) = 0;
  // Whether a family is installed (or substituted by a metric-compatible
  // installed one).
  virtual bool FontInstalled(std::u16string_view family) const = 0;
  virtual int PixelsPerInch() const = 0;
  virtual int BitsPerPixel() const = 0;
  // A colour bitmap, filled white.
  virtual std::unique_ptr<TBitmap> CreateBitmap(int width, int height) = 0;
  // A 1-bit mask, filled black.
  virtual std::unique_ptr<TBitmap> CreateMask(int width, int height) = 0;
  // GIF, BMP, PNG or JPEG data.
  virtual TDecodedImage DecodeImage(std::string_view data) = 0;
  // The first frame of `data`, read as `format` only (no other reader is
  // tried), as an opaque colour bitmap: transparent and translucent pixels
  // are blended over white and no mask is kept. The size is read from the
  // header first and handed to `check` (when set); nothing is decoded or
  // allocated for the pixels when the header has no size or `check` says no.
  // Null on any failure.
  virtual std::unique_ptr<TBitmap> DecodeOpaqueImage(std::string_view data, TImageFormat format,
                                                     const TImageSizeCheck& check) = 0;
};

// The device every view uses when it has no window: the one installed by
// the platform at start-up (or by a test). Throws std::logic_error while none
// is installed.
TGraphicsDevice& DefaultDevice();
// Installs the process-wide device (null: none).
void SetDefaultDevice(std::shared_ptr<TGraphicsDevice> device);

// ---------------------------------------------------------------- surface

// A drawing surface: a window while it paints, or an off-screen bitmap.
// Coordinates are logical pixels: device = logical + viewport origin. Clip
// regions are in device pixels; IntersectClipRect and ExcludeClipRect take
// logical ones. Every drawing operation is limited to the clip. The state
// (font, colours, modes, alignment, spacing, justification, pen, brush,
// current position, clip, origin) is kept until changed; SaveDC/RestoreDC
// save and restore all of it.
class TSurface {
public:
  virtual ~TSurface() = default;

  virtual TGraphicsDevice& Device() = 0;
  // Device size in pixels (the bitmap or the window's client area).
  virtual TSize Size() const = 0;
  int PixelsPerInch() { return Device().PixelsPerInch(); }

  // Fonts. A surface starts with DefaultFontDesc() selected.
  virtual void SelectFont(TFontRef font) = 0;
  virtual const TFontRef& Font() const = 0;
  void SetFont(const TFontDesc& desc) { SelectFont(Device().CreateFont(desc)); }
  TTextMetric GetTextMetrics() const { return Font()->Metrics(); }
  bool GetCharABCWidths(char32_t ch, TABC& abc) const { return Font()->CharABC(ch, abc); }

  // Text state.
  virtual void SetTextColor(TColor c) = 0;
  virtual TColor TextColor() const = 0;
  virtual void SetBkColor(TColor c) = 0;
  virtual TColor BkColor() const = 0;
  virtual void SetBkMode(TBkMode mode) = 0;
  virtual TBkMode BkMode() const = 0;
  virtual void SetTextAlign(unsigned flags) = 0;
  virtual unsigned TextAlign() const = 0;
  // Extra pixels after every character of later output and measuring.
  virtual void SetTextCharacterExtra(int extra) = 0;
  virtual int TextCharacterExtra() const = 0;
  // `extra` pixels spread over `breakCount` break characters (spaces) of the
  // output and measuring that follow: each break gets extra div breakCount
  // pixels and the first extra mod breakCount breaks one more; spaces past
  // breakCount get none. Kept until set again; (0, 0) turns it off. Only
  // output without an advance array is justified.
  virtual void SetTextJustification(int extra, int breakCount) = 0;
  virtual void GetTextJustification(int& extra, int& breakCount) const = 0;

  // Measuring with the selected font, letter spacing and justification.
  // Height is the font's Height.
  TSize GetTextExtentPoint(std::u16string_view text);
  // How many UTF-16 units of `text` fit within maxWidth (a surrogate pair is
  // never split), and optionally the extent after each unit.
  int GetTextExtentExPoint(std::u16string_view text, int maxWidth,
                           std::vector<int>* partialExtents = nullptr);
  // The advance of every unit as output without an advance array would use
  // them (letter spacing and justification included).
  void TextAdvances(std::u16string_view text, std::vector<int>& out);

  // Text output. (x, y) is the reference point chosen by the text alignment
  // (top left of the cell by default; TA_BASELINE: y is the baseline).
  // With ETO_OPAQUE the rectangle is filled with the background colour
  // first; with ETO_CLIPPED nothing is drawn outside it. Without ETO_OPAQUE
  // and in opaque background mode the text's cell is filled instead. A null
  // `dx` means the font's advances with letter spacing and justification;
  // otherwise dx[i] is the advance after unit i, exactly.
  virtual void ExtTextOut(int x, int y, unsigned options, const TRect* rect,
                          std::u16string_view text, const int* dx) = 0;
  void TextOut(int x, int y, std::u16string_view text) {
    ExtTextOut(x, y, 0, nullptr, text, nullptr);
  }
  // Text in a rectangle: one line or, with DT_WORDBREAK, lines broken at
  // spaces (a word wider than the rectangle stays whole), CR/LF starting new
  // lines unless DT_SINGLELINE; '&' marks the next character as the
  // accelerator (underlined; "&&" is one '&') unless DT_NOPREFIX. With
  // DT_CALCRECT nothing is drawn: the rectangle's right and bottom become
  // the text's extent. Returns the text's height.
  int DrawText(std::u16string_view text, TRect& rect, unsigned flags);

  // Pens, brushes and shapes. Lines are one pixel (or the pen's width)
  // wide and leave out their end point; closed shapes are filled with the
  // brush and outlined with the pen, inside Left..Right-1, Top..Bottom-1.
  virtual void SetPen(const TPen& pen) = 0;
  virtual const TPen& Pen() const = 0;
  virtual void SetBrush(const TBrush& brush) = 0;
  virtual const TBrush& Brush() const = 0;
  virtual void MoveTo(int x, int y) = 0;
  virtual TPoint CurrentPosition() const = 0;
  virtual void LineTo(int x, int y) = 0;
  virtual void FillRect(const TRect& r, TColor c) = 0;
  void FillRect(const TRect& r);  // with the brush; nothing for a clear brush
  virtual void PatBlt(const TRect& r, TPatOp op) = 0;
  void InvertRect(const TRect& r) { PatBlt(r, TPatOp::dstInvert); }
  // Blends colour c over the rectangle with alpha 0..255.
  virtual void BlendRect(const TRect& r, TColor c, int alpha) = 0;
  virtual void Rectangle(const TRect& r) = 0;
  virtual void Ellipse(const TRect& r) = 0;
  virtual void Polygon(const std::vector<TPoint>& points,
                       TFillMode mode = TFillMode::fmAlternate) = 0;
  virtual void Polyline(const std::vector<TPoint>& points) = 0;
  // A one-pixel frame in colour c.
  void FrameRect(const TRect& r, TColor c);
  // The dotted focus frame, drawn by inverting: drawing it twice removes it.
  virtual void DrawFocusRect(const TRect& r) = 0;
  // Fills the region (in logical coordinates) with colour c.
  virtual void FillRegion(const TRegion& rgn, TColor c) = 0;

  // Clipping and state.
  virtual void IntersectClipRect(const TRect& r) = 0;
  virtual void ExcludeClipRect(const TRect& r) = 0;
  // Replaces the clip (device pixels); null removes it.
  virtual void SelectClipRegion(const TRegion* rgn) = 0;
  // The current clip in device pixels; false when there is none.
  virtual bool GetClipRegion(TRegion& rgn) const = 0;
  // The clip's bounds in logical pixels (the whole surface when unclipped).
  virtual TRect GetClipBox() const = 0;
  // Pushes the state; returns the new depth (>= 1).
  virtual int SaveDC() = 0;
  // Pops to the state saved at `level` (a negative value counts back from
  // the top: -1 = the last). False when there is no such state.
  virtual bool RestoreDC(int level = -1) = 0;
  virtual void SetViewportOrigin(TPoint origin) = 0;
  virtual TPoint ViewportOrigin() const = 0;

  // Pixel copies from a bitmap. A mask copied onto colour gives black and
  // white. StretchBlt picks the nearest source pixel (no smoothing).
  virtual void BitBlt(int x, int y, int width, int height, TBitmap& src, int sx, int sy,
                      TRop rop = TRop::ropSrcCopy) = 0;
  virtual void StretchBlt(int x, int y, int width, int height, TBitmap& src, int sx, int sy,
                          int sw, int sh, TRop rop = TRop::ropSrcCopy) = 0;
  // Stretched copy that leaves the destination where the mask (same size as
  // the source) is white: the AND copy of the mask followed by the OR copy
  // of the source with its transparent pixels blacked out.
  void MaskedStretchBlt(int x, int y, int width, int height, TBitmap& src, TBitmap& mask,
                        int sx, int sy, int sw, int sh);
  void MaskedBlt(int x, int y, int width, int height, TBitmap& src, TBitmap& mask, int sx,
                 int sy) {
    MaskedStretchBlt(x, y, width, height, src, mask, sx, sy, width, height);
  }

  // The font every new surface starts with: Arial, 8 points at 96 ppi.
  static TFontDesc DefaultFontDesc();

  // Off-screen bitmaps of this surface's device (on a high-density screen,
  // at its density: copied back, they are as sharp as drawing directly).
  virtual std::unique_ptr<TBitmap> CreateCompatibleBitmap(int width, int height) {
    return Device().CreateBitmap(width, height);
  }
};

// Point size to pixel height for a device: -MulDiv(points, ppi, 72).
int PointsToHeight(int points, int pixelsPerInch);

// Rounded a * b / c as 64-bit arithmetic does it (halves away from zero);
// -1 when c is 0 or the result does not fit an int.
int MulDiv(int a, int b, int c);

}  // namespace tav
