#include "platform/testing/fixed_metrics_device.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>

namespace tav {

namespace {

bool IsWide(char32_t c) {
  return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF && c != 0x303F) ||
         (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
         (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
         (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x3FFFD);
}

bool IsZeroWidth(char32_t c) { return c < 0x20 || c == 0x7F || c == 0x200B || c == 0xFEFF; }

int EmHeight(int height) {
  if (height == 0) return 16;
  if (height < 0) return -height;
  return std::max(1, height - height / 9);
}

class TFixedFont : public TFontHandle {
public:
  TFixedFont(const TFontDesc& desc, const TFixedMetricsOptions& options)
      : TFontHandle(desc), FOptions(options) {
    FEm = EmHeight(desc.Height);
    FWidth = std::max(1, FEm / 2) + (desc.Bold() ? 1 : 0);
    TTextMetric& m = FMetrics;
    m.InternalLeading = FEm / 8;
    m.Height = FEm + m.InternalLeading;
    m.Descent = m.Height / 4;
    m.Ascent = m.Height - m.Descent;
    m.ExternalLeading = options.ExternalLeading;
    m.AveCharWidth = FWidth;
    m.MaxCharWidth = 2 * FWidth;
    m.Weight = desc.Weight;
    m.Italic = desc.Italic;
    m.Underlined = desc.Underline;
    m.StruckOut = desc.StrikeOut;
    m.FixedPitch = desc.Pitch == TFontPitch::fpFixed;
    m.CharSet = desc.CharSet;
  }
  std::u16string ActualFace() const override { return Desc().Face; }
  const TTextMetric& Metrics() const override { return FMetrics; }
  int CharAdvance(char32_t ch) const override {
    if (FOptions.CharWidth) {
      int w = FOptions.CharWidth(ch, Desc());
      if (w >= 0) return w;
    }
    if (IsZeroWidth(ch)) return 0;
    return IsWide(ch) ? 2 * FWidth : FWidth;
  }
  bool CharABC(char32_t ch, TABC& abc) const override {
    int adv = CharAdvance(ch);
    abc = Desc().Italic ? TABC{0, adv + 1, -1} : TABC{0, adv, 0};
    return true;
  }
  int Em() const { return FEm; }

private:
  const TFixedMetricsOptions& FOptions;
  int FEm = 16;
  int FWidth = 8;
  TTextMetric FMetrics;
};

class TFixedBitmap : public TBitmap {
public:
  TFixedBitmap(TFixedMetricsDevice& device, int w, int h, bool mono)
      : FSurface(device, std::max(0, w), std::max(0, h), mono) {}
  int Width() const override { return FSurface.Size().cx; }
  int Height() const override { return FSurface.Size().cy; }
  bool Monochrome() const override { return FSurface.Monochrome(); }
  TSurface& Canvas() override { return FSurface; }
  TColor GetPixel(int x, int y) const override { return FSurface.Pixel(x, y); }
  void SetPixel(int x, int y, TColor c) override { FSurface.SetPixelValue(x, y, c); }

private:
  TFixedMetricsSurface FSurface;
};

TColor Combine(TColor d, TColor s, TRop rop) {
  switch (rop) {
    case TRop::ropSrcCopy: return s;
    case TRop::ropSrcAnd: return d & s;
    case TRop::ropSrcPaint: return d | s;
    case TRop::ropSrcInvert: return d ^ s;
  }
  return s;
}

}  // namespace

// ---------------------------------------------------------------- device

TFixedMetricsDevice::TFixedMetricsDevice(TFixedMetricsOptions options)
    : FOptions(std::move(options)) {}

TFixedMetricsDevice::~TFixedMetricsDevice() = default;

TFontRef TFixedMetricsDevice::CreateFont(const TFontDesc& desc) {
  return FFonts.Get(desc, [&] { return std::make_shared<TFixedFont>(desc, FOptions); });
}

void TFixedMetricsDevice::InstallAsDefault(TFixedMetricsOptions options) {
  SetDefaultDevice(std::make_shared<TFixedMetricsDevice>(std::move(options)));
}

bool TFixedMetricsDevice::FontInstalled(std::u16string_view family) const {
  if (FOptions.InstalledFonts.empty()) return !family.empty();
  auto lower = [](std::u16string_view s) {
    std::u16string r(s);
    for (auto& c : r)
      if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
    return r;
  };
  std::u16string f = lower(family);
  for (auto& name : FOptions.InstalledFonts)
    if (lower(name) == f) return true;
  return false;
}

std::unique_ptr<TBitmap> TFixedMetricsDevice::CreateBitmap(int width, int height) {
  return std::make_unique<TFixedBitmap>(*this, width, height, false);
}

std::unique_ptr<TBitmap> TFixedMetricsDevice::CreateMask(int width, int height) {
  auto b = std::make_unique<TFixedBitmap>(*this, width, height, true);
  b->Canvas().FillRect({0, 0, width, height}, clBlack);
  return b;
}

std::unique_ptr<TFixedMetricsSurface> TFixedMetricsDevice::CreateSurface(int width, int height) {
  return std::make_unique<TFixedMetricsSurface>(*this, width, height, false);
}

namespace {

unsigned LittleEndian(std::string_view data, size_t at, int bytes) {
  unsigned v = 0;
  for (int i = bytes - 1; i >= 0; --i)
    v = v << 8 | static_cast<unsigned char>(data[at + static_cast<size_t>(i)]);
  return v;
}

unsigned BigEndian32(std::string_view data, size_t at) {
  unsigned v = 0;
  for (size_t i = 0; i < 4; ++i) v = v << 8 | static_cast<unsigned char>(data[at + i]);
  return v;
}

// The header of an uncompressed 24- or 32-bit BMP.
struct TBmpHeader {
  unsigned Offset = 0;
  int Width = 0, Height = 0;  // Height > 0
  bool TopDown = false;
  unsigned BytesPerPixel = 3;
};

bool ReadBmpHeader(std::string_view data, TBmpHeader& h) {
  if (data.size() < 54 || data[0] != 'B' || data[1] != 'M') return false;
  h.Offset = LittleEndian(data, 10, 4);
  auto width = static_cast<std::int32_t>(LittleEndian(data, 18, 4));
  auto height = static_cast<std::int32_t>(LittleEndian(data, 22, 4));
  unsigned bpp = LittleEndian(data, 28, 2), compression = LittleEndian(data, 30, 4);
  if ((bpp != 24 && bpp != 32) || (compression != 0 && compression != 3) || width <= 0 ||
      height == 0 || height == INT32_MIN)
    return false;
  h.Width = width;
  h.TopDown = height < 0;
  h.Height = h.TopDown ? -height : height;
  h.BytesPerPixel = bpp / 8;
  return true;
}

// The BMP's pixels; null when the data is shorter than the header says.
std::unique_ptr<TBitmap> ReadBmpPixels(TFixedMetricsDevice& device, std::string_view data,
                                       const TBmpHeader& h) {
  size_t stride = ((static_cast<size_t>(h.Width) * h.BytesPerPixel) + 3) & ~size_t{3};
  if (h.Offset > data.size() || (data.size() - h.Offset) / stride < static_cast<size_t>(h.Height))
    return nullptr;
  auto bitmap = device.CreateBitmap(h.Width, h.Height);
  std::vector<TColor> pixels(static_cast<size_t>(h.Width) * static_cast<size_t>(h.Height));
  for (int row = 0; row < h.Height; ++row) {
    size_t at = h.Offset + static_cast<size_t>(h.TopDown ? row : h.Height - 1 - row) * stride;
    for (int x = 0; x < h.Width; ++x) {
      size_t p = at + static_cast<size_t>(x) * h.BytesPerPixel;
      auto b = static_cast<unsigned char>(data[p]);
      auto g = static_cast<unsigned char>(data[p + 1]);
      auto r = static_cast<unsigned char>(data[p + 2]);
      pixels[static_cast<size_t>(row) * static_cast<size_t>(h.Width) + static_cast<size_t>(x)] =
          RGB(r, g, b);
    }
  }
  bitmap->SetPixels(pixels);
  return bitmap;
}

// The value of `name`="..." (or '...') inside `tag`; empty when absent.
std::string_view SvgAttribute(std::string_view tag, std::string_view name) {
  for (std::size_t at = tag.find(name); at != std::string_view::npos; at = tag.find(name, at + 1)) {
    const bool starts = at > 0 && (tag[at - 1] == ' ' || tag[at - 1] == '\n' ||
                                   tag[at - 1] == '\t' || tag[at - 1] == '\r');
    std::size_t p = at + name.size();
    if (!starts || p + 1 >= tag.size() || tag[p] != '=' || (tag[p + 1] != '"' && tag[p + 1] != '\''))
      continue;
    const std::size_t end = tag.find(tag[p + 1], p + 2);
    if (end == std::string_view::npos) return {};
    return tag.substr(p + 2, end - p - 2);
  }
  return {};
}

// Leading numbers of a value, at most `count` ("10px" gives 10; "0 0 8 4"
// gives 0, 0, 8, 4).
std::vector<double> SvgNumbers(std::string_view value, std::size_t count) {
  std::vector<double> out;
  std::string text(value);
  const char* p = text.c_str();
  while (out.size() < count) {
    while (*p == ' ' || *p == ',') ++p;
    char* end = nullptr;
    double n = std::strtod(p, &end);
    if (end == p) break;
    out.push_back(n);
    p = end;
    while (std::isalpha(static_cast<unsigned char>(*p))) ++p;  // a unit
  }
  return out;
}

std::unique_ptr<TBitmap> ReadSvg(TFixedMetricsDevice& device, std::string_view data,
                                 const TImageSizeCheck& check) {
  const std::size_t open = data.find("<svg");
  const std::size_t close = open == std::string_view::npos ? open : data.find('>', open);
  if (close == std::string_view::npos) return nullptr;
  const std::string_view root = data.substr(open, close - open);
  const std::vector<double> width = SvgNumbers(SvgAttribute(root, "width"), 1);
  const std::vector<double> height = SvgNumbers(SvgAttribute(root, "height"), 1);
  const std::vector<double> box = SvgNumbers(SvgAttribute(root, "viewBox"), 4);
  double w = 0, h = 0;
  const bool hasBox = box.size() == 4 && box[2] > 0 && box[3] > 0;
  if (!width.empty() && !height.empty()) {
    w = width[0];
    h = height[0];
  } else if (!width.empty() && hasBox) {
    w = width[0];
    h = w * box[3] / box[2];
  } else if (!height.empty() && hasBox) {
    h = height[0];
    w = h * box[2] / box[3];
  } else if (hasBox) {
    w = box[2];
    h = box[3];
  }
  if (!(w >= 1 && h >= 1 && w <= 1e6 && h <= 1e6)) return nullptr;
  const int iw = static_cast<int>(std::lround(w)), ih = static_cast<int>(std::lround(h));
  if (check && !check(iw, ih)) return nullptr;
  auto bitmap = device.CreateBitmap(iw, ih);
  const std::size_t fill = data.find("fill=\"#");
  if (fill != std::string_view::npos && fill + 13 <= data.size()) {
    const std::string hex(data.substr(fill + 7, 6));
    char* end = nullptr;
    const unsigned long rgb = std::strtoul(hex.c_str(), &end, 16);
    if (end == hex.c_str() + 6) {
      const TColor c = RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
      bitmap->SetPixels(std::vector<TColor>(static_cast<std::size_t>(iw) * static_cast<std::size_t>(ih), c));
    }
  }
  return bitmap;
}

}  // namespace

TDecodedImage TFixedMetricsDevice::DecodeImage(std::string_view data) {
  TDecodedImage result;
  TBmpHeader h;
  if (!ReadBmpHeader(data, h) || h.Width > 16384 || h.Height > 16384) return result;
  result.Bitmap = ReadBmpPixels(*this, data, h);
  if (result.Bitmap) result.Format = TDecodedImage::TFormat::ifBmp;
  return result;
}

std::unique_ptr<TBitmap> TFixedMetricsDevice::DecodeOpaqueImage(std::string_view data,
                                                                TImageFormat format,
                                                                const TImageSizeCheck& check) {
  int width = 0, height = 0;
  TBmpHeader bmp;
  switch (format) {
    case TImageFormat::ifBmp:
      if (!ReadBmpHeader(data, bmp)) return nullptr;
      width = bmp.Width;
      height = bmp.Height;
      break;
    case TImageFormat::ifPng:
      if (data.size() < 24 || data.substr(0, 8) != "\x89PNG\r\n\x1A\n" ||
          data.substr(12, 4) != "IHDR")
        return nullptr;
      width = static_cast<int>(std::min(BigEndian32(data, 16), 0x7FFFFFFFu));
      height = static_cast<int>(std::min(BigEndian32(data, 20), 0x7FFFFFFFu));
      break;
    case TImageFormat::ifGif:
      if (data.size() < 10 || (data.substr(0, 6) != "GIF87a" && data.substr(0, 6) != "GIF89a"))
        return nullptr;
      width = static_cast<int>(LittleEndian(data, 6, 2));
      height = static_cast<int>(LittleEndian(data, 8, 2));
      break;
    case TImageFormat::ifSvg:
      return ReadSvg(*this, data, check);
    default: return nullptr;
  }
  if (width <= 0 || height <= 0) return nullptr;
  if (check && !check(width, height)) return nullptr;
  if (format != TImageFormat::ifBmp) return nullptr;  // no pixel decoder for these
  return ReadBmpPixels(*this, data, bmp);
}

// ---------------------------------------------------------------- surface

TFixedMetricsSurface::TFixedMetricsSurface(TFixedMetricsDevice& device, int width, int height,
                                           bool monochrome)
    : FDevice(device),
      FWidth(std::max(0, width)),
      FHeight(std::max(0, height)),
      FMonochrome(monochrome),
      FPixels(static_cast<size_t>(FWidth) * static_cast<size_t>(FHeight),
              monochrome ? clBlack : clWhite) {
  SelectFont(device.CreateFont(DefaultFontDesc()));
}

TFixedMetricsSurface::~TFixedMetricsSurface() = default;

TColor TFixedMetricsSurface::Pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= FWidth || y >= FHeight) return 0;
  return FPixels[static_cast<size_t>(y) * static_cast<size_t>(FWidth) + static_cast<size_t>(x)];
}

void TFixedMetricsSurface::SetPixelValue(int x, int y, TColor c) {
  if (x < 0 || y < 0 || x >= FWidth || y >= FHeight) return;
  c = ColorToRGB(c) & 0xFFFFFF;
  if (FMonochrome) c = (GetRValue(c) + GetGValue(c) + GetBValue(c)) >= 384 ? clWhite : clBlack;
  FPixels[static_cast<size_t>(y) * static_cast<size_t>(FWidth) + static_cast<size_t>(x)] = c;
}

bool TFixedMetricsSurface::Visible(int x, int y) const {
  if (x < 0 || y < 0 || x >= FWidth || y >= FHeight) return false;
  return !DeviceClip() || DeviceClip()->Contains(x, y);
}

void TFixedMetricsSurface::Put(int x, int y, TColor c) {
  if (Visible(x, y)) SetPixelValue(x, y, c);
}

void TFixedMetricsSurface::DevFillRect(const TRect& r, TColor c) {
  TRect a = IntersectRect(r, {0, 0, FWidth, FHeight});
  for (int y = a.Top; y < a.Bottom; ++y)
    for (int x = a.Left; x < a.Right; ++x) Put(x, y, c);
}

void TFixedMetricsSurface::DevInvertRect(const TRect& r) {
  TRect a = IntersectRect(r, {0, 0, FWidth, FHeight});
  for (int y = a.Top; y < a.Bottom; ++y)
    for (int x = a.Left; x < a.Right; ++x)
      if (Visible(x, y)) SetPixelValue(x, y, Pixel(x, y) ^ 0xFFFFFF);
}

void TFixedMetricsSurface::DevBlendRect(const TRect& r, TColor c, int alpha) {
  TRect a = IntersectRect(r, {0, 0, FWidth, FHeight});
  auto mix = [alpha](int s, int d) { return (s * alpha + d * (255 - alpha) + 127) / 255; };
  for (int y = a.Top; y < a.Bottom; ++y)
    for (int x = a.Left; x < a.Right; ++x) {
      if (!Visible(x, y)) continue;
      TColor d = Pixel(x, y);
      SetPixelValue(x, y,
                    RGB(mix(GetRValue(c), GetRValue(d)), mix(GetGValue(c), GetGValue(d)),
                        mix(GetBValue(c), GetBValue(d))));
    }
}

void TFixedMetricsSurface::DevFillRegion(const TRegion& rgn, TColor c) {
  for (const TRect& r : rgn.Rects()) DevFillRect(r, c);
}

void TFixedMetricsSurface::DevDrawGlyphs(const TGlyphRun& run) {
  const TFontHandle& font = *run.Font;
  const TTextMetric& m = font.Metrics();
  const int emTop = run.Baseline - (m.Ascent - m.InternalLeading);
  auto put = [&](int x, int y) {
    if (run.Clip && !run.Clip->Contains(x, y)) return;
    Put(x, y, run.Color);
  };
  for (size_t i = 0; i < run.Text.size(); ++i) {
    char32_t ch = run.Text[i];
    if (ch >= 0xDC00 && ch <= 0xDFFF && i > 0) continue;  // second unit of a pair
    if (ch >= 0xD800 && ch <= 0xDBFF && i + 1 < run.Text.size())
      ch = 0x10000 + ((ch - 0xD800) << 10) + (run.Text[i + 1] - 0xDC00);
    if (ch == U' ' || ch == 0xA0 || ch == 0x3000) continue;
    int w = font.CharAdvance(ch);
    if (w <= 0) continue;
    int inkRight = run.X[i] + std::max(1, w - 1);
    for (int y = emTop; y < run.Baseline; ++y)
      for (int x = run.X[i]; x < inkRight; ++x) put(x, y);
  }
  if (m.Underlined)
    for (int x = run.Left; x < run.Left + run.Width; ++x) put(x, run.Baseline + 1);
  if (m.StruckOut) {
    int em = m.Height - m.InternalLeading;
    for (int x = run.Left; x < run.Left + run.Width; ++x) put(x, run.Baseline - em / 3);
  }
}

void TFixedMetricsSurface::DevCopy(const TRect& dst, TBitmap& src, const TRect& srcRect,
                                   TRop rop) {
  // Read the source first: it may be this very bitmap.
  const int dw = dst.Width(), dh = dst.Height();
  const int sw = srcRect.Width(), sh = srcRect.Height();
  std::vector<TColor> copy(static_cast<size_t>(dw) * static_cast<size_t>(dh));
  for (int y = 0; y < dh; ++y) {
    int sy = srcRect.Top + static_cast<int>(((2LL * y + 1) * sh) / (2LL * dh));
    for (int x = 0; x < dw; ++x) {
      int sx = srcRect.Left + static_cast<int>(((2LL * x + 1) * sw) / (2LL * dw));
      copy[static_cast<size_t>(y) * static_cast<size_t>(dw) + static_cast<size_t>(x)] =
          src.GetPixel(sx, sy);
    }
  }
  for (int y = 0; y < dh; ++y)
    for (int x = 0; x < dw; ++x) {
      int px = dst.Left + x, py = dst.Top + y;
      if (!Visible(px, py)) continue;
      TColor s = copy[static_cast<size_t>(y) * static_cast<size_t>(dw) + static_cast<size_t>(x)];
      SetPixelValue(px, py, Combine(Pixel(px, py), s, rop));
    }
}

bool TFixedMetricsSurface::SaveAsPpm(const std::string& path) const {
  std::ofstream f(path, std::ios::binary);
  if (!f) return false;
  f << "P6\n" << FWidth << " " << FHeight << "\n255\n";
  for (TColor c : FPixels) {
    char rgb[3] = {static_cast<char>(GetRValue(c)), static_cast<char>(GetGValue(c)),
                   static_cast<char>(GetBValue(c))};
    f.write(rgb, 3);
  }
  return static_cast<bool>(f);
}

}  // namespace tav
