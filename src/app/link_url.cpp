#include "app/link_url.h"

#include <optional>
#include <string_view>
#include <vector>

#include "util/code_page.h"
#include "util/text_helpers.h"

namespace tav {

namespace {

// A reference split into its five parts; an absent part differs from an
// empty one ("?" alone is an empty query).
struct TReference {
  std::optional<std::u16string> Scheme;
  std::optional<std::u16string> Authority;
  std::u16string Path;
  std::optional<std::u16string> Query;
  std::optional<std::u16string> Fragment;
};

bool IsSchemeChar(char16_t c, bool first) {
  const bool letter = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
  if (first) return letter;
  return letter || (c >= u'0' && c <= u'9') || c == u'+' || c == u'-' || c == u'.';
}

TReference Split(std::u16string text) {
  TReference ref;
  // Browsers read back slashes in links as slashes.
  for (char16_t& c : text)
    if (c == u'\\') c = u'/';
  if (const std::size_t hash = text.find(u'#'); hash != std::u16string::npos) {
    ref.Fragment = text.substr(hash + 1);
    text.erase(hash);
  }
  if (const std::size_t mark = text.find(u'?'); mark != std::u16string::npos) {
    ref.Query = text.substr(mark + 1);
    text.erase(mark);
  }
  const std::size_t colon = text.find(u':');
  if (colon != std::u16string::npos && colon > 0 && text.find(u'/') > colon) {
    bool scheme = true;
    for (std::size_t i = 0; i < colon && scheme; ++i) scheme = IsSchemeChar(text[i], i == 0);
    if (scheme) {
      ref.Scheme = LowerCase(text.substr(0, colon));
      text.erase(0, colon + 1);
    }
  }
  if (text.starts_with(u"//")) {
    const std::size_t end = text.find(u'/', 2);
    ref.Authority = text.substr(2, end == std::u16string::npos ? std::u16string::npos : end - 2);
    text.erase(0, end == std::u16string::npos ? text.size() : end);
  }
  ref.Path = std::move(text);
  return ref;
}

// Removes "." and ".." segments; ".." never climbs above the root.
std::u16string RemoveDotSegments(const std::u16string& path) {
  std::vector<std::u16string> out;
  std::size_t pos = 0;
  const bool absolute = path.starts_with(u'/');
  if (absolute) pos = 1;
  bool trailingSlash = false;
  while (pos <= path.size()) {
    const std::size_t slash = std::min(path.find(u'/', pos), path.size());
    const std::u16string segment = path.substr(pos, slash - pos);
    const bool last = slash == path.size();
    trailingSlash = false;
    if (segment == u".") {
      trailingSlash = last;
    } else if (segment == u"..") {
      if (!out.empty()) out.pop_back();
      trailingSlash = last;
    } else {
      out.push_back(segment);
    }
    pos = slash + 1;
  }
  std::u16string result = absolute ? u"/" : u"";
  for (std::size_t i = 0; i < out.size(); ++i) {
    if (i) result += u'/';
    result += out[i];
  }
  if (trailingSlash && !result.ends_with(u'/')) result += u'/';
  return result;
}

// An absolute reference as it stands, its path without dot segments.
TReference Normalize(TReference ref) {
  ref.Path = RemoveDotSegments(ref.Path);
  return ref;
}

// The reference resolved against an absolute base (one with a scheme).
TReference Resolve(const TReference& base, const TReference& ref) {
  if (ref.Scheme && (ref.Authority || ref.Scheme != base.Scheme)) return Normalize(ref);
  TReference target;
  target.Scheme = base.Scheme;
  target.Fragment = ref.Fragment;
  if (ref.Authority) {
    target.Authority = ref.Authority;
    target.Path = RemoveDotSegments(ref.Path);
    target.Query = ref.Query;
    return target;
  }
  target.Authority = base.Authority;
  if (ref.Path.empty()) {
    target.Path = base.Path;
    target.Query = ref.Query ? ref.Query : base.Query;
    return target;
  }
  target.Query = ref.Query;
  if (ref.Path.starts_with(u'/')) {
    target.Path = RemoveDotSegments(ref.Path);
  } else if (base.Authority && base.Path.empty()) {
    target.Path = RemoveDotSegments(u"/" + ref.Path);
  } else {
    const std::size_t slash = base.Path.rfind(u'/');
    const std::u16string folder = slash == std::u16string::npos ? u"" : base.Path.substr(0, slash + 1);
    target.Path = RemoveDotSegments(folder + ref.Path);
  }
  return target;
}

bool IsHttp(const TReference& ref) {
  return ref.Scheme && (*ref.Scheme == u"http" || *ref.Scheme == u"https") && ref.Authority &&
         !ref.Authority->empty();
}

// Blanks, controls, quotes, angle brackets and non-ASCII text cannot stand
// in a request line: they go as percent-escaped UTF-8 bytes, as browsers
// send them. Escapes already there stay.
std::u16string Escape(const std::u16string& text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::u16string out;
  for (const char ch : TextToUtf8(text)) {
    const auto byte = static_cast<unsigned char>(ch);
    if (byte <= 0x20 || byte >= 0x7F || byte == '"' || byte == '<' || byte == '>') {
      out += u'%';
      out += static_cast<char16_t>(kHex[byte >> 4]);
      out += static_cast<char16_t>(kHex[byte & 0x0F]);
    } else {
      out += static_cast<char16_t>(byte);
    }
  }
  return out;
}

std::u16string Compose(const TReference& ref) {
  std::u16string url = *ref.Scheme + u"://" + *ref.Authority;
  url += ref.Path.empty() ? u"/" : Escape(ref.Path);
  if (ref.Query) url += u"?" + Escape(*ref.Query);
  return url;
}

}  // namespace

std::u16string ResolveLinkUrl(const std::u16string& pageUrl, const std::u16string& base,
                              const std::u16string& link) {
  const std::u16string href = Trim(link);
  if (href.starts_with(u'#')) return u"";
  // The page's URL as GO fetched it: without a scheme it went out as http.
  const std::u16string typed = Trim(pageUrl);
  TReference from = Split(typed.find(u"://") == std::u16string::npos ? u"http://" + typed : typed);
  if (!typed.empty() && !Trim(base).empty()) {
    const TReference baseRef = Split(Trim(base));
    from = baseRef.Scheme ? Normalize(baseRef) : Resolve(from, baseRef);
  } else if (typed.empty()) {
    // No page URL: only a BASE with its own scheme gives relative links a
    // place.
    from = Split(Trim(base));
    if (!from.Scheme) from = TReference{};
  }

  const TReference ref = Split(href);
  TReference target;
  if (ref.Scheme && ref.Authority) target = Normalize(ref);
  else if (IsHttp(from)) target = Resolve(from, ref);
  else return u"";
  return IsHttp(target) ? Compose(target) : u"";
}

}  // namespace tav
