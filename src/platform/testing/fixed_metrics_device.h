#pragma once
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/font_cache.h"
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
  // Decodes uncompressed 24- and 32-bit BMP pixels only (already opaque).
  // The size check also sees the header sizes of PNG and GIF data, which
  // then fail without pixels; JPEG data always fails. An SVG drawing gets
  // the size of its root element's width and height (numbers, "px"
  // allowed; one of them missing follows the viewBox's proportions), else
  // of its viewBox, and is filled with the first fill="#rrggbb" colour in
  // it, or white.
  std::unique_ptr<TBitmap> DecodeOpaqueImage(std::string_view data, TImageFormat format,
                                             const TImageSizeCheck& check) override;

  // A stand-alone surface of the given size (for a view's Paint in tests),
  // filled white.
  std::unique_ptr<TFixedMetricsSurface> CreateSurface(int width, int height);

  const TFixedMetricsOptions& Options() const { return FOptions; }

  // Installs a fixed-metrics device as DefaultDevice() (for test programs
  // whose views run without a window host).
  static void InstallAsDefault(TFixedMetricsOptions options = {});

private:
  TFixedMetricsOptions FOptions;
  TFontCache FFonts;
};

// The fixed-metrics surface: rasterises every drawing call into a 32-bit
// pixel buffer (text as ink boxes, see above). Wrap it in a
// TRecordingSurface to see the calls themselves.
class TFixedMetricsSurface : public TSurfaceBase {
public:
  TFixedMetricsSurface(TFixedMetricsDevice& device, int width, int height, bool monochrome);
  ~TFixedMetricsSurface() override;

  TGraphicsDevice& Device() override { return FDevice; }
  TSize Size() const override { return {FWidth, FHeight}; }

  TColor Pixel(int x, int y) const;
  void SetPixelValue(int x, int y, TColor c);
  const std::vector<TColor>& Pixels() const { return FPixels; }
  bool Monochrome() const { return FMonochrome; }
  // Writes the buffer as a binary PPM file (for looking at a test's result).
  bool SaveAsPpm(const std::string& path) const;

protected:
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
};

}  // namespace tav
