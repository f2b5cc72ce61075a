#include "html/parse/tokenizer.h"

#include <iconv.h>

#include <cerrno>

#include "html/base/sat_math.h"
#include "html/css/units.h"
#include "html/parse/entities.h"

namespace tav {

namespace {

constexpr int MaxNuls = 100;
constexpr std::size_t MaxTagName = 255;
constexpr std::size_t MaxEntityName = 11;

bool IsUpperLetter(char16_t c) { return c >= u'A' && c <= u'Z'; }
bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
bool IsHex(char16_t c) { return IsDigit(c) || (c >= u'A' && c <= u'F'); }
char16_t Upper(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c; }

bool HasJisShifts(const std::u16string& t) {
  std::size_t in = std::u16string::npos;
  for (std::size_t i = 0; i + 2 < t.size(); ++i) {
    if (t[i] != 0x1B) continue;
    if (in == std::u16string::npos && t[i + 1] == u'$' && (t[i + 2] == u'@' || t[i + 2] == u'B'))
      in = i;
    else if (in != std::u16string::npos && t[i + 1] == u'(' && (t[i + 2] == u'J' || t[i + 2] == u'B'))
      return true;
  }
  return false;
}

}  // namespace

bool DecodeIso2022Jp(const std::u16string& bytes, std::u16string& out) {
  std::string in;
  in.reserve(bytes.size());
  for (char16_t c : bytes) {
    if (c > 0xFF) return false;
    in += static_cast<char>(c);
  }
  iconv_t cd = iconv_open("UTF-16LE", "ISO-2022-JP");
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  std::string result(in.size() * 4 + 16, '\0');
  char* src = in.data();
  std::size_t srcLeft = in.size();
  char* dst = result.data();
  std::size_t dstLeft = result.size();
  while (srcLeft > 0) {
    if (iconv(cd, &src, &srcLeft, &dst, &dstLeft) != static_cast<std::size_t>(-1)) break;
    if (errno == E2BIG) break;
    // An invalid or cut sequence: one replacement character for its byte.
    ++src;
    --srcLeft;
    if (dstLeft >= 2) {
      *dst++ = static_cast<char>(0xFD);
      *dst++ = static_cast<char>(0xFF);
      dstLeft -= 2;
    }
  }
  iconv_close(cd);
  std::size_t produced = result.size() - dstLeft;
  out.clear();
  out.reserve(produced / 2);
  for (std::size_t i = 0; i + 1 < produced; i += 2)
    out += static_cast<char16_t>(static_cast<unsigned char>(result[i]) |
                                 (static_cast<unsigned char>(result[i + 1]) << 8));
  return true;
}

// ---------------------------------------------------------------- preparation

void THtmlTokenizer::Prepare(std::u16string text) {
  int nuls = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != 0) continue;
    if (nuls++ == MaxNuls) {
      text.resize(i);
      break;
    }
    text[i] = u' ';
  }
  FIndexBase = 0;
  UTF8Doc = false;
  CharSet = -1;
  CodePage = 0;
  if (text.size() >= 4 && text[0] == 0xEF && text[1] == 0xBB && text[2] == 0xBF) {
    text.erase(0, 3);
    FIndexBase = 3;
    UTF8Doc = true;
    CodePage = 65001;
    CharSet = 0;
  } else if (!text.empty() && text[0] == 0xFEFF) {
    // The same mark already decoded.
    text.erase(0, 1);
    FIndexBase = 1;
    UTF8Doc = true;
    CodePage = 65001;
    CharSet = 0;
  } else if (HasJisShifts(text)) {
    std::u16string decoded;
    if (DecodeIso2022Jp(text, decoded)) {
      text = std::move(decoded);
      CharSet = 128;
      CodePage = 932;
    }
  }
  FCodePage = CodePage;
  FDoc = std::move(text);
  FPos = 0;
  FInserted.clear();
  FInsPos = 0;
  FInInserted = false;
  FPlain = false;
  FOpenComment = false;
  RawMode = false;
  SIndex = FIndexBase - 1;
  Sy = EofSy;
  GetCh();
}

void THtmlTokenizer::PreparePlain(std::u16string text) {
  Prepare(std::move(text));
  FPlain = true;
}

// ---------------------------------------------------------------- characters

char16_t THtmlTokenizer::ReadSourceChar(int& index) {
  FTabRead = false;
  if (FInInserted) {
    if (FInsPos < FInserted.size()) return FInserted[FInsPos++];
    FInInserted = false;
    FInserted.clear();
  }
  if (FPos >= FDoc.size()) {
    index = static_cast<int>(FDoc.size()) + FIndexBase;
    return 0;
  }
  index = static_cast<int>(FPos) + FIndexBase;
  char16_t c = FDoc[FPos++];
  if (c == u'\r') {
    if (FPos < FDoc.size() && FDoc[FPos] == u'\n') ++FPos;
  } else if (c == u'\n') {
    if (FPos < FDoc.size() && FDoc[FPos] == u'\r') ++FPos;
    c = u'\r';
  }
  FTabRead = c == u'\t';
  if (FTabRead) c = u' ';
  if ((FPos & 4095) == 0 && OnProgress && !FDoc.empty())
    OnProgress(static_cast<int>(FPos * 100 / FDoc.size()));
  return c;
}

char16_t THtmlTokenizer::PeekCh() const {
  if (FInInserted && FInsPos < FInserted.size()) return FInserted[FInsPos];
  return FPos < FDoc.size() ? FDoc[FPos] : u'\0';
}

void THtmlTokenizer::GetCh() {
  // Most characters come straight from the document and need nothing of the
  // reader: no line end or tab to change, no markup to skip, no progress to
  // report.
  if (!FInInserted && FPos < FDoc.size()) {
    char16_t c = FDoc[FPos];
    if (c > u'\r' && c != u'<' && ((FPos + 1) & 4095) != 0) {
      SIndex = static_cast<int>(FPos) + FIndexBase;
      ++FPos;
      Ch = c;
      ChWasTab = false;
      UpCh = Upper(c);
      return;
    }
  }
  for (;;) {
    int index = SIndex;
    char16_t c = ReadSourceChar(index);
    SIndex = index;
    if (c == u'<' && !RawMode && !FPlain && SkipMarkup()) continue;
    Ch = c;
    ChWasTab = FTabRead;
    UpCh = Upper(c);
    return;
  }
}

// At a '<' just read: removes "<!-- -->", "<! >" and "<% %>" and returns
// true, or returns false for any other '<'.
bool THtmlTokenizer::SkipMarkup() {
  std::u16string& src = FInInserted && FInsPos < FInserted.size() ? FInserted : FDoc;
  std::size_t& pos = &src == &FInserted ? FInsPos : FPos;
  if (pos >= src.size()) return false;
  if (src[pos] == u'!') {
    if (pos + 2 < src.size() && src[pos + 1] == u'-' && src[pos + 2] == u'-') {
      pos += 3;
      if (pos < src.size() && src[pos] == u'#' && OnInclude) {
        ReadInclude(src, pos);
      } else {
        SkipComment(src, pos);
      }
      return true;
    }
    auto close = src.find(u'>', pos);
    pos = close == std::u16string::npos ? src.size() : close + 1;
    return true;
  }
  if (src[pos] == u'%') {
    auto close = src.find(u"%>", pos + 1);
    pos = close == std::u16string::npos ? src.size() : close + 2;
    return true;
  }
  return false;
}

// From just after "<!--" to just after the comment's end: "--", more '-',
// spaces or line ends, an optional '!', then '>'.
void THtmlTokenizer::SkipComment(const std::u16string& src, std::size_t& pos) {
  std::size_t at = pos;
  for (;;) {
    auto dashes = src.find(u"--", at);
    if (dashes == std::u16string::npos) {
      pos = src.size();
      FOpenComment = true;
      return;
    }
    std::size_t i = dashes + 2;
    while (i < src.size() && src[i] == u'-') ++i;
    std::size_t afterDashes = i;
    while (i < src.size() && (src[i] == u' ' || src[i] == u'\r' || src[i] == u'\n' || src[i] == u'\t')) ++i;
    if (i < src.size() && src[i] == u'!') ++i;
    if (i < src.size() && src[i] == u'>') {
      pos = i + 1;
      return;
    }
    at = afterDashes;
  }
}

void THtmlTokenizer::ReadInclude(const std::u16string& src, std::size_t& pos) {
  std::size_t start = pos + 1;  // after '#'
  SkipComment(src, pos);
  if (FOpenComment) return;
  std::u16string body = src.substr(start, pos - start);
  auto end = body.rfind(u"--");
  if (end != std::u16string::npos) body.resize(end);
  std::size_t i = 0;
  std::u16string command;
  while (i < body.size() && !IsSpace(body[i])) command += body[i++];
  std::vector<std::u16string> params;
  while (i < body.size()) {
    while (i < body.size() && IsSpace(body[i])) ++i;
    std::u16string param;
    char16_t quote = 0;
    while (i < body.size() && (quote || !IsSpace(body[i]))) {
      char16_t c = body[i++];
      if (quote && c == quote) quote = 0;
      else if (!quote && (c == u'"' || c == u'\'')) quote = c;
      else param += c;
    }
    if (!param.empty()) params.push_back(param);
  }
  std::u16string text = OnInclude(command, params);
  if (text.empty()) return;
  // The inserted text is read before the rest of the current source.
  if (&src == &FInserted) text += FInserted.substr(pos);
  FInserted = std::move(text);
  FInsPos = 0;
  FInInserted = true;
}

// ---------------------------------------------------------------- symbols

void THtmlTokenizer::Next() {
  LCToken.Clear();
  Attributes.Clear();
  SelfClosing = false;
  if (Ch == 0) {
    if (FOpenComment) {
      FOpenComment = false;
      throw EHtmlParseError("Open Comment at End of HTML File");
    }
    Sy = EofSy;
    return;
  }
  if (Ch == u'<' && !FPlain) {
    ReadTag();
    return;
  }
  ReadText();
}

void THtmlTokenizer::ReadText() {
  Sy = TextSy;
  bool lastSpace = false;
  for (;;) {
    if (Ch == 0) break;
    if (Ch < 9) {
      if (LCToken.Leng() > 0) break;
      // A control character where text would start reads as '?'.
      LCToken.AddUnicodeChar(u'?', SIndex);
      GetCh();
      lastSpace = false;
      continue;
    }
    if (Ch == u'<' && !FPlain) break;
    if (Ch == u' ' || Ch == u'\r' || Ch == u'\n') {
      if (KeepWhiteSpace) {
        LCToken.AddUnicodeChar(Ch == u'\n' ? u'\r' : ChWasTab ? u'\t' : Ch, SIndex);
        GetCh();
        continue;
      }
      if (!lastSpace) LCToken.AddUnicodeChar(u' ', SIndex);
      lastSpace = true;
      GetCh();
      continue;
    }
    lastSpace = false;
    if (Ch == u'&') {
      FChars.Clear();
      ReadReference(FChars, false);
      FChars.FlushTo(LCToken);
      continue;
    }
    LCToken.AddUnicodeChar(Ch, SIndex);
    AppendPlainRun();
    GetCh();
  }
}

// Appends the ordinary characters that follow straight from the document,
// without the per-character reader: most of a page's text is such runs.
void THtmlTokenizer::AppendPlainRun() {
  if (FInInserted) return;
  const std::size_t start = FPos;
  std::size_t end = start;
  const std::size_t size = FDoc.size();
  auto ordinary = [](char16_t c) { return c > u' ' && c != u'<' && c != u'&'; };
  while (end < size) {
    char16_t c = FDoc[end];
    // A single space between ordinary characters stays as it is: part of
    // the run.
    if (c == u' ' && end + 1 < size && ordinary(FDoc[end + 1])) {
      end += 2;
      continue;
    }
    if (!ordinary(c)) break;
    ++end;
  }
  if (end == start) return;
  LCToken.AddRun(FDoc.data() + start, end - start, static_cast<int>(start) + FIndexBase);
  FPos = end;
  if ((start >> 12) != (end >> 12) && OnProgress && size > 0)
    OnProgress(static_cast<int>(end * 100 / size));
}

// Inside a quoted value: appends the characters that follow straight from
// the document and need nothing of the per-character reader.
void THtmlTokenizer::AppendQuotedRun(char16_t quote, TCharCollection& out) {
  if (FInInserted) return;
  const std::size_t start = FPos;
  std::size_t end = start;
  const std::size_t size = FDoc.size();
  while (end < size) {
    char16_t c = FDoc[end];
    if (c < u' ' || c == quote || c == u'<' || c == u'&') break;
    ++end;
  }
  if (end == start) return;
  out.AddRun(FDoc.data() + start, end - start, static_cast<int>(start) + FIndexBase);
  FPos = end;
  if ((start >> 12) != (end >> 12) && OnProgress && size > 0)
    OnProgress(static_cast<int>(end * 100 / size));
}

// Appends Ch and the name characters after it, upper-cased, while they
// are name characters and the name is shorter than `limit`, and reads the
// character after them. Name characters are letters, digits and those in
// `extra`: none of them is changed by the reader, so the run is taken from
// the document as it stands.
void THtmlTokenizer::ReadName(std::u16string& name, std::size_t limit, std::u16string_view extra) {
  auto isName = [extra](char16_t up) {
    return IsUpperLetter(up) || IsDigit(up) || extra.find(up) != std::u16string_view::npos;
  };
  while (name.size() < limit && isName(UpCh)) {
    name += UpCh;
    if (!FInInserted) {
      const std::size_t start = FPos;
      const std::size_t size = FDoc.size();
      const std::size_t room = limit - name.size();
      std::size_t end = start;
      while (end < size && end - start < room && isName(Upper(FDoc[end]))) ++end;
      const std::size_t from = name.size();
      name.append(FDoc, start, end - start);
      for (std::size_t k = from; k < name.size(); ++k) name[k] = Upper(name[k]);
      FPos = end;
      if ((start >> 12) != (end >> 12) && OnProgress && size > 0)
        OnProgress(static_cast<int>(end * 100 / size));
    }
    GetCh();
  }
}

void THtmlTokenizer::ReadTag() {
  TagIndex = SIndex;
  GetCh();
  bool endTag = false;
  int slashIndex = SIndex;
  if (Ch == u'/') {
    endTag = true;
    GetCh();
  }
  if (!(Ch == u'?' || IsUpperLetter(UpCh))) {
    // Not a tag: the '<' is text.
    LCToken.AddUnicodeChar(u'<', TagIndex);
    if (endTag) LCToken.AddUnicodeChar(u'/', slashIndex);
    ReadText();
    return;
  }
  std::u16string name;
  HeadingLevel = 0;
  while (name.size() < MaxTagName) {
    if (IsUpperLetter(UpCh) || IsDigit(UpCh) || UpCh == u'_') {
      name += UpCh;
      GetCh();
      if (name == u"H" && Ch >= u'1' && Ch <= u'6') {
        HeadingLevel = Ch - u'0';
        GetCh();
        break;
      }
      ReadName(name, MaxTagName, u"_");
    } else if (UpCh == u'/' && name.empty()) {
      GetCh();
    } else {
      break;
    }
  }
  TElementSymbols symbols{CommandSy, CommandSy};
  if (HeadingLevel > 0) symbols = {HeadingSy, HeadingEndSy};
  else if (!LookupElement(name, symbols)) symbols = {CommandSy, CommandSy};
  Sy = endTag ? symbols.End : symbols.Start;
  bool slash = false;
  while (ReadAttribute()) slash = FBareValueSlash;
  while (Ch != 0 && Ch != u'>') {
    slash = Ch == u'/';
    GetCh();
  }
  SelfClosing = slash && Ch == u'>';
  if (!endTag && (Sy == ScriptSy || Sy == StyleSy)) {
    RawMode = true;
    return;
  }
  if (Ch == u'>') GetCh();
}

bool THtmlTokenizer::ReadAttribute() {
  while (Ch == u' ' || Ch == u'\r') GetCh();
  if (!IsUpperLetter(UpCh)) return false;
  FBareValueSlash = false;
  TAttribute a;
  // Beside '-', names such as xml:lang, xmlns:xlink, data_x or v.model hold
  // ':', '_' and '.'; stopping at them would end the list and lose the
  // attributes after it.
  ReadName(a.WhichName, std::u16string::npos, u"-:_.");
  a.Which = LookupAttribute(a.WhichName);
  a.CodePage = FCodePage;
  while (Ch == u' ' || Ch == u'\r') GetCh();
  if (Ch == u'=') {
    GetCh();
    while (Ch == u' ' || Ch == u'\r') GetCh();
    FChars.Clear();
    ReadValue(a, FChars);
  } else if (a.Which == BorderSy) {
    a.Value = 1;
  }
  if (a.Which == IDSy && !a.Name.empty() && OnID) OnID(LowerCase(Trim(a.Name)), TagIndex);
  Attributes.Add(std::move(a));
  return true;
}

void THtmlTokenizer::ReadValue(TAttribute& a, TCharCollection& out) {
  if (Ch == u'"' || Ch == u'\'') {
    char16_t quote = Ch;
    GetCh();
    bool keepLineEnds = a.Which == TitleSy || a.Which == AltSy;
    while (Ch != 0 && Ch != quote) {
      if (Ch == u'&') {
        ReadReference(out, true);
        continue;
      }
      if (Ch == u'\r') {
        if (keepLineEnds) {
          out.Add(u'\r', SIndex);
          out.Add(u'\n', SIndex);
        }
      } else {
        out.Add(Ch, SIndex);
        AppendQuotedRun(quote, out);
      }
      GetCh();
    }
    if (Ch == quote) GetCh();
    a.Name = out.AsString();
    std::u16string_view t = TrimView(a.Name);
    if (!t.empty() && t.back() == u'%') t.remove_suffix(1);
    if (!t.empty() && (t[0] == u'+' || t[0] == u'-' || t[0] == u'.' || IsDigit(t[0]))) {
      double n;
      if (ReadLeadingNumber(t, n) > 0) a.Value = SatRound(n);
    }
    return;
  }
  bool number = Ch == u'+' || Ch == u'-' || IsDigit(Ch);
  while (Ch != 0 && Ch != u' ' && Ch != u'\r' && Ch != u'>' && !(number && Ch == u'%')) {
    if (Ch == u'&') {
      ReadReference(out, true);
      continue;
    }
    out.Add(Ch, SIndex);
    GetCh();
  }
  a.Name = out.AsString();
  FBareValueSlash = Ch == u'>' && !a.Name.empty() && a.Name.back() == u'/';
  if (number) {
    double n;
    if (ReadLeadingNumber(a.Name, n) > 0) a.Value = SatRound(n);
    if (Ch == u'%') {
      a.Name += u'%';
      GetCh();
    }
  }
}

void THtmlTokenizer::AddCodePoint(TCharCollection& out, char32_t cp, int index) {
  if (cp < 32) {
    out.Add(cp == 9 ? u' ' : u'?', index);
  } else if ((cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) {
    out.Add(u'\uFFFD', index);
  } else if (cp > 0xFFFF) {
    cp -= 0x10000;
    out.Add(static_cast<char16_t>(0xD800 + (cp >> 10)), index);
    out.Add(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)), index);
  } else {
    out.Add(static_cast<char16_t>(cp), index);
  }
}

// At '&': a numeric or named reference, or the characters as they stand.
void THtmlTokenizer::ReadReference(TCharCollection& out, bool inAttribute) {
  const int ampIndex = SIndex;
  GetCh();
  if (Ch == u'#') {
    const int hashIndex = SIndex;
    GetCh();
    char32_t cp = 0;
    auto grow = [&cp](int base, int digit) {
      // Saturates: anything past the Unicode range stays past it.
      if (cp <= 0x10FFFF) cp = cp * static_cast<char32_t>(base) + static_cast<char32_t>(digit);
    };
    if (UpCh == u'X') {
      const int xIndex = SIndex;
      const char16_t x = Ch;
      GetCh();
      if (!IsHex(UpCh)) {
        out.Add(u'&', ampIndex);
        out.Add(u'#', hashIndex);
        out.Add(x, xIndex);
        return;
      }
      while (IsHex(UpCh)) {
        grow(16, IsDigit(UpCh) ? UpCh - u'0' : UpCh - u'A' + 10);
        GetCh();
      }
    } else if (IsDigit(Ch)) {
      while (IsDigit(Ch)) {
        grow(10, Ch - u'0');
        GetCh();
      }
    } else {
      out.Add(u'&', ampIndex);
      out.Add(u'#', hashIndex);
      return;
    }
    if (Ch == u';') GetCh();
    AddCodePoint(out, cp, ampIndex);
    return;
  }
  std::u16string name;
  std::vector<int> indices;
  while (name.size() < MaxEntityName && (IsUpperLetter(UpCh) || IsDigit(Ch))) {
    name += Ch;
    indices.push_back(SIndex);
    GetCh();
  }
  char32_t cp = name.empty() ? 0 : LookupEntity(name);
  if (cp != 0 && (!inAttribute || cp <= 255 || Ch == u';')) {
    if (Ch == u';') GetCh();
    AddCodePoint(out, cp, ampIndex);
    return;
  }
  out.Add(u'&', ampIndex);
  for (std::size_t i = 0; i < name.size(); ++i) out.Add(name[i], indices[i]);
}

void THtmlTokenizer::ReadPreText(int max, bool markup) {
  LCToken.Clear();
  Attributes.Clear();
  Sy = TextSy;
  PreLineEnd = false;
  while (Ch != 0 && LCToken.Leng() < max) {
    if (Ch == u'\r') {
      PreLineEnd = true;
      GetCh();
      return;
    }
    if (Ch == u'<' && markup) {
      char16_t next = Upper(PeekCh());
      if ((next >= u'A' && next <= u'Z') || next == u'/') return;
    }
    if (Ch == u'&' && markup) {
      FChars.Clear();
      ReadReference(FChars, false);
      FChars.FlushTo(LCToken);
      continue;
    }
    LCToken.AddUnicodeChar(Ch < 9 ? u'?' : ChWasTab ? u'\t' : Ch, SIndex);
    GetCh();
  }
}

void THtmlTokenizer::SkipElementContent(std::u16string_view upperName) {
  RawMode = true;
  int depth = 1;
  while (Ch != 0) {
    if (Ch != u'<') {
      GetCh();
      continue;
    }
    GetCh();
    const bool end = Ch == u'/';
    if (end) GetCh();
    std::size_t k = 0;
    while (k < upperName.size() && UpCh == upperName[k]) {
      ++k;
      GetCh();
    }
    // Another element, or a longer name that starts the same way.
    if (k < upperName.size() || IsUpperLetter(UpCh) || IsDigit(UpCh) || UpCh == u'-' ||
        UpCh == u'_' || UpCh == u':')
      continue;
    bool slash = false;
    while (Ch != 0 && Ch != u'>') {
      slash = Ch == u'/';
      GetCh();
    }
    if (end) --depth;
    else if (!slash) ++depth;
    if (depth == 0) break;
  }
  RawMode = false;
  if (Ch == u'>') GetCh();
}

std::u16string THtmlTokenizer::ReadRawUntil(std::u16string_view upperEndTag) {
  RawMode = true;
  std::u16string text;
  if (Ch == u'>') GetCh();
  for (;;) {
    if (Ch == 0) break;
    if (Ch == u'<' && PeekCh() == u'/') {
      // Compare the following name without reading it.
      std::size_t p = FPos + 1;
      bool match = !FInInserted && p + upperEndTag.size() <= FDoc.size();
      for (std::size_t k = 0; match && k < upperEndTag.size(); ++k)
        match = Upper(FDoc[p + k]) == upperEndTag[k];
      if (match) break;
    }
    text += Ch;
    GetCh();
  }
  RawMode = false;
  return text;
}

}  // namespace tav
