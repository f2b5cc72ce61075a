// The surface on Qt with real fonts (the Liberation faces, 96 pixels per
// inch).
#include <QBuffer>
#include <QImage>

#include <gtest/gtest.h>

#include "platform/qt/install.h"
#include "platform/qt/surface.h"

namespace tav {
namespace {

TFontDesc Desc(std::u16string face, int height, int weight = FW_NORMAL, bool italic = false) {
  TFontDesc s;
  s.Face = std::move(face);
  s.Height = height;
  s.Weight = weight;
  s.Italic = italic;
  return s;
}

std::string Narrow(const std::u16string& s) { return QString::fromStdU16String(s).toStdString(); }

// Columns [Left, Right) that hold any non-white pixel within rows [top, bottom).
struct TInk {
  int Left = -1, Right = -1;
};
TInk FindInk(TBitmap& b, int top, int bottom) {
  TInk ink;
  for (int x = 0; x < b.Width(); ++x)
    for (int y = top; y < bottom; ++y)
      if (b.GetPixel(x, y) != clWhite) {
        if (ink.Left < 0) ink.Left = x;
        ink.Right = x + 1;
        break;
      }
  return ink;
}

class QtSurfaceTest : public ::testing::Test {
protected:
  TQtDevice& Device = QtDevice();
  std::unique_ptr<TBitmap> Bitmap(int w, int h) { return Device.CreateBitmap(w, h); }
};

TEST_F(QtSurfaceTest, WindowsFacesResolveToMetricCompatibleOnes) {
  struct TCase {
    std::u16string Face, Actual;
  };
  std::u16string tahoma = TahomaRegistered() ? u"Tahoma" : u"Liberation Sans";
  for (const TCase& c : {TCase{u"Times New Roman", u"Liberation Serif"},
                         TCase{u"Courier New", u"Liberation Mono"},
                         TCase{u"Arial", u"Liberation Sans"}, TCase{u"Tahoma", tahoma}}) {
    EXPECT_EQ(Narrow(Device.CreateFont(Desc(c.Face, -16))->ActualFace()), Narrow(c.Actual));
    EXPECT_TRUE(Device.FontInstalled(c.Face)) << Narrow(c.Face);
  }
  EXPECT_FALSE(Device.FontInstalled(u"No Such Face Anywhere"));
}

TEST_F(QtSurfaceTest, MetricsHoldTogether) {
  for (int height : {-11, -13, -16, -24}) {
    TFontRef f = Device.CreateFont(Desc(u"Arial", height));
    const TTextMetric& m = f->Metrics();
    EXPECT_EQ(m.Height, m.Ascent + m.Descent);
    EXPECT_EQ(m.InternalLeading, m.Height + height);  // em height is -height
    EXPECT_GT(m.InternalLeading, 0);
    EXPECT_GT(m.AveCharWidth, 0);
    EXPECT_GE(m.MaxCharWidth, m.AveCharWidth);
    TABC abc;
    ASSERT_TRUE(f->CharABC(U'M', abc));
    EXPECT_EQ(abc.A + abc.B + abc.C, f->CharAdvance(U'M'));
  }
  // A positive height asks for the cell height.
  TFontRef cell = Device.CreateFont(Desc(u"Arial", 19));
  EXPECT_LE(cell->Metrics().Height, 19);
  EXPECT_GE(cell->Metrics().Height, 18);

  // Courier New is fixed pitch: every printable ASCII character advances alike.
  TFontRef mono = Device.CreateFont(Desc(u"Courier New", -13));
  EXPECT_TRUE(mono->Metrics().FixedPitch);
  for (char32_t c = 0x20; c < 0x7F; ++c)
    EXPECT_EQ(mono->CharAdvance(c), mono->CharAdvance(U'M')) << static_cast<int>(c);
  EXPECT_FALSE(Device.CreateFont(Desc(u"Arial", -13))->Metrics().FixedPitch);
  // Bold is wider.
  EXPECT_GT(Device.CreateFont(Desc(u"Arial", -16, FW_BOLD))->TextWidth(u"Text"),
            Device.CreateFont(Desc(u"Arial", -16))->TextWidth(u"Text"));
}

// Tahoma asks for its typographic metrics, which are smaller than the cell
// Windows gives it; the cell follows Windows (11 pixels: 11 + 2, as the tab
// strip's row height of 19 assumes), and text sits on that baseline.
TEST_F(QtSurfaceTest, TahomaCellIsTheWindowsOne) {
  if (!TahomaRegistered()) GTEST_SKIP() << "Tahoma is not installed";
  for (int weight : {FW_NORMAL, FW_BOLD}) {
    TFontRef f = Device.CreateFont(Desc(u"Tahoma", -11, weight));
    const TTextMetric& m = f->Metrics();
    EXPECT_EQ(m.Ascent, 11) << weight;
    EXPECT_EQ(m.Descent, 2) << weight;
    EXPECT_EQ(m.InternalLeading, 2) << weight;

    auto b = Bitmap(40, 20);
    TSurface& s = b->Canvas();
    s.SetFont(Desc(u"Tahoma", -11, weight));
    s.SetBkMode(TBkMode::bkTransparent);
    s.TextOut(2, 0, u"H");
    int bottom = -1;  // last row with ink
    for (int y = 0; y < 20; ++y)
      for (int x = 0; x < 40; ++x)
        if (b->GetPixel(x, y) != clWhite) bottom = y;
    EXPECT_EQ(bottom, m.Ascent - 1) << weight;
  }
  // Faces without the flag keep their metrics (Arial: Liberation Sans).
  TFontRef arial = Device.CreateFont(Desc(u"Arial", -11));
  EXPECT_EQ(arial->Metrics().Height, 13);
}

// A bold face draws heavier stems than the regular one: more ink across
// the middle row of an "l". Wine's Tahoma Bold has regular stems of
// its own (one pixel at 11 pixels), so the surface overstrikes it.
TEST_F(QtSurfaceTest, BoldStemsAreHeavierThanRegularOnes) {
  struct TCase {
    std::u16string Face;
    int Height;
  };
  std::vector<TCase> cases{{u"Arial", -12}, {u"Times New Roman", -16}};
  if (TahomaRegistered()) cases.insert(cases.end(), {{u"Tahoma", -11}, {u"Tahoma", -14}});
  auto inkInMiddleRow = [&](const TFontDesc& desc) {
    auto b = Bitmap(40, 30);
    TSurface& s = b->Canvas();
    s.SetFont(desc);
    s.SetBkMode(TBkMode::bkTransparent);
    s.TextOut(10, 2, u"l");
    const int row = 2 + s.Font()->Metrics().Ascent / 2;
    int ink = 0;
    for (int x = 0; x < 40; ++x) ink += 255 - GetRValue(b->GetPixel(x, row));
    return ink;
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(Narrow(c.Face) + " " + std::to_string(c.Height));
    // A third more at least: one more pixel on a stem of one or two.
    EXPECT_GT(inkInMiddleRow(Desc(c.Face, c.Height, FW_BOLD)) * 3,
              inkInMiddleRow(Desc(c.Face, c.Height)) * 4);
  }
}

// A string drawn at x ends where its measured extent says: the ink stops at
// x + extent - C of the last character, and drawing the string in two parts
// at the measured split gives the same pixels as drawing it whole.
TEST_F(QtSurfaceTest, MeasuredExtentEqualsDrawnExtent) {
  struct TCase {
    TFontDesc Font;
    std::u16string Text;
  };
  const std::vector<TCase> cases{{Desc(u"Arial", -16), u"Hello, world"},
                                 {Desc(u"Times New Roman", -16), u"WAVE of text"},
                                 {Desc(u"Times New Roman", -20, FW_NORMAL, true), u"italic fifi"},
                                 {Desc(u"Courier New", -13), u"mono 1234 ;-)"},
                                 {Desc(u"Arial", -12, FW_BOLD), u"Bold HTML"},
                                 {Desc(u"Tahoma", -11), u"Text HTML tabs"}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(Narrow(c.Font.Face) + " " + Narrow(c.Text));
    auto whole = Bitmap(400, 40);
    TSurface& s = whole->Canvas();
    s.SetFont(c.Font);
    s.SetBkMode(TBkMode::bkTransparent);
    const int x = 20;
    const int extent = s.GetTextExtentPoint(c.Text).cx;
    s.TextOut(x, 5, c.Text);
    TInk ink = FindInk(*whole, 0, 40);
    TABC first, last;
    s.GetCharABCWidths(c.Text.front(), first);
    s.GetCharABCWidths(c.Text.back(), last);
    EXPECT_NEAR(ink.Right, x + extent - last.C, 1);
    EXPECT_NEAR(ink.Left, x + first.A, 1);

    // Whole versus two parts placed by measuring.
    auto parts = Bitmap(400, 40);
    TSurface& p = parts->Canvas();
    p.SetFont(c.Font);
    p.SetBkMode(TBkMode::bkTransparent);
    size_t split = c.Text.size() / 2;
    std::u16string head = c.Text.substr(0, split), tail = c.Text.substr(split);
    p.TextOut(x, 5, head);
    p.TextOut(x + p.GetTextExtentPoint(head).cx, 5, tail);
    EXPECT_EQ(whole->GetPixels(), parts->GetPixels());
  }
}

TEST_F(QtSurfaceTest, OutputAtGivenAdvancesIsExact) {
  auto b = Bitmap(200, 30);
  TSurface& s = b->Canvas();
  s.SetFont(Desc(u"Arial", -16));
  s.SetBkMode(TBkMode::bkTransparent);
  const int dx[] = {23, 23, 23, 23};
  s.ExtTextOut(10, 5, 0, nullptr, u"IIII", dx);
  // The left ink edges of the four glyphs, 23 pixels apart.
  std::vector<int> starts;
  for (int x = 1; x < 200; ++x)
    if (b->GetPixel(x, 15) != clWhite && b->GetPixel(x - 1, 15) == clWhite) starts.push_back(x);
  ASSERT_EQ(starts.size(), 4u);
  for (size_t i = 1; i < starts.size(); ++i) EXPECT_EQ(starts[i] - starts[i - 1], 23);
}

TEST_F(QtSurfaceTest, JustificationShiftsTheTextAfterEachSpace) {
  auto plain = Bitmap(200, 30), justified = Bitmap(200, 30);
  for (auto* b : {plain.get(), justified.get()}) {
    b->Canvas().SetFont(Desc(u"Arial", -16));
    b->Canvas().SetBkMode(TBkMode::bkTransparent);
  }
  justified->Canvas().SetTextJustification(10, 1);
  plain->Canvas().TextOut(5, 5, u"ab cd");
  justified->Canvas().TextOut(5, 5, u"ab cd");
  const int split = 5 + plain->Canvas().GetTextExtentPoint(u"ab ").cx;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x + 10 < 200; ++x) {
      TColor expected = x < split ? plain->GetPixel(x, y) : plain->GetPixel(x - 10, y);
      if (x >= split && x < split + 10) expected = clWhite;
      ASSERT_EQ(justified->GetPixel(x, y), expected) << x << "," << y;
    }
}

TEST_F(QtSurfaceTest, ClipsAndRestores) {
  auto b = Bitmap(60, 60);
  TSurface& s = b->Canvas();
  int level = s.SaveDC();
  s.IntersectClipRect({10, 10, 20, 20});
  s.FillRect({0, 0, 60, 60}, clRed);
  EXPECT_EQ(b->GetPixel(10, 10), clRed);
  EXPECT_EQ(b->GetPixel(19, 19), clRed);
  EXPECT_EQ(b->GetPixel(20, 19), clWhite);
  EXPECT_EQ(b->GetPixel(9, 10), clWhite);
  s.RestoreDC(level);
  TRegion round = TRegion::Ellipse({30, 30, 60, 60});
  s.SelectClipRegion(&round);
  s.FillRect({0, 0, 60, 60}, clBlue);
  s.SelectClipRegion(nullptr);
  EXPECT_EQ(b->GetPixel(45, 45), clBlue);
  EXPECT_EQ(b->GetPixel(31, 31), clWhite);
  EXPECT_EQ(b->GetPixel(0, 0), clWhite);
  // Every pixel follows the region exactly.
  for (int y = 30; y < 60; ++y)
    for (int x = 30; x < 60; ++x)
      ASSERT_EQ(b->GetPixel(x, y) == clBlue, round.Contains(x, y)) << x << "," << y;

  // Clipped text leaves no ink outside its rectangle.
  auto t = Bitmap(100, 30);
  TSurface& ts = t->Canvas();
  ts.SetFont(Desc(u"Arial", -16));
  TRect r{10, 0, 40, 30};
  ts.SetBkColor(clWhite);
  ts.ExtTextOut(10, 5, ETO_CLIPPED | ETO_OPAQUE, &r, u"WWWWWWW", nullptr);
  TInk ink = FindInk(*t, 0, 30);
  EXPECT_GE(ink.Left, 10);
  EXPECT_EQ(ink.Right, 40);
}

TEST_F(QtSurfaceTest, MaskedStretchedAndInvertingCopies) {
  auto picture = Bitmap(2, 2);
  picture->SetPixels({clRed, clLime, clBlue, clYellow});
  auto mask = Device.CreateMask(2, 2);
  mask->SetPixel(1, 0, clWhite);
  auto b = Bitmap(40, 20);
  TSurface& s = b->Canvas();
  s.FillRect({0, 0, 40, 20}, clGray);
  s.MaskedStretchBlt(10, 10, 4, 4, *picture, *mask, 0, 0, 2, 2);
  EXPECT_EQ(b->GetPixel(10, 10), clRed);
  EXPECT_EQ(b->GetPixel(11, 11), clRed);
  EXPECT_EQ(b->GetPixel(12, 10), clGray);
  EXPECT_EQ(b->GetPixel(13, 11), clGray);
  EXPECT_EQ(b->GetPixel(10, 13), clBlue);
  EXPECT_EQ(b->GetPixel(13, 13), clYellow);
  s.BitBlt(0, 0, 2, 2, *picture, 0, 0);
  EXPECT_EQ(b->GetPixel(1, 1), clYellow);

  std::vector<TColor> before = b->GetPixels();
  s.DrawFocusRect({2, 2, 30, 9});
  EXPECT_NE(b->GetPixels(), before);
  s.DrawFocusRect({2, 2, 30, 9});
  EXPECT_EQ(b->GetPixels(), before);
  s.InvertRect({0, 0, 1, 1});
  EXPECT_EQ(b->GetPixel(0, 0), clAqua);  // red inverted

  s.SetPen({TPenStyle::psSolid, 1, clBlack});
  s.MoveTo(0, 19);
  s.LineTo(10, 19);
  EXPECT_EQ(b->GetPixel(9, 19), clBlack);
  EXPECT_EQ(b->GetPixel(10, 19), clGray);
}

TEST_F(QtSurfaceTest, DecodedPngKeepsItsTransparencyAsMask) {
  QImage image(2, 1, QImage::Format_ARGB32);
  image.setPixel(0, 0, qRgba(255, 0, 0, 255));
  image.setPixel(1, 0, qRgba(0, 0, 0, 0));
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  ASSERT_TRUE(image.save(&buffer, "PNG"));
  TDecodedImage d = Device.DecodeImage(std::string_view(png.constData(), png.size()));
  ASSERT_TRUE(d.Bitmap);
  ASSERT_TRUE(d.Mask);
  EXPECT_EQ(d.Format, TDecodedImage::TFormat::ifPng);
  EXPECT_EQ(d.Bitmap->GetPixel(0, 0), clRed);
  EXPECT_EQ(d.Mask->GetPixel(0, 0), clBlack);
  EXPECT_EQ(d.Mask->GetPixel(1, 0), clWhite);
  EXPECT_FALSE(Device.DecodeImage("not a picture").Bitmap);
}

std::string Encode(const QImage& image, const char* format) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  EXPECT_TRUE(image.save(&buffer, format)) << format;
  return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

// A 1 x 1 GIF with a red and blue palette and two frames: red, then blue.
std::string TwoFrameGif() {
  std::string gif("GIF89a\x01\x00\x01\x00\x80\x00\x00"  // 1 x 1, 2-colour global palette
                  "\xFF\x00\x00\x00\x00\xFF",           // red, blue
                  19);
  const char redFrame[] = "\x2C\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00";
  const char blueFrame[] = "\x2C\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x4C\x01\x00";
  gif.append(redFrame, 15);
  gif.append(blueFrame, 15);
  return gif + ";";
}

TEST_F(QtSurfaceTest, OpaqueDecodingOfTheFourFormats) {
  QImage image(3, 2, QImage::Format_RGB32);
  const QRgb colours[] = {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255),
                          qRgb(255, 255, 255), qRgb(0, 0, 0), qRgb(255, 255, 0)};
  for (int i = 0; i < 6; ++i) image.setPixel(i % 3, i / 3, colours[i]);
  const std::vector<TColor> expected{clRed, clLime, clBlue, clWhite, clBlack, clYellow};
  for (auto [format, name] : {std::pair{TImageFormat::ifPng, "PNG"}, {TImageFormat::ifBmp, "BMP"}}) {
    TSize declared{};
    auto b = Device.DecodeOpaqueImage(Encode(image, name), format, [&](int w, int h) {
      declared = {w, h};
      return true;
    });
    ASSERT_TRUE(b) << name;
    EXPECT_EQ(declared, (TSize{3, 2}));
    EXPECT_FALSE(b->Monochrome());
    EXPECT_EQ(b->GetPixels(), expected) << name;
  }
  // JPEG is lossy: the size and roughly the colour.
  QImage red(8, 8, QImage::Format_RGB32);
  red.fill(qRgb(255, 0, 0));
  auto jpeg = Device.DecodeOpaqueImage(Encode(red, "JPEG"), TImageFormat::ifJpeg, nullptr);
  ASSERT_TRUE(jpeg);
  EXPECT_EQ(jpeg->Width(), 8);
  TColor c = jpeg->GetPixel(4, 4);
  EXPECT_GT(GetRValue(c), 240);
  EXPECT_LT(GetGValue(c), 16);
  // GIF: the first frame only.
  auto gif = Device.DecodeOpaqueImage(TwoFrameGif(), TImageFormat::ifGif, nullptr);
  ASSERT_TRUE(gif);
  EXPECT_EQ(gif->Width(), 1);
  EXPECT_EQ(gif->GetPixel(0, 0), clRed);
}

// An SVG drawing is rendered over white at the size its root element
// gives: width and height, else the viewBox; the size check sees it first.
TEST_F(QtSurfaceTest, OpaqueDecodingOfSvgDrawings) {
  struct TCase {
    const char* Root;
    TSize Size;
  };
  const TCase cases[] = {
      {"<svg xmlns='http://www.w3.org/2000/svg' width='10' height='4' viewBox='0 0 20 8'>", {10, 4}},
      {"<svg xmlns='http://www.w3.org/2000/svg' viewBox='0 0 20 8'>", {20, 8}},
  };
  for (const TCase& c : cases) {
    // A blue left half and nothing (white) in the right half.
    const std::string svg = std::string(c.Root) +
                            "<rect x='0' y='0' width='10' height='8' fill='#0000FF'/></svg>";
    TSize declared{};
    auto b = Device.DecodeOpaqueImage(svg, TImageFormat::ifSvg, [&](int w, int h) {
      declared = {w, h};
      return true;
    });
    ASSERT_TRUE(b) << c.Root;
    EXPECT_EQ(declared, c.Size) << c.Root;
    EXPECT_EQ(b->Width(), c.Size.cx);
    EXPECT_EQ(b->Height(), c.Size.cy);
    EXPECT_EQ(b->GetPixel(1, 1), clBlue) << c.Root;
    EXPECT_EQ(b->GetPixel(c.Size.cx - 1, c.Size.cy - 1), clWhite) << c.Root;
  }
  // Refused by the check, not a drawing, or without a size: no picture.
  const std::string square = "<svg xmlns='http://www.w3.org/2000/svg' width='5' height='5'/>";
  EXPECT_FALSE(Device.DecodeOpaqueImage(square, TImageFormat::ifSvg, [](int, int) { return false; }));
  EXPECT_FALSE(Device.DecodeOpaqueImage("<svg <<", TImageFormat::ifSvg, nullptr));
  EXPECT_FALSE(Device.DecodeOpaqueImage("<svg xmlns='http://www.w3.org/2000/svg' width='0'/>",
                                        TImageFormat::ifSvg, nullptr));
}

// Transparent pixels come out white, translucent ones blended over white.
TEST_F(QtSurfaceTest, OpaqueDecodingBlendsAlphaOverWhite) {
  QImage image(3, 1, QImage::Format_ARGB32);
  image.setPixel(0, 0, qRgba(255, 0, 0, 255));
  image.setPixel(1, 0, qRgba(0, 0, 0, 0));
  image.setPixel(2, 0, qRgba(0, 0, 0, 128));
  auto b = Device.DecodeOpaqueImage(Encode(image, "PNG"), TImageFormat::ifPng, nullptr);
  ASSERT_TRUE(b);
  EXPECT_EQ(b->GetPixel(0, 0), clRed);
  EXPECT_EQ(b->GetPixel(1, 0), clWhite);
  TColor half = b->GetPixel(2, 0);
  EXPECT_NEAR(GetRValue(half), 127, 2);
  EXPECT_EQ(GetRValue(half), GetBValue(half));
}

// Only the named reader reads: data of another format fails even when Qt
// could read it.
TEST_F(QtSurfaceTest, OpaqueDecodingUsesTheNamedFormatOnly) {
  QImage image(2, 2, QImage::Format_RGB32);
  image.fill(qRgb(0, 0, 255));
  struct TCase {
    std::string Data;
    TImageFormat Format;
  };
  const TCase cases[] = {
      {Encode(image, "PNG"), TImageFormat::ifGif},
      {Encode(image, "BMP"), TImageFormat::ifPng},
      {Encode(image, "PNG"), TImageFormat::ifJpeg},
      {Encode(image, "XPM"), TImageFormat::ifPng},
      {Encode(image, "PPM"), TImageFormat::ifBmp},
      {Encode(image, "PNG"), TImageFormat::ifUnknown},
  };
  for (const TCase& c : cases) {
    bool asked = false;
    EXPECT_FALSE(Device.DecodeOpaqueImage(c.Data, c.Format, [&](int, int) {
      asked = true;
      return true;
    }));
    EXPECT_FALSE(asked);
  }
}

std::uint32_t Crc32(std::string_view bytes) {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (char ch : bytes) {
    crc ^= static_cast<unsigned char>(ch);
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

// The size comes from the header; a refusal stops before the pixels.
TEST_F(QtSurfaceTest, OpaqueDecodingAsksBeforeDecoding) {
  QImage image(4, 3, QImage::Format_RGB32);
  image.fill(qRgb(0, 255, 0));
  std::string png = Encode(image, "PNG");
  // The same file declaring 60000 x 60000 (CRC mended), padded to 1 KB.
  std::string huge = png;
  for (size_t at : {size_t{16}, size_t{20}}) {
    huge[at] = 0;
    huge[at + 1] = 0;
    huge[at + 2] = static_cast<char>(0xEA);
    huge[at + 3] = static_cast<char>(0x60);
  }
  std::uint32_t crc = Crc32(std::string_view(huge).substr(12, 17));
  for (size_t i = 0; i < 4; ++i) huge[29 + i] = static_cast<char>((crc >> (24 - 8 * i)) & 0xFF);
  huge.resize(1024, '\0');
  struct TCase {
    std::string Data;
    TSize Declared;
  };
  for (const TCase& c : {TCase{png, {4, 3}}, TCase{huge, {60000, 60000}}}) {
    TSize declared{};
    EXPECT_FALSE(Device.DecodeOpaqueImage(c.Data, TImageFormat::ifPng, [&](int w, int h) {
      declared = {w, h};
      return false;
    }));
    EXPECT_EQ(declared, c.Declared);
  }
  EXPECT_TRUE(Device.DecodeOpaqueImage(png, TImageFormat::ifPng, nullptr));
  EXPECT_FALSE(Device.DecodeOpaqueImage(png.substr(0, 12), TImageFormat::ifPng, nullptr));
}

// On a target of two device pixels per pixel, sizes stay in pixels and text
// is drawn at the device's resolution: some 2x2 block of device pixels under
// the ink is not one colour, as it would be for text drawn at one device
// pixel per pixel and scaled up. The same holds for text drawn into an
// off-screen bitmap of that surface and copied back.
TEST_F(QtSurfaceTest, HighDensityTargetGetsSharpText) {
  auto hasSplitBlock = [](const QImage& img) {
    for (int y = 0; y + 1 < img.height(); y += 2)
      for (int x = 0; x + 1 < img.width(); x += 2) {
        const QRgb p = img.pixel(x, y);
        if (img.pixel(x + 1, y) != p || img.pixel(x, y + 1) != p || img.pixel(x + 1, y + 1) != p)
          return true;
      }
    return false;
  };
  // Tahoma has bitmaps for small sizes, which a scaled painter would enlarge.
  const TFontDesc font = TahomaRegistered() ? Desc(u"Tahoma", -11) : Desc(u"Arial", -12);
  for (bool viaBuffer : {false, true}) {
    SCOPED_TRACE(viaBuffer ? "through a compatible bitmap" : "directly");
    QImage img(240, 60, QImage::Format_RGB32);
    img.setDevicePixelRatio(2);
    img.fill(Qt::white);
    {
      TQtSurface target(Device, img, false);
      EXPECT_EQ(target.Size().cx, 120);
      EXPECT_EQ(target.Size().cy, 30);
      if (viaBuffer) {
        std::unique_ptr<TBitmap> buffer = target.CreateCompatibleBitmap(120, 30);
        EXPECT_EQ(buffer->Width(), 120);
        EXPECT_EQ(buffer->Height(), 30);
        buffer->Canvas().SetFont(font);
        buffer->Canvas().TextOut(4, 4, u"Sharp text");
        target.BitBlt(0, 0, 120, 30, *buffer, 0, 0, TRop::ropSrcCopy);
      } else {
        target.SetFont(font);
        target.TextOut(4, 4, u"Sharp text");
      }
    }
    EXPECT_TRUE(hasSplitBlock(img));
    // The ink stays where the pixel metrics put it: within the first 80 pixels.
    bool inkPastText = false;
    for (int y = 0; y < img.height(); ++y)
      for (int x = 2 * 80; x < img.width(); ++x) inkPastText |= img.pixel(x, y) != qRgb(255, 255, 255);
    EXPECT_FALSE(inkPastText);
  }
}

// Characters the face lacks: an emoji is drawn in colour from the colour
// emoji face, and a glyph from a fallback face stays inside the clip
// rectangle it is drawn with even when the face's cell is taller.
TEST_F(QtSurfaceTest, FallbackGlyphsEmojiInColourAndClipped) {
  {
    auto b = Bitmap(60, 30);
    TSurface& s = b->Canvas();
    s.SetFont(Desc(u"Courier New", -13));
    s.SetBkMode(TBkMode::bkTransparent);
    s.TextOut(4, 4, u"\U0001F600");
    bool coloured = false;
    for (TColor c : b->GetPixels())
      coloured |= GetRValue(c) != GetBValue(c) || GetGValue(c) != GetBValue(c);
    EXPECT_TRUE(coloured || !Device.FontInstalled(u"Noto Color Emoji"));
  }
  for (std::u16string text : {std::u16string(u"\u4E2D\u6587"), std::u16string(u"\U0001F600"),
                              std::u16string(u"\u2588\u2588")}) {
    auto b = Bitmap(60, 40);
    TSurface& s = b->Canvas();
    s.SetFont(Desc(u"Courier New", -13));
    s.SetBkMode(TBkMode::bkTransparent);
    const TRect row{0, 9, 60, 9 + s.Font()->Metrics().Height};  // the font's own cell
    s.ExtTextOut(4, 9, ETO_CLIPPED, &row, text, nullptr);
    int outside = 0;
    for (int y = 0; y < 40; ++y)
      for (int x = 0; x < 60; ++x) outside += (y < row.Top || y >= row.Bottom) && b->GetPixel(x, y) != clWhite;
    EXPECT_EQ(outside, 0) << Narrow(text);
  }
}

// A combining mark is drawn over the character before it: as the faces'
// precomposed letter when there is one, else centred over its advance.
TEST_F(QtSurfaceTest, CombiningMarksStandOnTheirBase) {
  auto draw = [&](std::u16string_view text, std::vector<int> dx) {
    auto b = Bitmap(40, 24);
    TSurface& s = b->Canvas();
    s.SetFont(Desc(u"Courier New", -13));
    s.SetBkMode(TBkMode::bkTransparent);
    s.ExtTextOut(10, 4, 0, nullptr, text, dx.data());
    return b;
  };
  EXPECT_EQ(draw(u"e\u0301", {8, 0})->GetPixels(), draw(u"\u00E9", {8})->GetPixels());
  EXPECT_EQ(draw(u"E\u0308x", {8, 0, 8})->GetPixels(), draw(u"\u00CBx", {8, 8})->GetPixels());
  // q with an acute has no precomposed letter: the mark's ink is over the q's
  // cell and above it.
  auto plain = draw(u"q", {8});
  auto marked = draw(u"q\u0301", {8, 0});
  int qTop = 24;
  for (int y = 0; y < 24 && qTop == 24; ++y)
    for (int x = 0; x < 40; ++x)
      if (plain->GetPixel(x, y) != clWhite) qTop = y;
  int above = 0;
  for (int y = 0; y < 24; ++y)
    for (int x = 0; x < 40; ++x) {
      if (marked->GetPixel(x, y) == plain->GetPixel(x, y)) continue;
      EXPECT_TRUE(x >= 10 && x < 18) << "mark ink at " << x << "," << y;
      above += y < qTop;
    }
  EXPECT_GT(above, 0);
}

}  // namespace
}  // namespace tav
