#include "html/view/cf_html.h"

#include <cstdio>

#include "util/code_page.h"

namespace tav {

namespace {

char16_t Lower(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; }

// Whether `word` (lower case ASCII) stands at `at`, in any case.
bool MatchesAt(std::u16string_view s, std::size_t at, std::u16string_view word) {
  if (s.size() - at < word.size()) return false;
  for (std::size_t i = 0; i < word.size(); ++i)
    if (Lower(s[at + i]) != word[i]) return false;
  return true;
}

bool IsNameChar(char16_t c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
         c == u'-' || c == u'_';
}

// The end of a tag starting at `at` (one past its '>'), quoted values
// skipped; the source's end when it is not closed.
std::size_t TagEnd(std::u16string_view s, std::size_t at) {
  char16_t quote = 0;
  for (std::size_t i = at + 1; i < s.size(); ++i) {
    const char16_t c = s[i];
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == u'"' || c == u'\'') {
      quote = c;
    } else if (c == u'>') {
      return i + 1;
    }
  }
  return s.size();
}

// The end of a "page-break-before: value" declaration starting at `at`:
// up to and including its ';', or up to a closing quote or brace.
std::size_t DeclarationEnd(std::u16string_view s, std::size_t at) {
  for (std::size_t i = at; i < s.size(); ++i) {
    const char16_t c = s[i];
    if (c == u';') return i + 1;
    if (c == u'"' || c == u'\'' || c == u'}' || c == u'>' || c == u'\n' || c == u'\r') return i;
  }
  return s.size();
}

}  // namespace

std::u16string StripForHtmlFormat(std::u16string_view s) {
  std::u16string out;
  out.reserve(s.size());
  std::size_t i = 0;
  while (i < s.size()) {
    const char16_t c = s[i];
    if (c == u'<' && (MatchesAt(s, i + 1, u"!doctype") ||
                      (MatchesAt(s, i + 1, u"meta") &&
                       (i + 5 >= s.size() || !IsNameChar(s[i + 5]))))) {
      i = TagEnd(s, i);
      continue;
    }
    if ((c == u'p' || c == u'P') && (i == 0 || !IsNameChar(s[i - 1])) &&
        (MatchesAt(s, i, u"page-break-before") || MatchesAt(s, i, u"page-break-after"))) {
      i = DeclarationEnd(s, i);
      continue;
    }
    out.push_back(c);
    ++i;
  }
  return out;
}

std::optional<std::string> BuildHtmlFormat(const THtmlFormatSource& in, std::size_t limit) {
  static constexpr char kDocType[] =
      "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0 Transitional//EN\">\r\n";
  static constexpr char kStartMarker[] = "<!--StartFragment-->";
  static constexpr char kEndMarker[] = "<!--EndFragment-->";
  const std::size_t end = std::min(in.FragmentEnd, in.Source.size());
  const std::size_t start = std::min(in.FragmentStart, end);

  // The size is checked piece by piece before anything large is converted
  // twice: UTF-8 takes at most three bytes per UTF-16 unit.
  char size[32];
  std::snprintf(size, sizeof size, "%g", in.FontSize);
  std::string style = "<style type=\"text/css\">body {font-size: ";
  style += size;
  style += "pt; font-family: \"" + TextToUtf8(in.FontName) + "\";}</style>\r\n";
  const std::string url =
      in.SourceUrl.empty() ? std::string("unsaved:///HtmlView.htm") : TextToUtf8(in.SourceUrl);

  std::string header =
      "Version:1.0\r\nStartHTML:00000000\r\nEndHTML:00000000\r\nStartFragment:00000000\r\n"
      "EndFragment:00000000\r\nSourceURL:" + url + "\r\n";
  const std::size_t fixedBytes = header.size() + (sizeof kDocType - 1) + style.size() +
                                 (sizeof kStartMarker - 1) + (sizeof kEndMarker - 1);
  if (fixedBytes > limit) return std::nullopt;

  const std::string before = TextToUtf8(StripForHtmlFormat(in.Source.substr(0, start)));
  if (fixedBytes + before.size() > limit) return std::nullopt;
  const std::string fragment = TextToUtf8(StripForHtmlFormat(in.Source.substr(start, end - start)));
  const std::size_t total = fixedBytes + before.size() + fragment.size();
  if (total > limit) return std::nullopt;

  std::string out;
  out.reserve(total);
  out += header;
  const std::size_t startHtml = out.size();
  out += kDocType;
  out += style;
  out += before;
  out += kStartMarker;
  const std::size_t startFragment = out.size();
  out += fragment;
  const std::size_t endFragment = out.size();
  out += kEndMarker;
  const std::size_t endHtml = out.size();

  auto put = [&](const char* key, std::size_t value) {
    const std::size_t at = out.find(key) + std::char_traits<char>::length(key);
    char digits[16];
    std::snprintf(digits, sizeof digits, "%08zu", value);
    out.replace(at, 8, digits);
  };
  put("StartHTML:", startHtml);
  put("EndHTML:", endHtml);
  put("StartFragment:", startFragment);
  put("EndFragment:", endFragment);
  return out;
}

}  // namespace tav
