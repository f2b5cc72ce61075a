// Loads arbitrary bytes into the line buffer the default way, with UTF-8 and
// as a response body, and checks the lines against the decoded text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "textview/response_body_loader.h"
#include "textview/text_view_string_list.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

bool IsBreak(char16_t c) { return c == u'\r' || c == u'\n' || c == u'\u2028'; }

// The lines hold exactly the decoded text minus its line terminators, and
// joining and splitting again gives the same lines.
void CheckLines(tav::TTextViewStringList& list, const std::u16string& decoded) {
  std::u16string withoutBreaks;
  for (char16_t c : decoded) {
    if (!IsBreak(c)) withoutBreaks += c;
  }
  std::u16string concatenated;
  std::int64_t chars = 0;
  for (int i = 0; i < list.Count(); ++i) {
    const std::u16string line = list.Get(i);
    for (char16_t c : line) Check(!IsBreak(c));
    Check(list.LineCharIndex(i) == chars);
    Check(list.LineCharLength(i) == static_cast<int>(line.size()));
    chars += static_cast<std::int64_t>(line.size());
    concatenated += line;
  }
  Check(concatenated == withoutBreaks);
  Check(decoded.empty() == (list.Count() == 0));
  const std::u16string text = list.Text();
  tav::TTextViewStringList again;
  again.SetText(text);
  if (!(list.Count() == 1 && list.Get(0).empty())) {
    Check(again.Count() == list.Count());
    for (int i = 0; i < list.Count(); ++i) Check(again.StringView(i) == list.StringView(i));
  }
  // Expansion must stay within the line for any tab width.
  for (int width : {1, 3, 8}) {
    list.SetTabWidth(width);
    for (int i = 0; i < list.Count() && i < 64; ++i) {
      const std::u16string expanded = list.GetExpandedString(i);
      Check(list.GetExpandedStringLength(i) == static_cast<int>(expanded.size()));
      Check(expanded.size() >= static_cast<std::size_t>(list.LineCharLength(i)));
    }
    list.LengthOfLongestLine();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  // The default way never fails unless a UTF-8 mark leads into bad UTF-8.
  {
    tav::TTextViewStringList list;
    std::size_t skip = 0;
    const auto marked = tav::DetectPreamble(bytes, skip);
    const tav::TEncoding encoding = marked.value_or(tav::TEncoding::teAnsi);
    const bool decodable = encoding != tav::TEncoding::teUtf8 || tav::IsStrictUtf8(bytes.substr(skip));
    try {
      list.LoadFromBuffer(bytes);
      Check(decodable);
      Check(list.Encoding() == encoding);
      CheckLines(list, tav::DecodeBytes(bytes.substr(skip), encoding));
    } catch (const tav::EEncodingError&) {
      Check(!decodable);
    }
  }

  // With UTF-8 given: decoded exactly when strictly valid, else refused with
  // the previous lines kept.
  {
    tav::TTextViewStringList list;
    list.SetText(u"previous\r\nlines");
    const std::string_view mark = tav::PreambleOf(tav::TEncoding::teUtf8);
    const std::string_view payload =
        bytes.substr(0, mark.size()) == mark ? bytes.substr(mark.size()) : bytes;
    if (tav::IsStrictUtf8(payload)) {
      list.LoadFromBuffer(bytes, tav::TEncoding::teUtf8);
      CheckLines(list, tav::DecodeUtf8Strict(payload));
    } else {
      try {
        list.LoadFromBuffer(bytes, tav::TEncoding::teUtf8);
        Check(false);
      } catch (const tav::EEncodingError&) {
        Check(list.Count() == 2 && list.Get(1) == u"lines");
      }
    }
  }

  // A response body always loads, from any position.
  {
    tav::TTextViewStringList list;
    tav::TMemoryStream body;
    body.Write(bytes);
    body.SetPosition(size > 0 ? data[0] % (size + 1) : 0);
    const std::size_t start = static_cast<std::size_t>(body.Position());
    const tav::TEncoding used = tav::LoadResponseBody(list, body);
    Check(body.Position() == body.Size());
    std::string_view rest = bytes.substr(start);
    std::size_t skip = 0;
    if (used != tav::TEncoding::teAnsi) {
      const std::string_view mark = tav::PreambleOf(used);
      if (rest.substr(0, mark.size()) == mark) skip = mark.size();
    }
    CheckLines(list, tav::DecodeBytes(rest.substr(skip), used));
  }
  return 0;
}
