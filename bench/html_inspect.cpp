// Shows how the HTML view reads a page:
//   html_inspect tokens FILE          one line per symbol, attributes with
//                                     their Value, text with source indices
//   html_inspect styles FILE          each element's tag, class, id and its
//                                     combined property set
//   html_inspect --time styles FILE   tokenize-seconds, style-seconds (the
//                                     styling on top of tokenizing) and
//                                     peak-rss-mb
// The file is read as UTF-8 when it is valid UTF-8, else as Windows-1252,
// as the request console hands bodies to the view.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>

#include "html/css/prop_stack.h"
#include "html/css/style_list.h"
#include "html/css/style_parser.h"
#include "html/css/units.h"
#include "html/parse/tokenizer.h"
#include "platform/surface.h"
#include "platform/testing/fixed_metrics_device.h"
#include "util/code_page.h"
#include "util/utf8_validity.h"

using namespace tav;

namespace {

std::string Out(const std::u16string& s) { return TextToUtf8(s); }

std::string Quoted(const std::u16string& s) {
  std::string r = "\"";
  for (char c : Out(s)) {
    if (c == '"' || c == '\\') r += '\\';
    if (c == '\r') r += "\\r";
    else if (c == '\n') r += "\\n";
    else r += c;
  }
  return r + "\"";
}

// Indices as runs: "0-4,6,8-10".
std::string IndexRuns(const TokenObj& token) {
  std::string r;
  int n = token.Leng();
  for (int i = 0; i < n;) {
    int j = i;
    while (j + 1 < n && token.Index(j + 1) == token.Index(j) + 1) ++j;
    if (!r.empty()) r += ',';
    r += std::to_string(token.Index(i));
    if (j > i) r += '-' + std::to_string(token.Index(j));
    i = j + 1;
  }
  return r;
}

std::u16string TagName(const THtmlTokenizer& t, Symb sy) {
  if (sy == HeadingSy || sy == HeadingEndSy)
    return u"h" + Ascii(std::to_string(t.HeadingLevel));
  return std::u16string(ElementName(sy));
}

bool IsEndSymbol(Symb sy) {
  std::u16string_view name = ElementName(sy);
  if (name.empty()) return false;
  TElementSymbols s;
  LookupElement(UpperCase(std::u16string(name)), s);
  return s.End == sy && s.Start != sy;
}

bool HasEnd(Symb sy) {
  std::u16string_view name = ElementName(sy);
  TElementSymbols s;
  return !name.empty() && LookupElement(UpperCase(std::u16string(name)), s) && s.End != CommandSy;
}

bool IsColorProp(PropIndices p) {
  int i = static_cast<int>(p);
  return p == PropIndices::Color || p == PropIndices::BackgroundColor ||
         p == PropIndices::BorderColor || (i >= 23 && i <= 26);
}

std::string ValueText(PropIndices p, const TPropValue& v) {
  if (auto s = std::get_if<std::u16string>(&v)) return Quoted(*s);
  if (auto d = std::get_if<double>(&v)) {
    std::ostringstream o;
    o << *d;
    return o.str();
  }
  int i = std::get<int>(v);
  if (i == IntNull) return "unset";
  if (i == Auto) return "auto";
  if (i == AutoParagraph) return "paragraph-auto";
  if (IsColorProp(p)) {
    auto c = static_cast<TColor>(i);
    if (c == clNone) return "none";
    char buf[16];
    if ((c & clSystemColor) == clSystemColor) std::snprintf(buf, sizeof buf, "sys%u", c & 0xFF);
    else std::snprintf(buf, sizeof buf, "#%02X%02X%02X", GetRValue(c), GetGValue(c), GetBValue(c));
    return buf;
  }
  return std::to_string(i);
}

std::string PropsText(const TProperties& p) {
  std::string r;
  for (int i = 0; i < PropCount; ++i) {
    auto index = static_cast<PropIndices>(i);
    const TPropValue& v = p.Get(index);
    if (IsEmpty(v) || v == TPropValue{IntNull}) continue;
    r += ' ' + Out(std::u16string(PropName(index))) + '=' + ValueText(index, v);
  }
  return r;
}

void Tokens(const std::u16string& text) {
  THtmlTokenizer t;
  t.Prepare(text);
  try {
    for (t.Next(); t.Sy != EofSy; t.Next()) {
      std::cout << SymbName(t.Sy);
      if (t.Sy == HeadingSy || t.Sy == HeadingEndSy) std::cout << ' ' << t.HeadingLevel;
      if (t.Sy == TextSy) std::cout << ' ' << Quoted(t.LCToken.S()) << " @" << IndexRuns(t.LCToken);
      else std::cout << " @" << t.TagIndex;
      for (const auto& a : t.Attributes)
        std::cout << ' ' << Out(a.WhichName) << '(' << SymbName(a.Which) << ")=" << Quoted(a.Name)
                  << " Value=" << a.Value;
      std::cout << '\n';
      if (t.Sy == ScriptSy) {
        std::u16string raw = t.ReadRawUntil(u"SCRIPT");
        std::cout << "raw " << Quoted(raw) << '\n';
      } else if (t.Sy == StyleSy) {
        std::u16string raw = t.ReadRawUntil(u"STYLE");
        std::cout << "raw " << Quoted(raw) << '\n';
      }
    }
  } catch (const EHtmlParseError& e) {
    std::cout << "error " << e.what() << '\n';
  }
}

// Pushes and pops property sets the way the document builder does: an
// element with an end tag pushes at its start and pops the nearest entry of
// its name at its end; one without pushes and pops at once.
void Styles(const std::u16string& text, bool print) {
  TGraphicsDevice& device = DefaultDevice();
  TStyleList styles(device);
  styles.Initialize(TStyleDefaults{});
  TPropStack stack;
  stack.PushNewProps(styles, u"default", u"", u"", u"", u"", nullptr);
  THtmlTokenizer t;
  t.Prepare(text);
  try {
    for (t.Next(); t.Sy != EofSy; t.Next()) {
      if (t.Sy == StyleSy) {
        TTokenizerSheetSource source(t);
        ParseStyleSheet(styles, source, true, u"");
        t.RawMode = false;
        continue;
      }
      if (t.Sy == ScriptSy) {
        t.ReadRawUntil(u"SCRIPT");
        continue;
      }
      if (t.Sy == TextSy || t.Sy == CommandSy) continue;
      std::u16string tag = TagName(t, t.Sy);
      if (tag.empty()) continue;
      if (IsEndSymbol(t.Sy)) {
        stack.PopProp(tag);
        continue;
      }
      std::u16string pseudo = t.Sy == ASy && t.Attributes.Find(HrefSy) ? u"link" : u"";
      std::u16string cls = t.Attributes.TheClass();
      std::u16string id = t.Attributes.TheID();
      TProperties& p = stack.PushNewProps(styles, tag, cls, id, pseudo, t.Attributes.TheTitle(),
                                          t.Attributes.TheStyle(device));
      if (print) {
        std::cout << std::string(static_cast<std::size_t>(std::min(stack.Count() - 2, 40)) * 2, ' ')
                  << Out(tag);
        if (!cls.empty()) std::cout << " class=" << Out(cls);
        if (!id.empty()) std::cout << " id=" << Out(id);
        if (!pseudo.empty()) std::cout << " :" << Out(pseudo);
        std::cout << " |" << PropsText(p) << '\n';
      }
      if (!HasEnd(t.Sy)) stack.PopLast();
    }
  } catch (const EHtmlParseError& e) {
    if (print) std::cout << "error " << e.what() << '\n';
  }
}

double Seconds(const std::function<void()>& f) {
  auto start = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  int arg = 1;
  bool time = false;
  if (arg < argc && std::string(argv[arg]) == "--time") {
    time = true;
    ++arg;
  }
  if (argc - arg != 2 || (std::string(argv[arg]) != "tokens" && std::string(argv[arg]) != "styles")) {
    std::cerr << "usage: html_inspect [--time] tokens|styles FILE\n";
    return 2;
  }
  std::string mode = argv[arg];
  // Styles are computed on the fixed-metrics device: the same figures on
  // every machine, and no display needed.
  TFixedMetricsDevice::InstallAsDefault();
  std::ifstream in(argv[arg + 1], std::ios::binary);
  if (!in) {
    std::cerr << "cannot read " << argv[arg + 1] << '\n';
    return 1;
  }
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::u16string text = IsValidUtf8Buffer(bytes.data(), static_cast<std::int64_t>(bytes.size()))
                            ? Utf8ToText(bytes)
                            : AnsiToText(bytes);
  std::string().swap(bytes);
  std::ios::sync_with_stdio(false);
  if (!time) {
    if (mode == "tokens") Tokens(text);
    else Styles(text, true);
    return 0;
  }
  double tokenize = Seconds([&] {
    THtmlTokenizer t;
    t.Prepare(text);
    try {
      for (t.Next(); t.Sy != EofSy; t.Next())
        if (t.Sy == ScriptSy || t.Sy == StyleSy) t.ReadRawUntil(t.Sy == ScriptSy ? u"SCRIPT" : u"STYLE");
    } catch (const EHtmlParseError&) {
    }
  });
  double total = mode == "styles" ? Seconds([&] { Styles(text, false); }) : tokenize;
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("tokenize-seconds: %.3f\nstyle-seconds: %.3f\npeak-rss-mb: %ld\n", tokenize,
              total > tokenize ? total - tokenize : 0.0, usage.ru_maxrss / 1024);
  return 0;
}
