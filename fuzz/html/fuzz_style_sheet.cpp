// Parses arbitrary style sheets, then styles a small tree of elements with
// them, opening and closing elements in the middle of the stack.
#include "fuzz_input.h"
#include "html/css/prop_stack.h"
#include "html/css/style_list.h"
#include "html/css/style_parser.h"
#include "html/css/units.h"
#include "platform/testing/fixed_metrics_device.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static tav::TFixedMetricsDevice device;
  tav::TStyleList styles(device);
  styles.Initialize(tav::TStyleDefaults{});
  tav::TStringSheetSource source(FuzzText(data, size));
  tav::ParseStyleSheet(styles, source, size % 2 == 0, u"/base/dir");
  tav::TPropStack stack;
  stack.PushNewProps(styles, u"default", u"", u"", u"", u"", nullptr);
  const char16_t* tags[] = {u"div", u"p", u"a", u"span", u"li", u"ul", u"b", u"big"};
  // Twelve elements: every tag once and some twice, three of them with an
  // id, and three pops from the middle of the stack.
  for (int i = 0; i < 12; ++i) {
    const char16_t* tag = tags[i % 8];
    auto& p = stack.PushNewProps(styles, tag, i % 3 ? u"x" : u"x.y", i % 5 ? u"" : u"id",
                                 tag == std::u16string(u"a") ? u"link" : u"", u"", nullptr);
    double size = tav::AsNumber(p.Get(tav::PropIndices::FontSize));
    Check(size >= tav::MinFontSize && size <= tav::MaxFontSize);
    p.GetFont();
    tav::TMarginArray m;
    int autoCount;
    p.ConvMargArray(640, 480, m, autoCount);
    if (i % 4 == 3) stack.PopProp(tags[(i + 3) % 8]);
  }
  for (int i = 0; i < stack.Count(); ++i) stack[i].GetFont();
  return 0;
}
