#pragma once
// The drawing surface on Qt 6. For src/app, the benchmark and the platform
// tests only: the views see the interfaces of platform/surface.h.
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QRawFont>
#include <QSet>
#include <QStringList>

#include <memory>
#include <unordered_map>
#include <vector>

#include "platform/font_cache.h"
#include "platform/surface.h"
#include "platform/surface_base.h"

namespace tav {

// A font on Qt: measured and drawn glyph by glyph through QRawFont, so that
// an output at the measured advances lands exactly where measuring says.
// Characters the face lacks come from Qt's fallback faces.
class TQtFont : public TFontHandle {
public:
  explicit TQtFont(const TFontDesc& desc);

  std::u16string ActualFace() const override;
  const TTextMetric& Metrics() const override { return FMetrics; }
  int CharAdvance(char32_t ch) const override { return Glyph(ch).Advance; }
  bool CharABC(char32_t ch, TABC& abc) const override;

  struct TGlyph {
    quint32 Index = 0;
    int Advance = 0;
    int Face = -1;  // index into Faces(); -1: nothing to draw
  };
  const TGlyph& Glyph(char32_t ch) const;
  const std::vector<QRawFont>& Faces() const { return FFaces; }
  // Face `face` at `ratio` device pixels per pixel, for drawing on a
  // high-density screen with glyphs rasterised at the device's resolution.
  const QRawFont& FaceAtRatio(int face, qreal ratio) const;
  const QFont& QtFont() const { return FFont; }
  int UnderlinePosition() const { return FUnderlinePos; }
  int LineThickness() const { return FLineThickness; }
  int StrikeOutPosition() const { return FStrikePos; }
  // Pixels to the right at which every glyph is drawn a second time: 1 for
  // a bold request whose face draws no heavier than the regular one.
  int Overstrike() const { return FOverstrike; }

private:
  TGlyph Lookup(char32_t ch) const;

  QFont FFont;
  TTextMetric FMetrics;
  int FUnderlinePos = 1, FLineThickness = 1, FStrikePos = 4;
  int FOverstrike = 0;
  mutable std::vector<QRawFont> FFaces;  // [0] is the font itself
  mutable TGlyph FLatin[256];
  mutable bool FLatinDone[256] = {};
  mutable std::unordered_map<char32_t, TGlyph> FOthers;
  mutable qreal FScaledRatio = 0;
  mutable std::vector<QRawFont> FScaledFaces;  // FFaces at FScaledRatio
};

class TQtSurface;

class TQtDevice : public TGraphicsDevice {
public:
  TQtDevice();
  ~TQtDevice() override;
  TFontRef CreateFont(const TFontDesc& desc) override;
  bool FontInstalled(std::u16string_view family) const override;
  int PixelsPerInch() const override { return FPixelsPerInch; }
  void SetPixelsPerInch(int ppi) { FPixelsPerInch = ppi; }
  int BitsPerPixel() const override { return 32; }
  std::unique_ptr<TBitmap> CreateBitmap(int width, int height) override;
  std::unique_ptr<TBitmap> CreateMask(int width, int height) override;
  TDecodedImage DecodeImage(std::string_view data) override;
  // QImageReader with the format forced, size() before read().
  std::unique_ptr<TBitmap> DecodeOpaqueImage(std::string_view data, TImageFormat format,
                                             const TImageSizeCheck& check) override;

private:
  int FPixelsPerInch = 96;
  TFontCache FFonts;
  mutable QSet<QString> FFamilies;  // installed families in lower case, read on first use
  // Answers given so far: pages ask about the same few families for every
  // element.
  mutable std::unordered_map<std::u16string, bool> FInstalled;
};

// A bitmap on a QImage (32-bit RGB; masks hold only black and white).
class TQtBitmap : public TBitmap {
public:
  // `ratio` device pixels per pixel: the image is that many times larger,
  // while sizes and pixel coordinates stay in pixels.
  TQtBitmap(TQtDevice& device, int width, int height, bool monochrome, qreal ratio = 1);
  TQtBitmap(TQtDevice& device, QImage image, bool monochrome);
  ~TQtBitmap() override;
  int Width() const override { return FWidth; }
  int Height() const override { return FHeight; }
  qreal Ratio() const { return FImage.devicePixelRatio(); }
  bool Monochrome() const override { return FMonochrome; }
  TSurface& Canvas() override;
  TColor GetPixel(int x, int y) const override;
  void SetPixel(int x, int y, TColor c) override;
  std::vector<TColor> GetPixels() const override;
  void SetPixels(const std::vector<TColor>& pixels) override;
  // The image; painting on it through Canvas() shows here at once.
  QImage& Image() { return FImage; }

private:
  TQtDevice& FDevice;
  QImage FImage;
  int FWidth = 0, FHeight = 0;
  bool FMonochrome;
  std::unique_ptr<TQtSurface> FCanvas;
};

// A surface drawing with a QPainter: on a bitmap (owning its painter) or on
// a window while it paints (borrowing the host's painter).
class TQtSurface : public TSurfaceBase {
public:
  TQtSurface(TQtDevice& device, QPaintDevice& target, bool monochrome);
  TQtSurface(TQtDevice& device, QPainter& painter, TSize size);
  ~TQtSurface() override;

  TGraphicsDevice& Device() override { return FDevice; }
  TSize Size() const override { return FSize; }
  QPainter& Painter() { return *FPainter; }
  std::unique_ptr<TBitmap> CreateCompatibleBitmap(int width, int height) override;

protected:
  void ClipChanged() override;
  void DevFillRect(const TRect& r, TColor c) override;
  void DevInvertRect(const TRect& r) override;
  void DevBlendRect(const TRect& r, TColor c, int alpha) override;
  void DevFillRegion(const TRegion& rgn, TColor c) override;
  void DevDrawGlyphs(const TGlyphRun& run) override;
  void DevCopy(const TRect& dst, TBitmap& src, const TRect& srcRect, TRop rop) override;

private:
  QColor Rgb(TColor c) const;

  TQtDevice& FDevice;
  std::unique_ptr<QPainter> FOwnPainter;
  QPainter* FPainter;
  TSize FSize;
  bool FMonochrome = false;
  QRegion FBaseClip;  // the clip the painter came with (window painting)
  bool FHasBaseClip = false;
  QVector<quint32> FIndexes;
  QVector<QPointF> FPositions;
};

// The colour of a TColor (system colours resolved).
QColor ToQColor(TColor c);
TColor FromQColor(const QColor& c);

}  // namespace tav
