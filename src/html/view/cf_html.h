#pragma once
// The "HTML Format" clipboard entry: a header of byte offsets followed by
// the page source up to the end of the selection, with the selection marked
// as the fragment, so that other programs paste it with its markup.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "html/css/default_look.h"

namespace tav {

// The name the entry is registered under.
inline constexpr char16_t kHtmlFormatName[] = u"HTML Format";
// The header's offsets have eight digits: an entry must stay below this size.
inline constexpr std::size_t kMaxHtmlFormatBytes = 99'999'999;

struct THtmlFormatSource {
  std::u16string_view Source;  // the document source as loaded
  std::size_t FragmentStart = 0;  // source indices of the selection
  std::size_t FragmentEnd = 0;
  std::u16string FontName = kDefaultFontName;
  double FontSize = kDefaultFontSize;  // points
  std::u16string SourceUrl;      // empty: a document without a file
};

// The entry's bytes (UTF-8): "Version:1.0", "StartHTML:", "EndHTML:",
// "StartFragment:", "EndFragment:" as 8-digit byte offsets and "SourceURL:",
// each line ended by CR LF; then the document type line, a body style with
// the default font size and family, the source before the fragment, the
// "<!--StartFragment-->" marker, the fragment and "<!--EndFragment-->".
// META and DOCTYPE tags and page-break styles are left out of the source.
// Empty when the entry would be larger than `limit` bytes.
std::optional<std::string> BuildHtmlFormat(const THtmlFormatSource& in,
                                           std::size_t limit = kMaxHtmlFormatBytes);

// The source with META and DOCTYPE tags and page-break-before/-after style
// declarations removed.
std::u16string StripForHtmlFormat(std::u16string_view source);

}  // namespace tav
