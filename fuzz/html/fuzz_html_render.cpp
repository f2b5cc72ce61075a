// Builds, lays out and paints arbitrary documents on the fixed-metrics
// device, and checks the line records (each line lies inside its section
// and line tops never go up), the images and the form controls (in
// position order, each on its placeholder); then asks for the link at a few
// points.
#include <climits>
#include <functional>

#include "fuzz_input.h"
#include "html/builder/builder.h"
#include "html/layout/block.h"
#include "html/layout/document.h"
#include "html/layout/text/section.h"
#include "platform/testing/fixed_metrics_device.h"

namespace {

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

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::u16string text = FuzzText(data, size);
  static tav::TFixedMetricsDevice device;
  tav::TSectionList document(device);
  {
    tav::THtmlBuilder builder(document);
    builder.Parse(text);
  }
  auto canvas = device.CreateSurface(200, 150);
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
