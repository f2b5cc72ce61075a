// Builds, lays out and paints arbitrary documents on the fixed-metrics
// device, and checks the line records (each line lies inside its section
// and line tops never go up), the images and the form controls (in
// position order, each on its placeholder); then asks for the link at a few
// points. Each input gets a new document; only the device (and its font
// cache, whose fonts never change) is shared. Painting goes to a surface
// that sets no pixels (nor do the scratch bitmaps it makes), and inputs are
// read up to kMaxInput bytes: a few KB of HTML reach every construct, and
// longer ones only slow the search.
#include <algorithm>
#include <climits>
#include <functional>
#include <vector>

#include "fuzz_input.h"
#include "html/builder/builder.h"
#include "html/layout/block.h"
#include "html/layout/document.h"
#include "html/layout/text/section.h"
#include "platform/surface_base.h"
#include "platform/testing/fixed_metrics_device.h"

namespace {

constexpr std::size_t kMaxInput = 4096;

class TBlindDevice;

// A surface that keeps the whole drawing state (fonts, colours, clip, state
// stack, origin) and runs the shared geometry of every drawing call, but
// sets no pixel: the painting code runs as on a real surface, without the
// cost of rasterising into a buffer that no check reads.
class TBlindSurface : public tav::TSurfaceBase {
public:
  TBlindSurface(tav::TGraphicsDevice& device, int width, int height)
      : FDevice(device), FSize{width, height} {
    SelectFont(device.CreateFont(DefaultFontDesc()));
  }

  tav::TGraphicsDevice& Device() override { return FDevice; }
  tav::TSize Size() const override { return FSize; }

protected:
  void DevFillRect(const tav::TRect&, tav::TColor) override {}
  void DevInvertRect(const tav::TRect&) override {}
  void DevBlendRect(const tav::TRect&, tav::TColor, int) override {}
  void DevFillRegion(const tav::TRegion&, tav::TColor) override {}
  void DevDrawGlyphs(const TGlyphRun&) override {}
  void DevCopy(const tav::TRect&, tav::TBitmap&, const tav::TRect&, tav::TRop) override {}

private:
  tav::TGraphicsDevice& FDevice;
  tav::TSize FSize;
};

// A bitmap of a size with a blind canvas: what painting makes for itself
// (the scratch bitmaps of masked and tiled drawing) costs no pixel work.
class TBlindBitmap : public tav::TBitmap {
public:
  TBlindBitmap(tav::TGraphicsDevice& device, int width, int height, bool monochrome)
      : FCanvas(device, std::max(width, 0), std::max(height, 0)), FMonochrome(monochrome) {}
  int Width() const override { return FCanvas.Size().cx; }
  int Height() const override { return FCanvas.Size().cy; }
  bool Monochrome() const override { return FMonochrome; }
  tav::TSurface& Canvas() override { return FCanvas; }
  tav::TColor GetPixel(int, int) const override { return 0; }
  void SetPixel(int, int, tav::TColor) override {}

private:
  TBlindSurface FCanvas;
  bool FMonochrome;
};

// The fixed-metrics device for fonts and pictures, with blind bitmaps for
// what the surface is asked to make. The document keeps the fixed device:
// its pictures and icons are real bitmaps.
class TBlindDevice : public tav::TGraphicsDevice {
public:
  explicit TBlindDevice(tav::TGraphicsDevice& fonts) : FFonts(fonts) {}
  tav::TFontRef CreateFont(const tav::TFontDesc& desc) override { return FFonts.CreateFont(desc); }
  bool FontInstalled(std::u16string_view family) const override {
    return FFonts.FontInstalled(family);
  }
  int PixelsPerInch() const override { return FFonts.PixelsPerInch(); }
  int BitsPerPixel() const override { return FFonts.BitsPerPixel(); }
  std::unique_ptr<tav::TBitmap> CreateBitmap(int width, int height) override {
    return std::make_unique<TBlindBitmap>(*this, width, height, false);
  }
  std::unique_ptr<tav::TBitmap> CreateMask(int width, int height) override {
    return std::make_unique<TBlindBitmap>(*this, width, height, true);
  }
  tav::TDecodedImage DecodeImage(std::string_view data) override { return FFonts.DecodeImage(data); }
  std::unique_ptr<tav::TBitmap> DecodeOpaqueImage(std::string_view data, tav::TImageFormat format,
                                                  const tav::TImageSizeCheck& check) override {
    return FFonts.DecodeOpaqueImage(data, format, check);
  }

private:
  tav::TGraphicsDevice& FFonts;
};

void CheckLines(tav::TCellBasic& cell) {
  for (auto& item : cell.Items) {
    if (auto* block = dynamic_cast<tav::TBlock*>(item.get())) {
      CheckLines(*block->MyCell);
    } else if (auto* s = dynamic_cast<tav::TSection*>(item.get())) {
      int lastTop = INT_MIN;
      for (const tav::LineRec& line : s->Lines) {
        Check(line.Start >= 0 && line.Ln >= 0);
        Check(static_cast<long long>(line.Start) + line.Ln <= static_cast<long long>(s->Buff.size()));
        Check(line.Y >= lastTop);
        lastTop = line.Y;
      }
      int lastPos = -1;
      for (const auto& image : s->Images.Items) {
        Check(image->Pos > lastPos && image->Pos < static_cast<int>(s->Buff.size()));
        Check(s->Buff[static_cast<std::size_t>(image->Pos)] == tav::ImageChar);
        Check(image->ImageWidth >= 0 && image->ImageHeight >= 0);
        lastPos = image->Pos;
      }
      lastPos = -1;
      for (const tav::TFormControlObj* control : s->FormControls.Items) {
        Check(control->Pos > lastPos && control->Pos < static_cast<int>(s->Buff.size()));
        Check(s->Buff[static_cast<std::size_t>(control->Pos)] == tav::FmCtlChar);
        Check(control->Width >= 0 && control->Height >= 0);
        lastPos = control->Pos;
      }
    }
  }
}

}  // namespace

// Every input runs through thousands of coverage features. With libFuzzer's
// default, a feature counts as rare until it was seen 255 times, and keeping
// the counts of so many rare features costs the fuzzer several times the run
// itself for the first many thousand inputs. A lower threshold keeps the
// rarity-driven scheduling at a fraction of the cost. Put before the caller's
// own flags, so that those win.
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  static char threshold[] = "-entropic_feature_frequency_threshold=16";
  static std::vector<char*> args;
  args.assign(*argv, *argv + *argc);
  args.insert(args.begin() + (args.empty() ? 0 : 1), threshold);
  args.push_back(nullptr);
  *argc = static_cast<int>(args.size()) - 1;
  *argv = args.data();
  return 0;
}

// Each input builds a fresh document of many small allocations. A smaller
// quarantine lets freed memory be reused soon instead of faulting in new
// pages (a document of a few KB of HTML frees far less than this, so a use
// after free within an input is still caught), and shorter allocation
// stacks halve the cost of each allocation. ASAN_OPTIONS still overrides
// these, e.g. for full stacks when studying a crash.
extern "C" const char* __asan_default_options() {
  return "quarantine_size_mb=32:malloc_context_size=8";
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  size = std::min(size, kMaxInput);
  std::u16string text = FuzzText(data, size);
  static tav::TFixedMetricsDevice device;
  static TBlindDevice blind(device);
  tav::TSectionList document(device);
  {
    tav::THtmlBuilder builder(document);
    builder.Parse(text);
  }
  auto canvas = std::make_unique<TBlindSurface>(blind, 200, 150);
  int scrollWidth = 0;
  const int width = 20 + static_cast<int>(size % 300);
  document.DoLogic(*canvas, width, 150, scrollWidth);
  CheckLines(document);
  document.Selection.SelB = 3;
  document.Selection.SelE = 40;
  document.Draw(*canvas, tav::TRect{0, 0, 200, 150}, 6000, 0, 0);
  document.PaintPass.YOff = 100;
  document.Draw(*canvas, tav::TRect{0, 0, 200, 150}, 6000, 0, 0);
  for (int y = 0; y < 300; y += 7) {
    tav::TLinkHit hit;
    document.GetURL(*canvas, (y * 13) % width, y, hit);
  }
  return 0;
}
