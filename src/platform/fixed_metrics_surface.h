#pragma once
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/surface.h"
#include "platform/surface_base.h"

namespace tav {

// A drawing device with metrics that do not depend on installed fonts, for
// exact layout tests. For a font of em height em (|Height|; Height 0 counts
// as 16; a positive cell height h gives em = h - h div 9):
//   InternalLeading = em div 8, Height = em + InternalLeading,
//   Descent = Height div 4, Ascent = Height - Descent, ExternalLeading as set
//   in the options (0 by default);
//   character width W = max(1, em div 2), plus 1 for bold; wide (East Asian)
//   characters 2W; control characters, U+200B and U+FEFF 0;
//   AveCharWidth = W, MaxCharWidth = 2W;
//   ABC = (0, advance, 0), and for italic (0, advance + 1, -1).
// A glyph's ink is a solid box from its left edge to one pixel before its
// advance and from the em top (baseline - (Ascent - InternalLeading)) down to
// the baseline; spaces have none. Underline is the row baseline + 1,
// strike-out the row baseline - em div 3. Stretched copies take the source
// pixel under each destination pixel's centre.
struct TFixedMetricsOptions {
  int ExternalLeading = 0;
  int PixelsPerInch = 96;
  // Families reported as installed; empty: every family is.
  std::vector<std::u16string> InstalledFonts;
  // Replaces the width of chosen characters: return a width, or -1 to keep
  // the rule above.
  std::function<int(char32_t ch, const TFontDesc& desc)> CharWidth;
};

// One drawing call as the fixed-metrics surface recorded it, in logical
// coordinates as the caller passed them.
struct TDrawCall {
  enum class TKind {
    dcText,         // ExtTextOut / TextOut / DrawText lines
    dcFillRect,
    dcPatBlt,
    dcBlendRect,
    dcLine,         // one LineTo: from CurrentPosition to the point
    dcRectangle,
    dcEllipse,
    dcPolygon,
    dcPolyline,
    dcFocusRect,
    dcFillRegion,
    dcBitBlt,
    dcStretchBlt
  };
  TKind Kind = TKind::dcText;
  TRect Rect;                 // the rectangle, or the destination of a copy
  std::vector<TPoint> Points; // line ends, polygon points, text origin (1 point)
  std::u16string Text;
  std::vector<int> Advances;  // the advance of every unit of a text call
  unsigned Options = 0;       // ExtTextOut options or TextAlign for text
  TColor Color = clBlack;     // text colour, fill colour, pen colour
  TColor BkColor = clWhite;
  TBkMode BkMode = TBkMode::bkOpaque;
  TFontDesc Font;             // text calls only
  TPen Pen;
  TBrush Brush;
  int Extra = 0;              // TRop/TPatOp as int, or the blend alpha

  // A one-line description, e.g. `text (10,20) "Hi" adv=[8,8] color=000000`.
  std::string Describe() const;
};

class TFixedMetricsSurface;

class TFixedMetricsDevice : public TGraphicsDevice {
public:
  explicit TFixedMetricsDevice(TFixedMetricsOptions options = {});
  ~TFixedMetricsDevice() override;

  TFontRef CreateFont(const TFontDesc& desc) override;
  bool FontInstalled(std::u16string_view family) const override;
  int PixelsPerInch() const override { return FOptions.PixelsPerInch; }
  int BitsPerPixel() const override { return 32; }
  std::unique_ptr<TBitmap> CreateBitmap(int width, int height) override;
  std::unique_ptr<TBitmap> CreateMask(int width, int height) override;
  // Understands uncompressed 24- and 32-bit BMP data only.
  TDecodedImage DecodeImage(std::string_view data) override;

  // A stand-alone surface of the given size (for a view's Paint in tests),
  // filled white.
  std::unique_ptr<TFixedMetricsSurface> CreateSurface(int width, int height);

  const TFixedMetricsOptions& Options() const { return FOptions; }

private:
  TFixedMetricsOptions FOptions;
  struct TFontCache;
  std::unique_ptr<TFontCache> FFonts;
};

// The fixed-metrics surface: records every drawing call and rasterises it
// into a 32-bit pixel buffer (text as ink boxes, see above).
class TFixedMetricsSurface : public TSurfaceBase {
public:
  TFixedMetricsSurface(TFixedMetricsDevice& device, int width, int height, bool monochrome);
  ~TFixedMetricsSurface() override;

  TGraphicsDevice& Device() override { return FDevice; }
  TSize Size() const override { return {FWidth, FHeight}; }

  const std::vector<TDrawCall>& Calls() const { return FCalls; }
  void ClearCalls() { FCalls.clear(); }
  // Describe() of every recorded call.
  std::vector<std::string> CallTexts() const;
  // Recording can be switched off (it is on by default).
  void SetRecording(bool on) { FRecording = on; }

  TColor Pixel(int x, int y) const;
  void SetPixelValue(int x, int y, TColor c);
  const std::vector<TColor>& Pixels() const { return FPixels; }
  bool Monochrome() const { return FMonochrome; }
  // Writes the buffer as a binary PPM file (for looking at a test's result).
  bool SaveAsPpm(const std::string& path) const;

protected:
  void Record(TDrawCall call) override;
  void DevFillRect(const TRect& r, TColor c) override;
  void DevInvertRect(const TRect& r) override;
  void DevBlendRect(const TRect& r, TColor c, int alpha) override;
  void DevFillRegion(const TRegion& rgn, TColor c) override;
  void DevDrawGlyphs(const TGlyphRun& run) override;
  void DevCopy(const TRect& dst, TBitmap& src, const TRect& srcRect, TRop rop) override;

private:
  bool Visible(int x, int y) const;  // inside the surface and the clip
  void Put(int x, int y, TColor c);

  TFixedMetricsDevice& FDevice;
  int FWidth, FHeight;
  bool FMonochrome;
  std::vector<TColor> FPixels;
  std::vector<TDrawCall> FCalls;
  bool FRecording = true;
};

}  // namespace tav
