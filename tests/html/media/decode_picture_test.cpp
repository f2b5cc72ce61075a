// What reaches the device's picture decoder, and what comes back.
#include "html/media/decode_picture.h"

#include <gtest/gtest.h>

#include "picture_bytes.h"
#include "platform/testing/fixed_metrics_device.h"

namespace tav {
namespace {

// The fixed-metrics device, with every decode request and the size check's
// answer recorded. `Oversize` makes it ignore the check and hand back a
// bitmap of that size instead.
class TSpyDevice : public TGraphicsDevice {
public:
  TFontRef CreateFont(const TFontDesc& desc) override { return FInner.CreateFont(desc); }
  bool FontInstalled(std::u16string_view f) const override { return FInner.FontInstalled(f); }
  int PixelsPerInch() const override { return 96; }
  int BitsPerPixel() const override { return 32; }
  std::unique_ptr<TBitmap> CreateBitmap(int w, int h) override { return FInner.CreateBitmap(w, h); }
  std::unique_ptr<TBitmap> CreateMask(int w, int h) override { return FInner.CreateMask(w, h); }
  TDecodedImage DecodeImage(std::string_view data) override { return FInner.DecodeImage(data); }
  std::unique_ptr<TBitmap> DecodeOpaqueImage(std::string_view data, TImageFormat format,
                                             const TImageSizeCheck& check) override {
    ++Calls;
    LastFormat = format;
    if (Oversize.cx > 0) return FInner.CreateBitmap(Oversize.cx, Oversize.cy);
    return FInner.DecodeOpaqueImage(data, format, [&](int w, int h) {
      Declared = {w, h};
      CheckAnswer = check(w, h);
      return CheckAnswer;
    });
  }

  int Calls = 0;
  TImageFormat LastFormat = TImageFormat::ifUnknown;
  TSize Declared{-1, -1};
  bool CheckAnswer = false;
  TSize Oversize{0, 0};

private:
  TFixedMetricsDevice FInner;
};

std::string Padded(std::string head, std::size_t size) {
  head.resize(size, 'x');
  return head;
}

TEST(DecodePictureTest, SniffsOnlyTheFourFormatsAndSvg) {
  struct TCase {
    std::string Data;
    TImageFormat Format;
  };
  const TCase cases[] = {
      {"GIF87a", TImageFormat::ifGif},
      {"GIF89a", TImageFormat::ifGif},
      {"GIF8", TImageFormat::ifGif},
      {"BM", TImageFormat::ifBmp},
      {"\x89PNG\r\n", TImageFormat::ifPng},
      {"\xFF\xD8\xFF", TImageFormat::ifJpeg},
      {"GIF7", TImageFormat::ifUnknown},
      {"\x89PNx", TImageFormat::ifUnknown},
      {"\xFF\xD9", TImageFormat::ifUnknown},
      {"/* XPM */", TImageFormat::ifUnknown},
      {"<svg xmlns='http://www.w3.org/2000/svg'>", TImageFormat::ifSvg},
      {"\xEF\xBB\xBF <?xml version='1.0'?>\n<!-- drawn -->\n<!DOCTYPE svg PUBLIC 'x'>\n<SVG>",
       TImageFormat::ifSvg},
      {"<svg:svg xmlns:svg='x'>", TImageFormat::ifSvg},
      {"<html><svg></svg></html>", TImageFormat::ifUnknown},
      {"<?xml version='1.0'?><svgx>", TImageFormat::ifUnknown},
      {"<!-- <svg> -->", TImageFormat::ifUnknown},
      {"<svg", TImageFormat::ifUnknown},
      {"P1\n2 2\n", TImageFormat::ifUnknown},  // PBM
      {"B", TImageFormat::ifUnknown},
      {"", TImageFormat::ifUnknown},
  };
  for (const TCase& c : cases) EXPECT_EQ(SniffPicture(c.Data), c.Format) << c.Data;
}

// Only sniffed data of at least 20 bytes is handed to the device, and only
// in the sniffed format.
TEST(DecodePictureTest, FrontEndDecidesWhatReachesTheDecoder) {
  struct TCase {
    std::string Data;
    int Calls;
    TImageFormat Format;
  };
  const TCase cases[] = {
      {Padded("GIF89a", 19), 0, TImageFormat::ifUnknown},
      {Padded("GIF89a", 20), 1, TImageFormat::ifGif},
      {Padded("\x89PNG", 20), 1, TImageFormat::ifPng},
      {Padded("\xFF\xD8", 20), 1, TImageFormat::ifJpeg},
      {Padded("BM", 20), 1, TImageFormat::ifBmp},
      {Padded("/* XPM */\nstatic char* x[] = {", 40), 0, TImageFormat::ifUnknown},
      {"<svg></svg>", 0, TImageFormat::ifUnknown},
      {Padded("<svg width='9'></svg>", 40), 1, TImageFormat::ifSvg},
      {Padded("P6 2 2 255 ", 40), 0, TImageFormat::ifUnknown},
  };
  for (const TCase& c : cases) {
    TSpyDevice device;
    EXPECT_FALSE(DecodePicture(device, c.Data));
    EXPECT_EQ(device.Calls, c.Calls) << c.Data;
    EXPECT_EQ(device.LastFormat, c.Format) << c.Data;
  }
}

// The test device sizes a drawing from its root element and fills it with
// its first colour; a size outside the budget is refused from the header.
TEST(DecodePictureTest, SvgTakesItsSizeFromWidthHeightOrViewBox) {
  struct TCase {
    const char* Root;
    TSize Size;  // {0, 0}: no picture
  };
  const TCase cases[] = {
      {"<svg width='30' height='20'>", {30, 20}},
      {"<svg width=\"30px\" viewBox=\"0 0 60 20\">", {30, 10}},
      {"<svg height='10' viewBox='0,0,60,20'>", {30, 10}},
      {"<svg viewBox='0 0 8 4'>", {8, 4}},
      {"<svg xmlns='http://www.w3.org/2000/svg'>", {0, 0}},
      {"<svg width='20000' height='20000'>", {0, 0}},
  };
  for (const TCase& c : cases) {
    TFixedMetricsDevice device;
    const std::string data = std::string(c.Root) + "<rect fill=\"#FF8000\"/></svg>";
    auto picture = DecodePicture(device, data);
    if (c.Size.cx == 0) {
      EXPECT_FALSE(picture) << c.Root;
      continue;
    }
    ASSERT_TRUE(picture) << c.Root;
    EXPECT_EQ(picture->Width(), c.Size.cx) << c.Root;
    EXPECT_EQ(picture->Height(), c.Size.cy) << c.Root;
    EXPECT_EQ(picture->GetPixel(0, 0), RGB(0xFF, 0x80, 0x00)) << c.Root;
  }
}

TEST(DecodePictureTest, BudgetLimits) {
  struct TCase {
    int W, H;
    bool Allowed;
  };
  const TCase cases[] = {
      {1, 1, true},           {16384, 4096, true},  {8192, 8192, true},
      {16384, 4097, false},   {8193, 8192, false},  {16385, 1, false},
      {1, 16385, false},      {0, 5, false},        {5, -1, false},
      {60000, 60000, false},  {65535, 65535, false},
  };
  for (const TCase& c : cases)
    EXPECT_EQ(PictureSizeAllowed(c.W, c.H), c.Allowed) << c.W << " x " << c.H;
}

// A small file declaring a huge picture is refused from its header, before
// the decoder allocates anything for it.
TEST(DecodePictureTest, HugeDeclaredSizeIsRefusedFromTheHeader) {
  struct TCase {
    std::string Data;
    TSize Declared;
  };
  const TCase cases[] = {
      {test::MakePngHeader(60000, 60000, 1000), {60000, 60000}},
      {test::MakeBmp(20000, 1, {}) + std::string(1000, '\0'), {20000, 1}},
      {test::MakeBmp(9000, 9000, {}) + std::string(1000, '\0'), {9000, 9000}},
  };
  for (const TCase& c : cases) {
    TSpyDevice device;
    EXPECT_FALSE(DecodePicture(device, c.Data));
    EXPECT_EQ(device.Declared, c.Declared);
    EXPECT_FALSE(device.CheckAnswer);
  }
}

TEST(DecodePictureTest, DecodesWithinTheBudget) {
  TSpyDevice device;
  std::vector<TColor> pixels{clRed, clLime, clBlue, clWhite, clBlack, clYellow};
  auto bitmap = DecodePicture(device, test::MakeBmp(3, 2, pixels));
  ASSERT_TRUE(bitmap);
  EXPECT_TRUE(device.CheckAnswer);
  EXPECT_EQ(bitmap->Width(), 3);
  EXPECT_EQ(bitmap->Height(), 2);
  EXPECT_EQ(bitmap->GetPixels(), pixels);
  // A truncated file passes the check and still fails.
  EXPECT_FALSE(DecodePicture(device, test::MakeBmp(3, 2, {clRed, clRed})));
}

// A decoder that skips the check or gives more than the header declared
// does not get its picture through.
TEST(DecodePictureTest, OversizedDecoderResultIsDropped) {
  TSpyDevice device;
  device.Oversize = {MaxPictureSide + 1, 1};
  EXPECT_FALSE(DecodePicture(device, test::MakeBmp(1, 1, {clRed})));
}

}  // namespace
}  // namespace tav
