// Parses arbitrary STYLE attribute values into a property set and reads it
// as the layout would: font, box values, line height, indent, position.
#include "fuzz_input.h"
#include "html/css/properties.h"
#include "html/css/style_parser.h"
#include "platform/testing/fixed_metrics_device.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static tav::TFixedMetricsDevice device;
  tav::TProperties parent(device);
  tav::TProperties props(device);
  tav::ParseDeclarationList(FuzzText(data, size), props);
  tav::TProperties child(device);
  child.Inherit(u"div", props);
  for (tav::TProperties* p : {&props, &child}) {
    p->GetFont();
    tav::TMarginArray m;
    int autoCount;
    p->ConvMargArray(800, 600, m, autoCount);
    bool percent;
    p->GetTextIndent(percent);
    p->GetLineHeight(20);
    p->GetBackgroundPos();
    tav::AlignmentType a;
    p->GetVertAlign(a);
    p->GetDisplay();
  }
  child.Update(parent);
  return 0;
}
