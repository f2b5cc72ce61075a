#include "textview/uri_highlighter.h"

#include "textview/char_class.h"

namespace tav {

namespace {

constexpr char16_t kDefaultFilter[] = u"All Files (*.*)|*.*";

bool IsAsciiLetter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }

bool IsMark(char16_t c) {
  switch (c) {
    case u'!': case u'\'': case u'(': case u')': case u'*': case u'-': case u'.': case u'_':
    case u'~':
      return true;
    default:
      return false;
  }
}

bool IsReserved(char16_t c) {
  switch (c) {
    case u'#': case u'$': case u'%': case u'&': case u'+': case u',': case u'/': case u':':
    case u';': case u'=': case u'?': case u'@':
      return true;
    default:
      return false;
  }
}

}  // namespace

// Indexed by the scheme hash; slots 0, 2, 6 and 13 hold no keyword.
const TURIHighlighter::TScheme TURIHighlighter::fIdentFuncTable[16] = {
    {u"", tkUnknown, btNone},
    {u"http://", tkHttpLink, btUri},
    {u"", tkUnknown, btNone},
    {u"https://", tkHttpsLink, btUri},
    {u"news:", tkNewsLink, btUri},
    {u"gopher://", tkGopherLink, btUri},
    {u"", tkUnknown, btNone},
    {u"prospero://", tkProsperoLink, btUri},
    {u"news://", tkNewsLink, btUri},
    {u"www", tkWebLink, btWebHost},
    {u"nntp://", tkNntpLink, btUri},
    {u"ftp://", tkFtpLink, btUri},
    {u"wais://", tkWaisLink, btUri},
    {u"", tkUnknown, btNone},
    {u"telnet://", tkTelnetLink, btUri},
    {u"mailto:", tkMailtoLink, btUri},
};

TURIHighlighter::TURIHighlighter() {
  fCaseSensitive = false;
  fSpaceAttri = std::make_unique<THighlighterAttributes>(u"Space", u"Space");
  fSpaceAttri->InternalSaveDefaultValues();
  fIdentifierAttri = std::make_unique<THighlighterAttributes>(u"Identifier", u"Identifier");
  fIdentifierAttri->InternalSaveDefaultValues();

  auto uri = std::make_unique<THighlighterAttributes>(u"URI", u"URI");
  uri->SetForeground(clBlue);
  uri->SetStyle(hfsUnderline);
  fURIAttri = uri.get();
  AddAttribute(std::move(uri));

  auto visited = std::make_unique<THighlighterAttributes>(u"VisitedURI", u"Visited URI");
  visited->SetForeground(clPurple);
  visited->SetStyle(hfsUnderline);
  fVisitedURIAttri = visited.get();
  AddAttribute(std::move(visited));

  fDefaultFilter = kDefaultFilter;
}

TURIHighlighter::~TURIHighlighter() = default;

THighlighterAttributes* TURIHighlighter::GetDefaultAttribute(int index) const {
  switch (index) {
    case HIGHLIGHTER_ATTR_IDENTIFIER: return fIdentifierAttri.get();
    case HIGHLIGHTER_ATTR_WHITESPACE: return fSpaceAttri.get();
    case HIGHLIGHTER_ATTR_URI: return fURIAttri;
    case HIGHLIGHTER_ATTR_VISITEDURI: return fVisitedURIAttri;
    default: return nullptr;
  }
}

std::u16string TURIHighlighter::GetSampleSource() const {
  return u"Web page links:\r\n"
         u"  http://www.example.org/index.html\r\n"
         u"  www.example.org\r\n"
         u"\r\n"
         u"Mail:\r\n"
         u"  mailto:someone@example.org\r\n"
         u"  someone@example.org";
}

bool TURIHighlighter::IsFilterStored() const { return fDefaultFilter != kDefaultFilter; }

bool TURIHighlighter::IsIdentChar(char16_t c) const { return IsCharAlphaNumeric(c); }

void TURIHighlighter::LoadLine(std::u16string_view line, int lineNumber) {
  TCustomHighlighter::LoadLine(line, lineNumber);
  fNoMailBefore = 0;
  fMayBeProtocol = 0;
  fStringLen = 0;
}

THighlighterAttributes* TURIHighlighter::GetTokenAttribute() const {
  switch (fTokenID) {
    case tkSpace: return fSpaceAttri.get();
    case tkUnknown: return fIdentifierAttri.get();
    case tkNull:
    case tkNullChar: return nullptr;
    default:
      if (fAlreadyVisitedURI && fAlreadyVisitedURI(GetToken())) return fVisitedURIAttri;
      return fURIAttri;
  }
}

bool TURIHighlighter::TokenEquals(std::u16string_view keyword) const {
  if (fStringLen != static_cast<int>(keyword.size())) return false;
  return std::u16string_view(fLine + fMayBeProtocol, keyword.size()) == keyword;
}

void TURIHighlighter::Next() {
  fTokenPos = Run;
  if (Run > fLineLen) {
    fTokenID = tkNull;
  } else {
    const char16_t c = fLine[Run];
    if (c == 0) {
      // A U+0000 in the line, or the terminator after it.
      fTokenID = tkNullChar;
      ++Run;
    } else if (c == u'\r') {
      fTokenID = tkSpace;
      ++Run;
      if (fLine[Run] == u'\n') ++Run;
    } else if (c == u'\n') {
      fTokenID = tkSpace;
      ++Run;
    } else if (c <= 0x20) {
      SpaceProc();
    } else if (IsAsciiLetter(c)) {
      ScanWord();
    } else {
      fTokenID = tkUnknown;
      ++Run;
    }
  }
  TCustomHighlighter::Next();
}

void TURIHighlighter::SpaceProc() {
  fTokenID = tkSpace;
  ++Run;
  while (!IsLineEnd(Run) && fLine[Run] <= 0x20) ++Run;
}

void TURIHighlighter::ScanWord() {
  if (ScanEmailAddress()) {
    fTokenID = tkMailtoLink;
    return;
  }
  fMayBeProtocol = Run;
  const TScheme& scheme = fIdentFuncTable[ProtocolHash()];
  fTokenID = tkUnknown;
  if (scheme.body == btNone || !TokenEquals(scheme.keyword)) return;
  const bool ok = scheme.body == btWebHost ? ScanWebHost() : ScanUriBody();
  if (ok) fTokenID = scheme.kind;
}

bool TURIHighlighter::ScanEmailAddress() {
  const int start = Run;
  if (start < fNoMailBefore) return false;
  int p = start;
  int lastAt = -1;
  for (;;) {
    const char16_t c = fLine[p];
    if (c == u'.') {
      if (p > start && fLine[p - 1] == u'.') break;
    } else if (c == u'@') {
      lastAt = p;
    } else if (c != u'-' && c != u'_' && !IsCharAlphaNumeric(c)) {
      break;
    }
    ++p;
  }
  const int runEnd = p;
  while (p > start && (fLine[p - 1] == u'.' || fLine[p - 1] == u'@')) --p;
  int lastDot = -1;
  for (int k = p - 1; k > lastAt && k >= start; --k) {
    if (fLine[k] == u'.') {
      lastDot = k;
      break;
    }
  }
  const bool valid = lastAt > start && lastAt + 1 < p && lastDot > lastAt + 1;
  if (!valid) {
    fNoMailBefore = runEnd;
    return false;
  }
  Run = p;
  return true;
}

int TURIHighlighter::ProtocolHash() {
  int h = 0;
  int p = Run;
  auto take = [&] {
    h = (3 * h + fLine[p] / 9) % 16;
    ++p;
  };
  while (IsAsciiLetter(fLine[p])) take();
  if (fLine[p] == u':') take();
  if (fLine[p] == u'/') take();
  if (fLine[p] == u'/') take();
  fStringLen = p - Run;
  Run = p;
  return h;
}

bool TURIHighlighter::IsUriChar(char16_t c) const {
  return IsCharAlphaNumeric(c) || IsMark(c) || IsReserved(c);
}

bool TURIHighlighter::IsNeverLastChar(char16_t c) const {
  return (IsMark(c) && c != u'\'') || (IsReserved(c) && c != u'/' && c != u'$');
}

// A '.' at p that directly follows another '.' ends a body, unless the pair
// stands between two slashes or two backslashes.
bool TURIHighlighter::StopsAtDoubleDot(int p) const {
  if (fLine[p] != u'.' || p == 0 || fLine[p - 1] != u'.') return false;
  if (p >= 2) {
    const char16_t before = fLine[p - 2], after = fLine[p + 1];
    if ((before == u'/' && after == u'/') || (before == u'\\' && after == u'\\')) return false;
  }
  return true;
}

bool TURIHighlighter::ScanUriBody() {
  const int start = Run;
  int p = start;
  while (IsUriChar(fLine[p]) && !StopsAtDoubleDot(p)) ++p;
  while (p > start && IsNeverLastChar(fLine[p - 1])) --p;
  if (p == start) return false;
  Run = p;
  return true;
}

bool TURIHighlighter::ScanWebHost() {
  const int start = Run;
  int p = start;
  int dots = 0;
  int secondDot = -1;
  while (IsUriChar(fLine[p]) && !StopsAtDoubleDot(p)) {
    if (fLine[p] == u'.' && ++dots == 2) secondDot = p;
    ++p;
  }
  while (p > start && IsNeverLastChar(fLine[p - 1])) --p;
  // What was consumed stays consumed, link or not.
  Run = p;
  return p > start && fLine[start] == u'.' && secondDot > start + 1 && secondDot < p;
}

}  // namespace tav
