#include "textview/response_body_loader.h"

#include <string_view>

#include "util/utf8_validity.h"

namespace tav {

TEncoding LoadResponseBody(TTextViewStringList& lines, TMemoryStream& body) {
  const bool structurallyValid = IsValidUtf8Buffer(body.Memory(), body.Size());
  const std::int64_t start = body.Position();
  const std::string_view utf8Mark = PreambleOf(TEncoding::teUtf8);
  const bool hasUtf8Mark =
      std::string_view(body.Bytes()).substr(static_cast<std::size_t>(start), utf8Mark.size()) ==
      utf8Mark;

  // One bracket around both attempts: the view sees a single load.
  lines.BeginUpdate();
  try {
    if (structurallyValid || hasUtf8Mark) {
      // A valid body is loaded as UTF-8; an invalid one with the UTF-8 mark
      // is loaded the default way, which also means strict UTF-8.
      try {
        if (structurallyValid) {
          lines.LoadFromStream(body, TEncoding::teUtf8);
        } else {
          lines.LoadFromStream(body);
        }
      } catch (const EEncodingError&) {
        // Refused by the strict decoder (nothing was changed): shown byte
        // for byte instead.
        body.SetPosition(start);
        lines.LoadFromStream(body, TEncoding::teAnsi);
      }
    } else {
      lines.LoadFromStream(body);
    }
  } catch (...) {
    lines.EndUpdate();
    throw;
  }
  lines.EndUpdate();
  return lines.Encoding().value_or(TEncoding::teAnsi);
}

}  // namespace tav
