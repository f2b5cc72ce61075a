#include "html/css/style_parser.h"

#include <cmath>

#include "html/base/paths.h"
#include "html/base/safe_file.h"
#include "html/css/color.h"
#include "html/css/media_query.h"
#include "html/css/properties.h"
#include "html/css/style_list.h"
#include "html/css/units.h"
#include "util/code_page.h"
#include "util/text_decoding.h"

namespace tav {

namespace {

bool IsNameChar(char16_t c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
         c == u'-';
}

bool IsSelectorChar(char16_t c) {
  return c == u' ' || c == u'#' || c == u'*' || c == u'-' || c == u'.' || c == u':' ||
         c == u'>' || c == u'_' || (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') ||
         (c >= u'a' && c <= u'z');
}

std::u16string Unquote(std::u16string s) {
  if (s.size() >= 2 && (s.front() == u'"' || s.front() == u'\'') && s.back() == s.front())
    return s.substr(1, s.size() - 2);
  return s;
}

// Reads a sheet's characters with comments removed and CR as a space.
class TSheetReader {
public:
  explicit TSheetReader(TSheetSource& source) : FSource(source) { Advance(); }
  char16_t Ch = 0;
  void Advance() {
    for (;;) {
      Ch = FSource.Next();
      if (Ch == u'/' && FSource.Peek() == u'*') {
        FSource.Next();
        // Skip to "*/" or the end.
        char16_t prev = 0;
        for (;;) {
          char16_t c = FSource.Next();
          if (c == 0) {
            Ch = 0;
            return;
          }
          if (prev == u'*' && c == u'/') break;
          prev = c;
        }
        continue;
      }
      if (Ch == u'\r' || Ch == u'\n' || Ch == u'\t') Ch = u' ';
      return;
    }
  }
  char16_t Peek() { return FSource.Peek(); }

private:
  TSheetSource& FSource;
};

// The selectors of a group, split at the commas that stand outside
// brackets, parentheses and quotes.
std::vector<std::u16string> SplitSelectorGroup(const std::u16string& group) {
  std::vector<std::u16string> selectors;
  std::u16string current;
  int depth = 0;
  char16_t quote = 0;
  for (char16_t c : group) {
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == u'"' || c == u'\'') {
      quote = c;
    } else if (c == u'(' || c == u'[') {
      ++depth;
    } else if ((c == u')' || c == u']') && depth > 0) {
      --depth;
    } else if (c == u',' && depth == 0) {
      selectors.push_back(current);
      current.clear();
      continue;
    }
    current += c;
  }
  selectors.push_back(current);
  return selectors;
}

// A selector as the rule keys take it, lower-cased and trimmed with '*'
// read as a space; empty when this renderer cannot read it, so that it
// matches nothing: a character outside the selector set (attribute
// selectors, '+', '~', functional pseudo-classes), a pseudo-element ("::"),
// a universal subject ("div *", "ul > *") or a trailing '>'.
std::u16string ReadableSelector(const std::u16string& text) {
  std::u16string selector = Trim(text);
  for (char16_t c : selector)
    if (!IsSelectorChar(c)) return {};
  if (selector.find(u"::") != std::u16string::npos) return {};
  if (!selector.empty() && selector.back() == u'*') {
    // A lone '*' has no key either way; after a combinator it is the subject.
    return {};
  }
  for (char16_t& c : selector)
    if (c == u'*') c = u' ';
  selector = LowerCase(Trim(selector));
  if (!selector.empty() && selector.back() == u'>') return {};
  return selector;
}

// The name and media list of an @import rule's text after "@import":
// url(name), url("name") or "name", then the media list. False when no
// name can be read.
bool ReadImport(const std::u16string& text, std::u16string& name, std::u16string& media) {
  std::u16string rest = Trim(text);
  std::size_t end;
  if (LowerCase(rest.substr(0, 4)) == u"url(") {
    end = rest.find(u')');
    if (end == std::u16string::npos) return false;
    name = Unquote(Trim(rest.substr(4, end - 4)));
    ++end;
  } else if (!rest.empty() && (rest[0] == u'"' || rest[0] == u'\'')) {
    end = rest.find(rest[0], 1);
    if (end == std::u16string::npos) return false;
    name = rest.substr(1, end - 1);
    ++end;
  } else {
    return false;
  }
  name = Trim(name);
  media = Trim(rest.substr(end));
  return !name.empty();
}

class TSheetParser {
public:
  TSheetParser(TStyleList& styles, TSheetSource& source, bool endOnLt, const std::u16string& base,
               TSheetImports* imports, const std::string& sheetFile, int depth)
      : FStyles(styles), FIn(source), FEndOnLt(endOnLt), FBase(base), FImports(imports),
        FSheetFile(sheetFile), FDepth(depth) {}

  char16_t Run() {
    SkipWrapper();
    RuleList(false);
    return FIn.Ch;
  }

private:
  bool AtEnd() const { return FIn.Ch == 0 || (FEndOnLt && FIn.Ch == u'<'); }

  // Spaces and the characters of an HTML comment wrapper ("<!--", "-->").
  void SkipWrapper() {
    for (;;) {
      char16_t c = FIn.Ch;
      if (c == u' ' || c == u'!' || c == u'-' || c == u'>') FIn.Advance();
      else if (c == u'<' && FIn.Peek() == u'!') FIn.Advance();
      else return;
    }
  }

  // Rules until the end, or until '}' inside an @media block.
  void RuleList(bool inBlock) {
    for (;;) {
      SkipWrapper();
      if (AtEnd()) return;
      if (FIn.Ch == u'}') {
        FIn.Advance();
        if (inBlock) return;
        continue;
      }
      if (FIn.Ch == u'@') AtRule();
      else Rule();
    }
  }

  void AtRule() {
    std::u16string text;
    while (!AtEnd() && FIn.Ch != u';' && FIn.Ch != u'{') {
      text += FIn.Ch;
      FIn.Advance();
    }
    const std::u16string lower = LowerCase(text);
    const bool charset = lower.starts_with(u"@charset");
    if (FIn.Ch == u';') {
      FIn.Advance();
      if (lower.starts_with(u"@import") && !FRulesSeen) Import(text.substr(7));
      else if (!charset) FRulesSeen = true;
      return;
    }
    if (!charset) FRulesSeen = true;
    if (FIn.Ch != u'{') return;
    FIn.Advance();
    if (lower.starts_with(u"@media") &&
        MediaListApplies(std::u16string_view(lower).substr(6), FStyles.MediaView())) {
      RuleList(true);
      return;
    }
    SkipBlock();
  }

  // An @import: the local sheet it names is read here, before the rules
  // of this sheet. Remote, missing, already read and too deeply nested
  // sheets are ignored, as are those whose media list does not apply.
  void Import(const std::u16string& text) {
    std::u16string name, media;
    if (!FImports || FDepth >= MaxImportDepth || !ReadImport(text, name, media)) return;
    if (!MediaListApplies(media, FStyles.MediaView())) return;
    const std::u16string file = SheetFileName(name);
    const std::size_t scheme = file.find(u"://");
    const bool remote = (scheme != std::u16string::npos && scheme > 0 &&
                         LowerCase(file).find(u"file://") == std::u16string::npos) ||
                        file.starts_with(u"//");
    if (file.empty() || remote) return;
    const std::string path =
        FSheetFile.empty()
            ? HTMLExpandFilename(file, FImports->DocumentBase, FImports->DocumentFile)
            : HTMLExpandFilename(file, {}, FSheetFile);
    if (path.empty() || !FImports->Read.insert(path).second) return;
    std::string bytes;
    if (!ReadLocalFile(path, bytes)) return;
    TStringSheetSource source(DecodeTextFile(bytes));
    const std::u16string base = Utf8ToText(path);
    TSheetParser(FStyles, source, false, base, FImports, path, FDepth + 1).Run();
  }

  // Skips to the '}' that closes the block just opened, nested braces
  // included.
  void SkipBlock() {
    int depth = 1;
    while (!AtEnd()) {
      if (FIn.Ch == u'{') ++depth;
      else if (FIn.Ch == u'}' && --depth == 0) {
        FIn.Advance();
        return;
      }
      FIn.Advance();
    }
  }

  // A selector group and its declarations. A selector that cannot be read
  // is dropped, the others of the group keep the declarations.
  void Rule() {
    FRulesSeen = true;
    std::u16string group;
    while (!AtEnd() && FIn.Ch != u'{' && FIn.Ch != u'}') {
      group += FIn.Ch;
      FIn.Advance();
    }
    if (FIn.Ch == u'}') {
      FIn.Advance();
      return;
    }
    if (FIn.Ch != u'{') return;
    FIn.Advance();
    std::vector<TSelectorKey> keys;
    for (const auto& text : SplitSelectorGroup(group)) {
      std::u16string selector = ReadableSelector(text);
      if (!selector.empty()) keys.push_back(FStyles.MakeKey(selector));
    }
    Declarations(keys);
  }

  void Declarations(const std::vector<TSelectorKey>& keys) {
    for (;;) {
      while (!AtEnd() && FIn.Ch != u'}' && !IsNameChar(FIn.Ch)) FIn.Advance();
      if (AtEnd()) return;
      if (FIn.Ch == u'}') {
        FIn.Advance();
        return;
      }
      std::u16string name;
      while (IsNameChar(FIn.Ch)) {
        name += FIn.Ch;
        FIn.Advance();
      }
      name = LowerCase(name);
      while (FIn.Ch == u' ') FIn.Advance();
      if (FIn.Ch != u':' && FIn.Ch != u'=') continue;
      FIn.Advance();
      std::u16string value;
      while (!AtEnd() && FIn.Ch != u';' && FIn.Ch != u'}') {
        value += FIn.Ch;
        FIn.Advance();
      }
      value = Unquote(Trim(LowerKeepingUrls(value)));
      if (value.find(u"url(") != std::u16string::npos) value = AbsoluteUrls(value, FBase);
      auto set = [&](const std::u16string& n, const std::u16string& v) {
        for (const auto& key : keys) FStyles.AddModifyProp(key, n, v);
      };
      if (!ExpandShorthand(name, value, FBase, set)) set(name, value);
    }
  }

  TStyleList& FStyles;
  TSheetReader FIn;
  bool FEndOnLt;
  const std::u16string& FBase;
  TSheetImports* FImports;
  const std::string& FSheetFile;
  int FDepth;
  // Whether a rule has been read: an @import after one is ignored.
  bool FRulesSeen = false;
};

// Takes every 'name(...)' group out of a value.
std::vector<std::u16string> TakeGroups(std::u16string& value, std::u16string_view name) {
  std::vector<std::u16string> groups;
  for (;;) {
    auto at = value.find(name);
    if (at == std::u16string::npos) break;
    auto close = value.find(u')', at);
    std::size_t end = close == std::u16string::npos ? value.size() : close + 1;
    groups.push_back(value.substr(at, end - at));
    value.erase(at, end - at);
  }
  return groups;
}

bool IsBorderStyleWord(const std::u16string& w) {
  for (auto s : {u"none", u"solid", u"dashed", u"dotted", u"double", u"groove", u"inset",
                 u"outset", u"ridge"})
    if (w == s) return true;
  return false;
}

bool IsColorWord(const std::u16string& w) { return (!w.empty() && w[0] == u'#') || IsColorName(w); }

}  // namespace

char16_t ParseStyleSheet(TStyleList& styles, TSheetSource& source, bool endOnLt,
                         const std::u16string& basePath, TSheetImports* imports,
                         const std::string& sheetFile) {
  TSheetParser parser(styles, source, endOnLt, basePath, imports, sheetFile, 0);
  return parser.Run();
}

std::u16string SheetFileName(std::u16string_view name) {
  return std::u16string(name.substr(0, name.find_first_of(u"?#")));
}

void ParseDeclarationList(const std::u16string& text, TProperties& props) {
  std::u16string s = LowerKeepingUrls(text);
  std::size_t i = 0;
  auto set = [&](const std::u16string& n, const std::u16string& v) { props.AddPropertyByName(n, v); };
  while (i < s.size()) {
    while (i < s.size() && !IsNameChar(s[i])) ++i;
    std::size_t b = i;
    while (i < s.size() && IsNameChar(s[i])) ++i;
    std::u16string name = s.substr(b, i - b);
    while (i < s.size() && IsSpace(s[i])) ++i;
    if (i >= s.size() || (s[i] != u':' && s[i] != u'=')) continue;
    ++i;
    std::size_t v = i;
    while (i < s.size() && s[i] != u';') ++i;
    std::u16string value = Unquote(Trim(s.substr(v, i - v)));
    if (name.empty()) continue;
    if (!ExpandShorthand(name, value, u"", set)) set(name, value);
  }
}

std::vector<std::u16string> SplitWords(const std::u16string& value) {
  std::vector<std::u16string> words;
  std::u16string word;
  char16_t quote = 0;
  auto flush = [&] {
    if (!word.empty()) words.push_back(word);
    word.clear();
  };
  for (std::size_t i = 0; i < value.size(); ++i) {
    char16_t c = value[i];
    if (quote) {
      word += c;
      if (c == quote) quote = 0;
    } else if (c == u'"' || c == u'\'') {
      quote = c;
      word += c;
    } else if (IsSpace(c)) {
      if (!word.empty() && word.back() == u',') continue;  // "a, b" stays one word
      flush();
    } else if (c == u'/' && !word.empty()) {
      flush();
      word += c;
    } else {
      word += c;
    }
  }
  flush();
  return words;
}

bool ExpandShorthand(const std::u16string& name, const std::u16string& value,
                     const std::u16string& base,
                     const std::function<void(const std::u16string&, const std::u16string&)>& set) {
  auto four = [&](const std::u16string& prefix, const std::u16string& suffix) {
    auto w = SplitWords(value);
    if (w.empty() || w.size() > 4) return;
    std::u16string top = w[0], right = w.size() > 1 ? w[1] : w[0];
    std::u16string bottom = w.size() > 2 ? w[2] : w[0];
    std::u16string left = w.size() > 3 ? w[3] : right;
    set(prefix + u"-top" + suffix, top);
    set(prefix + u"-right" + suffix, right);
    set(prefix + u"-bottom" + suffix, bottom);
    set(prefix + u"-left" + suffix, left);
  };
  if (name == u"margin" || name == u"padding") {
    four(name, u"");
  } else if (name == u"border-width") {
    four(u"border", u"-width");
  } else if (name == u"border-color") {
    four(u"border", u"-color");
  } else if (name == u"border-style") {
    four(u"border", u"-style");
  } else if (name == u"border" || name == u"border-top" || name == u"border-right" ||
             name == u"border-bottom" || name == u"border-left") {
    std::u16string rest = value;
    for (const auto& g : TakeGroups(rest, u"rgb(")) set(name + u"-color", g);
    for (const auto& w : SplitWords(rest)) {
      if (IsColorWord(w)) set(name + u"-color", w);
      else if (IsBorderStyleWord(w)) set(name + u"-style", w);
      else if (name == u"border") {
        for (auto side : {u"-top", u"-right", u"-bottom", u"-left"})
          set(u"border" + std::u16string(side) + u"-width", w);
      } else {
        set(name + u"-width", w);
      }
    }
  } else if (name == u"font") {
    auto words = SplitWords(value);
    if (words.size() > 7) words.resize(7);
    for (const auto& w : words) {
      if (w[0] == u'/') set(u"line-height", w.substr(1));
      else if (w == u"italic" || w == u"oblique") set(u"font-style", w);
      else if (w == u"normal" || w == u"bolder" || w == u"lighter" || w == u"bold")
        set(u"font-weight", w);
      else if (w == u"small-caps") set(u"font-variant", w);
      else if (w == u"larger" || w == u"smaller" || w == u"xx-small" || w == u"x-small" ||
               w == u"small" || w == u"medium" || w == u"large" || w == u"x-large" ||
               w == u"xx-large")
        set(u"font-size", w);
      else if (!(w[0] >= u'0' && w[0] <= u'9')) set(u"font-family", w);
      else {
        double n;
        std::size_t used = ReadLeadingNumber(w, n);
        // A whole number of 100 or more is a weight, however large: compared
        // as a double, so that no number is converted out of an integer's range.
        bool wholeWeight = used == w.size() && n >= 100 && std::floor(n) == n;
        if (!wholeWeight) set(u"font-size", w);
      }
    }
  } else if (name == u"background") {
    std::u16string rest = value;
    for (const auto& g : TakeGroups(rest, u"rgb(")) set(u"background-color", g);
    for (const auto& g : TakeGroups(rest, u"url(")) set(u"background-image", AbsoluteUrls(g, base));
    std::vector<std::u16string> left;
    for (const auto& w : SplitWords(rest)) {
      if (IsColorWord(w)) set(u"background-color", w);
      else if (w == u"none") {
        set(u"background-image", u"none");
        set(u"background-color", u"transparent");
      } else if (w.find(u"repeat") != std::u16string::npos) set(u"background-repeat", w);
      else if (w == u"fixed" || w == u"scroll") set(u"background-attachment", w);
      else left.push_back(w);
    }
    if (left.size() == 1) set(u"background-position", left[0]);
    else if (left.size() >= 2)
      set(u"background-position", left[left.size() - 2] + u' ' + left.back());
  } else if (name == u"list-style") {
    for (const auto& w : SplitWords(value)) {
      if (w.find(u"url(") != std::u16string::npos) set(u"list-style-image", AbsoluteUrls(w, base));
      else set(u"list-style-type", w);
    }
  } else {
    return false;
  }
  return true;
}

std::u16string LowerKeepingUrls(const std::u16string& value) {
  std::u16string r;
  r.reserve(value.size());
  std::size_t i = 0;
  while (i < value.size()) {
    if (i + 4 <= value.size() && LowerCase(value.substr(i, 4)) == u"url(") {
      auto close = value.find(u')', i);
      std::size_t end = close == std::u16string::npos ? value.size() : close + 1;
      r += u"url(";
      r += value.substr(i + 4, end - i - 4);
      i = end;
      continue;
    }
    char16_t c = value[i++];
    r += (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c;
  }
  return r;
}

namespace {

bool IsFullUrl(const std::u16string& s) {
  std::u16string lower = LowerCase(s.substr(0, 7));
  if (lower == u"mailto:") return true;
  if (lower.starts_with(u"file:")) return false;  // a local file path
  auto sep = s.find(u"://");
  auto slash = s.find(u'/');
  return sep != std::u16string::npos && sep < slash;
}

std::u16string LocalPath(std::u16string s) {
  std::u16string lower = LowerCase(s.substr(0, 7));
  if (lower == u"file://") s.erase(0, 7);
  else if (lower.starts_with(u"file:")) s.erase(0, 5);
  std::u16string r;
  for (std::size_t i = 0; i < s.size(); ++i) {
    auto hex = [](char16_t c) {
      if (c >= u'0' && c <= u'9') return c - u'0';
      if (c >= u'a' && c <= u'f') return c - u'a' + 10;
      if (c >= u'A' && c <= u'F') return c - u'A' + 10;
      return -1;
    };
    if (s[i] == u'%' && i + 2 < s.size() && hex(s[i + 1]) >= 0 && hex(s[i + 2]) >= 0) {
      r += static_cast<char16_t>(hex(s[i + 1]) * 16 + hex(s[i + 2]));
      i += 2;
    } else {
      r += s[i] == u'|' ? u':' : s[i];
    }
  }
  return r;
}

// Removes "/./" and "name/../" segments of a path.
std::u16string CollapseDots(const std::u16string& path) {
  std::vector<std::u16string> out;
  std::size_t pos = 0;
  bool leading = !path.empty() && path[0] == u'/';
  while (pos <= path.size()) {
    auto slash = path.find(u'/', pos);
    if (slash == std::u16string::npos) slash = path.size();
    std::u16string seg = path.substr(pos, slash - pos);
    bool last = slash == path.size();
    if (seg == u".") {
      if (last) out.emplace_back();
    } else if (seg == u"..") {
      if (!out.empty()) out.pop_back();
      if (last) out.emplace_back();
    } else if (!seg.empty() || last) {
      out.push_back(seg);
    }
    pos = slash + 1;
  }
  std::u16string r = leading ? u"/" : u"";
  for (std::size_t i = 0; i < out.size(); ++i) {
    if (i) r += u'/';
    r += out[i];
  }
  return r;
}

}  // namespace

std::u16string ResolveUrl(const std::u16string& url, const std::u16string& base) {
  std::u16string u = Unquote(Trim(url));
  if (IsFullUrl(u)) return u;
  if (IsFullUrl(base)) {
    auto sep = base.find(u"://");
    auto rootEnd = base.find(u'/', sep + 3);
    std::u16string root = rootEnd == std::u16string::npos ? base : base.substr(0, rootEnd);
    std::u16string path = rootEnd == std::u16string::npos ? u"/" : base.substr(rootEnd);
    if (!u.empty() && u[0] == u'/') return root + CollapseDots(u);
    path = path.substr(0, path.rfind(u'/') + 1);
    return root + CollapseDots(path + u);
  }
  std::u16string local = LocalPath(u);
  if (base.empty() || (!local.empty() && local[0] == u'/')) return local;
  std::u16string dir = LocalPath(base);
  if (!dir.empty() && dir.back() != u'/') dir += u'/';
  return CollapseDots(dir + local);
}

std::u16string AbsoluteUrls(const std::u16string& value, const std::u16string& base) {
  std::u16string r;
  std::size_t i = 0;
  while (i < value.size()) {
    auto at = value.find(u"url(", i);
    if (at == std::u16string::npos) break;
    auto close = value.find(u')', at);
    std::size_t end = close == std::u16string::npos ? value.size() : close;
    r += value.substr(i, at - i);
    r += u"url(" + ResolveUrl(value.substr(at + 4, end - at - 4), base) + u")";
    i = close == std::u16string::npos ? value.size() : close + 1;
  }
  r += value.substr(std::min(i, value.size()));
  return r;
}

}  // namespace tav
