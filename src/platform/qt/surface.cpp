#include "platform/qt/surface.h"

#include <QBuffer>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGlyphRun>
#include <QImageReader>
#include <QPainter>
#include <QSvgRenderer>
#include <QTextLayout>

#include <algorithm>
#include <climits>
#include <cmath>
#include <map>

namespace tav {

QColor ToQColor(TColor c) {
  c = ColorToRGB(c);
  return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
}

TColor FromQColor(const QColor& c) { return RGB(c.red(), c.green(), c.blue()); }

namespace {

constexpr int kDefaultPixelSize = 16;

// Combining marks (general categories Mn and Me) of the Basic Multilingual
// Plane: drawn over the character before them.
bool IsCombiningMark(char16_t c) {
  if (c < 0x300) return false;
  const QChar::Category category = QChar::category(static_cast<char32_t>(c));
  return category == QChar::Mark_NonSpacing || category == QChar::Mark_Enclosing;
}

QString ToQString(std::u16string_view s) {
  return QString(reinterpret_cast<const QChar*>(s.data()), static_cast<qsizetype>(s.size()));
}

std::u16string FromQString(const QString& s) {
  return std::u16string(reinterpret_cast<const char16_t*>(s.utf16()),
                        static_cast<size_t>(s.size()));
}

int CeilInt(qreal v) { return static_cast<int>(std::ceil(v - 1e-6)); }

// The cell of a font that asks for its typographic metrics (OS/2 flag
// USE_TYPO_METRICS, as Wine's Tahoma does). Qt then reports the smaller
// typographic ascent and descent, while Windows builds the cell of every font
// from usWinAscent and usWinDescent, rounded to pixels (Tahoma at 11 pixels:
// 11 + 2). False for other fonts and without a usable OS/2 table.
bool WinCellOfTypoMetricsFont(const QRawFont& raw, int pixelSize, int& ascent, int& descent) {
  const QByteArray os2 = raw.fontTable("OS/2");
  if (os2.size() < 78) return false;
  auto u16 = [&](int at) {
    return (static_cast<unsigned>(static_cast<uchar>(os2[at])) << 8) | static_cast<uchar>(os2[at + 1]);
  };
  constexpr unsigned kUseTypoMetrics = 0x80;
  if (!(u16(62) & kUseTypoMetrics)) return false;
  const qreal unitsPerEm = raw.unitsPerEm();
  if (unitsPerEm <= 0) return false;
  const int winAscent = qRound(u16(74) * pixelSize / unitsPerEm);
  const int winDescent = qRound(u16(76) * pixelSize / unitsPerEm);
  if (winAscent <= 0 || winDescent < 0) return false;
  ascent = winAscent;
  descent = winDescent;
  return true;
}

// Pictographs shown as emoji by default: emoticons, symbols and pictographs,
// transport, supplemental symbols, regional indicators.
bool IsEmojiPictograph(char32_t ch) {
  return (ch >= 0x1F1E6 && ch <= 0x1F1FF) || (ch >= 0x1F300 && ch <= 0x1F64F) ||
         (ch >= 0x1F680 && ch <= 0x1F6FF) || (ch >= 0x1F900 && ch <= 0x1F9FF) ||
         (ch >= 0x1FA70 && ch <= 0x1FAFF);
}

// The ink of one stem glyph: the sum of its coverage.
qint64 StemInk(const QRawFont& raw) {
  const QList<quint32> idx = raw.glyphIndexesForString(QStringLiteral("l"));
  if (idx.isEmpty() || idx[0] == 0) return 0;
  const QImage a = raw.alphaMapForGlyph(idx[0], QRawFont::PixelAntialiasing);
  qint64 ink = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x)
      ink += a.format() == QImage::Format_Indexed8 || a.format() == QImage::Format_Alpha8
                 ? a.constScanLine(y)[x]
                 : qGray(a.pixel(x, y));
  return ink;
}

// Whether a bold face draws its stems no heavier than the regular face of
// its family at the same size. Wine's Tahoma Bold is such a face: its
// outlines are barely heavier than Tahoma's and its small-size bitmaps have
// the same one-pixel stems, only wider spacing.
bool BoldFaceLooksRegular(const QFont& bold, const QRawFont& boldRaw) {
  QFont regular = bold;
  regular.setWeight(QFont::Normal);
  const QRawFont regularRaw = QRawFont::fromFont(regular);
  if (!regularRaw.isValid() || regularRaw.familyName() != boldRaw.familyName()) return false;
  const qint64 heavy = StemInk(boldRaw), light = StemInk(regularRaw);
  return light > 0 && heavy * 4 < light * 5;
}

}  // namespace

// ---------------------------------------------------------------- fonts

TQtFont::TQtFont(const TFontDesc& desc) : TFontHandle(desc) {
  FFont = QFont(ToQString(desc.Face));
  FFont.setKerning(false);
  FFont.setHintingPreference(QFont::PreferFullHinting);
  FFont.setWeight(static_cast<QFont::Weight>(std::clamp(desc.Weight == 0 ? 400 : desc.Weight, 100, 900)));
  FFont.setItalic(desc.Italic);
  if (desc.Pitch == TFontPitch::fpFixed) FFont.setFixedPitch(true);

  int pixelSize = kDefaultPixelSize;
  if (desc.Height < 0) {
    pixelSize = -desc.Height;
  } else if (desc.Height > 0) {
    // A cell height: find the em size whose ascent + descent is that high.
    QFont probe = FFont;
    probe.setPixelSize(1000);
    QRawFont design = QRawFont::fromFont(probe);
    qreal cell = design.isValid() ? (design.ascent() + design.descent()) / 1000.0 : 1.15;
    if (cell <= 0) cell = 1.15;
    pixelSize = std::max(1, static_cast<int>(std::lround(desc.Height / cell)));
    // Rounded metrics may still exceed the height by a pixel.
    while (pixelSize > 1) {
      probe.setPixelSize(pixelSize);
      QRawFont r = QRawFont::fromFont(probe);
      if (!r.isValid() || CeilInt(r.ascent()) + CeilInt(r.descent()) <= desc.Height) break;
      --pixelSize;
    }
  }
  FFont.setPixelSize(pixelSize);

  QRawFont raw = QRawFont::fromFont(FFont);
  if (!raw.isValid()) {
    QFont fallback(QStringLiteral("Liberation Sans"));
    fallback.setPixelSize(pixelSize);
    raw = QRawFont::fromFont(fallback);
  }
  FFaces.push_back(raw);
  if (desc.Weight >= 600 && BoldFaceLooksRegular(FFont, raw)) FOverstrike = std::max(1, pixelSize / 12);

  TTextMetric& m = FMetrics;
  m.Ascent = CeilInt(raw.ascent());
  m.Descent = CeilInt(raw.descent());
  WinCellOfTypoMetricsFont(raw, pixelSize, m.Ascent, m.Descent);
  m.Height = m.Ascent + m.Descent;
  m.InternalLeading = std::max(0, m.Height - pixelSize);
  m.ExternalLeading = std::max(0, static_cast<int>(std::lround(raw.leading())));
  m.AveCharWidth = std::max(1, static_cast<int>(std::lround(raw.averageCharWidth())));
  m.MaxCharWidth = std::max(m.AveCharWidth, static_cast<int>(std::lround(raw.maxCharWidth())));
  m.Weight = desc.Weight;
  m.Italic = desc.Italic;
  m.Underlined = desc.Underline;
  m.StruckOut = desc.StrikeOut;
  m.CharSet = desc.CharSet;
  // Fixed pitch when 'i' and 'W' advance alike.
  m.FixedPitch = Glyph(U'i').Advance == Glyph(U'W').Advance;
  FLineThickness = std::max(1, static_cast<int>(std::lround(raw.lineThickness())));
  FUnderlinePos = std::max(1, static_cast<int>(std::lround(raw.underlinePosition())));
  FStrikePos = std::max(1, static_cast<int>(std::lround(raw.xHeight() / 2)));
}

std::u16string TQtFont::ActualFace() const { return FromQString(QFontInfo(FFont).family()); }

const TQtFont::TGlyph& TQtFont::Glyph(char32_t ch) const {
  if (ch < 256) {
    if (!FLatinDone[ch]) {
      FLatin[ch] = Lookup(ch);
      FLatinDone[ch] = true;
    }
    return FLatin[ch];
  }
  auto it = FOthers.find(ch);
  if (it != FOthers.end()) return it->second;
  return FOthers.emplace(ch, Lookup(ch)).first->second;
}

TQtFont::TGlyph TQtFont::Lookup(char32_t ch) const {
  TGlyph g;
  if (ch < 0x20 || ch == 0x7F || (ch >= 0xD800 && ch <= 0xDFFF)) return g;
  QString s = QString::fromUcs4(&ch, 1);
  const QRawFont& own = FFaces[0];
  quint32 index = 0;
  int count = 1;
  if (own.glyphIndexesForChars(s.constData(), static_cast<int>(s.size()), &index, &count) &&
      count >= 1 && index != 0) {
    QPointF advance;
    own.advancesForGlyphIndexes(&index, &advance, 1);
    g.Index = index;
    g.Advance = static_cast<int>(std::lround(advance.x()));
    g.Face = 0;
    return g;
  }
  // A glyph of another face: that face gets a slot of its own, once.
  auto fromFallback = [&](const QRawFont& face, quint32 idx) {
    int slot = -1;
    for (size_t i = 0; i < FFaces.size(); ++i)
      if (FFaces[i] == face) slot = static_cast<int>(i);
    if (slot < 0) {
      FFaces.push_back(face);
      slot = static_cast<int>(FFaces.size() - 1);
    }
    QPointF advance;
    face.advancesForGlyphIndexes(&idx, &advance, 1);
    g.Index = idx;
    g.Advance = static_cast<int>(std::lround(advance.x()));
    g.Face = slot;
    return g;
  };
  // The face lacks the character. An emoji comes from the colour emoji face
  // when there is one: font matching would often pick a plain outline face.
  if (IsEmojiPictograph(ch)) {
    QFont emoji(QStringLiteral("Noto Color Emoji"));
    emoji.setPixelSize(FFont.pixelSize());
    QRawFont face = QRawFont::fromFont(emoji);
    if (face.isValid() && face.familyName() == emoji.family() && face.supportsCharacter(ch)) {
      quint32 idx = face.glyphIndexesForString(s).value(0);
      if (idx != 0) return fromFallback(face, idx);
    }
  }
  // Otherwise ask Qt's font matching for the face that draws it.
  QTextLayout layout(s, FFont);
  layout.beginLayout();
  layout.createLine();
  layout.endLayout();
  const QList<QGlyphRun> runs = layout.glyphRuns();
  for (const QGlyphRun& run : runs) {
    if (run.glyphIndexes().isEmpty()) continue;
    return fromFallback(run.rawFont(), run.glyphIndexes().first());
  }
  return g;
}

const QRawFont& TQtFont::FaceAtRatio(int face, qreal ratio) const {
  const size_t i = static_cast<size_t>(face);
  if (ratio == 1) return FFaces[i];
  if (ratio != FScaledRatio) {
    FScaledFaces.clear();
    FScaledRatio = ratio;
  }
  while (FScaledFaces.size() <= i) {
    QRawFont scaled = FFaces[FScaledFaces.size()];
    scaled.setPixelSize(scaled.pixelSize() * ratio);
    FScaledFaces.push_back(scaled);
  }
  return FScaledFaces[i];
}

bool TQtFont::CharABC(char32_t ch, TABC& abc) const {
  const TGlyph& g = Glyph(ch);
  if (g.Face < 0) {
    abc = {0, 0, g.Advance};
    return true;
  }
  QRectF box = FFaces[static_cast<size_t>(g.Face)].boundingRect(g.Index);
  if (box.isEmpty()) {
    abc = {0, 0, g.Advance};
    return true;
  }
  int a = static_cast<int>(std::floor(box.left()));
  int right = static_cast<int>(std::ceil(box.right()));
  abc.A = a;
  abc.B = std::max(0, right - a);
  abc.C = g.Advance - abc.A - abc.B;
  return true;
}

// ---------------------------------------------------------------- device

TQtDevice::TQtDevice() = default;
TQtDevice::~TQtDevice() = default;

TFontRef TQtDevice::CreateFont(const TFontDesc& desc) {
  return FFonts.Get(desc, [&] { return std::make_shared<TQtFont>(desc); });
}

bool TQtDevice::FontInstalled(std::u16string_view family) const {
  if (family.empty()) return false;
  auto known = FInstalled.find(std::u16string(family));
  if (known != FInstalled.end()) return known->second;
  if (FFamilies.isEmpty())
    for (const QString& f : QFontDatabase::families()) FFamilies.insert(f.toLower());
  QString name = ToQString(family);
  bool installed = FFamilies.contains(name.toLower());
  for (const QString& sub : QFont::substitutes(name))
    installed = installed || FFamilies.contains(sub.toLower());
  FInstalled.emplace(family, installed);
  return installed;
}

std::unique_ptr<TBitmap> TQtDevice::CreateBitmap(int width, int height) {
  return std::make_unique<TQtBitmap>(*this, width, height, false);
}

std::unique_ptr<TBitmap> TQtDevice::CreateMask(int width, int height) {
  return std::make_unique<TQtBitmap>(*this, width, height, true);
}

TDecodedImage TQtDevice::DecodeImage(std::string_view data) {
  TDecodedImage result;
  auto starts = [&](std::string_view magic) { return data.substr(0, magic.size()) == magic; };
  const char* format = nullptr;
  if (starts("GIF8")) {
    format = "GIF";
    result.Format = TDecodedImage::TFormat::ifGif;
  } else if (starts("\x89PNG")) {
    format = "PNG";
    result.Format = TDecodedImage::TFormat::ifPng;
  } else if (starts("\xFF\xD8")) {
    format = "JPEG";
    result.Format = TDecodedImage::TFormat::ifJpeg;
  } else if (starts("BM")) {
    format = "BMP";
    result.Format = TDecodedImage::TFormat::ifBmp;
  } else {
    return result;
  }
  QImage image;
  if (!image.loadFromData(reinterpret_cast<const uchar*>(data.data()),
                          static_cast<int>(data.size()), format) ||
      image.isNull()) {
    result.Format = TDecodedImage::TFormat::ifUnknown;
    return result;
  }
  QImage argb = image.convertToFormat(QImage::Format_ARGB32);
  bool transparent = false;
  if (image.hasAlphaChannel()) {
    for (int y = 0; y < argb.height() && !transparent; ++y) {
      auto line = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
      for (int x = 0; x < argb.width(); ++x)
        if (qAlpha(line[x]) < 128) {
          transparent = true;
          break;
        }
    }
  }
  result.Bitmap = std::make_unique<TQtBitmap>(*this, argb.convertToFormat(QImage::Format_RGB32),
                                              false);
  if (transparent) {
    QImage mask(argb.width(), argb.height(), QImage::Format_RGB32);
    for (int y = 0; y < argb.height(); ++y) {
      auto in = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
      auto out = reinterpret_cast<QRgb*>(mask.scanLine(y));
      for (int x = 0; x < argb.width(); ++x)
        out[x] = qAlpha(in[x]) < 128 ? qRgb(255, 255, 255) : qRgb(0, 0, 0);
    }
    result.Mask = std::make_unique<TQtBitmap>(*this, mask, true);
  }
  return result;
}

// An SVG drawing rendered over white at the size its root element gives
// (width and height, else the viewBox).
static QImage RenderSvg(std::string_view data, const TImageSizeCheck& check) {
  QSvgRenderer renderer(
      QByteArray::fromRawData(data.data(), static_cast<qsizetype>(data.size())));
  if (!renderer.isValid()) return {};
  const QSize size = renderer.defaultSize();
  if (!size.isValid() || size.isEmpty()) return {};
  if (check && !check(size.width(), size.height())) return {};
  QImage image(size, QImage::Format_RGB32);
  if (image.isNull()) return {};
  image.fill(Qt::white);
  QPainter painter(&image);
  renderer.render(&painter);
  painter.end();
  return image;
}

std::unique_ptr<TBitmap> TQtDevice::DecodeOpaqueImage(std::string_view data, TImageFormat format,
                                                      const TImageSizeCheck& check) {
  if (format == TImageFormat::ifSvg) {
    if (data.size() > static_cast<size_t>(INT_MAX)) return nullptr;
    QImage image = RenderSvg(data, check);
    if (image.isNull()) return nullptr;
    return std::make_unique<TQtBitmap>(*this, std::move(image), false);
  }
  const char* name = nullptr;
  switch (format) {
    case TImageFormat::ifBmp: name = "bmp"; break;
    case TImageFormat::ifGif: name = "gif"; break;
    case TImageFormat::ifPng: name = "png"; break;
    case TImageFormat::ifJpeg: name = "jpeg"; break;
    default: return nullptr;
  }
  if (data.size() > static_cast<size_t>(INT_MAX)) return nullptr;
  QByteArray bytes = QByteArray::fromRawData(data.data(), static_cast<qsizetype>(data.size()));
  QBuffer buffer(&bytes);
  if (!buffer.open(QIODevice::ReadOnly)) return nullptr;
  // Only the named reader may look at the data: no probing by content.
  QImageReader reader(&buffer, name);
  reader.setAutoDetectImageFormat(false);
  reader.setDecideFormatFromContent(false);
  reader.setAutoTransform(false);
  QSize size = reader.size();  // the header alone
  if (!size.isValid() || size.isEmpty()) return nullptr;
  if (check && !check(size.width(), size.height())) return nullptr;
  QImage image;
  if (!reader.read(&image) || image.isNull()) return nullptr;
  // The pixels must not exceed what the header promised and was checked.
  if (image.width() > size.width() || image.height() > size.height()) return nullptr;
  QImage opaque;
  if (image.hasAlphaChannel()) {
    opaque = QImage(image.size(), QImage::Format_RGB32);
    if (opaque.isNull()) return nullptr;
    opaque.fill(Qt::white);
    QPainter painter(&opaque);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.drawImage(0, 0, image);
  } else {
    opaque = image.convertToFormat(QImage::Format_RGB32);
    if (opaque.isNull()) return nullptr;
  }
  return std::make_unique<TQtBitmap>(*this, std::move(opaque), false);
}

// ---------------------------------------------------------------- bitmap

TQtBitmap::TQtBitmap(TQtDevice& device, int width, int height, bool monochrome, qreal ratio)
    : FDevice(device), FWidth(std::max(0, width)), FHeight(std::max(0, height)),
      FMonochrome(monochrome) {
  FImage = QImage(static_cast<int>(std::ceil(FWidth * ratio)),
                  static_cast<int>(std::ceil(FHeight * ratio)), QImage::Format_RGB32);
  FImage.setDevicePixelRatio(ratio);
  if (!FImage.isNull()) FImage.fill(monochrome ? Qt::black : Qt::white);
}

TQtBitmap::TQtBitmap(TQtDevice& device, QImage image, bool monochrome)
    : FDevice(device), FImage(std::move(image)), FMonochrome(monochrome) {
  if (FImage.format() != QImage::Format_RGB32)
    FImage = FImage.convertToFormat(QImage::Format_RGB32);
  FWidth = FImage.width();
  FHeight = FImage.height();
}

TQtBitmap::~TQtBitmap() { FCanvas.reset(); }

TSurface& TQtBitmap::Canvas() {
  if (!FCanvas) FCanvas = std::make_unique<TQtSurface>(FDevice, FImage, FMonochrome);
  return *FCanvas;
}

TColor TQtBitmap::GetPixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= FWidth || y >= FHeight) return 0;
  const qreal ratio = Ratio();
  if (ratio != 1) {  // the pixel's top-left device pixel
    x = static_cast<int>(x * ratio);
    y = static_cast<int>(y * ratio);
  }
  QRgb p = reinterpret_cast<const QRgb*>(FImage.constScanLine(y))[x];
  return RGB(qRed(p), qGreen(p), qBlue(p));
}

void TQtBitmap::SetPixel(int x, int y, TColor c) {
  if (x < 0 || y < 0 || x >= FWidth || y >= FHeight) return;
  c = ColorToRGB(c);
  if (FMonochrome) c = (GetRValue(c) + GetGValue(c) + GetBValue(c)) >= 384 ? clWhite : clBlack;
  const QRgb rgb = qRgb(GetRValue(c), GetGValue(c), GetBValue(c));
  const qreal ratio = Ratio();
  if (ratio != 1) {  // every device pixel of the pixel
    const int x0 = static_cast<int>(x * ratio), y0 = static_cast<int>(y * ratio);
    const int x1 = std::min(FImage.width(), static_cast<int>((x + 1) * ratio));
    const int y1 = std::min(FImage.height(), static_cast<int>((y + 1) * ratio));
    for (int yy = y0; yy < y1; ++yy)
      for (int xx = x0; xx < x1; ++xx) reinterpret_cast<QRgb*>(FImage.scanLine(yy))[xx] = rgb;
    return;
  }
  reinterpret_cast<QRgb*>(FImage.scanLine(y))[x] = rgb;
}

std::vector<TColor> TQtBitmap::GetPixels() const {
  if (Ratio() != 1) return TBitmap::GetPixels();
  std::vector<TColor> out;
  out.reserve(static_cast<size_t>(FImage.width()) * static_cast<size_t>(FImage.height()));
  for (int y = 0; y < FImage.height(); ++y) {
    auto line = reinterpret_cast<const QRgb*>(FImage.constScanLine(y));
    for (int x = 0; x < FImage.width(); ++x)
      out.push_back(RGB(qRed(line[x]), qGreen(line[x]), qBlue(line[x])));
  }
  return out;
}

void TQtBitmap::SetPixels(const std::vector<TColor>& pixels) {
  size_t i = 0;
  for (int y = 0; y < FHeight; ++y)
    for (int x = 0; x < FWidth && i < pixels.size(); ++x) SetPixel(x, y, pixels[i++]);
}

// ---------------------------------------------------------------- surface

TQtSurface::TQtSurface(TQtDevice& device, QPaintDevice& target, bool monochrome)
    : FDevice(device), FMonochrome(monochrome) {
  const qreal ratio = target.devicePixelRatio();
  FSize = {static_cast<int>(target.width() / ratio), static_cast<int>(target.height() / ratio)};
  FOwnPainter = std::make_unique<QPainter>();
  if (FSize.cx > 0 && FSize.cy > 0) FOwnPainter->begin(&target);
  FPainter = FOwnPainter.get();
  if (FPainter->isActive()) {
    FPainter->setRenderHint(QPainter::Antialiasing, false);
    FPainter->setRenderHint(QPainter::TextAntialiasing, true);
  }
  SelectFont(device.CreateFont(DefaultFontDesc()));
}

TQtSurface::TQtSurface(TQtDevice& device, QPainter& painter, TSize size)
    : FDevice(device), FPainter(&painter), FSize(size) {
  FHasBaseClip = painter.hasClipping();
  if (FHasBaseClip) FBaseClip = painter.clipRegion();
  FPainter->setRenderHint(QPainter::Antialiasing, false);
  FPainter->setRenderHint(QPainter::TextAntialiasing, true);
  SelectFont(device.CreateFont(DefaultFontDesc()));
}

TQtSurface::~TQtSurface() {
  if (FOwnPainter && FOwnPainter->isActive()) FOwnPainter->end();
}

QColor TQtSurface::Rgb(TColor c) const {
  if (FMonochrome) c = (GetRValue(c) + GetGValue(c) + GetBValue(c)) >= 384 ? clWhite : clBlack;
  return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
}

void TQtSurface::ClipChanged() {
  if (!FPainter->isActive()) return;
  const auto& clip = DeviceClip();
  if (!clip) {
    // The whole surface rather than setClipping(false): the raster engine
    // can miss a later region clip after clipping was switched off.
    if (FHasBaseClip)
      FPainter->setClipRegion(FBaseClip);
    else
      FPainter->setClipRect(QRect(0, 0, FSize.cx, FSize.cy));
    return;
  }
  QRegion region;
  std::vector<TRect> rects = clip->Rects();
  if (rects.size() == 1) {
    const TRect& r = rects[0];
    region = QRegion(r.Left, r.Top, r.Width(), r.Height());
  } else if (!rects.empty()) {
    QList<QRect> list;
    list.reserve(static_cast<qsizetype>(rects.size()));
    for (const TRect& r : rects) list.append(QRect(r.Left, r.Top, r.Width(), r.Height()));
    region.setRects(list.constData(), static_cast<int>(list.size()));
  }
  if (FHasBaseClip) region &= FBaseClip;
  // An empty region passed to setClipRegion would mean "no clip"; clip to
  // an empty rectangle instead.
  if (region.isEmpty())
    FPainter->setClipRect(QRect(0, 0, 0, 0));
  else
    FPainter->setClipRegion(region);
}

void TQtSurface::DevFillRect(const TRect& r, TColor c) {
  if (r.IsEmpty() || !FPainter->isActive()) return;
  FPainter->fillRect(QRect(r.Left, r.Top, r.Width(), r.Height()), Rgb(c));
}

void TQtSurface::DevInvertRect(const TRect& r) {
  if (r.IsEmpty() || !FPainter->isActive()) return;
  FPainter->setCompositionMode(QPainter::RasterOp_SourceXorDestination);
  FPainter->fillRect(QRect(r.Left, r.Top, r.Width(), r.Height()), QColor(255, 255, 255));
  FPainter->setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void TQtSurface::DevBlendRect(const TRect& r, TColor c, int alpha) {
  if (r.IsEmpty() || !FPainter->isActive()) return;
  QColor q = Rgb(c);
  q.setAlpha(alpha);
  FPainter->fillRect(QRect(r.Left, r.Top, r.Width(), r.Height()), q);
}

void TQtSurface::DevFillRegion(const TRegion& rgn, TColor c) {
  if (!FPainter->isActive()) return;
  QColor q = Rgb(c);
  for (const TRect& r : rgn.Rects()) FPainter->fillRect(QRect(r.Left, r.Top, r.Width(), r.Height()), q);
}

void TQtSurface::DevDrawGlyphs(const TGlyphRun& run) {
  if (!FPainter->isActive()) return;
  const auto* font = dynamic_cast<const TQtFont*>(run.Font);
  if (!font) return;
  const TTextMetric& m = font->Metrics();
  const QColor color = Rgb(run.Color);

  // Clip only when the ink may leave the rectangle.
  bool clip = false;
  if (run.Clip) {
    int margin = m.Height / 3 + 1;
    clip = run.Left - margin < run.Clip->Left || run.Left + run.Width + margin > run.Clip->Right ||
           run.Baseline - m.Ascent < run.Clip->Top || run.Baseline + m.Descent > run.Clip->Bottom;
  }
  // A glyph from a fallback face (box drawing, emoji) may be taller than
  // the font's cell: clip it to the rectangle.
  if (run.Clip && !clip) {
    for (size_t i = 0; i < run.Text.size() && !clip; ++i)
      if (run.Text[i] >= 0x100) clip = (run.Text[i] >= 0xD800 && run.Text[i] <= 0xDFFF) ||
                                       font->Glyph(run.Text[i]).Face > 0;
  }
  if (clip) {
    FPainter->save();
    FPainter->setClipRect(QRect(run.Clip->Left, run.Clip->Top, run.Clip->Width(),
                                run.Clip->Height()),
                          Qt::IntersectClip);
  }
  FPainter->setPen(color);

  // On a high-density target the glyphs come from the face at the device's
  // size and are placed in device pixels, so that they are as sharp as the
  // toolkit's own text; positions and advances stay in pixels.
  const qreal ratio = FPainter->device() ? FPainter->device()->devicePixelRatio() : 1.0;
  int face = -1;
  auto flush = [&] {
    if (face >= 0 && !FIndexes.isEmpty()) {
      QGlyphRun glyphs;
      glyphs.setRawFont(font->FaceAtRatio(face, ratio));
      glyphs.setGlyphIndexes(FIndexes);
      if (ratio != 1) {
        for (QPointF& p : FPositions) p *= ratio;
        FPainter->save();
        FPainter->scale(1 / ratio, 1 / ratio);
      }
      glyphs.setPositions(FPositions);
      FPainter->drawGlyphRun(QPointF(0, 0), glyphs);
      if (font->Overstrike() > 0)
        FPainter->drawGlyphRun(QPointF(font->Overstrike() * ratio, 0), glyphs);
      if (ratio != 1) FPainter->restore();
    }
    FIndexes.resize(0);
    FPositions.resize(0);
  };
  const qreal baseline = run.Baseline;
  auto place = [&](const TQtFont::TGlyph& g, qreal x) {
    if (g.Face < 0) return;
    if (g.Face != face) {
      flush();
      face = g.Face;
    }
    FIndexes.append(g.Index);
    FPositions.append(QPointF(x, baseline));
  };
  const size_t n = run.Text.size();
  for (size_t i = 0; i < n;) {
    char32_t ch = run.Text[i];
    size_t units = 1;
    if (ch >= 0xD800 && ch <= 0xDBFF && i + 1 < n && run.Text[i + 1] >= 0xDC00 &&
        run.Text[i + 1] <= 0xDFFF) {
      ch = 0x10000 + ((ch - 0xD800) << 10) + (run.Text[i + 1] - 0xDC00);
      units = 2;
    }
    // The combining marks that follow with no advance of their own belong to
    // this character; a mark the caller gave room (a face's spacing glyph for
    // it) keeps its own place.
    auto advance = [&](size_t k) { return (k + 1 < n ? run.X[k + 1] : run.Left + run.Width) - run.X[k]; };
    size_t end = i + units;
    while (end < n && IsCombiningMark(run.Text[end]) && advance(end) == 0) ++end;
    if (end == i + units) {
      place(font->Glyph(ch), run.X[i]);
      i = end;
      continue;
    }
    // A character with marks: its precomposed form when the faces have one
    // ("e" + acute is drawn as the font's own "é").
    const QList<uint> composed =
        QString::fromUtf16(run.Text.data() + i, static_cast<qsizetype>(end - i))
            .normalized(QString::NormalizationForm_C)
            .toUcs4();
    if (composed.size() == 1 && font->Glyph(composed[0]).Face >= 0) {
      place(font->Glyph(composed[0]), run.X[i]);
      i = end;
      continue;
    }
    // Else each mark's ink is centred over the character's advance, whatever
    // place the mark's face designed it for.
    place(font->Glyph(ch), run.X[i]);
    const qreal left = run.X[i], right = run.X[i + units];
    for (size_t k = i + units; k < end; ++k) {
      const TQtFont::TGlyph& g = font->Glyph(run.Text[k]);
      qreal x = run.X[k];
      if (g.Face >= 0 && right > left) {
        const QRectF ink = font->Faces()[static_cast<size_t>(g.Face)].boundingRect(g.Index);
        if (ink.width() > 0) x = (left + right) / 2 - (ink.left() + ink.width() / 2);
      }
      place(g, x);
    }
    i = end;
  }
  flush();

  if (m.Underlined)
    FPainter->fillRect(QRect(run.Left, run.Baseline + font->UnderlinePosition(), run.Width,
                             font->LineThickness()),
                       color);
  if (m.StruckOut)
    FPainter->fillRect(QRect(run.Left, run.Baseline - font->StrikeOutPosition(), run.Width,
                             font->LineThickness()),
                       color);
  if (clip) FPainter->restore();
}

std::unique_ptr<TBitmap> TQtSurface::CreateCompatibleBitmap(int width, int height) {
  const qreal ratio = FPainter->device() ? FPainter->device()->devicePixelRatio() : 1.0;
  return std::make_unique<TQtBitmap>(FDevice, width, height, false, ratio);
}

void TQtSurface::DevCopy(const TRect& dst, TBitmap& src, const TRect& srcRect, TRop rop) {
  if (!FPainter->isActive() || dst.IsEmpty() || srcRect.IsEmpty()) return;
  QImage converted;
  const QImage* image = nullptr;
  QRect from(srcRect.Left, srcRect.Top, srcRect.Width(), srcRect.Height());
  if (auto* qt = dynamic_cast<TQtBitmap*>(&src)) {
    image = &qt->Image();
    const qreal ratio = qt->Ratio();
    if (ratio != 1)  // the source rectangle in the image's device pixels
      from = QRect(static_cast<int>(from.x() * ratio), static_cast<int>(from.y() * ratio),
                   static_cast<int>(std::ceil(from.width() * ratio)),
                   static_cast<int>(std::ceil(from.height() * ratio)));
    if (static_cast<const QPaintDevice*>(image) == FPainter->device()) {
      // Copying within one image: take the source pixels out first.
      converted = image->copy(from);
      image = &converted;
      from = QRect(0, 0, converted.width(), converted.height());
    }
  } else {
    converted = QImage(src.Width(), src.Height(), QImage::Format_RGB32);
    std::vector<TColor> pixels = src.GetPixels();
    for (int y = 0; y < src.Height(); ++y) {
      auto line = reinterpret_cast<QRgb*>(converted.scanLine(y));
      for (int x = 0; x < src.Width(); ++x) {
        TColor c = pixels[static_cast<size_t>(y) * static_cast<size_t>(src.Width()) +
                          static_cast<size_t>(x)];
        line[x] = qRgb(GetRValue(c), GetGValue(c), GetBValue(c));
      }
    }
    image = &converted;
  }
  QPainter::CompositionMode mode = QPainter::CompositionMode_Source;
  switch (rop) {
    case TRop::ropSrcCopy: mode = QPainter::CompositionMode_Source; break;
    case TRop::ropSrcAnd: mode = QPainter::RasterOp_SourceAndDestination; break;
    case TRop::ropSrcPaint: mode = QPainter::RasterOp_SourceOrDestination; break;
    case TRop::ropSrcInvert: mode = QPainter::RasterOp_SourceXorDestination; break;
  }
  FPainter->setCompositionMode(mode);
  FPainter->setRenderHint(QPainter::SmoothPixmapTransform, false);
  FPainter->drawImage(QRect(dst.Left, dst.Top, dst.Width(), dst.Height()), *image, from);
  FPainter->setCompositionMode(QPainter::CompositionMode_SourceOver);
}

}  // namespace tav
