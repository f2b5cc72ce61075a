// Tokenizes arbitrary documents and checks that every source index lies
// within the text and never decreases inside a token, and that STYLE and
// SCRIPT content can be read raw the way the document builder reads it.
#include "fuzz_input.h"
#include "html/css/style_list.h"
#include "html/parse/tokenizer.h"
#include "platform/testing/fixed_metrics_device.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::u16string text = FuzzText(data, size);
  const int limit = static_cast<int>(text.size());
  static tav::TFixedMetricsDevice device;
  tav::TStyleList styles(device);
  tav::THtmlTokenizer t;
  t.OnInclude = [](const std::u16string& command, const std::vector<std::u16string>&) {
    return command.size() % 2 ? std::u16string(u"<b>x</b>") : std::u16string();
  };
  t.Prepare(text);
  try {
    for (int n = 0; n < 1000000; ++n) {
      t.Next();
      if (t.Sy == tav::EofSy) break;
      if (t.Sy == tav::TextSy) {
        int last = -1;
        for (int i = 0; i < t.LCToken.Leng(); ++i) {
          int index = t.LCToken.Index(i);
          Check(index >= 0 && index < limit);
          Check(index >= last);
          last = index;
        }
      }
      Check(t.TagIndex >= -1 && t.TagIndex <= limit);
      if (t.Sy == tav::StyleSy) {
        tav::TTokenizerSheetSource source(t);
        tav::ParseStyleSheet(styles, source, true, u"");
        t.RawMode = false;
      } else if (t.Sy == tav::ScriptSy) {
        t.ReadRawUntil(u"SCRIPT");
      }
    }
  } catch (const tav::EHtmlParseError&) {
  }
  return 0;
}
