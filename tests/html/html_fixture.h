#pragma once
// A document's style state on the fixed-metrics device: the built-in sheet,
// a property stack with the defaults at the bottom, and helpers that open
// and close elements the way the document builder does.
#include <memory>
#include <string>

#include "html/css/prop_stack.h"
#include "html/css/properties.h"
#include "html/css/style_list.h"
#include "html/css/style_parser.h"
#include "platform/testing/fixed_metrics_device.h"

namespace tav {

class THtmlStyleFixture {
public:
  explicit THtmlStyleFixture(TFixedMetricsOptions options = {})
      : Device(std::move(options)), Styles(Device) {
    Styles.Initialize(TStyleDefaults{});
    Stack.PushNewProps(Styles, u"default", u"", u"", u"", u"", nullptr);
  }

  void Sheet(const std::u16string& text, const std::u16string& base = u"") {
    TStringSheetSource source(text);
    ParseStyleSheet(Styles, source, false, base);
  }

  TProperties& Open(const std::u16string& tag, const std::u16string& cls = u"",
                    const std::u16string& id = u"", const std::u16string& pseudo = u"",
                    const std::u16string& inlineStyle = u"") {
    const TProperties* style = nullptr;
    if (!inlineStyle.empty()) {
      Inline.push_back(std::make_unique<TProperties>(Device));
      ParseDeclarationList(inlineStyle, *Inline.back());
      style = Inline.back().get();
    }
    return Stack.PushNewProps(Styles, tag, cls, id, pseudo, u"", style);
  }
  void Close(const std::u16string& tag) { Stack.PopProp(tag); }

  TFixedMetricsDevice Device;
  TStyleList Styles;
  TPropStack Stack;
  std::vector<std::unique_ptr<TProperties>> Inline;
};

inline TColor ColorOf(const TProperties& p) {
  const TPropValue& v = p.Get(PropIndices::Color);
  return IsInt(v) ? static_cast<TColor>(std::get<int>(v)) : clNone;
}
inline double SizeOf(const TProperties& p) { return AsNumber(p.Get(PropIndices::FontSize)); }
inline std::u16string TextOf(const TProperties& p, PropIndices i) { return AsText(p.Get(i)); }
inline int IntOf(const TProperties& p, PropIndices i) {
  const TPropValue& v = p.Get(i);
  return IsInt(v) ? std::get<int>(v) : -1;
}

}  // namespace tav
